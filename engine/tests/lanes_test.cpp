// The lanes of the default run: their generators, their float functions,
// their whole-table fill, and the choice of the instruction set.
#include "history.h"
#include "instruction_sets.h"
#include "lane_run.h"
#include "ulp.h"
#include "random.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace quenro;
using enginetest::ulpDistance;
using enginetest::WorkFolder;

namespace {

// The instruction sets this processor runs (none on one without SSE4).
std::vector<InstructionSet> availableSets() {
    std::vector<InstructionSet> sets;
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            sets.push_back(set);
    return sets;
}

// xoshiro128** as published, written apart from the engine.
struct Xoshiro128StarStar {
    std::uint32_t s[4];
    static std::uint32_t rotl(std::uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }
    std::uint32_t next() {
        const std::uint32_t result = rotl(s[1] * 5, 7) * 9;
        const std::uint32_t t = s[1] << 9;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 11);
        return result;
    }
};

} // namespace

TEST(LaneGenerator, IsXoshiro128StarStarAndSplitsEachWordIntoTwoDraws) {
    // The first outputs of xoshiro128** from the state 1, 2, 3, 4 as published.
    Xoshiro128StarStar reference{{1, 2, 3, 4}};
    const std::uint32_t published[] = {11520, 0, 5927040, 70819200, 2031721883, 1637235492};
    for (std::uint32_t value : published)
        EXPECT_EQ(reference.next(), value);

    // A lane's draws: bits 18..31 and 4..17 of each output, from its seeded state.
    for (int lane : {0, 1, 63, 127}) {
        const LaneGenerator::State state = LaneGenerator::seedState(7, 120, 3, lane);
        Xoshiro128StarStar words{{state[0], state[1], state[2], state[3]}};
        LaneGenerator generator(7, 120, 3, lane);
        for (int n = 0; n < 1000; ++n) {
            const std::uint32_t word = words.next();
            ASSERT_EQ(generator.step(), std::int32_t(word >> 18)) << "lane " << lane;
            ASSERT_EQ(generator.step(), std::int32_t((word >> 4) & 16383)) << "lane " << lane;
        }
    }
    // Each of the four numbers gives another stream.
    const auto first = LaneGenerator::seedState(7, 120, 3, 0);
    EXPECT_NE(first, LaneGenerator::seedState(8, 120, 3, 0));
    EXPECT_NE(first, LaneGenerator::seedState(7, 121, 3, 0));
    EXPECT_NE(first, LaneGenerator::seedState(7, 120, 4, 0));
    EXPECT_NE(first, LaneGenerator::seedState(7, 120, 3, 1));
}

TEST(LaneGenerator, VectorLanesGiveEachLaneItsOwnStream) {
    const auto sets = availableSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    for (InstructionSet set : sets) {
        for (int lane : {0, 5, 16, 127}) {
            LaneGenerator generator(11, 60, 9, lane);
            const std::vector<std::int32_t> values =
                lanetest::laneValues(set, 11, 60, 9, lane, 300);
            ASSERT_EQ(values.size(), 300u);
            for (std::size_t n = 0; n < values.size(); ++n)
                ASSERT_EQ(values[n], generator.step())
                    << instructionSetName(set) << " lane " << lane << " value " << n;
        }
    }
}

