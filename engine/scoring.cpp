#include "scoring.h"

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

ScoringTables makeScoringTables(const EngineInputs& inputs) {
    ScoringTables t;
    for (int r = 0; r < airAbsorptionRows; ++r)
        t.mu[r] = inputs.airAbsorption.mu[r];
    t.mu[airAbsorptionRows] = inputs.airAbsorption.mu[airAbsorptionRows - 1];
    for (int r = 0; r < kermaToDoseRows; ++r) {
        t.doseEnergy[r] = inputs.kermaToDose.energy[r];
        t.doseCoefficient[r] = inputs.kermaToDose.coefficient[r];
    }
    return t;
}

void scorePhoton(const ScoringTables& t, DoseGrid& grid, float E, float x, float y, float z,
                 float u, float v, float w) {
    const float mu = airAbsorptionAt(t, E);
    if (E < 10.0f)
        return;
    const float H = kermaToDoseAt(t, E);
    const bool plusSide = u > 0.0f;
    for (int i = 3; i <= DoseGrid::columns; ++i) {
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
        for (int j = 1; j <= DoseGrid::rows; ++j) {
            const float cj = rowCoordinate(j);
            float d2;
            if constexpr (geometryCode == 1)
                d2 = (yc - cj) * (yc - cj) + zc * zc;
            else
                d2 = (zc - cj) * (zc - cj) + yc * yc;
            if (d2 <= 25.0f) {
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
