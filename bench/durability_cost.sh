#!/usr/bin/env bash
# What durability costs: moves of 1, 100 and 10 000 messages into a new area
# of the same format (MOVE YES, every message matches), timed with the normal
# build, which makes each copy durable before its original is deleted, and
# with one built with -DKESTREL_NO_SYNC=ON, which never syncs. Prints the
# table and, unless --out -, writes it into docs/benchmarks.md between its
# durability markers.
#
#   bench/durability_cost.sh [--counts "1 100 10000"] [--formats "M S J"]
#                            [--repeat R] [--out FILE] [--work DIR]
#
# The scratch directory (default build-bench/durability) must be on the disk
# being measured: on a memory file system a sync costs nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

counts="1 100 10000"
formats="M S J"
repeat=3
out=docs/benchmarks.md
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --counts) counts="$2"; shift ;;
    --formats) formats="$2"; shift ;;
    --repeat) repeat="$2"; shift ;;
    --out) out="$2"; shift ;;
    --work) work="$2"; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done

synced_build=${BENCH_BUILD_DIR:-build-bench}
unsynced_build=${synced_build}-nosync
work=${work:-$synced_build/durability}
match_to="Kestrel Bench Target"

for build in "$synced_build" "$unsynced_build"; do
  no_sync=OFF
  [ "$build" = "$unsynced_build" ] && no_sync=ON
  echo "== building (release, KESTREL_NO_SYNC=$no_sync) in $build"
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF \
    -DKESTREL_BUILD_BENCH=ON -DKESTREL_NO_SYNC=$no_sync >/dev/null
  cmake --build "$build" -j "$(nproc)" --target kestrel kestrel-make-netmail >/dev/null
done
# The areas are made without syncs: they are the same either way.
generate="$root/$unsynced_build/bench/kestrel-make-netmail"

mkdir -p "$work"
work=$(cd "$work" && pwd)

# Wall time of one move of the pristine area in $2 with the kestrel of $1.
timed_move() {
  local kestrel=$1 pristine=$2 kind=$3 n=$4
  local run="$work/run"
  rm -rf "$run"
  mkdir -p "$run"
  cp -a "$pristine/." "$run/"
  {
    echo "LOG $run/kestrel.log"
    echo "NETMAIL $kind$run/netmail"
    echo "PRIORITY TO"
    echo "TO $match_to, ${kind}$run/dest"
    echo "MOVE YES"
  } >"$run/kestrel.cfg"
  sync
  local wall
  wall=$(python3 "$root/bench/time_child.py" "$kestrel" "$run/kestrel.cfg" | cut -d' ' -f1)
  local found
  found=$(grep -o '[0-9]* message(s) founded' "$run/kestrel.log" | tail -1 | cut -d' ' -f1)
  if [ "$found" != "$n" ]; then
    echo "unexpected result on $run: found '$found' of $n" >&2
    return 1
  fi
  echo "$wall"
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

name_of() {
  case "$1" in M) echo "*.MSG" ;; S) echo "Squish" ;; J) echo "JAM" ;; esac
}

table="$work/table.md"
{
  echo "| Format | Moved | Synced (s) | Not synced (s) | Durability per message (ms) |"
  echo "|---|---:|---:|---:|---:|"
} >"$table"
for kind in $formats; do
  for n in $counts; do
    pristine="$work/pristine-$kind-$n"
    rm -rf "$pristine"
    mkdir -p "$pristine"
    "$generate" "$kind$pristine/netmail" "$n" --match-percent 100 --match-to "$match_to" \
      >/dev/null
    declare -A wall=()
    for variant in synced unsynced; do
      build=$synced_build
      [ $variant = unsynced ] && build=$unsynced_build
      times=""
      for _ in $(seq "$repeat"); do
        times="$times $(timed_move "$root/$build/app/kestrel" "$pristine" "$kind" "$n")"
      done
      wall[$variant]=$(echo "$times" | tr ' ' '\n' | grep . | median)
    done
    per=$(awk -v s="${wall[synced]}" -v u="${wall[unsynced]}" -v n="$n" \
      'BEGIN { printf "%.2f", (s - u) * 1000 / n }')
    line="| $(name_of "$kind") | $n | ${wall[synced]} | ${wall[unsynced]} | $per |"
    echo "$line"
    echo "$line" >>"$table"
    rm -rf "$pristine" "$work/run"
  done
done

[ "$out" = "-" ] && exit 0
fs=$(df -T "$work" | awk 'NR == 2 { print $2 " on " $1 }')
section="$work/section.md"
{
  echo "<!-- durability: written by bench/durability_cost.sh -->"
  echo "## What durability costs ($(date -u +%Y-%m-%d))"
  echo
  echo "Command: \`bench/durability_cost.sh --counts \"$counts\" --repeat $repeat\`"
  echo
  echo "Every message of a generated area is moved into a new area of the same"
  echo "format (MOVE YES), once with the normal release build and once with one"
  echo "built with \`-DKESTREL_NO_SYNC=ON\`; medians of $repeat runs, scratch"
  echo "files on $fs. The last column is the difference per moved message."
  echo
  cat "$table"
  echo "<!-- end durability -->"
} >"$section"
if grep -q '<!-- durability:' "$out"; then
  python3 - "$out" "$section" <<'EOF'
import sys
doc = open(sys.argv[1]).read()
new = open(sys.argv[2]).read()
start = doc.index("<!-- durability:")
end = doc.index("<!-- end durability -->") + len("<!-- end durability -->\n")
open(sys.argv[1], "w").write(doc[:start] + new + doc[end:])
EOF
else
  {
    echo
    cat "$section"
  } >>"$out"
fi
echo "== table written to $out"