TEST(LaneGenerator, DrawsAreUniformAndFreeOfTheLaggedFibonacciRelation) {
    // The lanes take a lane's values rows apart in a fixed pattern; a
    // generator whose value is the sum of the values 24 and 55 before it
    // then ties a photon's free path to its earlier trials. In a sound
    // stream that sum matches about once in 16384 values.
    LaneGenerator generator(1, 100, 0, 17);
    const int count = 1 << 20;
    std::vector<std::int32_t> k(count);
    for (int& v : k)
        v = generator.step();
    int related = 0;
    for (int n = 55; n < count; ++n)
        related += k[n] == ((k[n - 24] + k[n - 55]) & 16383);
    EXPECT_LT(related, 3 * count / 16384);

    // Uniform over 64 bins of the 16384 values (chi-square, 63 degrees of
    // freedom: above 120 is a fault), and no correlation between neighbours.
    std::vector<int> bins(64, 0);
    double product = 0;
    for (int n = 0; n < count; ++n) {
        ++bins[k[n] / 256];
        if (n > 0)
            product += (k[n] - 8191.5) * (k[n - 1] - 8191.5);
    }
    double chi2 = 0;
    for (int b : bins)
        chi2 += (b - count / 64.0) * (b - count / 64.0) / (count / 64.0);
    EXPECT_LT(chi2, 120.0);
    const double variance = 16384.0 * 16384.0 / 12.0;
    EXPECT_LT(std::fabs(product / (count - 1) / variance), 5.0 / std::sqrt(double(count)));
}

TEST(InstructionSets, NamesAndTheWidest) {
    for (InstructionSet set : instructionSets) {
        EXPECT_EQ(instructionSetNamed(instructionSetName(set)), set);
        EXPECT_EQ(LaneBank::lanes % lanesOf(set), 0);
    }
    EXPECT_FALSE(instructionSetNamed("avx3").has_value());
    EXPECT_FALSE(instructionSetNamed("").has_value());
    EXPECT_EQ(lanesOf(InstructionSet::Sse4) * 4, lanesOf(InstructionSet::Avx512));
    // The widest is one the processor has, and every wider one it lacks; a
    // processor with AVX-512 has the narrower sets too.
    const auto widest = widestInstructionSet();
    const auto sets = availableSets();
    if (!widest) {
        EXPECT_TRUE(sets.empty());
        return;
    }
    EXPECT_EQ(sets.back(), *widest);
    EXPECT_EQ(int(sets.size()), int(*widest) + 1);
}

namespace {

// Arguments of every kind for the float functions: a dense sample of the
// bit patterns and the values the transport meets (energies, exponents of
// the cross-section table, angles), `stride` apart.
std::vector<float> sampleArguments(std::uint64_t stride) {
    std::vector<float> x;
    for (std::uint64_t bits = 0; bits <= 0xffffffffull; bits += stride)
        x.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
    for (int n = 0; n < 20000; ++n) {
        const float t = float(n) / 20000.0f;
        x.push_back(5.0f + 145.0f * t);        // energies
        x.push_back(-12.0f + 14.0f * t);       // log cross sections
        x.push_back(-1e4f + 2e4f * t * t * t); // atan of sqrt(1 - c^2) / c
        x.push_back(3.1415927f * t);           // angles and half angles
    }
    while (x.size() % 16 != 0)
        x.push_back(1.0f);
    return x;
}

// The engine's scalar function `f` of x.
float scalarFunction(lanetest::Function f, float x) {
    switch (f) {
    case lanetest::Function::Log:
        return floatmath::log(x);
    case lanetest::Function::Exp:
        return floatmath::exp(x);
    case lanetest::Function::Atan:
        return floatmath::atan(x);
    case lanetest::Function::Sin:
        return floatmath::sin(x);
    case lanetest::Function::Cos:
        return floatmath::sincos(x).cosine;
    }
    return 0.0f;
}

constexpr lanetest::Function functions[] = {lanetest::Function::Log, lanetest::Function::Exp,
                                            lanetest::Function::Atan, lanetest::Function::Sin,
                                            lanetest::Function::Cos};
constexpr const char* functionNames[] = {"log", "exp", "atan", "sin", "cos"};

} // namespace

