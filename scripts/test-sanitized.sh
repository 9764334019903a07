#!/usr/bin/env bash
# Builds everything with g++ and the address and undefined-behaviour
# sanitizers (float-to-integer overflow included) into build-asan/ and runs
# the whole test suite there, except the tests labelled slow (the end-to-end
# run of 10^8 histories, which the plain run of scripts/test.sh keeps). Any
# sanitizer report fails its test. (clang 14 cannot build the window program:
# it does not capture structured bindings in lambdas.)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD_DIR=${ASAN_BUILD_DIR:-build-asan}
JOBS=${JOBS:-$(nproc)}

SANITIZE=-fsanitize=address,undefined,float-cast-overflow
# With the sanitizers, g++ 12 warns of an uninitialised member deep inside
# libstdc++'s <regex> (a false alarm of its own; the plain build is clean).
QUIET=-Wno-maybe-uninitialized

# The test programs run during the build too (to list their tests), so the
# options hold for both.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -g1 -DNDEBUG" \
    -DCMAKE_CXX_FLAGS="$SANITIZE -fno-sanitize-recover=all -fno-omit-frame-pointer $QUIET" \
    -DCMAKE_EXE_LINKER_FLAGS="$SANITIZE" \
    -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$JOBS"
cd "$BUILD_DIR"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$JOBS" -LE slow
