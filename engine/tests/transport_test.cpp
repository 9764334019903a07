// The generator, source sampling and the transport rules of one history.
#include "history.h"
#include "lane_run.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

using namespace quenro;
using enginetest::jobText;
using enginetest::WorkFolder;

namespace {

EngineInputs fixtureInputs(const std::string& job = "") {
    WorkFolder folder;
    if (!job.empty())
        folder.write("B2F.txt", job);
    return loadInputs(folder.path());
}

// Transport tables of the fixtures with the source of focus-skin distance F and
// the given field size at that distance.
TransportTables sourceTables(float F, float fieldWidth, float fieldLength) {
    TransportTables t = makeTransportTables(fixtureInputs());
    t.focusSkinDistance = F;
    t.fieldWidth = fieldWidth;
    t.fieldLength = fieldLength;
    return t;
}

// The generator written out once more, 1-based as its definition reads.
std::vector<std::int32_t> referenceStream(int count) {
    std::int32_t T[56];
    T[1] = 3783;
    for (int i = 2; i <= 55; ++i)
        T[i] = (2 * T[i - 1] + i) % 16384;
    int j = 24, k = 55;
    std::vector<std::int32_t> out;
    for (int n = 0; n < 1000 + count; ++n) {
        T[k] = (T[j] + T[k]) % 16384;
        if (n >= 1000)
            out.push_back(T[k]);
        if (--j == 0)
            j = 55;
        if (--k == 0)
            k = 55;
    }
    return out;
}

} // namespace

TEST(Generator, FollowsTheLaggedFibonacciRecurrenceAndRepeatsWhenReseeded) {
    const auto expected = referenceStream(500);
    LaggedFibonacciGenerator rng;
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const float R = rng.draw();
        ASSERT_EQ(R, static_cast<float>(expected[n]) / 16384.1f) << "draw " << n;
        ASSERT_LT(R, 1.0f);
        ASSERT_GE(R, 0.0f);
    }
    rng.seed();
    EXPECT_EQ(rng, LaggedFibonacciGenerator());
    EXPECT_EQ(rng.draw(), static_cast<float>(expected[0]) / 16384.1f);
    EXPECT_LT(LaggedFibonacciGenerator::toFloat(16383), 1.0f);
}

TEST(Generator, CursorDrawsTheSameSequenceAndHandsBackThePosition) {
    LaggedFibonacciGenerator direct, throughCursors;
    // Short runs of steps and draws through fresh cursors, across many block refills.
    for (int n = 0; n < 3000; ++n) {
        {
            DrawCursor cursor(throughCursors);
            for (int m = 0; m <= n % 7; ++m) {
                if (m % 2 == 1)
                    ASSERT_EQ(cursor.step(), direct.step()) << "run " << n;
                else
                    ASSERT_EQ(cursor.draw(), direct.draw()) << "run " << n;
            }
        }
        ASSERT_EQ(throughCursors, direct) << "run " << n;
    }
    EXPECT_EQ(throughCursors.draw(), direct.draw());
}

TEST(Phantom, InsideTestOfBothModels) {
    struct Case {
        float x, y, z;
        bool written, sound;
    };
    const Case cases[] = {
        {8.0f, 40.0f, 0.0f, true, false}, // rounded side beyond the phantom's end
        {-8.0f, 40.0f, 0.0f, true, false},  {8.0f, -30.01f, 0.0f, true, false},
        {8.0f, 30.0f, 0.0f, true, true}, // the end itself is inside
        {-8.0f, -30.0f, 0.0f, true, true},  {0.0f, 40.0f, 0.0f, false, false},
        {5.0f, 30.0f, 10.0f, true, true}, // slab corner, bounds included
        {15.0f, 0.0f, 0.0f, true, true},  // edge of the rounded side
        {15.01f, 0.0f, 0.0f, false, false}, {0.0f, 0.0f, 10.01f, false, false},
        {12.0f, 0.0f, 8.0f, false, false}, // outside the circle of radius 10
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isInside<PhantomModel::Written>(c.x, c.y, c.z), c.written)
            << c.x << ", " << c.y << ", " << c.z;
        EXPECT_EQ(isInside<PhantomModel::Sound>(c.x, c.y, c.z), c.sound)
            << c.x << ", " << c.y << ", " << c.z;
    }
}