TEST(VectorMath, LanesGiveTheScalarFunctionsToOneUnitInTheLastPlace) {
    const auto sets = availableSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    const std::vector<float> x = sampleArguments(4099);
    std::vector<float> expected(x.size()), actual;
    for (int f = 0; f < 5; ++f) {
        for (std::size_t n = 0; n < x.size(); ++n)
            expected[n] = scalarFunction(functions[f], x[n]);
        for (InstructionSet set : sets) {
            lanetest::floatFunction(set, functions[f], x, actual);
            // With fused multiply-add the lanes compute exactly what the scalar
            // functions compute; without it, within one unit in the last place.
            const std::int64_t allowed = set == InstructionSet::Sse4 ? 1 : 0;
            std::int64_t worst = 0;
            float at = 0;
            for (std::size_t n = 0; n < x.size(); ++n) {
                const std::int64_t d = ulpDistance(actual[n], expected[n]);
                if (d > worst) {
                    worst = d;
                    at = x[n];
                }
            }
            EXPECT_LE(worst, allowed) << instructionSetName(set) << " " << functionNames[f]
                                      << " at " << std::hexfloat << at;
        }
    }
}

namespace {

EngineInputs fixtureInputs() {
    WorkFolder folder;
    return loadInputs(folder.path());
}

} // namespace

TEST(LaneTable, WholeTableFilledInLanesHoldsTheScalarOutcomes) {
    const auto sets = availableSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    const TransportTables t = makeTransportTables(fixtureInputs());
    auto scalar = std::make_unique<IncoherentTable>();
    auto lanes = std::make_unique<IncoherentTable>();
    for (InstructionSet set : sets) {
        for (int bin : {10, 57, 160, 300}) {
            scalar->prepare(bin);
            scalar->fillEvery(t, 0, 1);
            lanes->prepare(bin);
            // Two threads' shares, one after the other.
            fillTableInLanes(set, t, *lanes, 0, 2);
            fillTableInLanes(set, t, *lanes, 1, 2);
            const IncoherentTable::Outcome* a = scalar->outcomeData();
            const IncoherentTable::Outcome* b = lanes->outcomeData();
            int filled = 0;
            for (int e = 0; e < 2 * drawValues; ++e) {
                if (!(scalar->acceptanceData()[e] > 0.0f))
                    continue;
                ++filled;
                SCOPED_TRACE(testing::Message()
                             << instructionSetName(set) << " bin " << bin << " entry " << e);
                ASSERT_EQ(b[e].filledFor, bin);
                ASSERT_EQ(b[e].formFactorTest, a[e].formFactorTest);
                // With fused multiply-add the same floats; without it, the
                // float functions' last bits move the outcome a little.
                const float tolerance = set == InstructionSet::Sse4 ? 1e-5f : 0.0f;
                auto near = [&](float x, float y) {
                    return x == y || std::fabs(x - y) <= tolerance * std::fabs(y);
                };
                ASSERT_TRUE(near(b[e].formFactorRatio, a[e].formFactorRatio));
                ASSERT_TRUE(near(b[e].scattering.E, a[e].scattering.E));
                ASSERT_TRUE(near(b[e].scattering.cosTheta, a[e].scattering.cosTheta) ||
                            std::fabs(b[e].scattering.cosTheta - a[e].scattering.cosTheta) < 1e-6f);
                if (a[e].scattering.E >= transportCutoff) {
                    ASSERT_TRUE(near(b[e].crossSections.total, a[e].crossSections.total));
                    ASSERT_TRUE(near(b[e].crossSections.upper, a[e].crossSections.upper));
                }
            }
            EXPECT_GT(filled, drawValues);
        }
    }
}

