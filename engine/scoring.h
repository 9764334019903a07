// Scoring of the photons that leave the phantom on the 10 cm maps.
//
// Geometry 1 maps the plane z = 0 (rows along y), geometry 2 the plane y = 0
// (rows along z, the beam axis); a job may add planes (planes.h). Each map
// cell has a disc of radius 5 cm in the plane x = +-d_i, centred on its row
// in its map's plane; a photon scores g = mu(E) E / cos in every disc its
// straight ray crosses, on its own side of the phantom, from 20 cm to 400 cm.
#pragma once

#include "constants.h"
#include "geometry.h"
#include "inputs.h"
#include "planes.h"

#include <textrec/result_file.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// The two maps of the result file, 41 columns (d = 0, 10, ..., 400 cm from the
// mid-plane) by 61 rows (c = -300, ..., +300 cm). Element [j-1][i-1] is cell (i, j).
struct DoseGrid {
    static constexpr int columns = textrec::resultfile::columns;
    static constexpr int rows = textrec::resultfile::rows;
    float kerma[rows][columns]{};
    float doseEquivalent[rows][columns]{};
};

// The sums of the contributions g and H g (each formed in float) and of their
// squares, in double: a float sum of millions of contributions falls short
// and finally stops growing. A history adds at most once to a cell (it
// crosses each plane once), so the sums of squares are the history-by-history
// second moments that give each cell's statistical uncertainty.
struct DoseTally {
    static constexpr int columns = DoseGrid::columns;
    static constexpr int rows = DoseGrid::rows;
    double kerma[rows][columns]{};
    double doseEquivalent[rows][columns]{};
    double kermaSquares[rows][columns]{};
    double doseEquivalentSquares[rows][columns]{};

    void clear();
    // Adds every sum of `other` to this one's, cell by cell.
    void add(const DoseTally& other);

    void score(int i, int j, float g, float Hg) {
        kerma[j - 1][i - 1] += g;
        doseEquivalent[j - 1][i - 1] += Hg;
        kermaSquares[j - 1][i - 1] += double(g) * double(g);
        doseEquivalentSquares[j - 1][i - 1] += double(Hg) * double(Hg);
    }
};

// The tallies of every plane of a run, plane p in element p; made once
// before the histories, so that scoring allocates nothing.
class PlaneTallies {
public:
    explicit PlaneTallies(int planes = 1) : tally_(static_cast<std::size_t>(planes)) {}
    int planes() const { return static_cast<int>(tally_.size()); }
    DoseTally& operator[](int p) { return tally_[static_cast<std::size_t>(p)]; }
    const DoseTally& operator[](int p) const { return tally_[static_cast<std::size_t>(p)]; }
    void clear();
    void add(const PlaneTallies& other);

private:
    std::vector<DoseTally> tally_;
};

// The run's sums over all bins, and the variance of each cell's sum: the
// histories of a bin are independent draws of one distribution, the bins
// are sampled apart with fixed history counts N, so the variance of the sum
// is the sum over bins of N/(N-1) (S2 - S1^2/N).
struct RunTally {
    DoseTally sums; // the squares are not used here
    double kermaVariance[DoseGrid::rows][DoseGrid::columns]{};
    double doseEquivalentVariance[DoseGrid::rows][DoseGrid::columns]{};

    // Adds the sums of one whole bin of `histories` histories.
    void addBin(const DoseTally& bin, std::int64_t histories);
};

// The run's sums of every plane.
class RunTallies {
public:
    explicit RunTallies(int planes = 1) : tally_(static_cast<std::size_t>(planes)) {}
    int planes() const { return static_cast<int>(tally_.size()); }
    RunTally& operator[](int p) { return tally_[static_cast<std::size_t>(p)]; }
    const RunTally& operator[](int p) const { return tally_[static_cast<std::size_t>(p)]; }
    void addBin(const PlaneTallies& bin, std::int64_t histories);

private:
    std::vector<RunTally> tally_;
};