namespace {

// Hands out the draws it was given, then fails the test.
struct ScriptedDraws {
    std::vector<float> draws;
    std::size_t next = 0;
    float draw() {
        EXPECT_LT(next, draws.size());
        return next < draws.size() ? draws[next++] : 0.5f;
    }
};

// The race-track prism in double, written apart from the engine: within 10 of
// the segment from (-5, 0) to (5, 0) in the x-z plane, and |y| <= 30.
bool insidePrism(double x, double y, double z) {
    const double dx = std::max(std::fabs(x) - 5.0, 0.0);
    return std::fabs(y) <= 30.0 && dx * dx + z * z <= 100.0;
}

// Where a ray enters and leaves the prism (the prism is convex: a scan for
// the first point inside, then bisections on the inside test); (u, v, w) a
// unit vector. Nothing when the ray misses.
std::optional<std::pair<double, double>> chordOf(double x, double y, double z, double u, double v,
                                                 double w) {
    auto inside = [&](double t) { return insidePrism(x + u * t, y + v * t, z + w * t); };
    double t = 0.0;
    while (!inside(t) && t < 1000.0)
        t += 0.01;
    if (!inside(t))
        return std::nullopt;
    double before = t - 0.01, in = t;
    for (int n = 0; n < 60; ++n) {
        const double m = 0.5 * (before + in);
        (inside(m) ? in : before) = m;
    }
    double last = t, after = t + 200.0;
    for (int n = 0; n < 80; ++n) {
        const double m = 0.5 * (last + after);
        (inside(m) ? last : after) = m;
    }
    return std::pair{in, last};
}

} // namespace

TEST(SoundSource, EveryEntryLiesOnThePhantomAlongAUnitRayFromTheFocus) {
    // 40 x 30 cm at FSD 20: face entries, side entries and rays that pass
    // beside the rounded sides.
    const float F = 20.0f;
    const TransportTables t = sourceTables(F, 40.0f, 30.0f);
    LaggedFibonacciGenerator rng;
    int sides = 0, misses = 0;
    for (int n = 0; n < 100000; ++n) {
        PhotonState p;
        if (!sampleSource<PhantomModel::Sound>(t, rng, p)) {
            ++misses;
            continue;
        }
        const double u = double(p.sinTheta) * p.cosPhi, v = double(p.sinTheta) * p.sinPhi,
                     w = p.cosTheta;
        ASSERT_NEAR(double(p.cosPhi) * p.cosPhi + double(p.sinPhi) * p.sinPhi, 1.0, 5e-7);
        ASSERT_NEAR(u * u + v * v + w * w, 1.0, 5e-7);
        // On the surface: inside, and just outside 1e-3 cm back towards the focus.
        ASSERT_LE(std::fabs(p.y), 30.0f);
        ASSERT_TRUE(insidePrism(p.x + 1e-4 * u, p.y + 1e-4 * v, p.z + 1e-4 * w)) << n;
        ASSERT_FALSE(insidePrism(p.x - 1e-3 * u, p.y - 1e-3 * v, p.z - 1e-3 * w)) << n;
        // Along the ray from the focus (0, 0, -10 - F): direction times distance.
        const double fx = p.x, fy = p.y, fz = p.z + 10.0 + F;
        const double d = std::sqrt(fx * fx + fy * fy + fz * fz);
        ASSERT_NEAR(u, fx / d, 2e-6) << n;
        ASSERT_NEAR(v, fy / d, 2e-6) << n;
        ASSERT_NEAR(w, fz / d, 2e-6) << n;
        sides += std::fabs(p.x) > 5.0f;
    }
    EXPECT_GT(sides, 10000);
    EXPECT_GT(misses, 1000);
}

TEST(SoundSource, NarrowFieldGivesTheWrittenSourceDrawForDraw) {
    const TransportTables t = sourceTables(60.0f, 1.0f, 30.0f); // |x0| <= 5 always
    LaggedFibonacciGenerator written, sound;
    for (int n = 0; n < 5000; ++n) {
        PhotonState a, b;
        ASSERT_TRUE(sampleSource<PhantomModel::Written>(t, written, a));
        ASSERT_TRUE(sampleSource<PhantomModel::Sound>(t, sound, b));
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << n;
    }
    EXPECT_EQ(written, sound);
}

