#!/usr/bin/env bash
# Times whole runs of the kestrel binary on generated netmail areas of every
# format and size, next to two floors of the same work, and writes the table
# to docs/benchmarks.md.
#
#   bench/run_benchmarks.sh            full run: N = 5000 50000 200000 (*.MSG
#                                      not at 200000: it numbers up to 61439),
#                                      3 repetitions (sizes above 50000 once),
#                                      writes docs/benchmarks.md
#   bench/run_benchmarks.sh --quick    N = 1000, one repetition, prints only
#
# Options (after --quick or alone):
#   --sizes "N ..."     area sizes              --repeat R    repetitions
#   --once-above N      sizes above N run once, without the strace run
#                       (default 50000)
#   --no-sync           time a build made with -DKESTREL_NO_SYNC=ON (in
#                       build-bench-nosync): the work without the syncs that
#                       make each copy durable, which bench/durability_cost.sh
#                       prices on its own
#   --formats "M S J"   area types to time      --out FILE    table file ("-": none)
#   --work DIR          scratch directory (default: build-bench/runs)
#
# Scenarios, each on a fresh copy of the generated area:
#   scan  a rule that matches nothing: every message is read, none changes
#   move  10 % of the messages go to a new area of the same format (MOVE YES)
#   kill  10 % of the messages are killed
# For each, the median of the repetitions of: wall time, CPU time (user +
# system) and peak resident memory of the child; system calls per scanned
# message (strace -c -f, in a run of its own); and two floors, timed in the
# same repetition right after Kestrel:
#   read floor  bench/read_floor: every source file opened by its exact name,
#               read from start to end in reads of 64 KB, closed (for *.MSG
#               one open+read+close per message; for Squish and JAM one
#               sequential read of the index, headers and texts); for a kill
#               of *.MSG also the removal of the killed files; for a move also
#               writing the moved bytes (*.MSG: each moved file written anew by
#               name and its original removed; Squish and JAM: one file as
#               large as the destination area Kestrel made);
#   cat floor   the same source files read with cat, plus for a move cp of the
#               moved *.MSG files or one file of the destination's size.
# Kestrel and the floors start alike: every file of the source area is read
# once with cat right before each timed run, so all find it in the page cache.
#
# Timings are printed, never asserted. The script fails only when a run does
# not do what it should (wrong exit code, wrong counts in the log).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

quick=0
sizes="5000 50000 200000"
repeat=3
once_above=50000
no_sync=OFF
formats="M S J"
out=docs/benchmarks.md
work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1; sizes="1000"; repeat=1; out="-" ;;
    --sizes) sizes="$2"; shift ;;
    --repeat) repeat="$2"; shift ;;
    --once-above) once_above="$2"; shift ;;
    --no-sync) no_sync=ON ;;
    --formats) formats="$2"; shift ;;
    --out) out="$2"; shift ;;
    --work) work="$2"; shift ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
  shift
done

build=${BENCH_BUILD_DIR:-build-bench}
[ $no_sync = ON ] && build=$build-nosync
work=${work:-$build/runs}
match_percent=10
seed=1
match_to="Kestrel Bench Target"

echo "== building (release) in $build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTREL_BUILD_TESTS=OFF \
  -DKESTREL_BUILD_BENCH=ON -DKESTREL_NO_SYNC=$no_sync >/dev/null
cmake --build "$build" -j "$(nproc)" --target kestrel kestrel-make-netmail read_floor >/dev/null
kestrel="$root/$build/app/kestrel"
read_floor="$root/$build/bench/read_floor"
generate="$root/$build/bench/kestrel-make-netmail"

# Times come from the child's resource usage (python3, else /usr/bin/time at
# a resolution of 10 ms).
have_python=0
command -v python3 >/dev/null && have_python=1
if [ $have_python = 0 ] && [ ! -x /usr/bin/time ]; then
  echo "neither python3 nor /usr/bin/time (Debian packages python3, time): nothing to time with" >&2
  exit 1
fi
have_strace=0
command -v strace >/dev/null && have_strace=1
[ $have_strace = 1 ] || echo "(strace missing, Debian package strace: system calls not counted)"

mkdir -p "$work"
work=$(cd "$work" && pwd)

# --- helpers -----------------------------------------------------------------

format_name() {
  case "$1" in M) echo "*.MSG" ;; S) echo "Squish" ;; J) echo "JAM" ;; esac
}

# The files of an area: a *.MSG directory, or a base path whose files carry
# extensions.
area_files() {
  local kind=$1 path=$2
  if [ "$kind" = M ]; then
    find "$path" -maxdepth 1 -type f -name '*.msg'
  else
    find "$(dirname "$path")" -maxdepth 1 -type f -name "$(basename "$path").*"
  fi
}

