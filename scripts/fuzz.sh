#!/usr/bin/env bash
# Builds the fuzz targets (clang libFuzzer with ASan + UBSan), replays every
# committed input (fuzz/regressions/<target>/ and the seeds in
# fuzz/corpus/<target>/), then fuzzes each target for a bounded time. Fails on
# any crash, hang, leak or sanitizer report; the input that caused it is left
# in $BUILD_DIR/findings/.
#   BUILD_DIR      build directory (default: build-fuzz)
#   FUZZ_SECONDS   fuzzing time per target (default: 60)
#   FUZZ_TARGETS   targets to run (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=(${FUZZ_TARGETS:-config message_text msg_file squish_base jam_base})

CXX=${CXX:-clang++} cmake -S . -B "$build" -DKESTREL_BUILD_FUZZ=ON -DKESTREL_BUILD_TESTS=OFF \
  -DKESTREL_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

# The targets' scratch directories go here, and go with it.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-fuzz-run-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
findings=$build/findings
mkdir -p "$findings"

for target in "${targets[@]}"; do
  binary=$build/fuzz/${target}_fuzz
  inputs=()
  for dir in "fuzz/regressions/$target" "fuzz/corpus/$target"; do
    [ -d "$dir" ] && while IFS= read -r -d '' file; do inputs+=("$file"); done \
      < <(find "$dir" -type f -print0 | sort -z)
  done
  echo "== $target: replaying ${#inputs[@]} committed inputs"
  if [ ${#inputs[@]} -gt 0 ]; then
    "$binary" -timeout=10 "${inputs[@]}" >"$findings/$target-replay.log" 2>&1 || {
      cat "$findings/$target-replay.log"
      echo "FAILED: $target on a committed input"
      exit 1
    }
  fi
  echo "== $target: fuzzing for ${seconds}s"
  work=$scratch/corpus-$target
  mkdir -p "$work"
  seeds=()
  for dir in "fuzz/corpus/$target" "fuzz/regressions/$target"; do [ -d "$dir" ] && seeds+=("$dir"); done
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" "$work" "${seeds[@]}" >"$findings/$target.log" 2>&1; then
    tail -n 60 "$findings/$target.log"
    echo "FAILED: $target found a fault; the input is in $findings/"
    exit 1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/$target.log")
  echo "$target: ${executions:-?} executions, no findings"
done
