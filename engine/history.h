// One photon history and the loop over the spectrum bins.
#pragma once

#include "geometry.h"
#include "inputs.h"
#include "random.h"
#include "scoring.h"
#include "transport.h"

#include <cstdint>
#include <functional>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// How a history ended.
enum class HistoryEnd {
    MissedPhantom, // the source line missed a rounded side
    BelowCutoff,   // energy below 5 keV
    Absorbed,      // photoelectric absorption
    Escaped,       // left the phantom, not scored (primary, u = 0 or w = 0)
    Scored,        // left the phantom and was handed to the scorer
};

// Everything a history reads; built once before the first history.
struct SimulationTables {
    TransportTables transport;
    ScoringTables scoring;
};

SimulationTables makeSimulationTables(const EngineInputs& inputs);

// Follows one photon of spectrum bin `bin` (energy 0.5 bin keV, bin 10..300)
// from the source until it ends. The generator, the tallies and the table of
// first incoherent scatterings (prepared for `bin`) are handed in, so that
// separate chunks of histories can use their own.
HistoryEnd runHistory(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                      LaggedFibonacciGenerator& rng, DoseGrid& grid, int bin);

// Histories of bin k (1..300): trunc(weight * photonCount), formed in double.
std::int64_t historiesInBin(const SpectrumTable& spectrum, float photonCount, int k);

// Runs all bins from 10 to highestBin, calling progress(k, highestBin) at the
// start of each. Returns the number of histories started.
std::int64_t runAllHistories(const EngineInputs& inputs, const SimulationTables& tables,
                             LaggedFibonacciGenerator& rng, DoseGrid& grid,
                             const std::function<void(int, int)>& progress);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
