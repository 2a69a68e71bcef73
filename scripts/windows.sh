#!/usr/bin/env bash
# Cross-builds Kestrel for Windows with MinGW-w64 and runs it under Wine:
#   1. builds kestrel.exe (static) and the test suite into build-win32;
#   2. runs the whole suite under Wine (ctest);
#   3. runs the demo with kestrel.exe under Wine.
# Needs (Debian): g++-mingw-w64-x86-64-posix, wine, wine64, googletest.
#   BUILD_DIR   build directory (default: build-win32)
#   WINEPREFIX  Wine's directory (default: <build>/wine), made on first use
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-win32}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DKESTREL_BUILD_TESTS=ON -DKESTREL_REQUIRE_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
build=$(cd "$build" && pwd)

# Wine without a display, quiet, in a directory of its own.
export WINEPREFIX=${WINEPREFIX:-$build/wine} WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
if [ ! -d "$WINEPREFIX" ]; then wineboot --init >/dev/null 2>&1; fi

ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# The demo, as scripts/demo.sh runs it, with the Windows programs.
run="$build/demo-run"
rm -rf "$run"
mkdir -p "$run"
cp -R examples/demo/. "$run/"
cd "$run"
kestrel() { wine "$build/app/kestrel.exe" "$@"; }
list() { wine "$build/examples/kestrel-list.exe" "$@"; }
step() { printf '\n=== %s\n' "$*"; }
step "The netmail area before the run"
list Mnetmail
step "kestrel.exe kestrel.cfg: move and kill by the rules"
kestrel kestrel.cfg
step "kestrel.exe archive.cfg: copy what is left to an archive (run twice)"
kestrel archive.cfg
kestrel archive.cfg
step "The log (kestrel.log)"
if command -v iconv >/dev/null; then iconv -f CP866 -t UTF-8 kestrel.log; else cat kestrel.log; fi
step "What landed where"
list Mnetmail Mpersonal Sbills Jpoint7 Jnet5030 Jarchive
printf '\nThe Windows demo ran in %s.\n' "$PWD"