area_bytes() {
  area_files "$1" "$2" | xargs -r stat -c %s | awk '{ s += $1 } END { print s + 0 }'
}

warm() {
  area_files "$1" "$2" | xargs -r cat >/dev/null
}

median() {
  sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Runs a command timed; appends "wall cpu maxrss_kb" to the file $1.
timed() {
  local into=$1
  shift
  if [ $have_python = 1 ]; then
    python3 "$root/bench/time_child.py" "$@" >"$work/time.out" 2>"$work/cmd.err" ||
      { cat "$work/cmd.err" >&2; return 1; }
    cat "$work/time.out" >>"$into"
  else
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.out" "$@" >/dev/null 2>"$work/cmd.err" ||
      { cat "$work/cmd.err" >&2; return 1; }
    awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$work/time.out" >>"$into"
  fi
}

write_config() {
  local run=$1 kind=$2 scenario=$3
  {
    echo "LOG $run/kestrel.log"
    echo "NETMAIL $kind$run/netmail"
    echo "PRIORITY TO"
    case "$scenario" in
      scan) echo "TO Nobody Reads This, ${kind}$run/dest" ;;
      move) echo "TO $match_to, ${kind}$run/dest" ;;
      kill) echo "TO $match_to, KILL" ;;
    esac
    if [ "$scenario" = scan ]; then echo "MOVE NO"; else echo "MOVE YES"; fi
    echo "USELASTREAD NO"
    echo "USERNUMBER 1"
    echo "DON'T_TOUCH_LOCAL_AND_UNSENT_MAIL NO"
  } >"$run/kestrel.cfg"
}

# Fresh copy of the generated area in $run.
reset_run() {
  local pristine=$1 run=$2
  rm -rf "$run"
  mkdir -p "$run"
  cp -a "$pristine/." "$run/"
}

expected_found() {
  local n=$1 scenario=$2
  if [ "$scenario" = scan ]; then echo 0; else echo $((n * match_percent / 100)); fi
}

check_log() {
  local run=$1 n=$2 scenario=$3
  local scanned found
  scanned=$(grep -o '[0-9]* message(s) scanned' "$run/kestrel.log" | tail -1 | cut -d' ' -f1)
  found=$(grep -o '[0-9]* message(s) founded' "$run/kestrel.log" | tail -1 | cut -d' ' -f1)
  if [ "$scanned" != "$n" ] || [ "$found" != "$(expected_found "$n" "$scenario")" ]; then
    echo "unexpected result of $scenario on $run: scanned '$scanned', found '$found'" >&2
    return 1
  fi
}

# Prepares the lists the floors of a scenario work from, so that only their
# I/O is timed: every source file, and for a move or kill of *.MSG the files
# of the matching messages.
floor_setup() {
  local kind=$1 run=$2 scenario=$3 n=$4
  area_files "$kind" "$run/netmail" | tr '\n' '\0' >"$run/floor-read"
  [ "$scenario" = scan ] && return 0
  mkdir -p "$run/floor-dest"
  if [ "$kind" = M ]; then
    local i
    for ((i = 0; i < n; i++)); do
      if (((i + 1) * match_percent / 100 != i * match_percent / 100)); then
        printf '%s\0' "$run/netmail/$((i + 1)).msg"
      fi
    done >"$run/floor-moved"
  fi
}

# Times the cat floor of a scenario into $1.
cat_floor() {
  local into=$1 kind=$2 run=$3 scenario=$4 dest_bytes=$5
  if [ "$scenario" = move ] && [ "$kind" = M ]; then
    timed "$into" sh -c 'xargs -0 -a "$1" cat; xargs -0 -a "$2" cp -t "$3"' _ \
      "$run/floor-read" "$run/floor-moved" "$run/floor-dest"
  elif [ "$scenario" = move ]; then
    timed "$into" sh -c 'xargs -0 -a "$1" cat; head -c "$2" /dev/zero >"$3"' _ \
      "$run/floor-read" "$dest_bytes" "$run/floor-dest/dest.bin"
  else
    timed "$into" xargs -0 -a "$run/floor-read" cat
  fi
}

# Times the read floor of a scenario into $1.
read_floor_run() {
  local into=$1 kind=$2 run=$3 scenario=$4 dest_bytes=$5
  local extra=()
  case "$kind $scenario" in
    "M move") extra=(--copy "$run/floor-moved" "$run/floor-dest") ;;
    "M kill") extra=(--unlink "$run/floor-moved") ;;
    "S move" | "J move") extra=(--write "$dest_bytes" "$run/floor-dest/dest.bin") ;;
  esac
  timed "$into" "$read_floor" --read "$run/floor-read" "${extra[@]}"
}

strace_calls() {
  local run=$1 n=$2
  strace -c -f -o "$run/strace.out" "$kestrel" "$run/kestrel.cfg" >/dev/null 2>&1
  awk '$NF == "total" { print $4 }' "$run/strace.out"
}

