#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it and runs the
# demo from the installed files only (the installed binaries and the
# installed example configurations, in a scratch directory).
#   DEB_DIR   where the .deb is left (default: build-deb)
# Needs debhelper, dpkg-dev, fakeroot, lintian, cmake and g++; installing
# needs root (otherwise the package is unpacked into a scratch root and run
# from there).
set -euo pipefail
cd "$(dirname "$0")/.."
deb_dir=${DEB_DIR:-build-deb}
mkdir -p "$deb_dir"
deb_dir=$(cd "$deb_dir" && pwd)

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-package-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# dpkg-buildpackage writes its results beside the source tree: build a copy
# of the tree (without build directories) in the scratch directory.
echo "== dpkg-buildpackage"
mkdir "$scratch/kestrel"
tar --exclude='./build*' --exclude=./.git --exclude=./out --exclude=./demo-run -cf - . |
  tar -xf - -C "$scratch/kestrel"
(cd "$scratch/kestrel" && dpkg-buildpackage -b -us -uc -j2 >"$scratch/build.log" 2>&1) || {
  tail -n 60 "$scratch/build.log"
  echo "FAILED: dpkg-buildpackage"
  exit 1
}
debs=("$scratch"/kestrel_*.deb)
deb=${debs[0]}
cp "$deb" "$deb_dir/"
echo "built $(basename "$deb")"

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

echo "== install"
if [ "$(id -u)" = 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  root=""
else
  echo "not root: the package is unpacked into a scratch root instead"
  root=$scratch/root
  dpkg-deb -x "$deb" "$root"
fi
bin=$root/usr/bin
doc=$root/usr/share/doc/kestrel
if [ ! -d "$doc/examples/demo" ]; then
  # Slim container images tell dpkg to leave /usr/share/doc out.
  echo "dpkg left the documentation out here: the examples are taken from the package"
  dpkg-deb -x "$deb" "$scratch/docs"
  doc=$scratch/docs/usr/share/doc/kestrel
fi
contents=$(dpkg-deb -c "$deb")
for page in man1/kestrel.1 man1/kestrel-check.1 man1/kestrel-list.1 man5/kestrel.cfg.5; do
  grep -q "/usr/share/man/$page.gz\$" <<<"$contents" || { echo "FAILED: no $page in the package"; exit 1; }
done
# Slim images leave the manual pages out as well.
if [ -z "$root" ] && [ -f /usr/share/man/man5/kestrel.cfg.5.gz ]; then
  man -w kestrel.cfg >/dev/null
fi

echo "== the demo, from the installed files"
run=$scratch/demo
cp -R "$doc/examples/demo" "$run"
cd "$run"
"$bin/kestrel-check" kestrel.cfg --dry-run
"$bin/kestrel" kestrel.cfg
"$bin/kestrel" archive.cfg
"$bin/kestrel" archive.cfg
"$bin/kestrel-list" Mnetmail Mpersonal Sbills Jpoint7 Jnet5030 Jarchive
# The first run moved 7 of the 12 messages and killed 2; the archive holds
# a copy of each of the 3 left, made once although it ran twice.
listing=$("$bin/kestrel-list" Mnetmail Jarchive)
grep -qx '== Mnetmail: 3 message(s)' <<<"$listing" &&
  grep -qx '== Jarchive: 3 message(s)' <<<"$listing" || {
  echo "FAILED: the installed demo did not move and copy as expected"
  exit 1
}
echo "The package $(basename "$deb") is in $deb_dir; installed and demo run: OK"
