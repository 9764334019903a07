#include "scoring.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

ScoringTables makeScoringTables(const EngineInputs& inputs) {
    ScoringTables t;
    for (int r = 0; r < airAbsorptionRows; ++r)
        t.mu[r] = inputs.airAbsorption.mu[r];
    t.mu[airAbsorptionRows] = inputs.airAbsorption.mu[airAbsorptionRows - 1];
    t.kermaToDose = inputs.kermaToDose;
    return t;
}

namespace {

// Planes i = first..last may pass the quick rejection; every other plane
// certainly fails it. The mapped-plane coordinate of the crossing is
// m + slope (X - x) with slope = s/u (s = w in geometry 1, v in geometry 2);
// it lies within 5 of the plane for X in an interval found in double and
// widened by one plane each way, far more than the float rounding of the
// crossing can move it. Nearly parallel rays test every plane.
void candidatePlanes(float x, float m, float s, float u, bool plusSide, int& first, int& last) {
    first = 3;
    last = DoseGrid::columns;
    const double slope = double(s) / double(u);
    if (!(std::fabs(slope) >= 1e-4) || !std::isfinite(slope))
        return;
    double X1 = double(x) + (-5.0 - double(m)) / slope;
    double X2 = double(x) + (5.0 - double(m)) / slope;
    if (X1 > X2)
        std::swap(X1, X2);
    // Distances from the mid-plane on the photon's side; plane i lies at 10 (i - 1).
    const double dLow = plusSide ? X1 : -X2;
    const double dHigh = plusSide ? X2 : -X1;
    const double iLow = std::ceil(std::clamp(dLow, -1e4, 1e4) / 10.0) + 1.0 - 1.0;
    const double iHigh = std::floor(std::clamp(dHigh, -1e4, 1e4) / 10.0) + 1.0 + 1.0;
    first = std::max(first, static_cast<int>(iLow));
    last = std::min(last, static_cast<int>(iHigh));
}

// Rows whose disc may hold a crossing at coordinate c along the rows: the
// nearest centre and its two neighbours (a disc further away is at least
// 15 cm off). Far or non-finite coordinates test every row.
void candidateRows(float c, int& first, int& last) {
    if (!(std::fabs(c) < 1e4f)) {
        first = 1;
        last = DoseGrid::rows;
        return;
    }
    const int nearest = static_cast<int>(std::lround((double(c) + 300.0) / 10.0)) + 1;
    first = std::max(1, nearest - 1);
    last = std::min(DoseGrid::rows, nearest + 1);
}

} // namespace

void scorePhoton(const ScoringTables& tables, DoseGrid& grid, float E, float x, float y, float z,
                 float u, float v, float w) {
    if (E < 10.0f)
        return;
    const float mu = airAbsorptionAt(tables, E);
    float H = 0;
    bool haveH = false;
    const bool plusSide = u > 0.0f;
    int first, last;
    if constexpr (geometryCode == 1)
        candidatePlanes(x, z, w, u, plusSide, first, last);
    else
        candidatePlanes(x, y, v, u, plusSide, first, last);
    for (int i = first; i <= last; ++i) {
        const float X = plusSide ? columnDistance(i) : -columnDistance(i);
        const float t = (X - x) / u;
        const float yc = y + v * t;
        const float zc = z + w * t;
        // Quick rejection: the crossing is more than 5 cm from the mapped plane.
        if constexpr (geometryCode == 1) {
            if (std::fabs(zc) > 5.0f)
                continue;
        } else {
            if (std::fabs(yc) > 5.0f)
                continue;
        }
        const float l = std::sqrt((z - zc) * (z - zc) + (y - yc) * (y - yc) + (x - X) * (x - X));
        const float c = plusSide ? (X - x) / l : (x - X) / l;
        const float g = mu * E / c;
        int firstRow, lastRow;
        candidateRows(geometryCode == 1 ? yc : zc, firstRow, lastRow);
        for (int j = firstRow; j <= lastRow; ++j) {
            const float cj = rowCoordinate(j);
            float d2;
            if constexpr (geometryCode == 1)
                d2 = (yc - cj) * (yc - cj) + zc * zc;
            else
                d2 = (zc - cj) * (zc - cj) + yc * yc;
            if (d2 <= 25.0f) {
                if (!haveH) {
                    H = kermaToDoseAt(tables, E);
                    haveH = true;
                }
                grid.kerma[j - 1][i - 1] += g;
                grid.doseEquivalent[j - 1][i - 1] += H * g;
            }
        }
    }
}

Normalisation computeNormalisation(const EngineInputs& inputs) {
    const JobParameters& job = inputs.job;
    const float N = job.photonCount;
    float S = 0;
    for (int k = 10; k <= spectrumBins; ++k)
        S += inputs.airAbsorption.mu[k - 1] * inputs.spectrum.weight[k - 1] *
             static_cast<float>(k) * N * 0.5f;
    S = S / (job.fieldWidth * job.fieldLength);
    const float K = S * 1.602e-13f;
    const float F = job.focusSkinDistance;
    Normalisation n;
    n.kermaRateAtSkin = 10000.0f / (F * F) * job.kermaRateAt100cm;
    float C = n.kermaRateAtSkin / K;
    C = C * 8.01e-14f / (3.141592f * 25.0f);
    n.factor = C;
    return n;
}

void normalise(DoseGrid& grid, float factor) {
    for (int j = 0; j < DoseGrid::rows; ++j) {
        for (int i = 2; i < DoseGrid::columns; ++i) {
            grid.kerma[j][i] *= factor;
            grid.doseEquivalent[j][i] *= factor;
        }
    }
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
