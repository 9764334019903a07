// The scorer: quick rejection, disc tests, folding of the two sides, table
// look-ups and the normalisation.
#include "history.h"
#include "planes.h"
#include "result.h"
#include "scoring.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace quenro;
using enginetest::WorkFolder;

namespace {

const EngineInputs& inputs() {
    static const EngineInputs loaded = [] {
        WorkFolder folder;
        return loadInputs(folder.path());
    }();
    return loaded;
}

const ScoringTables& tables() {
    static const ScoringTables t = makeScoringTables(inputs());
    return t;
}

// Point (a, b) of the mapped plane as (y, z): along the rows and off the plane.
struct InPlane {
    float y, z;
};
InPlane mapped(float along, float off) {
    if constexpr (geometryCode == 1)
        return {along, off};
    else
        return {off, along};
}

int scoredCells(const DoseTally& grid) {
    int n = 0;
    for (const auto& row : grid.kerma)
        for (double cell : row)
            n += cell != 0.0;
    return n;
}

} // namespace

TEST(Scorer, QuickRejectionDependsOnTheMappedPlane) {
    // From (10, 0, 1) towards (20, 0, 6): crosses x = 20 at y = 0, z = 6.
    auto grid = std::make_unique<PlaneTallies>();
    const float n = std::sqrt(125.0f);
    scorePhoton(tables(), *grid, 50.0f, 10.0f, 0.0f, 1.0f, 10.0f / n, 0.0f, 5.0f / n);
    if constexpr (geometryCode == 1) {
        // 6 cm off the plane z = 0, and further off for every later plane.
        EXPECT_EQ(scoredCells((*grid)[0]), 0);
    } else {
        // y = 0 lies in the plane; z = 6 is inside the disc of row 32 (c = 10) only.
        EXPECT_GT((*grid)[0].kerma[31][2], 0.0f);
        EXPECT_EQ((*grid)[0].kerma[30][2], 0.0f);
        EXPECT_GT((*grid)[0].doseEquivalent[31][2], 0.0f);
    }
}

