// Scoring of the photons that leave the phantom on the 10 cm map.
//
// Geometry 1 maps the plane z = 0 (rows along y), geometry 2 the plane y = 0
// (rows along z, the beam axis). Each map cell has a disc of radius 5 cm in the
// plane x = +-d_i; a photon scores g = mu(E) E / cos in every disc its straight
// ray crosses, on its own side of the phantom, from 20 cm to 400 cm.
#pragma once

#include "geometry.h"
#include "inputs.h"

#include <textrec/result_file.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// Two tallies of 41 columns (d = 0, 10, ..., 400 cm from the mid-plane) by 61
// rows (c = -300, ..., +300 cm). Element [j-1][i-1] is cell (i, j).
struct DoseGrid {
    static constexpr int columns = textrec::resultfile::columns;
    static constexpr int rows = textrec::resultfile::rows;
    float kerma[rows][columns]{};
    float doseEquivalent[rows][columns]{};
};

// Distance of column i (1-based) from the mid-plane and coordinate of row j.
constexpr float columnDistance(int i) {
    return static_cast<float>(10 * (i - 1));
}
constexpr float rowCoordinate(int j) {
    return static_cast<float>(10 * (j - 1) - 300);
}

struct ScoringTables {
    // mu[r-1] holds row r of the air table; mu[300] repeats row 300 so that
    // E = 150 keV (weight 0 on the missing row 301) reads row 300.
    float mu[airAbsorptionRows + 1]{};
    KermaToDoseTable kermaToDose;
};

ScoringTables makeScoringTables(const EngineInputs& inputs);

// Linear interpolation in the air table, row r standing for 0.5 r keV.
inline float airAbsorptionAt(const ScoringTables& t, float E) {
    const int r = static_cast<int>(2.0f * E) + 1;
    const float below = t.mu[r - 2];
    return below + (t.mu[r - 1] - below) * (E - 0.5f * static_cast<float>(r - 1)) / 0.5f;
}

// Linear interpolation in the kerma-to-dose table from the first row above E.
inline float kermaToDoseAt(const ScoringTables& t, float E) {
    const auto& energy = t.kermaToDose.energy;
    const auto& coefficient = t.kermaToDose.coefficient;
    const std::ptrdiff_t r = std::upper_bound(energy.begin(), energy.end(), E) - energy.begin();
    const float e0 = energy[r - 1];
    const float h0 = coefficient[r - 1];
    return h0 + (coefficient[r] - h0) * (E - e0) / (energy[r] - e0);
}

// Scores one escaping photon: E in keV, (x, y, z) its last point inside the
// phantom, (u, v, w) its direction with u != 0 and w != 0.
void scorePhoton(const ScoringTables& t, DoseGrid& grid, float E, float x, float y, float z,
                 float u, float v, float w);

// Normalisation factor C of the tallies (Gy/min and Sv/min per unit tally)
// and the air-kerma rate at the focus-skin distance.
struct Normalisation {
    float kermaRateAtSkin = 0;
    float factor = 0;
};
Normalisation computeNormalisation(const EngineInputs& inputs);

// Multiplies columns 3..41 of both tallies by the factor.
void normalise(DoseGrid& grid, float factor);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
