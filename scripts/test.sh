#!/bin/bash
# Sets up the machine, then builds and runs every test suite:
#   1. a normal build: all tests, including the end-to-end runs through a
#      private CUPS scheduler;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build: all tests but
#      the end-to-end ones (any sanitizer report fails the run);
#   3. a ThreadSanitizer build of the logging subsystem's tests.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

bash scripts/setup.sh

# build_and_test DIR TARGET CTEST-ARGS CMAKE-ARGS...   (TARGET "all" builds everything)
build_and_test() {
  local dir=$1 target=$2 ctest_args=$3
  shift 3
  echo "=== $dir: configure ($*)"
  cmake -S "$ROOT" -B "$dir" -DBUILD_BENCHMARKS=OFF "$@"
  echo "=== $dir: build $target"
  cmake --build "$dir" -j"$JOBS" --target "$target"
  echo "=== $dir: test"
  # shellcheck disable=SC2086
  (cd "$dir" && ctest --output-on-failure $ctest_args)
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

build_and_test build/test all "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
build_and_test build/asan all "-LE e2e" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined
build_and_test build/tsan ruzolog_tests "-L ruzolog" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=thread

echo "=== all test builds passed"