TEST(SoundSource, UncollidedPhotonsFollowExpMinusMuL) {
    // Single rays at F = 30 with a field 30 cm wide: R1 = 0.5 - 10/22.5 gives
    // the field point x0 = 10, aimed at the rounded side x > 5 (R2 = 0.4:
    // y0 = 2.25); R1 = 0.5, R2 = 0.49 a ray almost along the axis through the
    // 20 cm slab. The share of 60 keV photons whose first flight from the
    // entry point leaves the phantom is exp(-mu L), L the chord of that ray
    // through the prism, found here apart from the engine. An entry off the
    // ray, or a direction that is not a unit vector, moves the share (the
    // side entry as first written gives 0.097 instead of 0.084, 20 standard
    // deviations off).
    const float F = 30.0f;
    const TransportTables t = sourceTables(F, 30.0f, 30.0f);
    const float mu = t.binCrossSections[120].total;
    for (const auto& [R1, R2] : {std::pair{0.5f - 10.0f / 22.5f, 0.4f}, std::pair{0.5f, 0.49f}}) {
        ScriptedDraws field{{R1, R2}};
        PhotonState p;
        ASSERT_TRUE(sampleSource<PhantomModel::Sound>(t, field, p));

        const double x0 = (0.5f - R1) * F / (F + 10.0f) * 30.0f;
        const double y0 = (0.5f - R2) * F / (F + 10.0f) * 30.0f;
        const double norm = std::sqrt(x0 * x0 + y0 * y0 + double(F) * F);
        const auto chord = chordOf(0.0, 0.0, -10.0 - F, x0 / norm, y0 / norm, F / norm);
        ASSERT_TRUE(chord);
        const double L = chord->second - chord->first;
        ASSERT_GT(L, 5.0);

        const float u = p.sinTheta * p.cosPhi, v = p.sinTheta * p.sinPhi, w = p.cosTheta;
        LaggedFibonacciGenerator rng;
        const int trials = 200000;
        int uncollided = 0;
        for (int n = 0; n < trials; ++n) {
            std::int32_t k;
            do
                k = rng.step();
            while (k == 0);
            const float s = t.negativeLogDraw[k] / mu;
            uncollided += !isInside<PhantomModel::Sound>(p.x + u * s, p.y + v * s, p.z + w * s);
        }
        const double expected = std::exp(-double(mu) * L);
        const double sigma = std::sqrt(expected * (1.0 - expected) / trials);
        EXPECT_NEAR(double(uncollided) / trials, expected, 4.0 * sigma)
            << "x0 " << x0 << ": mu " << mu << " /cm, chord " << L << " cm";
    }
}

TEST(Source, NarrowFieldEntersThroughTheFaceAlongTheRayFromTheFocus) {
    const TransportTables t = sourceTables(60.0f, 1.0f, 30.0f); // |x0| <= 5 always
    LaggedFibonacciGenerator rng;
    for (int n = 0; n < 2000; ++n) {
        PhotonState p;
        ASSERT_TRUE(sampleSource<PhantomModel::Written>(t, rng, p));
        ASSERT_EQ(p.z, -10.0f);
        ASSERT_EQ(p.scattered, 1);
        // The unit vector from the focus (0, 0, -10 - F) to the entry point.
        const double dx = p.x, dy = p.y, dz = 60.0;
        const double norm = std::sqrt(dx * dx + dy * dy + dz * dz);
        EXPECT_NEAR(p.sinTheta * p.cosPhi, dx / norm, 1e-6);
        EXPECT_NEAR(p.sinTheta * p.sinPhi, dy / norm, 1e-6);
        EXPECT_NEAR(p.cosTheta, dz / norm, 1e-6);
    }
}

TEST(Source, WideFieldEntersThroughTheRoundedSides) {
    const TransportTables t = sourceTables(90.0f, 20.0f, 20.0f);
    LaggedFibonacciGenerator rng;
    int sides = 0;
    for (int n = 0; n < 2000; ++n) {
        PhotonState p;
        ASSERT_TRUE(sampleSource<PhantomModel::Written>(t, rng, p));
        if (std::fabs(p.x) > 5.0f) {
            ++sides;
            const float dx = std::fabs(p.x) - 5.0f;
            EXPECT_NEAR(dx * dx + p.z * p.z, 100.0f, 0.01f);
            EXPECT_LT(p.z, 0.0f);
        }
    }
    EXPECT_GT(sides, 100);
}

