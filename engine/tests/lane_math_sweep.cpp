// Every float argument that the lanes' float functions compute themselves
// (the others go to the engine's scalar functions, lane by lane), on every
// instruction set this processor has, against the engine's scalar functions
// (float_math.h): the same bits with fused multiply-add (AVX2, AVX-512),
// within one unit in the last place without it (SSE4). Labelled slow.
#include "instruction_sets.h"
#include "lane_run.h"
#include "ulp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace quenro;
using enginetest::ulpDistance;

namespace {

// A function, its scalar version, and the bit patterns (of either sign
// where `bothSigns`) of the magnitudes its lanes compute.
struct Domain {
    lanetest::Function f;
    const char* name;
    float (*scalar)(float);
    std::uint32_t first, end; // magnitudes' bit patterns first .. end - 1
    bool bothSigns;
};

const Domain domains[] = {
    // Positive normal numbers.
    {lanetest::Function::Log, "log", [](float x) { return floatmath::log(x); }, 0x00800000,
     0x7f800000, false},
    // |x| < 88.
    {lanetest::Function::Exp, "exp", [](float x) { return floatmath::exp(x); }, 0, 0x42b00000,
     true},
    // 2^-29 <= |x| < 2^25.
    {lanetest::Function::Atan, "atan", [](float x) { return floatmath::atan(x); }, 0x31000000,
     0x4c000000, true},
    // 2^-12 <= |x| < 120.
    {lanetest::Function::Sin, "sin", [](float x) { return floatmath::sin(x); }, 0x39800000,
     0x42f00000, true},
    {lanetest::Function::Cos, "cos", [](float x) { return floatmath::sincos(x).cosine; },
     0x39800000, 0x42f00000, true},
};

} // namespace

TEST(VectorMathSweep, EveryFloatGivesTheScalarFunctionsToOneUnitInTheLastPlace) {
    std::vector<InstructionSet> sets;
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            sets.push_back(set);
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    constexpr std::uint32_t block = 1 << 16;
    for (const Domain& d : domains) {
        const std::uint32_t blocks = (d.end - d.first + block - 1) / block;
        const std::uint32_t signs = d.bothSigns ? 2 : 1;
        std::atomic<std::uint32_t> next{0};
        std::atomic<std::int64_t> worst[3] = {};
        auto work = [&] {
            std::vector<float> x(block), expected(block), actual;
            for (;;) {
                const std::uint32_t b = next.fetch_add(1);
                if (b >= blocks * signs)
                    return;
                const std::uint32_t sign = b >= blocks ? 0x80000000u : 0;
                const std::uint32_t start = d.first + (b % blocks) * block;
                for (std::uint32_t n = 0; n < block; ++n) {
                    const std::uint32_t bits = std::min(start + n, d.end - 1);
                    x[n] = std::bit_cast<float>(bits | sign);
                    expected[n] = d.scalar(x[n]);
                }
                for (InstructionSet set : sets) {
                    lanetest::floatFunction(set, d.f, x, actual);
                    std::int64_t w = 0;
                    if (set == InstructionSet::Sse4) {
                        for (std::uint32_t n = 0; n < block; ++n)
                            w = std::max(w, ulpDistance(actual[n], expected[n]));
                    } else if (std::memcmp(actual.data(), expected.data(), block * sizeof(float)) !=
                               0) {
                        w = 1;
                    }
                    std::int64_t seen = worst[int(set)].load();
                    while (w > seen && !worst[int(set)].compare_exchange_weak(seen, w)) {
                    }
                }
            }
        };
        std::vector<std::thread> threads;
        for (unsigned n = 0; n < std::max(1u, std::thread::hardware_concurrency()); ++n)
            threads.emplace_back(work);
        for (std::thread& t : threads)
            t.join();
        for (InstructionSet set : sets)
            EXPECT_LE(worst[int(set)].load(), set == InstructionSet::Sse4 ? 1 : 0)
                << instructionSetName(set) << " " << d.name;
    }
}