namespace {

using lanetest::LanePhoton;
using lanetest::Stage;

// Random photons inside the phantom, at `stage` in every lane but every
// fifth, which waits at another stage and must come out as it went in.
struct StepCase {
    std::vector<LanePhoton> photons;
    std::vector<std::array<std::int32_t, 4>> draws;
};

StepCase randomLanes(const TransportTables& t, IncoherentTable& table, int bin, Stage stage,
                     std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<std::int32_t> draw(0, drawValues - 1);
    StepCase c;
    for (int l = 0; l < LaneBank::lanes; ++l) {
        LanePhoton p;
        p.stage = l % 5 == 4 ? (stage == Stage::Turn ? Stage::Coherent : Stage::Turn) : stage;
        p.E = stage == Stage::FirstIncoherent || stage == Stage::Source
                  ? binEnergy(bin)
                  : 5.0f + 140.0f * unit(random);
        do {
            p.x = 30.0f * unit(random) - 15.0f;
            p.y = 60.0f * unit(random) - 30.0f;
            p.z = 20.0f * unit(random) - 10.0f;
        } while (!isInside<PhantomModel::Sound>(p.x, p.y, p.z));
        p.cosTheta = 2.0f * unit(random) - 1.0f;
        p.sinTheta = std::sqrt(1.0f - p.cosTheta * p.cosTheta);
        const float phi = 6.2831853f * unit(random);
        p.cosPhi = std::cos(phi);
        p.sinPhi = std::sin(phi);
        // Photons along z now and then, whose azimuth the turn takes as it is.
        if (l % 7 == 3) {
            p.cosTheta = l % 2 ? 1.0f : -1.0f;
            p.sinTheta = 0.0f;
        }
        p.xs = crossSectionsAt(t, p.E);
        const float a = electronRestEnergy / p.E;
        p.eta =
            kahnTrial(a, unit(random) > 0.5f, LaggedFibonacciGenerator::toFloat(draw(random))).eta;
        p.theta = incoherentAngleOf(t, p.E, a, p.eta).theta;
        p.cosS = 2.0f * unit(random) - 1.0f;
        p.sinS = std::sqrt(1.0f - p.cosS * p.cosS);
        p.scattered = l % 3 != 0;
        // A photon at its first incoherent scattering is at the bin energy;
        // a new history's photon, not yet scattered, has the bin's cross sections.
        p.atBinEnergy = stage == Stage::FirstIncoherent || (table.energy() == p.E && l % 2 == 0);
        if (p.stage == Stage::Source) {
            p.xs = t.binCrossSections[bin];
            p.scattered = false;
            p.atBinEnergy = table.energy() == p.E;
        }
        c.photons.push_back(p);
        c.draws.push_back({draw(random), draw(random), draw(random), draw(random)});
        // A free path of R1 = 0 is drawn again in the next pass.
        if (l == 9)
            c.draws.back()[0] = 0;
    }
    return c;
}

// The same photon; the cross sections of one still at its first
// incoherent trial are not read before its acceptance.
bool samePhoton(const LanePhoton& a, const LanePhoton& b) {
    const bool crossSections =
        a.stage == Stage::FirstIncoherent ||
        (a.xs.total == b.xs.total && a.xs.photoelectric == b.xs.photoelectric &&
         a.xs.upper == b.xs.upper);
    return a.stage == b.stage && std::memcmp(&a.E, &b.E, sizeof(float) * 4) == 0 &&
           a.cosTheta == b.cosTheta && a.sinTheta == b.sinTheta && a.cosPhi == b.cosPhi &&
           a.sinPhi == b.sinPhi && crossSections && a.scattered == b.scattered &&
           a.atBinEnergy == b.atBinEnergy;
}

// What the scalar run computes for one photon at the step from the step's
// draws: the photon after it, and the escape it scores.
LanePhoton scalarStep(const TransportTables& t, const IncoherentTable& table, int bin, LanePhoton p,
                      const std::array<std::int32_t, 4>& k,
                      std::vector<lanetest::Escape>& escapes) {
    auto R = [&](int n) { return LaggedFibonacciGenerator::toFloat(k[std::size_t(n)]); };
    switch (p.stage) {
    case Stage::Source: {
        // sampleSource of the sound phantom with R1 and R2.
        struct Draws {
            float r[2];
            int next = 0;
            float draw() { return r[next++ % 2]; }
        } draws{{R(0), R(1)}};
        PhotonState s;
        if (!sampleSource<PhantomModel::Sound>(t, draws, s)) {
            p.stage = Stage::Empty;
            return p;
        }
        p = LanePhoton{Stage::Flight, binEnergy(bin),
                       s.x,           s.y,
                       s.z,           s.cosTheta,
                       s.sinTheta,    s.cosPhi,
                       s.sinPhi,      t.binCrossSections[bin],
                       p.eta,         p.theta,
                       p.cosS,        p.sinS,
                       false,         table.energy() == binEnergy(bin)};
        return p;
    }
    case Stage::Flight: {
        if (k[0] == 0)
            return p;
        const float s = t.negativeLogDraw[k[0]] / p.xs.total;
        const float u = p.sinTheta * p.cosPhi, v = p.sinTheta * p.sinPhi, w = p.cosTheta;
        const float x = p.x + u * s, y = p.y + v * s, z = p.z + w * s;
        if (!isInside<PhantomModel::Sound>(x, y, z)) {
            if (p.scattered && w != 0.0f && u != 0.0f)
                escapes.push_back({p.E, p.x, p.y, p.z, u, v, w});
            p.stage = Stage::Empty;
            return p;
        }
        p.x = x;
        p.y = y;
        p.z = z;
        const float R2 = R(1);
        p.stage = R2 < p.xs.photoelectric ? Stage::Empty
                  : R2 >= p.xs.upper ? (p.atBinEnergy ? Stage::FirstIncoherent : Stage::Incoherent)
                                     : Stage::Coherent;
        return p;
    }
    case Stage::FirstIncoherent: {
        // One trial of IncoherentTable::sample.
        const int entry = (R(0) > table.branchThreshold() ? drawValues : 0) + k[1];
        if (!(table.acceptanceData()[entry] > R(2)))
            return p;
        const IncoherentTable::Outcome& o = table.outcomeData()[entry];
        if (o.formFactorTest && o.formFactorRatio < R(3))
            return p;
        p.E = o.scattering.E;
        p.cosS = o.scattering.cosTheta;
        p.sinS = o.scattering.sinTheta;
        p.atBinEnergy = false;
        if (p.E >= transportCutoff)
            p.xs = o.crossSections;
        p.stage = p.E < transportCutoff ? Stage::Empty : Stage::Turn;
        return p;
    }
    case Stage::Incoherent: {
        const float a = electronRestEnergy / p.E;
        const float branch = (a + 2.0f) / (9.0f * a + 2.0f);
        const KahnTrial trial = kahnTrial(a, R(0) > branch, R(1));
        if (trial.acceptance > R(2)) {
            p.eta = trial.eta;
            p.stage = Stage::FormFactor;
        }
        return p;
    }
    case Stage::FormFactor: {
        const IncoherentAngle angle = incoherentAngleOf(t, p.E, electronRestEnergy / p.E, p.eta);
        p.theta = angle.theta;
        p.stage = angle.formFactorTest && angle.formFactorRatio < R(0) ? Stage::Incoherent
                                                                       : Stage::NewEnergy;
        return p;
    }
    case Stage::NewEnergy: {
        const Scattering s = incoherentResult(p.E, p.theta);
        p.E = s.E;
        p.cosS = s.cosTheta;
        p.sinS = s.sinTheta;
        if (s.E >= transportCutoff)
            p.xs = crossSectionsAt(t, s.E);
        p.stage = s.E < transportCutoff ? Stage::Empty : Stage::Turn;
        return p;
    }
    case Stage::Coherent: {
        const float y = t.coherentQ[k[0]] / p.E;
        const float c = 1.0f - 2.0f * y * y;
        if (y > 1.0f || 2.0f * R(1) > c * c + 1.0f)
            return p;
        p.cosS = c < 1.0f ? c : 1.0f;
        p.sinS = std::sqrt(1.0f - p.cosS * p.cosS);
        p.stage = Stage::Turn;
        return p;
    }
    case Stage::Turn: {
        PhotonState s;
        s.cosTheta = p.cosTheta;
        s.sinTheta = p.sinTheta;
        s.cosPhi = p.cosPhi;
        s.sinPhi = p.sinPhi;
        const Azimuth& azimuth = t.azimuth[k[0]];
        turnDirection(s, Scattering{p.E, p.cosS, p.sinS}, azimuth.cosine, azimuth.sine);
        p.cosTheta = s.cosTheta;
        p.sinTheta = s.sinTheta;
        p.cosPhi = s.cosPhi;
        p.sinPhi = s.sinPhi;
        p.scattered = true;
        p.stage = Stage::Flight;
        return p;
    }
    case Stage::Empty:
        break;
    }
    return p;
}

} // namespace

