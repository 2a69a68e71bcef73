#!/usr/bin/env bash
# Builds Kestrel with its whole test suite and runs it.
#   BUILD_DIR   build directory (default: build)
#   extra arguments are passed to CMake when configuring
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DKESTREL_BUILD_TESTS=ON -DKESTREL_REQUIRE_TESTS=ON "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