TEST(Source, LineMissingTheRoundedSideEndsTheHistoryAfterTwoDraws) {
    // With F = 10 the line z = -10 only touches the circle: D = 0, a miss.
    const TransportTables t = sourceTables(10.0f, 40.0f, 20.0f);
    LaggedFibonacciGenerator rng;
    int misses = 0;
    for (int n = 0; n < 1000; ++n) {
        LaggedFibonacciGenerator ahead = rng;
        const float R1 = ahead.draw();
        ahead.draw();
        const float x0 = (0.5f - R1) * 10.0f / 20.0f * 40.0f;
        PhotonState p;
        const bool entered = sampleSource<PhantomModel::Written>(t, rng, p);
        EXPECT_EQ(entered, std::fabs(x0) <= 5.0f) << "x0 = " << x0;
        if (!entered) {
            ++misses;
            EXPECT_EQ(rng, ahead);
        }
    }
    EXPECT_GT(misses, 300);
}

TEST(Source, MissedHistoriesStillCountInTheBin) {
    const EngineInputs inputs =
        fixtureInputs(jobText("1.0E-02", "10.0", "20.0", "40.0", "2.000E+04", "m.data"));
    const SimulationTables tables = makeSimulationTables(inputs);
    std::int64_t expected = 0;
    for (int k = 10; k <= inputs.spectrum.highestBin; ++k)
        expected += historiesInBin(inputs.spectrum, inputs.job.photonCount, k);

    RunOptions single;
    single.singleStream = true;
    auto run = std::make_unique<RunTallies>();
    int bins = 0;
    EXPECT_EQ(runAllHistories(inputs, tables, single, *run, [&](const RunProgress&) { ++bins; }),
              expected);
    EXPECT_EQ(bins, inputs.spectrum.highestBin - 9);

    LaggedFibonacciGenerator rng;
    auto tally = std::make_unique<PlaneTallies>();
    auto firstIncoherent = std::make_unique<IncoherentTable>();
    firstIncoherent->prepare(80);
    int missed = 0;
    for (int n = 0; n < 1000; ++n)
        missed += runHistory<PhantomModel::Written>(tables, *firstIncoherent, rng, *tally, 80) ==
                  HistoryEnd::MissedPhantom;
    EXPECT_GT(missed, 300);
}

TEST(Bins, HistoryCountIsTheTruncatedDoubleProduct) {
    SpectrumTable s;
    s.weight[99] = 0.1f;
    s.weight[100] = 0.3f;
    s.weight[101] = 4e-9f;
    EXPECT_EQ(historiesInBin(s, 1e9f, 100), 100000001); // 0.1f is 0.100000001490116
    EXPECT_EQ(historiesInBin(s, 10.0f, 101), 3);
    EXPECT_EQ(historiesInBin(s, 1e8f, 102), 0); // below one history: skipped
}

TEST(CrossSections, LogLogInterpolationMeetsTheTableRows) {
    const EngineInputs inputs = fixtureInputs();
    const TransportTables t = makeTransportTables(inputs);
    const CrossSectionTable& table = inputs.crossSections;
    for (int row : {5, 10, 12, 20}) {
        const float E = table.energy[row];
        const CrossSections xs = crossSectionsAt(t, E);
        const double total =
            double(table.coherent[row]) + table.incoherent[row] + table.photoelectric[row];
        EXPECT_NEAR(xs.total, total, 1e-5 * total) << E;
        EXPECT_NEAR(xs.photoelectric, table.photoelectric[row] / total, 1e-5) << E;
        EXPECT_NEAR(xs.upper, (table.photoelectric[row] + table.coherent[row]) / total, 1e-5);
    }
    // Half-way in ln E the coefficients are the geometric means.
    const float E = std::sqrt(table.energy[12] * table.energy[13]);
    const double coh = std::sqrt(double(table.coherent[12]) * table.coherent[13]);
    const double inc = std::sqrt(double(table.incoherent[12]) * table.incoherent[13]);
    const double pho = std::sqrt(double(table.photoelectric[12]) * table.photoelectric[13]);
    EXPECT_NEAR(crossSectionsAt(t, E).total, coh + inc + pho, 1e-5 * (coh + inc + pho));
}

TEST(Scattering, IncoherentAngleFromItsCosine) {
    EXPECT_EQ(incoherentAngle(0.0f), 3.141592f * 0.5f); // the engine's pi, not atan(inf)
    EXPECT_NEAR(incoherentAngle(0.5f), std::acos(0.5), 1e-6);
    EXPECT_NEAR(incoherentAngle(-0.5f), std::acos(-0.5), 1e-6);
    EXPECT_EQ(incoherentAngle(1.2f), 0.0f);
}

