#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Sets up the machine, checks that every C/C++ source is formatted, then
# builds (warnings are errors) and runs every test suite:
#   1. a normal build: all tests, including the end-to-end runs through a
#      private CUPS scheduler;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build: all tests but
#      the end-to-end ones, and the printer application's end-to-end test
#      with them (any sanitizer report fails the run);
#   3. a ThreadSanitizer build of the logging subsystem's tests.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

bash scripts/setup.sh

echo "=== format"
bash scripts/check-format.sh

# build_and_test DIR TARGET CTEST-ARGS CMAKE-ARGS...   (TARGET "all" builds everything)
build_and_test() {
  local dir=$1 target=$2 ctest_args=$3
  shift 3
  echo "=== $dir: configure ($*)"
  cmake -S "$ROOT" -B "$dir" -DRIDEV_WERROR=ON "$@"
  echo "=== $dir: build $target"
  cmake --build "$dir" -j"$JOBS" --target "$target"
  echo "=== $dir: test"
  # shellcheck disable=SC2086
  (cd "$dir" && ctest --output-on-failure -j"$JOBS" $ctest_args)
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# The normal build compiles the benchmarks too (without running them), so
# their warnings count as well.
build_and_test build/test all "" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIDEV_BENCHMARKS=ON
# Of the end-to-end tests, the sanitizer build runs the printer
# application's, alongside the unit tests.
build_and_test build/asan all "-E ^e2e\.(cupstestppd|direct_raster|grey_raster|scheduler|install)$" \
  -DCMAKE_BUILD_TYPE=Debug -DRIDEV_BENCHMARKS=OFF -DRIDEV_SANITIZE=address,undefined
build_and_test build/tsan ruzolog_tests "-L ruzolog" -DCMAKE_BUILD_TYPE=Debug \
  -DRIDEV_BENCHMARKS=OFF -DRIDEV_SANITIZE=thread

echo "=== all test builds passed"
