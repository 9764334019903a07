// Every float argument through the lanes' float functions on every
// instruction set this processor has, against the engine's scalar ones
// (float_math.h): the same bits with fused multiply-add (AVX2, AVX-512),
// within one unit in the last place without it (SSE4). About a minute on
// two cores; labelled slow.
#include "instruction_sets.h"
#include "lane_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace quenro;

namespace {

std::int64_t ulpDistance(float a, float b) {
    if (std::isnan(a) && std::isnan(b))
        return 0;
    auto ordered = [](float x) {
        const auto bits = static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(x));
        return bits & 0x80000000 ? -(bits & 0x7fffffff) : bits;
    };
    return std::llabs(ordered(a) - ordered(b));
}

} // namespace

TEST(VectorMathSweep, EveryFloatGivesTheScalarFunctionsToOneUnitInTheLastPlace) {
    std::vector<InstructionSet> sets;
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            sets.push_back(set);
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    constexpr std::uint64_t block = 1 << 16;
    constexpr std::uint64_t blocks = (std::uint64_t(1) << 32) / block;
    // The largest distance of each function on each set, and where.
    std::atomic<std::int64_t> worst[3][5] = {};
    std::atomic<std::uint64_t> next{0};
    auto work = [&] {
        std::vector<float> x(block), expected[5], actual[5];
        for (auto& e : expected)
            e.resize(block);
        for (;;) {
            const std::uint64_t b = next.fetch_add(1);
            if (b >= blocks)
                return;
            for (std::uint64_t n = 0; n < block; ++n)
                x[n] = std::bit_cast<float>(static_cast<std::uint32_t>(b * block + n));
            for (std::uint64_t n = 0; n < block; ++n) {
                expected[0][n] = floatmath::log(x[n]);
                expected[1][n] = floatmath::exp(x[n]);
                expected[2][n] = floatmath::atan(x[n]);
                expected[3][n] = floatmath::sin(x[n]);
                expected[4][n] = floatmath::sincos(x[n]).cosine;
            }
            for (InstructionSet set : sets) {
                lanetest::floatFunctions(set, x, actual);
                for (int f = 0; f < 5; ++f) {
                    std::int64_t w = 0;
                    for (std::uint64_t n = 0; n < block; ++n)
                        w = std::max(w, ulpDistance(actual[f][n], expected[f][n]));
                    std::int64_t seen = worst[int(set)][f].load();
                    while (w > seen && !worst[int(set)][f].compare_exchange_weak(seen, w)) {
                    }
                }
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned n = 0; n < std::max(1u, std::thread::hardware_concurrency()); ++n)
        threads.emplace_back(work);
    for (std::thread& t : threads)
        t.join();
    const char* names[5] = {"log", "exp", "atan", "sin", "cos"};
    for (InstructionSet set : sets)
        for (int f = 0; f < 5; ++f)
            EXPECT_LE(worst[int(set)][f].load(), set == InstructionSet::Sse4 ? 1 : 0)
                << instructionSetName(set) << " " << names[f];
}
