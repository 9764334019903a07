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
    double X1 = double(x) + (-double(discRadius) - double(m)) / slope;
    double X2 = double(x) + (double(discRadius) - double(m)) / slope;
    if (X1 > X2)
        std::swap(X1, X2);
    // Distances from the mid-plane on the photon's side; plane i lies at 10 (i - 1).
    const double dLow = plusSide ? X1 : -X2;
    const double dHigh = plusSide ? X2 : -X1;
    const double iLow = std::ceil(std::clamp(dLow, -1e4, 1e4) / cellSpacing) + 1.0 - 1.0;
    const double iHigh = std::floor(std::clamp(dHigh, -1e4, 1e4) / cellSpacing) + 1.0 + 1.0;
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
    const int nearest =
        static_cast<int>(std::lround((double(c) + mapHalfLength) / cellSpacing)) + 1;
    first = std::max(1, nearest - 1);
    last = std::min(DoseGrid::rows, nearest + 1);
}

} // namespace

void scorePhoton(const ScoringTables& tables, DoseTally& tally, float E, float x, float y, float z,
                 float u, float v, float w) {
    if (E < scoringThreshold)
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
            if (std::fabs(zc) > discRadius)
                continue;
        } else {
            if (std::fabs(yc) > discRadius)
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
            if (d2 <= discRadiusSquared) {
                if (!haveH) {
                    H = kermaToDoseAt(tables, E);
                    haveH = true;
                }
                tally.score(i, j, g, H * g);
            }
        }
    }
}

void DoseTally::clear() {
    *this = DoseTally{};
}

void DoseTally::add(const DoseTally& other) {
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            kerma[j][i] += other.kerma[j][i];
            doseEquivalent[j][i] += other.doseEquivalent[j][i];
            kermaSquares[j][i] += other.kermaSquares[j][i];
            doseEquivalentSquares[j][i] += other.doseEquivalentSquares[j][i];
        }
    }
}

namespace {

// Variance of the sum of n independent values whose sum is s1 and sum of squares s2.
double sumVariance(double s1, double s2, std::int64_t n) {
    if (s2 <= 0.0)
        return 0.0;
    if (n < 2)
        return s2;
    const double N = static_cast<double>(n);
    return std::max(0.0, (s2 - s1 * s1 / N) * (N / (N - 1.0)));
}

} // namespace

void RunTally::addBin(const DoseTally& bin, std::int64_t histories) {
    for (int j = 0; j < DoseGrid::rows; ++j) {
        for (int i = 0; i < DoseGrid::columns; ++i) {
            sums.kerma[j][i] += bin.kerma[j][i];
            sums.doseEquivalent[j][i] += bin.doseEquivalent[j][i];
            kermaVariance[j][i] += sumVariance(bin.kerma[j][i], bin.kermaSquares[j][i], histories);
            doseEquivalentVariance[j][i] +=
                sumVariance(bin.doseEquivalent[j][i], bin.doseEquivalentSquares[j][i], histories);
        }
    }
}

void roundToGrid(const RunTally& run, DoseGrid& grid) {
    for (int j = 0; j < DoseGrid::rows; ++j) {
        for (int i = 0; i < DoseGrid::columns; ++i) {
            grid.kerma[j][i] = static_cast<float>(run.sums.kerma[j][i]);
            grid.doseEquivalent[j][i] = static_cast<float>(run.sums.doseEquivalent[j][i]);
        }
    }
}

void relativeErrors(const RunTally& run, DoseGrid& errors) {
    auto relative = [](double sum, double variance) {
        return sum > 0.0 ? static_cast<float>(std::sqrt(variance) / sum) : 0.0f;
    };
    for (int j = 0; j < DoseGrid::rows; ++j) {
        for (int i = 0; i < DoseGrid::columns; ++i) {
            errors.kerma[j][i] = relative(run.sums.kerma[j][i], run.kermaVariance[j][i]);
            errors.doseEquivalent[j][i] =
                relative(run.sums.doseEquivalent[j][i], run.doseEquivalentVariance[j][i]);
        }
    }
}

Normalisation computeNormalisation(const EngineInputs& inputs) {
    const JobParameters& job = inputs.job;
    const float N = job.photonCount;
    float S = 0;
    for (int k = firstSimulatedBin; k <= spectrumBins; ++k)
        S += inputs.airAbsorption.mu[k - 1] * inputs.spectrum.weight[k - 1] *
             static_cast<float>(k) * N * binWidth;
    S = S / (job.fieldWidth * job.fieldLength);
    const float K = S * joulesPerKeV;
    const float F = job.focusSkinDistance;
    Normalisation n;
    n.kermaRateAtSkin = referenceDistanceSquared / (F * F) * job.kermaRateAt100cm;
    float C = n.kermaRateAtSkin / K;
    C = C * halfKeVInJoules / (pi * discRadiusSquared);
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