# --- the runs ------------------------------------------------------------------

results="$work/results.txt"
: >"$results"
details="$work/syscalls.txt"
: >"$details"

for n in $sizes; do
  for kind in $formats; do
    # A *.MSG area numbers its messages up to 61439: larger ones cannot be made.
    if [ "$kind" = M ] && [ "$n" -gt 61439 ]; then
      echo "== *.MSG skipped at $n: the format numbers its messages up to 61439"
      continue
    fi
    pristine="$work/pristine-$kind-$n"
    if [ ! -f "$pristine/done" ]; then
      rm -rf "$pristine"
      mkdir -p "$pristine"
      echo "== generating $n messages ($(format_name "$kind"))"
      "$generate" "$kind$pristine/netmail" "$n" --seed "$seed" \
        --match-percent "$match_percent" --match-to "$match_to" >/dev/null
      touch "$pristine/done"
    fi
        source_bytes=$(area_bytes "$kind" "$pristine/netmail")
    for scenario in scan move kill; do
      run="$work/run"
      k_times="$work/k.times"
      f_times="$work/f.times"
      r_times="$work/r.times"
      : >"$k_times"
      : >"$f_times"
      : >"$r_times"
      dest_bytes=0
      runs=$repeat
      [ "$n" -gt "$once_above" ] && runs=1
      for ((r = 1; r <= runs; r++)); do
        reset_run "$pristine" "$run"
        write_config "$run" "$kind" "$scenario"
        warm "$kind" "$run/netmail"
        timed "$k_times" "$kestrel" "$run/kestrel.cfg"
        check_log "$run" "$n" "$scenario"
        [ "$scenario" = move ] && dest_bytes=$(area_bytes "$kind" "$run/dest")

        reset_run "$pristine" "$run"
        floor_setup "$kind" "$run" "$scenario" "$n"
        warm "$kind" "$run/netmail"
        read_floor_run "$r_times" "$kind" "$run" "$scenario" "$dest_bytes"

        reset_run "$pristine" "$run"
        floor_setup "$kind" "$run" "$scenario" "$n"
        warm "$kind" "$run/netmail"
        cat_floor "$f_times" "$kind" "$run" "$scenario" "$dest_bytes"
      done
      calls=nan
      # Traced runs are slow: sizes that run once are not traced.
      if [ $have_strace = 1 ] && [ "$n" -le "$once_above" ]; then
        reset_run "$pristine" "$run"
        write_config "$run" "$kind" "$scenario"
        calls=$(strace_calls "$run" "$n")
        {
          echo "$(format_name "$kind") N=$n $scenario: $calls calls"
          awk -v n="$n" '$1 ~ /^[0-9.]+$/ && $NF != "total" { printf "  %-12s %9d  %6.2f per message\n", $NF, $4, $4 / n }' \
            "$run/strace.out" | sort -k2 -g -r | head -8
        } >>"$details"
      fi
      k_wall=$(awk '{ print $1 }' "$k_times" | median)
      k_cpu=$(awk '{ print $2 }' "$k_times" | median)
      k_rss=$(awk '{ print $3 }' "$k_times" | median)
      f_wall=$(awk '{ print $1 }' "$f_times" | median)
      r_wall=$(awk '{ print $1 }' "$r_times" | median)
      echo "$kind $n $scenario $k_wall $k_cpu $k_rss $calls $f_wall $source_bytes $r_wall $runs" >>"$results"
      printf '%-7s %6s %-5s wall %7ss cpu %7ss rss %6s KB calls/msg %s read floor %ss cat floor %ss\n' \
        "$(format_name "$kind")" "$n" "$scenario" "$k_wall" "$k_cpu" "$k_rss" \
        "$(awk -v c="$calls" -v n="$n" 'BEGIN { if (c == "nan") print "n/a"; else printf "%.1f", c / n }')" \
        "$r_wall" "$f_wall"
    done
  done
done
rm -rf "$work/run"

# --- the table -----------------------------------------------------------------

table() {
  echo "| Format | N | Scenario | Runs | Wall (s) | CPU (s) | Peak RSS (MB) | Syscalls / msg | Read floor (s) | Kestrel / read floor | Cat floor (s) | Kestrel / cat floor |"
  echo "|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
  awk '
    function fmt(kind) { return kind == "M" ? "*.MSG" : kind == "S" ? "Squish" : "JAM" }
    function ratio(a, b) { return (b > 0) ? sprintf("%.2f", a / b) : "n/a" }
    {
      rss = ($6 == "nan") ? "n/a" : sprintf("%.1f", $6 / 1024)
      calls = ($7 == "nan") ? "n/a" : sprintf("%.1f", $7 / $2)
      printf "| %s | %d | %s | %d | %.3f | %.3f | %s | %s | %.3f | %s | %.3f | %s |\n", fmt($1), $2, $3, $11,
        $4, $5, rss, calls, $10, ratio($4, $10), $8, ratio($4, $8)
    }' "$results"
}

