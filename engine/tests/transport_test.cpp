// The generator, source sampling and the transport rules of one history.
#include "history.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST(Phantom, RoundedSidesIgnoreTheLengthLimit) {
    EXPECT_TRUE(isInside(8.0f, 40.0f, 0.0f));
    EXPECT_TRUE(isInside(-8.0f, 40.0f, 0.0f));
    EXPECT_FALSE(isInside(0.0f, 40.0f, 0.0f));
    EXPECT_TRUE(isInside(5.0f, 30.0f, 10.0f)); // slab corner, bounds included
    EXPECT_TRUE(isInside(15.0f, 0.0f, 0.0f));  // edge of the rounded side
    EXPECT_FALSE(isInside(15.01f, 0.0f, 0.0f));
    EXPECT_FALSE(isInside(0.0f, 0.0f, 10.01f));
    EXPECT_FALSE(isInside(12.0f, 0.0f, 8.0f)); // outside the circle of radius 10
}

TEST(Source, NarrowFieldEntersThroughTheFaceAlongTheRayFromTheFocus) {
    const TransportTables t = sourceTables(60.0f, 1.0f, 30.0f); // |x0| <= 5 always
    LaggedFibonacciGenerator rng;
    for (int n = 0; n < 2000; ++n) {
        PhotonState p;
        ASSERT_TRUE(sampleSource(t, rng, p));
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
        ASSERT_TRUE(sampleSource(t, rng, p));
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
        const bool entered = sampleSource(t, rng, p);
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

    LaggedFibonacciGenerator rng;
    auto grid = std::make_unique<DoseGrid>();
    int bins = 0;
    EXPECT_EQ(runAllHistories(inputs, tables, rng, *grid, [&](int, int) { ++bins; }), expected);
    EXPECT_EQ(bins, inputs.spectrum.highestBin - 9);

    auto firstIncoherent = std::make_unique<IncoherentTable>();
    firstIncoherent->prepare(80);
    int missed = 0;
    for (int n = 0; n < 1000; ++n)
        missed += runHistory(tables, *firstIncoherent, rng, *grid, 80) == HistoryEnd::MissedPhantom;
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
        ASSERT_EQ(t.negativeLogDraw[k], -std::log(R)) << k;
        const float azimuth = R * pi * 2.0f;
        ASSERT_EQ(t.azimuth[k].cosine, std::cos(azimuth)) << k;
        ASSERT_EQ(t.azimuth[k].sine, std::sin(azimuth)) << k;
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
        const float f = (std::log(E) - t.logEnergy[i - 1]) / (t.logEnergy[i] - t.logEnergy[i - 1]);
        const float photo = std::exp(t.logPhotoelectric[i - 1] +
                                     f * (t.logPhotoelectric[i] - t.logPhotoelectric[i - 1]));
        const float incoherent =
            std::exp(t.logIncoherent[i - 1] + f * (t.logIncoherent[i] - t.logIncoherent[i - 1]));
        const float coherent =
            std::exp(t.logCoherent[i - 1] + f * (t.logCoherent[i] - t.logCoherent[i - 1]));
        const CrossSections xs = crossSectionsAt(t, E);
        ASSERT_EQ(xs.total, photo + incoherent + coherent) << E;
        ASSERT_EQ(xs.photoelectric, photo / xs.total) << E;
    }
}