TEST(Scattering, CoherentKeepsTheEnergyIncoherentLosesComptonEnergy) {
    const TransportTables t = makeTransportTables(fixtureInputs());
    LaggedFibonacciGenerator rng;
    for (float E : {6.0f, 30.0f, 79.5f}) {
        double meanCos = 0;
        for (int n = 0; n < 2000; ++n) {
            const Scattering coherent = sampleCoherent(t, rng, E);
            ASSERT_EQ(coherent.E, E);
            ASSERT_LE(std::fabs(coherent.cosTheta), 1.0f);
            EXPECT_NEAR(coherent.sinTheta * coherent.sinTheta +
                            coherent.cosTheta * coherent.cosTheta,
                        1.0f, 1e-5f);
            meanCos += coherent.cosTheta;

            const Scattering incoherent = sampleIncoherent(t, rng, E);
            // Compton: E / (1 + 2E/511) <= E' <= E, and E' fixed by the angle.
            ASSERT_LE(incoherent.E, E);
            ASSERT_GE(incoherent.E, E / (1.0f + 2.0f * E / 511.0f) * 0.9999f);
            EXPECT_NEAR(incoherent.E, E / (1 + E / 511.0 * (1 - incoherent.cosTheta)), 1e-3);
        }
        // Coherent scattering is forward-peaked.
        EXPECT_GT(meanCos / 2000, 0.3) << E;
    }
}

namespace {

// Chi-square of a histogram against expected probabilities (which sum to 1).
double chiSquare(const std::vector<int>& counts, const std::vector<double>& expected) {
    double total = 0;
    for (int c : counts)
        total += c;
    double chi2 = 0;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        const double e = expected[b] * total;
        chi2 += (counts[b] - e) * (counts[b] - e) / e;
    }
    return chi2;
}

// Bin of cos(theta) in [-1, 1] split into `bins` equal parts.
int cosineBin(double mu, int bins) {
    return std::clamp(static_cast<int>((mu + 1.0) / 2.0 * bins), 0, bins - 1);
}

// The form-factor table's column, linear between rows, as the sampling reads it.
double tableAt(const TransportTables& t, const float* column, double q) {
    int i = 1;
    while (i < formFactorRows - 1 && !(t.formX[i] > q))
        ++i;
    return column[i - 1] +
           (column[i] - column[i - 1]) * (q - t.formX[i - 1]) / (t.formX[i] - t.formX[i - 1]);
}

// Expected share of each cosine bin for a density f(mu), by the midpoint rule.
template <class Density> std::vector<double> binShares(int bins, Density f) {
    std::vector<double> shares(bins, 0.0);
    const int steps = 4000; // per bin
    double total = 0;
    for (int b = 0; b < bins; ++b) {
        for (int n = 0; n < steps; ++n) {
            const double mu = -1.0 + 2.0 * (b + (n + 0.5) / steps) / bins;
            shares[b] += f(mu);
        }
        total += shares[b];
    }
    for (double& share : shares)
        share /= total;
    return shares;
}

} // namespace

// The sampled angles against the distributions they stand for; 20 bins, so
// a chi-square above 50 (p < 1e-4 for 19 degrees of freedom) is a fault.
TEST(Physics, IncoherentAnglesFollowKleinNishinaTimesTheIncoherentScatteringFunction) {
    const TransportTables t = makeTransportTables(fixtureInputs());
    LaggedFibonacciGenerator rng;
    const int bins = 20, samples = 200000;
    for (float E : {20.0f, 60.0f, 140.0f}) {
        std::vector<int> counts(bins, 0);
        for (int n = 0; n < samples; ++n)
            ++counts[cosineBin(sampleIncoherent(t, rng, E).cosTheta, bins)];
        const auto expected = binShares(bins, [&](double mu) {
            const double ratio = 1.0 / (1.0 + E / 511.0 * (1.0 - mu)); // E'/E
            const double kleinNishina = ratio * ratio * (ratio + 1.0 / ratio - (1.0 - mu * mu));
            const double q = std::sqrt((1.0 - mu) / 2.0) * E / 12.4; // sin(theta/2) / lambda
            const double S = q < 10.0 ? tableAt(t, t.formS, q) / t.maxS : 1.0;
            return kleinNishina * S;
        });
        EXPECT_LT(chiSquare(counts, expected), 50.0) << E << " keV";
    }
}

