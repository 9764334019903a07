#!/usr/bin/env bash
# Builds the engine and its tests with clang and the thread sanitizer into
# build-tsan/ and runs the tests of the threaded run (the chunked run on
# several threads against one thread, and the golden runs of both programs,
# whose default run uses every core). Any data race fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${TSAN_BUILD_DIR:-build-tsan}
JOBS=${JOBS:-$(nproc)}

export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS="-fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
    -DBUILD_GUI=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS" --target engine_tests_11 engine_tests_22
for geometry in 11 22; do
    "$BUILD_DIR/tests/engine_tests_$geometry" --gtest_filter='Threads.*:GoldenRun.*'
done
