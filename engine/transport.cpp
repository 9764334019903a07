#include "history.h"

#include <cmath>
#include <memory>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

TransportTables makeTransportTables(const EngineInputs& inputs) {
    TransportTables t;
    const CrossSectionTable& xs = inputs.crossSections;
    t.rowCount = xs.rowCount;
    for (int i = 0; i < xs.rowCount; ++i) {
        t.energy[i] = xs.energy[i];
        t.logEnergy[i] = floatmath::log(xs.energy[i]);
        t.logCoherent[i] = floatmath::log(xs.coherent[i]);
        t.logIncoherent[i] = floatmath::log(xs.incoherent[i]);
        t.logPhotoelectric[i] = floatmath::log(xs.photoelectric[i]);
    }
    const FormFactorTable& ff = inputs.formFactors;
    for (int i = 0; i < formFactorRows; ++i) {
        t.formX[i] = ff.x[i];
        t.formA[i] = ff.cumulativeCoherent[i];
        t.formS[i] = ff.incoherentFunction[i];
    }
    t.totalA = ff.cumulativeCoherent[formFactorRows - 1];
    t.maxS = ff.incoherentFunction[formFactorRows - 1];
    // The first row above `value` (from row 2, at most the last one).
    auto energyRow = [&](float value) {
        int i = 1;
        while (i < t.rowCount - 1 && !(t.energy[i] > value))
            ++i;
        return i;
    };
    auto formRow = [&](float value) {
        int i = 1;
        while (i < formFactorRows - 1 && !(t.formX[i] > value))
            ++i;
        return i;
    };
    for (int b = 0; b < energyBuckets; ++b) {
        const int i = energyRow(static_cast<float>(b) / float(energyBucketsPerKeV));
        t.energyStart[b] = static_cast<std::uint8_t>(i);
        t.energyStartRow[b] = i;
        t.energyEndRow[b] = energyRow(static_cast<float>(b + 1) / float(energyBucketsPerKeV));
    }
    for (int b = 0; b < formBuckets; ++b) {
        const int i = formRow(static_cast<float>(b) / float(formBucketsPerUnit));
        t.formStart[b] = static_cast<std::uint8_t>(i);
        t.formStartRow[b] = i;
        t.formEndRow[b] = formRow(static_cast<float>(b + 1) / float(formBucketsPerUnit));
    }
    // Bins whose energy lies beyond the table are never simulated.
    for (int k = firstSimulatedBin; k <= spectrumBins; ++k) {
        const float E = binEnergy(k);
        if (t.energy[t.rowCount - 1] > E)
            t.binCrossSections[k] = crossSectionsAt(t, E);
    }
    for (int k = 1; k < drawValues; ++k)
        t.negativeLogDraw[k] = -floatmath::log(LaggedFibonacciGenerator::toFloat(k));
    for (int k = 0; k < drawValues; ++k) {
        const float azimuth = LaggedFibonacciGenerator::toFloat(k) * pi * 2.0f;
        const floatmath::SinCos turn = floatmath::sincos(azimuth);
        t.azimuth[k].cosine = turn.cosine;
        t.azimuth[k].sine = turn.sine;
        t.coherentQ[k] = coherentMomentumTransfer(t, LaggedFibonacciGenerator::toFloat(k)) * hc;
    }
    t.focusSkinDistance = inputs.job.focusSkinDistance;
    t.fieldWidth = inputs.job.fieldWidth;
    t.fieldLength = inputs.job.fieldLength;
    return t;
}

SimulationTables makeSimulationTables(const EngineInputs& inputs) {
    SimulationTables tables;
    tables.transport = makeTransportTables(inputs);
    tables.scoring = makeScoringTables(inputs);
    return tables;
}

template <PhantomModel model>
HistoryEnd runHistory(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                      LaggedFibonacciGenerator& generator, PlaneTallies& tally, int bin) {
    const TransportTables& t = tables.transport;
    DrawCursor rng(generator);
    PhotonState photon;
    photon.E = binEnergy(bin);
    if (!sampleSource<model>(t, rng, photon))
        return HistoryEnd::MissedPhantom;

    // The cross sections change only when the energy does.
    CrossSections xs = t.binCrossSections[bin];
    // Until its first incoherent scattering the photon keeps the bin energy,
    // for which the incoherent sampling is tabulated (when the table was
    // prepared for this bin).
    bool atBinEnergy = firstIncoherent.energy() == photon.E;
    for (;;) {
        // Free path; R2 is kept for the choice of interaction, R1 = 0 is drawn again.
        std::int32_t k1;
        float R2;
        do {
            k1 = rng.step();
            R2 = rng.draw();
        } while (k1 == 0);
        const float s = t.negativeLogDraw[k1] / xs.total;
        const float u = photon.sinTheta * photon.cosPhi;
        const float v = photon.sinTheta * photon.sinPhi;
        const float w = photon.cosTheta;
        const float x = photon.x + u * s;
        const float y = photon.y + v * s;
        const float z = photon.z + w * s;

        if (!isInside<model>(x, y, z)) {
            // The scorer gets the last point inside, never the outside point.
            if (qualifiesForScoring(photon, u, w)) {
                scorePhoton(tables.scoring, tally, photon.E, photon.x, photon.y, photon.z, u, v, w);
                return HistoryEnd::Scored;
            }
            return HistoryEnd::Escaped;
        }
        photon.x = x;
        photon.y = y;
        photon.z = z;

        if (R2 < xs.photoelectric)
            return HistoryEnd::Absorbed;
        Scattering scattering;
        if (R2 >= xs.upper && atBinEnergy) {
            const IncoherentTable::Outcome& outcome = firstIncoherent.sample(t, rng);
            atBinEnergy = false;
            scattering = outcome.scattering;
            photon.E = scattering.E;
            if (photon.E < transportCutoff)
                return HistoryEnd::BelowCutoff;
            xs = outcome.crossSections;
        } else if (R2 >= xs.upper) {
            scattering = sampleIncoherent(t, rng, photon.E);
            photon.E = scattering.E;
            if (photon.E < transportCutoff)
                return HistoryEnd::BelowCutoff;
            xs = crossSectionsAt(t, photon.E);
        } else {
            scattering = sampleCoherent(t, rng, photon.E);
        }
        const Azimuth& azimuth = t.azimuth[rng.step()];
        turnDirection(photon, scattering, azimuth.cosine, azimuth.sine);
    }
}

template HistoryEnd runHistory<PhantomModel::Written>(const SimulationTables&, IncoherentTable&,
                                                      LaggedFibonacciGenerator&, PlaneTallies&,
                                                      int);
template HistoryEnd runHistory<PhantomModel::Sound>(const SimulationTables&, IncoherentTable&,
                                                    LaggedFibonacciGenerator&, PlaneTallies&, int);

template <PhantomModel model>
void runHistories(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                  LaggedFibonacciGenerator& rng, PlaneTallies& tally, int bin, std::int64_t count) {
    for (std::int64_t n = 0; n < count; ++n)
        runHistory<model>(tables, firstIncoherent, rng, tally, bin);
}

template void runHistories<PhantomModel::Written>(const SimulationTables&, IncoherentTable&,
                                                  LaggedFibonacciGenerator&, PlaneTallies&, int,
                                                  std::int64_t);
template void runHistories<PhantomModel::Sound>(const SimulationTables&, IncoherentTable&,
                                                LaggedFibonacciGenerator&, PlaneTallies&, int,
                                                std::int64_t);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