// Each cell's sum rounded once to float: the map before normalisation.
void roundToGrid(const RunTally& run, DoseGrid& grid);

// Each cell's relative standard error (standard error over value, a
// fraction; 0 for a cell never scored), in the layout of the maps.
void relativeErrors(const RunTally& run, DoseGrid& errors);

// Distance of column i (1-based) from the mid-plane and coordinate of row j.
constexpr float columnDistance(int i) {
    return cellSpacing * static_cast<float>(i - 1);
}
constexpr float rowCoordinate(int j) {
    return cellSpacing * static_cast<float>(j - 1) - mapHalfLength;
}

inline constexpr int kermaToDoseBucketsPerKeV = 8;
inline constexpr int kermaToDoseBuckets = 151 * kermaToDoseBucketsPerKeV; // 0 .. 151 keV

struct ScoringTables {
    // mu[r-1] holds row r of the air table; mu[300] repeats row 300 so that
    // E = 150 keV (weight 0 on the missing row 301) reads row 300.
    float mu[airAbsorptionRows + 1]{};
    KermaToDoseTable kermaToDose;
    // The first row of kermaToDose above each eighth of a keV.
    std::int16_t kermaToDoseStart[kermaToDoseBuckets]{};
    ScoringPlanes planes; // the written plane and the job's extra planes
};

// The tables of the inputs, with the planes of the job's maps (mapFiles).
ScoringTables makeScoringTables(const EngineInputs& inputs);

// Linear interpolation in the air table, row r standing for 0.5 r keV.
inline float airAbsorptionAt(const ScoringTables& t, float E) {
    const int r = static_cast<int>(E / binWidth) + 1;
    const float below = t.mu[r - 2];
    return below + (t.mu[r - 1] - below) * (E - binEnergy(r - 1)) / binWidth;
}

// Linear interpolation in the kerma-to-dose table from the first row above E.
// The search starts from the first row above E's eighth of a keV, which
// finds the row that a search of the whole table finds.
inline float kermaToDoseAt(const ScoringTables& t, float E) {
    const auto& energy = t.kermaToDose.energy;
    const auto& coefficient = t.kermaToDose.coefficient;
    const float bucket = E * float(kermaToDoseBucketsPerKeV);
    std::ptrdiff_t r;
    if (bucket >= 0.0f && bucket < float(kermaToDoseBuckets)) {
        r = t.kermaToDoseStart[static_cast<int>(bucket)];
        while (r < kermaToDoseRows && !(energy[std::size_t(r)] > E))
            ++r;
    } else {
        r = std::upper_bound(energy.begin(), energy.end(), E) - energy.begin();
    }
    const float e0 = energy[r - 1];
    const float h0 = coefficient[r - 1];
    return h0 + (coefficient[r] - h0) * (E - e0) / (energy[r] - e0);
}

// Scores one escaping photon in every plane of `t.planes`, plane p into
// tally[p]: E in keV, (x, y, z) its last point inside the phantom, (u, v, w)
// its direction with u != 0 and w != 0. A disc that two planes share (the
// centre of the written plane and of the vertical section) gets the same
// value in both: the crossing, d^2 and the contribution are the same float
// expressions whatever the plane.
void scorePhoton(const ScoringTables& t, PlaneTallies& tally, float E, float x, float y, float z,
                 float u, float v, float w);

// Normalisation factor C of the tallies (Gy/min and Sv/min per unit tally)
// and the air-kerma rate at the focus-skin distance.
struct Normalisation {
    float kermaRateAtSkin = 0;
    float factor = 0;
};
Normalisation computeNormalisation(const EngineInputs& inputs);

// Puts the rows of both maps in reverse order (row j becomes row 62 - j).
void reverseRows(DoseGrid& grid);

// Multiplies columns 3..41 of both tallies by the factor.
void normalise(DoseGrid& grid, float factor);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
