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
    for (int b = 0; b < kermaToDoseBuckets; ++b) {
        const float low = static_cast<float>(b) / float(kermaToDoseBucketsPerKeV);
        const auto& energy = t.kermaToDose.energy;
        t.kermaToDoseStart[b] = static_cast<std::int16_t>(
            std::upper_bound(energy.begin(), energy.end(), low) - energy.begin());
    }
    t.planes = scoringPlanes(mapFiles(inputs.job));
    return t;
}

namespace {

// The ray's run along x per cm across a plane normal to y or z (u/v or
// u/w, in double), and whether it is so nearly parallel to such planes
// (a slope across them below 1e-4, or no finite one) that every column is
// tested.
struct Run {
    double alongX = 0;
    bool parallel = true;
};
Run runAcross(float s, float u) {
    const double slope = double(s) / double(u);
    if (!(std::fabs(slope) >= 1e-4) || !std::isfinite(slope))
        return {};
    return {double(u) / double(s), false};
}

// Columns i = first..last may pass a plane's quick rejection; every other
// column certainly fails it. The crossing's distance from the plane is
// m + (X - x) / run, with m the distance of the photon's last point from
// it; it lies within 5 cm for X in an interval found in double and widened
// by one column each way, far more than the float rounding of the crossing
// (or of the interval) can move it.
inline void candidateColumns(float x, double m, const Run& run, bool plusSide, int& first,
                             int& last) {
    first = 3;
    last = DoseGrid::columns;
    if (run.parallel)
        return;
    double X1 = double(x) + (-double(discRadius) - m) * run.alongX;
    double X2 = double(x) + (double(discRadius) - m) * run.alongX;
    if (X1 > X2)
        std::swap(X1, X2);
    // Distances from the mid-plane on the photon's side; column i lies at 10 (i - 1).
    constexpr double perColumn = 1.0 / cellSpacing;
    const double dLow = plusSide ? X1 : -X2;
    const double dHigh = plusSide ? X2 : -X1;
    const double iLow = std::ceil(std::clamp(dLow, -1e4, 1e4) * perColumn) + 1.0 - 1.0;
    const double iHigh = std::floor(std::clamp(dHigh, -1e4, 1e4) * perColumn) + 1.0 + 1.0;
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
    // The nearest centre, rounded half up: a crossing halfway between two
    // centres tests both of them and a neighbour anyway.
    const int nearest =
        static_cast<int>(std::floor((double(c) + mapHalfLength) / cellSpacing + 0.5)) + 1;
    first = std::max(1, nearest - 1);
    last = std::min(DoseGrid::rows, nearest + 1);
}

// What every plane uses of one escaping photon.
struct Escape {
    float E, x, y, z, u, v, w;
    float mu;      // air energy absorption at E
    bool plusSide; // towards +x
    float H = 0;   // kerma to dose equivalent at E, looked up at the first scored disc
    bool haveH = false;
};

// Scores the photon in one plane normal to `axis` at `offset`; `run` is
// the ray's run along x per cm across the plane.
template <PlaneAxis axis>
void scoreInPlane(const ScoringTables& tables, DoseTally& tally, Escape& e, float offset,
                  const Run& run) {
    const float across = axis == PlaneAxis::Z ? e.z : e.y;
    int first, last;
    candidateColumns(e.x, double(across) - double(offset), run, e.plusSide, first, last);
    for (int i = first; i <= last; ++i) {
        const float X = e.plusSide ? columnDistance(i) : -columnDistance(i);
        const float t = (X - e.x) / e.u;
        const float yc = e.y + e.v * t;
        const float zc = e.z + e.w * t;
        // The crossing's distance from the plane and its coordinate along the rows.
        const float off = (axis == PlaneAxis::Z ? zc : yc) - offset;
        const float along = axis == PlaneAxis::Z ? yc : zc;
        // Quick rejection: the crossing is more than 5 cm from the plane.
        if (std::fabs(off) > discRadius)
            continue;
        const float l =
            std::sqrt((e.z - zc) * (e.z - zc) + (e.y - yc) * (e.y - yc) + (e.x - X) * (e.x - X));
        const float c = e.plusSide ? (X - e.x) / l : (e.x - X) / l;
        const float g = e.mu * e.E / c;
        int firstRow, lastRow;
        candidateRows(along, firstRow, lastRow);
        for (int j = firstRow; j <= lastRow; ++j) {
            const float cj = rowCoordinate(j);
            const float d2 = (along - cj) * (along - cj) + off * off;
            if (d2 <= discRadiusSquared) {
                if (!e.haveH) {
                    e.H = kermaToDoseAt(tables, e.E);
                    e.haveH = true;
                }
                tally.score(i, j, g, e.H * g);
            }
        }
    }
}

} // namespace

void scorePhoton(const ScoringTables& tables, PlaneTallies& tally, float E, float x, float y,
                 float z, float u, float v, float w) {
    if (E < scoringThreshold)
        return;
    Escape e{E, x, y, z, u, v, w, airAbsorptionAt(tables, E), u > 0.0f};
    const Run acrossY = runAcross(v, u);
    const Run acrossZ = runAcross(w, u);
    const ScoringPlanes& planes = tables.planes;
    for (int p = 0; p < planes.count; ++p) {
        const ScoringPlane plane = planes.plane[p];
        if (plane.normal == PlaneAxis::Z)
            scoreInPlane<PlaneAxis::Z>(tables, tally[p], e, plane.offset, acrossZ);
        else
            scoreInPlane<PlaneAxis::Y>(tables, tally[p], e, plane.offset, acrossY);
    }
}

void reverseRows(DoseGrid& grid) {
    for (int j = 0; j < DoseGrid::rows / 2; ++j) {
        std::swap(grid.kerma[j], grid.kerma[DoseGrid::rows - 1 - j]);
        std::swap(grid.doseEquivalent[j], grid.doseEquivalent[DoseGrid::rows - 1 - j]);
    }
}

void PlaneTallies::clear() {
    for (DoseTally& t : tally_)
        t.clear();
}

void PlaneTallies::add(const PlaneTallies& other) {
    for (std::size_t p = 0; p < tally_.size(); ++p)
        tally_[p].add(other.tally_[p]);
}

void RunTallies::addBin(const PlaneTallies& bin, std::int64_t histories) {
    for (int p = 0; p < planes(); ++p)
        (*this)[p].addBin(bin[p], histories);
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