TEST(Physics, CoherentAnglesFollowThomsonTimesTheSquaredFormFactor) {
    // q = sin(theta/2) E / hc is drawn from A(x), the integral of F^2 over
    // x^2; Thomson's (1 + cos^2)/2 then thins the angles.
    const TransportTables t = makeTransportTables(fixtureInputs());
    LaggedFibonacciGenerator rng;
    const int bins = 20, samples = 200000;
    for (float E : {15.0f, 40.0f, 100.0f}) {
        std::vector<int> counts(bins, 0);
        for (int n = 0; n < samples; ++n)
            ++counts[cosineBin(sampleCoherent(t, rng, E).cosTheta, bins)];
        // dA/dmu = A'(q) dq/dmu, with dq/dmu = -(E/hc)^2 / (4 q) and A' constant between rows.
        const auto expected = binShares(bins, [&](double mu) {
            const double q = std::sqrt((1.0 - mu) / 2.0) * E / 12.4;
            const double h = 1e-4;
            const double slope =
                (tableAt(t, t.formA, q + h) - tableAt(t, t.formA, q - h)) / (2 * h);
            const double dq = (E / 12.4) * (E / 12.4) / (4.0 * std::max(q, 1e-9));
            return (1.0 + mu * mu) / 2.0 * slope * dq;
        });
        EXPECT_LT(chiSquare(counts, expected), 50.0) << E << " keV";
    }
}

TEST(Direction, TurningKeepsAUnitVector) {
    PhotonState p;
    p.cosTheta = 0.6f;
    p.sinTheta = 0.8f;
    p.cosPhi = 0.28f;
    p.sinPhi = 0.96f;
    LaggedFibonacciGenerator rng;
    for (int n = 0; n < 1000; ++n) {
        const float cs = 2.0f * rng.draw() - 1.0f;
        const Scattering s{30.0f, cs, std::sqrt(1.0f - cs * cs)};
        const float phi = rng.draw() * pi * 2.0f;
        const float oldW = p.cosTheta;
        const float oldU = p.sinTheta * p.cosPhi, oldV = p.sinTheta * p.sinPhi;
        turnDirection(p, s, std::cos(phi), std::sin(phi));
        const float u = p.sinTheta * p.cosPhi, v = p.sinTheta * p.sinPhi, w = p.cosTheta;
        ASSERT_NEAR(u * u + v * v + w * w, 1.0f, 1e-4f);
        // The angle between the old and the new direction is the scattering angle.
        ASSERT_NEAR(u * oldU + v * oldV + w * oldW, cs, 2e-3f);
        EXPECT_EQ(p.scattered, 2);
    }
}

TEST(Direction, StraightAlongZTakesTheAzimuthDirectly) {
    PhotonState p; // cosTheta 1, sinTheta 0
    const Scattering s{30.0f, 0.0f, 1.0f};
    turnDirection(p, s, 0.6f, 0.8f);
    EXPECT_EQ(p.sinPhi, 0.8f);
    EXPECT_EQ(p.cosPhi, -0.6f);
    EXPECT_EQ(p.cosTheta, 0.0f);
}

TEST(Escape, OnlyScatteredPhotonsWithXAndZComponentsAreScored) {
    PhotonState p;
    p.scattered = 1;
    EXPECT_FALSE(qualifiesForScoring(p, 0.5f, 0.5f));
    p.scattered = 2;
    EXPECT_TRUE(qualifiesForScoring(p, 0.5f, -0.5f));
    EXPECT_FALSE(qualifiesForScoring(p, 0.0f, 0.5f));
    EXPECT_FALSE(qualifiesForScoring(p, 0.5f, 0.0f));
}

