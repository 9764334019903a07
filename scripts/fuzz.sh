#!/usr/bin/env bash
# Builds the fuzz targets of the readers with clang (libFuzzer, address and
# undefined-behaviour sanitizers) into build-fuzz/ and runs each for SECONDS
# (default 60), starting from its seed corpus in fuzz/corpus/<target>/.
# Ends non-zero on any crash, leak, timeout (one input over 1 s), memory
# beyond the limit or sanitizer report, and prints the reproducer's path.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# New inputs that reach new code go to build-fuzz/fuzz/corpus/<target>/, the
# reproducers to build-fuzz/fuzz/artifacts/<target>/; replay one with
#   build-fuzz/fuzz/fuzz-<target> <reproducer>
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-$(nproc)}

scripts/install-deps.sh
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DQUENRO_FUZZ=ON -DBUILD_TESTING=OFF -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$BUILD_DIR" --target fuzz_targets -j"$JOBS"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for program in "$BUILD_DIR"/fuzz/fuzz-*; do
        targets+=("${program##*/fuzz-}")
    done
fi

failed=0
for target in "${targets[@]}"; do
    program="$BUILD_DIR/fuzz/fuzz-$target"
    seeds="fuzz/corpus/$target"
    corpus="$BUILD_DIR/fuzz/corpus/$target"
    artifacts="$BUILD_DIR/fuzz/artifacts/$target"
    log="$BUILD_DIR/fuzz/$target.log"
    mkdir -p "$corpus" "$artifacts"
    echo "== $target: ${SECONDS_EACH} s"
    if "$program" -max_total_time="$SECONDS_EACH" -timeout=1 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | tr '\n' ' '
        echo "corpus: $(find "$corpus" -type f | wc -l) inputs"
    else
        failed=1
        echo "!! $target FAILED (log: $log)"
        grep -E 'ERROR|SUMMARY|broken promise|runtime error' "$log" | head -5 || true
        grep -E 'Test unit written to|artifact' "$log" | sed 's/^.*written to /reproducer: /' || true
    fi
done
exit $failed
