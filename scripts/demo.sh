#!/usr/bin/env bash
# Builds Kestrel and runs it on the bundled demo areas.
# The demo is copied to a scratch folder first, so the bundle stays untouched.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target kestrel
run="$build/demo-run"
rm -rf "$run"
mkdir -p "$run"
cp -R examples/demo/. "$run/"
cd "$run"
set +e
"../app/kestrel" kestrel.cfg
status=$?
set -e
echo
echo "Exit code: $status"
for log in kestrel.log KESTREL.LOG; do
  if [ -f "$log" ]; then
    echo "--- $log"
    cat "$log"
  fi
done
exit "$status"