TEST(Scattering, TabulatedFirstIncoherentIsTheDirectSamplingDrawForDraw) {
    const TransportTables t = makeTransportTables(fixtureInputs());
    auto table = std::make_unique<IncoherentTable>();
    LaggedFibonacciGenerator tabulated, direct;
    for (int bin : {10, 40, 159, 300, 40}) {
        table->prepare(bin);
        const float E = 0.5f * static_cast<float>(bin);
        for (int n = 0; n < 20000; ++n) {
            const IncoherentTable::Outcome& o = table->sample(t, tabulated);
            const Scattering s = sampleIncoherent(t, direct, E);
            ASSERT_EQ(tabulated, direct) << "bin " << bin << " sample " << n;
            ASSERT_EQ(o.scattering.E, s.E);
            ASSERT_EQ(o.scattering.cosTheta, s.cosTheta);
            ASSERT_EQ(o.scattering.sinTheta, s.sinTheta);
            if (s.E >= 5.0f) {
                const CrossSections xs = crossSectionsAt(t, s.E);
                ASSERT_EQ(o.crossSections.total, xs.total);
                ASSERT_EQ(o.crossSections.photoelectric, xs.photoelectric);
                ASSERT_EQ(o.crossSections.upper, xs.upper);
            }
        }
    }
}

TEST(Tables, LookUpsGiveTheFloatsOfTheFormulas) {
    const EngineInputs inputs = fixtureInputs();
    const TransportTables t = makeTransportTables(inputs);
    for (int k = 1; k < drawValues; ++k) {
        const float R = LaggedFibonacciGenerator::toFloat(k);
        ASSERT_EQ(t.negativeLogDraw[k], -floatmath::log(R)) << k;
        const float azimuth = R * pi * 2.0f;
        ASSERT_EQ(t.azimuth[k].cosine, floatmath::sincos(azimuth).cosine) << k;
        ASSERT_EQ(t.azimuth[k].sine, floatmath::sincos(azimuth).sine) << k;
        // q by a search of A(x) from its second row.
        const float r = R * t.totalA;
        int i = 1;
        while (!(t.formA[i] > r))
            ++i;
        const float q = t.formX[i - 1] + (r - t.formA[i - 1]) * (t.formX[i] - t.formX[i - 1]) /
                                             (t.formA[i] - t.formA[i - 1]);
        ASSERT_EQ(t.coherentQ[k], q * 12.4f) << k;
    }
    // Cross sections found from the start table and from row 2 agree, also
    // exactly at the table energies.
    LaggedFibonacciGenerator rng;
    std::vector<float> energies(inputs.crossSections.energy.begin() + 5,
                                inputs.crossSections.energy.begin() + 19);
    for (int n = 0; n < 20000; ++n)
        energies.push_back(5.0f + 145.0f * rng.draw());
    for (float E : energies) {
        int i = 1;
        while (i < t.rowCount - 1 && !(t.energy[i] > E))
            ++i;
        const float f =
            (floatmath::log(E) - t.logEnergy[i - 1]) / (t.logEnergy[i] - t.logEnergy[i - 1]);
        const float photo = floatmath::exp(t.logPhotoelectric[i - 1] +
                                           f * (t.logPhotoelectric[i] - t.logPhotoelectric[i - 1]));
        const float incoherent = floatmath::exp(t.logIncoherent[i - 1] +
                                                f * (t.logIncoherent[i] - t.logIncoherent[i - 1]));
        const float coherent =
            floatmath::exp(t.logCoherent[i - 1] + f * (t.logCoherent[i] - t.logCoherent[i - 1]));
        const CrossSections xs = crossSectionsAt(t, E);
        ASSERT_EQ(xs.total, photo + incoherent + coherent) << E;
        ASSERT_EQ(xs.photoelectric, photo / xs.total) << E;
    }
}

namespace {

// The instruction sets this processor runs.
std::vector<InstructionSet> laneSets() {
    std::vector<InstructionSet> sets;
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            sets.push_back(set);
    return sets;
}

} // namespace

