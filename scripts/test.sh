#!/usr/bin/env bash
# Builds Kestrel with its whole test suite and runs it.
#   BUILD_DIR   build directory (default: build)
#   extra arguments are passed to CMake when configuring
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

# GoogleTest is the tests' one dependency. On Debian it is installed here
# when missing (as root), or the command that installs it is named.
if [ ! -f /usr/include/gtest/gtest.h ] && [ ! -f /usr/local/include/gtest/gtest.h ] &&
  command -v apt-get >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    echo "Installing GoogleTest (libgtest-dev) for the tests"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libgtest-dev ||
      { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libgtest-dev; }
  else
    echo "The tests need GoogleTest: sudo apt install libgtest-dev" >&2
    exit 1
  fi
fi
cmake -S . -B "$build" -DKESTREL_BUILD_TESTS=ON -DKESTREL_REQUIRE_TESTS=ON "$@"
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