TEST(Scorer, CrossingFiveCentimetresFromTwoCentresScoresBoth) {
    // Along +x, 5 cm from the centres of rows 31 (c = 0) and 32 (c = 10).
    auto grid = std::make_unique<PlaneTallies>();
    const InPlane p = mapped(5.0f, 0.0f);
    const float E = 40.0f;
    scorePhoton(tables(), *grid, E, 10.0f, p.y, p.z, 1.0f, 0.0f, 0.0f);
    const float g = airAbsorptionAt(tables(), E) * E; // normal crossing: cos = 1
    for (int i = 3; i <= 41; ++i) {
        EXPECT_EQ((*grid)[0].kerma[30][i - 1], g) << "column " << i;
        EXPECT_EQ((*grid)[0].kerma[31][i - 1], g) << "column " << i;
        EXPECT_EQ((*grid)[0].doseEquivalent[31][i - 1], kermaToDoseAt(tables(), E) * g);
    }
    EXPECT_EQ(scoredCells((*grid)[0]), 2 * 39);

    // Just outside 5 cm: row 32 only.
    auto outside = std::make_unique<PlaneTallies>();
    const InPlane q = mapped(5.001f, 0.0f);
    scorePhoton(tables(), *outside, E, 10.0f, q.y, q.z, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ((*outside)[0].kerma[30][2], 0.0f);
    EXPECT_EQ((*outside)[0].kerma[31][2], g);
}

TEST(Scorer, ObliqueCrossingDividesByTheCosine) {
    auto grid = std::make_unique<PlaneTallies>();
    const float E = 30.0f;
    // In the mapped plane at 60 degrees to the normal, from the phantom centre.
    const InPlane dir = mapped(std::sqrt(3.0f) / 2.0f, 0.0f);
    scorePhoton(tables(), *grid, E, 0.0f, 0.0f, 0.0f, 0.5f, dir.y, dir.z);
    // x = 20 is crossed at c = 20 tan 60 = 34.64: the disc of row 34 (c = 30).
    const float g = airAbsorptionAt(tables(), E) * E;
    EXPECT_NEAR((*grid)[0].kerma[33][2], g / 0.5f, 1e-4f * g);
    EXPECT_EQ((*grid)[0].kerma[34][2], 0.0f);
}

TEST(Scorer, EscapesTowardsMinusAndPlusXScoreTheSameColumns) {
    LaggedFibonacciGenerator rng;
    for (int n = 0; n < 200; ++n) {
        const float x = 20.0f * rng.draw() - 10.0f;
        const float y = 20.0f * rng.draw() - 10.0f;
        const float z = 20.0f * rng.draw() - 10.0f;
        float u = rng.draw() + 0.05f, v = rng.draw() - 0.5f, w = 0.2f * rng.draw() - 0.1f;
        const float norm = std::sqrt(u * u + v * v + w * w);
        u /= norm, v /= norm, w /= norm;
        auto plus = std::make_unique<PlaneTallies>();
        auto minus = std::make_unique<PlaneTallies>();
        scorePhoton(tables(), *plus, 45.0f, x, y, z, u, v, w);
        scorePhoton(tables(), *minus, 45.0f, -x, y, z, -u, v, w);
        ASSERT_EQ(std::memcmp(&(*plus)[0], &(*minus)[0], sizeof(DoseTally)), 0) << "photon " << n;
    }
}

TEST(Scorer, BelowTenKiloElectronVoltAddsNothing) {
    auto grid = std::make_unique<PlaneTallies>();
    const InPlane p = mapped(0.0f, 0.0f);
    scorePhoton(tables(), *grid, 9.99f, 10.0f, p.y, p.z, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(scoredCells((*grid)[0]), 0);
    scorePhoton(tables(), *grid, 10.0f, 10.0f, p.y, p.z, 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(scoredCells((*grid)[0]), 39);
}

TEST(Scorer, TableLookUps) {
    const ScoringTables& t = tables();
    const AirAbsorptionTable& air = inputs().airAbsorption;
    EXPECT_EQ(airAbsorptionAt(t, 150.0f), air.mu[299]); // row 301 has weight 0
    EXPECT_EQ(airAbsorptionAt(t, 10.0f), air.mu[19]);   // row 20 stands for 10 keV
    EXPECT_FLOAT_EQ(airAbsorptionAt(t, 10.25f), 0.5f * (air.mu[19] + air.mu[20]));

    const KermaToDoseTable& h = inputs().kermaToDose;
    EXPECT_EQ(kermaToDoseAt(t, h.energy[200]), h.coefficient[200]);
    const float mid = 0.5f * (h.energy[300] + h.energy[301]);
    EXPECT_NEAR(kermaToDoseAt(t, mid), 0.5f * (h.coefficient[300] + h.coefficient[301]), 1e-5f);
}

TEST(Normalisation, FollowsTheSpectrumAndTheJob) {
    EngineInputs in = inputs();
    in.job.kermaRateAt100cm = 0.01f;
    in.job.focusSkinDistance = 50.0f;
    in.job.fieldWidth = 10.0f;
    in.job.fieldLength = 20.0f;
    in.job.photonCount = 1e6f;
    in.spectrum.weight.fill(0.0f);
    in.spectrum.weight[4] = 0.5f;  // bin 5: outside the sum
    in.spectrum.weight[99] = 0.5f; // bin 100
    const Normalisation n = computeNormalisation(in);
    EXPECT_FLOAT_EQ(n.kermaRateAtSkin, 0.04f);
    const double S = in.airAbsorption.mu[99] * 0.5 * 100 * 1e6 * 0.5 / 200.0;
    const double C = 0.04 / (S * 1.602e-13) * 8.01e-14 / (3.141592 * 25);
    EXPECT_NEAR(n.factor, C, 1e-5 * C);

    auto grid = std::make_unique<DoseGrid>();
    for (auto& row : grid->kerma)
        for (float& cell : row)
            cell = 2.0f;
    normalise(*grid, 0.25f);
    EXPECT_EQ(grid->kerma[0][0], 2.0f); // columns 1 and 2 are never scaled
    EXPECT_EQ(grid->kerma[0][1], 2.0f);
    EXPECT_EQ(grid->kerma[60][2], 0.5f);
    EXPECT_EQ(grid->kerma[30][40], 0.5f);
}

TEST(DoseMap, ColumnsOneAndTwoStayZero) {
    const SimulationTables t = makeSimulationTables(inputs());
    LaggedFibonacciGenerator rng;
    auto grid = std::make_unique<PlaneTallies>();
    auto firstIncoherent = std::make_unique<IncoherentTable>();
    firstIncoherent->prepare(120);
    int scored = 0;
    for (int n = 0; n < 20000; ++n)
        scored += runHistory<PhantomModel::Sound>(t, *firstIncoherent, rng, *grid, 120) ==
                  HistoryEnd::Scored;
    EXPECT_GT(scored, 1000);
    EXPECT_GT(scoredCells((*grid)[0]), 200);
    for (int j = 0; j < DoseGrid::rows; ++j) {
        EXPECT_EQ((*grid)[0].kerma[j][0], 0.0f);
        EXPECT_EQ((*grid)[0].kerma[j][1], 0.0f);
        EXPECT_EQ((*grid)[0].doseEquivalent[j][0], 0.0f);
        EXPECT_EQ((*grid)[0].doseEquivalent[j][1], 0.0f);
    }
}

namespace {

// The scorer as first written: every plane, every disc, in the written plane
// (tally 0); and in the same way in every further plane of `t`, normal to y
// or z at its offset, with the rows along the other axis.
void scoreEveryPlaneAndDisc(const ScoringTables& t, PlaneTallies& tallies, float E, float x,
                            float y, float z, float u, float v, float w) {
    const float mu = airAbsorptionAt(t, E);
    if (E < 10.0f)
        return;
    const float H = kermaToDoseAt(t, E);
    const bool plusSide = u > 0.0f;
    for (int i = 3; i <= DoseGrid::columns; ++i) {
        const float X = plusSide ? columnDistance(i) : -columnDistance(i);
        const float s = (X - x) / u;
        const float yc = y + v * s;
        const float zc = z + w * s;
        if (std::fabs(geometryCode == 1 ? zc : yc) > 5.0f)
            continue;
        const float l = std::sqrt((z - zc) * (z - zc) + (y - yc) * (y - yc) + (x - X) * (x - X));
        const float c = plusSide ? (X - x) / l : (x - X) / l;
        const float g = mu * E / c;
        for (int j = 1; j <= DoseGrid::rows; ++j) {
            const float cj = rowCoordinate(j);
            const float d2 = geometryCode == 1 ? (yc - cj) * (yc - cj) + zc * zc
                                               : (zc - cj) * (zc - cj) + yc * yc;
            if (d2 <= 25.0f)
                tallies[0].score(i, j, g, H * g);
        }
    }
    for (int p = 1; p < t.planes.count; ++p) {
        const ScoringPlane plane = t.planes.plane[p];
        for (int i = 3; i <= DoseGrid::columns; ++i) {
            const float X = plusSide ? columnDistance(i) : -columnDistance(i);
            const float s = (X - x) / u;
            const float yc = y + v * s;
            const float zc = z + w * s;
            const float off = (plane.normal == PlaneAxis::Z ? zc : yc) - plane.offset;
            const float along = plane.normal == PlaneAxis::Z ? yc : zc;
            if (std::fabs(off) > 5.0f)
                continue;
            const float l =
                std::sqrt((z - zc) * (z - zc) + (y - yc) * (y - yc) + (x - X) * (x - X));
            const float c = plusSide ? (X - x) / l : (x - X) / l;
            const float g = mu * E / c;
            for (int j = 1; j <= DoseGrid::rows; ++j) {
                const float cj = rowCoordinate(j);
                if ((along - cj) * (along - cj) + off * off <= 25.0f)
                    tallies[p].score(i, j, g, H * g);
            }
        }
    }
}

// The scoring tables with planes added after the written one.
ScoringTables withPlanes(std::initializer_list<ScoringPlane> extra) {
    ScoringTables t = tables();
    t.planes.count = 1;
    for (const ScoringPlane& plane : extra)
        t.planes.plane[t.planes.count++] = plane;
    return t;
}

// Photons leaving the phantom in all directions; among them rays nearly
// parallel to the columns' planes, to the planes normal to y and to those
// normal to z. f(E, x, y, z, u, v, w) is called for each.
template <class F> void randomEscapes(int count, F&& f) {
    LaggedFibonacciGenerator rng;
    for (int n = 0; n < count; ++n) {
        const float x = 30.0f * rng.draw() - 15.0f;
        const float y = 60.0f * rng.draw() - 30.0f;
        const float z = 20.0f * rng.draw() - 10.0f;
        float u = rng.draw() - 0.5f, v = rng.draw() - 0.5f, w = rng.draw() - 0.5f;
        switch (n % 6) {
        case 1:
            u *= 1e-3f; // nearly parallel to the columns' planes
            break;
        case 2:
            w *= 1e-5f; // nearly parallel to planes normal to z
            break;
        case 3:
            v = n % 12 == 3 ? 0.0f : v * 1e-5f; // parallel to planes normal to y
            break;
        default:
            break;
        }
        if (u == 0.0f || w == 0.0f)
            continue;
        const float norm = std::sqrt(u * u + v * v + w * w);
        u /= norm, v /= norm, w /= norm;
        f(10.0f + 140.0f * rng.draw(), x, y, z, u, v, w);
    }
}

bool sameBits(const DoseTally& a, const DoseTally& b) {
    return std::memcmp(&a, &b, sizeof(DoseTally)) == 0;
}

} // namespace

TEST(Scorer, SkippingPlanesAndDiscsChangesNoBit) {
    // Random escapes, rays nearly parallel to the planes, and crossings on
    // disc boundaries; both scorers add in the same order, in the written
    // plane and in the planes a job adds.
    namespace planes = textrec::planes;
    const ScoringTables t = withPlanes({
        verticalSectionPlane,
        heightPlane(150, 100, planes::Tube::Above),
        heightPlane(143, 100, planes::Tube::Below),
        heightPlane(0, 300, planes::Tube::Above),
        heightPlane(395, 100, planes::Tube::Above),
        {PlaneAxis::Y, -12.5f},
    });
    auto fast = std::make_unique<PlaneTallies>(t.planes.count);
    auto reference = std::make_unique<PlaneTallies>(t.planes.count);
    randomEscapes(240000, [&](float E, float x, float y, float z, float u, float v, float w) {
        scorePhoton(t, *fast, E, x, y, z, u, v, w);
        scoreEveryPlaneAndDisc(t, *reference, E, x, y, z, u, v, w);
    });
    // Crossings exactly on the boundary between two discs.
    for (float c : {-305.0f, -295.0f, -5.0f, 5.0f, 15.0f, 295.0f, 305.0f}) {
        const InPlane p = mapped(c, 0.0f);
        scorePhoton(t, *fast, 33.0f, 7.0f, p.y, p.z, -1.0f, 0.0f, 0.0f);
        scoreEveryPlaneAndDisc(t, *reference, 33.0f, 7.0f, p.y, p.z, -1.0f, 0.0f, 0.0f);
    }
    for (int p = 0; p < t.planes.count; ++p) {
        EXPECT_GT(scoredCells((*reference)[p]), 150) << "plane " << p;
        EXPECT_TRUE(sameBits((*fast)[p], (*reference)[p])) << "plane " << p;
    }
    EXPECT_GT(scoredCells((*reference)[0]), 1000);
}

TEST(Scorer, ADiscInTwoMapsHoldsTheSameValueInBoth) {
    // The vertical section holds a row for every offset of a horizontal plane
    // that is a multiple of 10 cm: that row's disc is the horizontal map's
    // disc of row 31 (c = 0), and the written map's too for offset 0.
    namespace planes = textrec::planes;
    const double heights[] = {100, 50, 160, 400, -190};
    const ScoringTables t = withPlanes({
        verticalSectionPlane,
        heightPlane(heights[1], heights[0], planes::Tube::Above),
        heightPlane(heights[2], heights[0], planes::Tube::Above),
        heightPlane(heights[3], heights[0], planes::Tube::Below),
        heightPlane(heights[4], heights[0], planes::Tube::Above),
    });
    auto tally = std::make_unique<PlaneTallies>(t.planes.count);
    randomEscapes(400000, [&](float E, float x, float y, float z, float u, float v, float w) {
        scorePhoton(t, *tally, E, x, y, z, u, v, w);
    });
    const DoseTally& section = (*tally)[1];
    for (int p : {0, 2, 3, 4, 5}) {
        const float offset = t.planes.plane[p].offset;
        const int row = 31 + static_cast<int>(offset / 10.0f);
        ASSERT_EQ(rowCoordinate(row), offset);
        const DoseTally& map = (*tally)[p];
        int scored = 0;
        for (int i = 0; i < DoseGrid::columns; ++i) {
            EXPECT_EQ(map.kerma[30][i], section.kerma[row - 1][i]) << "plane " << p << " col " << i;
            EXPECT_EQ(map.doseEquivalent[30][i], section.doseEquivalent[row - 1][i]);
            EXPECT_EQ(map.kermaSquares[30][i], section.kermaSquares[row - 1][i]);
            EXPECT_EQ(map.doseEquivalentSquares[30][i], section.doseEquivalentSquares[row - 1][i]);
            scored += map.kerma[30][i] > 0.0;
        }
        EXPECT_GT(scored, 5) << "plane " << p << " at " << offset;
    }
}

TEST(Tally, SumsThatAFloatSumWouldStallAtComeOutExact) {
    // 2^25 equal contributions to one cell: a float sum of 0.1f stops
    // growing near 2^21 (half an ulp of the sum exceeds 0.1); the double sum
    // is exact, and rounds once to the nearest float.
    const std::int64_t n = std::int64_t(1) << 25;
    const float g = 0.1f, Hg = 0.3f;
    auto bin = std::make_unique<DoseTally>();
    float floatSum = 0.0f;
    for (std::int64_t k = 0; k < n; ++k) {
        bin->score(20, 31, g, Hg);
        floatSum += g;
    }
    auto run = std::make_unique<RunTally>();
    run->addBin(*bin, n);
    auto grid = std::make_unique<DoseGrid>();
    roundToGrid(*run, *grid);
    EXPECT_EQ(grid->kerma[30][19], static_cast<float>(double(g) * double(n)));
    EXPECT_EQ(grid->doseEquivalent[30][19], static_cast<float>(double(Hg) * double(n)));
    EXPECT_LT(floatSum, 0.8 * double(g) * double(n)); // what the float tally gave

    // Every history gave the same value: no spread, no error (but rounding);
    // cells never scored have error 0.
    auto errors = std::make_unique<DoseGrid>();
    relativeErrors(*run, *errors);
    EXPECT_LT(errors->kerma[30][19], 1e-6f);
    EXPECT_EQ(errors->kerma[30][20], 0.0f);
}