// The lanes' samplers against the same distributions, on every instruction
// set: Kahn's method and S(q) at any energy and through the table of first
// scatterings at a bin energy, the form-factor inversion and Thomson's
// rejection, each lane trying again in later passes after a rejection.
TEST(LanePhysics, ScatteringAnglesFollowTheirDistributions) {
    const auto sets = laneSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    const TransportTables t = makeTransportTables(fixtureInputs());
    auto table = std::make_unique<IncoherentTable>();
    const int bins = 20, samples = 200000;
    auto kleinNishinaTimesS = [&](float E) {
        return binShares(bins, [&](double mu) {
            const double ratio = 1.0 / (1.0 + E / 511.0 * (1.0 - mu));
            const double kleinNishina = ratio * ratio * (ratio + 1.0 / ratio - (1.0 - mu * mu));
            const double q = std::sqrt((1.0 - mu) / 2.0) * E / 12.4;
            return kleinNishina * (q < 10.0 ? tableAt(t, t.formS, q) / t.maxS : 1.0);
        });
    };
    auto thomsonTimesF2 = [&](float E) {
        return binShares(bins, [&](double mu) {
            const double q = std::sqrt((1.0 - mu) / 2.0) * E / 12.4;
            const double h = 1e-4;
            const double slope =
                (tableAt(t, t.formA, q + h) - tableAt(t, t.formA, q - h)) / (2 * h);
            return (1.0 + mu * mu) / 2.0 * slope * (E / 12.4) * (E / 12.4) /
                   (4.0 * std::max(q, 1e-9));
        });
    };
    struct Case {
        lanetest::Sampler sampler;
        float E;
        const char* what;
    };
    const Case cases[] = {
        {lanetest::Sampler::Incoherent, 20.0f, "incoherent"},
        {lanetest::Sampler::Incoherent, 63.7f, "incoherent"},
        {lanetest::Sampler::Incoherent, 140.0f, "incoherent"},
        {lanetest::Sampler::FirstIncoherent, 30.0f, "first incoherent"},
        {lanetest::Sampler::FirstIncoherent, 120.0f, "first incoherent"},
        {lanetest::Sampler::Coherent, 15.0f, "coherent"},
        {lanetest::Sampler::Coherent, 100.0f, "coherent"},
    };
    for (InstructionSet set : sets) {
        std::uint64_t seed = 1;
        for (const Case& c : cases) {
            table->prepare(static_cast<int>(c.E / 0.5f));
            const lanetest::Samples s =
                lanetest::scatterings(set, t, *table, c.sampler, c.E, seed++, samples);
            std::vector<int> counts(bins, 0);
            for (std::size_t n = 0; n < s.cosines.size(); ++n) {
                ++counts[cosineBin(s.cosines[n], bins)];
                // Compton's energy for the angle; coherent scattering keeps it.
                const double expectedE = c.sampler == lanetest::Sampler::Coherent
                                             ? c.E
                                             : c.E / (1 + c.E / 511.0 * (1 - s.cosines[n]));
                ASSERT_NEAR(s.energies[n], expectedE, 1e-3) << c.what;
            }
            const auto expected = c.sampler == lanetest::Sampler::Coherent
                                      ? thomsonTimesF2(c.E)
                                      : kleinNishinaTimesS(c.E);
            EXPECT_LT(chiSquare(counts, expected), 50.0)
                << instructionSetName(set) << " " << c.what << " at " << c.E << " keV";
        }
    }
}

TEST(LanePhysics, UncollidedPhotonsFollowExpMinusMuL) {
    // As SoundSource.UncollidedPhotonsFollowExpMinusMuL: the share of first
    // flights from a point on the phantom along a ray that leave it is
    // exp(-mu L), L the chord found apart from the engine.
    const auto sets = laneSets();
    if (sets.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    const TransportTables t = sourceTables(30.0f, 30.0f, 30.0f);
    const int bin = 120; // 60 keV
    const float mu = t.binCrossSections[bin].total;
    struct Ray {
        float x, y, z, u, v, w;
    };
    // Into the face near the axis, and obliquely from just inside the rounded side.
    const float n = std::sqrt(0.2f * 0.2f + 0.1f * 0.1f + 1.0f);
    const Ray rays[] = {{0.5f, 1.0f, -10.0f, 0.0f, 0.01f, std::sqrt(1.0f - 0.0001f)},
                        {13.0f, 2.0f, -4.0f, -0.2f / n, 0.1f / n, 1.0f / n}};
    for (InstructionSet set : sets) {
        for (const Ray& r : rays) {
            const auto chord = chordOf(r.x, r.y, r.z, r.u, r.v, r.w);
            ASSERT_TRUE(chord);
            const double L = chord->second - chord->first;
            ASSERT_GT(L, 5.0);
            const int trials = 200000;
            const int escapes =
                lanetest::firstFlightEscapes(set, t, bin, r.x, r.y, r.z, r.u, r.v, r.w, 3, trials);
            const double expected = std::exp(-double(mu) * L);
            const double sigma = std::sqrt(expected * (1.0 - expected) / trials);
            EXPECT_NEAR(double(escapes) / trials, expected, 4.0 * sigma)
                << instructionSetName(set) << ": chord " << L << " cm";
        }
    }
}