growth() {
  # Time at each size over time at the size before it, where both ran: wall
  # and CPU time of Kestrel, and the read floor's wall time.
  awk '
    function fmt(kind) { return kind == "M" ? "*.MSG" : kind == "S" ? "Squish" : "JAM" }
    {
      wall[$1 " " $2 " " $3] = $4; cpu[$1 " " $2 " " $3] = $5; floor[$1 " " $2 " " $3] = $10
      if (!($2 in seen)) { seen[$2] = 1; sizes[++count] = $2 + 0 }
    }
    END {
      if (count < 2) exit
      for (i = 1; i <= count; i++) for (j = i + 1; j <= count; j++)
        if (sizes[j] < sizes[i]) { t = sizes[i]; sizes[i] = sizes[j]; sizes[j] = t }
      head = "| Format | Scenario |"; rule = "|---|---|"
      for (i = 2; i <= count; i++) {
        head = head sprintf(" t(%d) / t(%d): wall | CPU | read floor |", sizes[i], sizes[i - 1])
        rule = rule "---:|---:|---:|"
      }
      print head; print rule
      split("M S J", order, " ")
      split("scan move kill", sorder, " ")
      for (k = 1; k <= 3; k++) for (s = 1; s <= 3; s++) {
        line = sprintf("| %s | %s |", fmt(order[k]), sorder[s]); any = 0
        for (i = 2; i <= count; i++) {
          key = order[k] " " sizes[i] " " sorder[s]; prev = order[k] " " sizes[i - 1] " " sorder[s]
          if ((key in wall) && (prev in wall) && wall[prev] > 0 && cpu[prev] > 0 && floor[prev] > 0) {
            line = line sprintf(" %.2f | %.2f | %.2f |", wall[key] / wall[prev], cpu[key] / cpu[prev],
              floor[key] / floor[prev]); any = 1
          } else line = line " - | - | - |"
        }
        if (any) print line
      }
    }' "$results"
}

echo
table
echo
growth

if [ "$out" != "-" ]; then
  cpu=$(awk -F: '/^model name/ { gsub(/^ +/, "", $2); print $2; exit }' /proc/cpuinfo)
  cores=$(nproc)
  fs=$(df -T "$work" | awk 'NR == 2 { print $2 }')
  disk=$(df "$work" | awk 'NR == 2 { print $1 }')
  kernel=$(uname -sr)
  mem=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
  command="bench/run_benchmarks.sh"
  [ "$sizes" != "5000 50000 200000" ] && command+=" --sizes \"$sizes\""
  [ "$repeat" != 3 ] && command+=" --repeat $repeat"
  [ "$once_above" != 50000 ] && command+=" --once-above $once_above"
  [ $no_sync = ON ] && command+=" --no-sync"
  [ "$formats" != "M S J" ] && command+=" --formats \"$formats\""
  section="$work/section.md"
  {
    echo "<!-- latest run: written by bench/run_benchmarks.sh -->"
    echo "## Latest run ($(date -u +%Y-%m-%d))"
    echo
    echo "Command: \`$command\`"
    echo
    echo "Machine: $cpu, $cores cores, $mem; $fs on $disk; $kernel."
    if [ $no_sync = ON ]; then
      echo "Build: release, KESTREL_NO_SYNC=ON (no syncs; their cost is in the durability table)."
    else
      echo "Build: release, with the syncs that make each copy durable."
    fi
    echo "Medians of $repeat runs (sizes above $once_above: one run). The page cache"
    echo "is warmed before every timed run, Kestrel's and the floors' alike, by"
    echo "reading each source file once with cat. Kestrel and both floors run side"
    echo "by side in each repetition; the machine is shared with other builds, so"
    echo "single figures vary by up to a third from run to run."
    echo
    table
    echo
    growth
    echo
    echo "System calls by kind (strace -c -f), the eight most frequent of each run:"
    echo
    echo '```'
    cat "$details"
    echo '```'
    echo "<!-- end of latest run -->"
  } >"$section"
  # The latest run replaces the previous one; the rest of the file stays.
  if [ -f "$out" ] && grep -q '^<!-- latest run' "$out"; then
    awk -v section="$section" '
      /^<!-- latest run/ { while ((getline line < section) > 0) print line; skip = 1; next }
      /^<!-- end of latest run -->/ { skip = 0; next }
      !skip { print }' "$out" >"$out.new"
    mv "$out.new" "$out"
  else
    { echo "# Benchmarks"; echo; cat "$section"; } >"$out"
  fi
  echo
  echo "== table written to $out"
fi
