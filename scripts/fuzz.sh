#!/bin/bash
# SPDX-License-Identifier: Apache-2.0
# Coverage-guided fuzzing of the filter's hostile-input paths (not part of
# the test run). Installs clang if needed, builds the libFuzzer targets of
# tests/fuzz in build-fuzz with AddressSanitizer and UndefinedBehaviorSanitizer,
# then runs each target for SECONDS seconds (default 120), two at a time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      targets: raster encoder vprinter ruzolog_config
#
# Each target grows its corpus in build-fuzz/corpus/<target>, starting from
# the committed seeds in tests/fuzz/corpus/<target>; crashing inputs land in
# build-fuzz/artifacts/<target>/ and logs in build-fuzz/logs/. A finding's
# minimized input belongs in tests/fuzz/corpus/<target>/, next to the fix, so
# the normal test run replays it.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=$ROOT/build-fuzz
SECONDS_EACH=${1:-120}
shift || true
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
  TARGETS=(raster encoder vprinter ruzolog_config)
fi

if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "=== installing clang"
  apt-get update -qq
  apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi

echo "=== configure and build $BUILD"
CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DRIDEV_BENCHMARKS=OFF -DRIDEV_FUZZERS=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRIDEV_SANITIZE=address,undefined \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$BUILD" -j2 --target "${TARGETS[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# run_target NAME: fuzzes one target for SECONDS_EACH seconds; its log goes
# to logs/NAME.log.
run_target() {
  local name=$1
  mkdir -p "$BUILD/corpus/$name" "$BUILD/artifacts/$name" "$BUILD/logs"
  "$BUILD/tests/fuzz/fuzz_$name" -max_total_time="$SECONDS_EACH" -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$name/" \
    "$BUILD/corpus/$name" "$ROOT/tests/fuzz/corpus/$name" >"$BUILD/logs/$name.log" 2>&1
}

echo "=== fuzzing ${TARGETS[*]} for ${SECONDS_EACH}s each, two at a time"
pids=()
names=()
for name in "${TARGETS[@]}"; do
  if [ ${#pids[@]} -eq 2 ]; then
    wait "${pids[0]}" || true
    pids=("${pids[@]:1}")
  fi
  run_target "$name" &
  pids+=($!)
  names+=("$name")
done
for pid in "${pids[@]}"; do
  wait "$pid" || true
done

echo "=== results"
status=0
for name in "${names[@]}"; do
  log=$BUILD/logs/$name.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
  if grep -q -E '^(==[0-9]+==ERROR|SUMMARY: |.*runtime error:)' "$log"; then
    echo "$name: FOUND A PROBLEM after ${runs:-?} runs ($cov) - see $log"
    grep -m3 -E 'ERROR: |runtime error:|SUMMARY: ' "$log" | sed 's/^/    /'
    status=1
  else
    echo "$name: ${runs:-?} runs, $cov, nothing found"
  fi
done
exit $status