// Every step of a pass gives each lane's photon what the scalar run gives it
// from the same draws, bit for bit where the float functions agree bit for
// bit (AVX2, AVX-512; SSE4 in the steps without them), gathered and in
// place; the lanes at other stages stay as they were.
TEST(LaneSteps, EachStepComputesWhatTheScalarRunComputes) {
    const auto sets = availableSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    TransportTables t = makeTransportTables(fixtureInputs());
    // A wide field close to the focus: face entries, side entries and misses.
    t.focusSkinDistance = 20.0f;
    t.fieldWidth = 40.0f;
    t.fieldLength = 50.0f;
    const int bin = 121;
    auto table = std::make_unique<IncoherentTable>();
    table->prepare(bin);
    table->fillEvery(t, 0, 1);
    const Stage stages[] = {Stage::Source,     Stage::Flight,     Stage::FirstIncoherent,
                            Stage::Incoherent, Stage::FormFactor, Stage::NewEnergy,
                            Stage::Coherent,   Stage::Turn};
    std::mt19937 random(5);
    for (InstructionSet set : sets) {
        // SSE4 rounds MulAdd twice: its atan, sin and cos may differ in the last bit.
        const bool exact = set != InstructionSet::Sse4;
        for (Stage stage : stages) {
            for (int round = 0; round < 20; ++round) {
                const StepCase c = randomLanes(t, *table, bin, stage, random);
                std::vector<lanetest::Escape> expectedEscapes, gathered, inPlace;
                const auto a = lanetest::runStep(set, t, *table, bin, stage, c.photons, c.draws,
                                                 false, gathered);
                const auto b = lanetest::runStep(set, t, *table, bin, stage, c.photons, c.draws,
                                                 true, inPlace);
                for (int l = 0; l < LaneBank::lanes; ++l) {
                    SCOPED_TRACE(testing::Message() << instructionSetName(set) << " stage "
                                                    << int(stage) << " lane " << l);
                    const LanePhoton& in = c.photons[std::size_t(l)];
                    ASSERT_TRUE(samePhoton(a[std::size_t(l)], b[std::size_t(l)]));
                    if (in.stage != stage) {
                        ASSERT_TRUE(samePhoton(a[std::size_t(l)], in));
                        continue;
                    }
                    const LanePhoton expected =
                        scalarStep(t, *table, bin, in, c.draws[std::size_t(l)], expectedEscapes);
                    const LanePhoton& got = a[std::size_t(l)];
                    // An ended history leaves nothing that is read again.
                    if (expected.stage == Stage::Empty) {
                        ASSERT_EQ(got.stage, Stage::Empty);
                        continue;
                    }
                    const bool functions = stage == Stage::FormFactor || stage == Stage::NewEnergy;
                    if (exact || !functions) {
                        ASSERT_TRUE(samePhoton(got, expected))
                            << "E " << got.E << " / " << expected.E << ", stage " << int(got.stage)
                            << " / " << int(expected.stage);
                        if (stage == Stage::FormFactor) {
                            ASSERT_EQ(got.theta, expected.theta);
                        }
                    } else {
                        ASSERT_LE(ulpDistance(got.theta, expected.theta), 1);
                        ASSERT_NEAR(got.E, expected.E, 1e-5f * expected.E);
                        ASSERT_NEAR(got.cosS, expected.cosS, 1e-6f);
                    }
                }
                ASSERT_EQ(gathered.size(), expectedEscapes.size());
                ASSERT_EQ(inPlace.size(), expectedEscapes.size());
                for (std::size_t n = 0; n < gathered.size(); ++n) {
                    ASSERT_EQ(std::memcmp(&gathered[n], &expectedEscapes[n], sizeof gathered[n]),
                              0);
                    ASSERT_EQ(std::memcmp(&inPlace[n], &expectedEscapes[n], sizeof inPlace[n]), 0);
                }
            }
        }
    }
}
