// One photon history and the loop over the spectrum bins.
#pragma once

#include "geometry.h"
#include "inputs.h"
#include "instruction_sets.h"
#include "random.h"
#include "scoring.h"
#include "transport.h"

#include <cstdint>
#include <functional>
#include <optional>

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
// from the source until it ends, in the phantom of `model`. The generator,
// the tally and the table of first incoherent scatterings (prepared for
// `bin`) are handed in, so that separate chunks of histories can use their own.
template <PhantomModel model>
HistoryEnd runHistory(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                      LaggedFibonacciGenerator& rng, PlaneTallies& tally, int bin);

// `count` histories of bin `bin` one after another.
template <PhantomModel model>
void runHistories(const SimulationTables& tables, IncoherentTable& firstIncoherent,
                  LaggedFibonacciGenerator& rng, PlaneTallies& tally, int bin, std::int64_t count);

// Histories of bin k (1..300): trunc(weight * photonCount), formed in double.
std::int64_t historiesInBin(const SpectrumTable& spectrum, float photonCount, int k);

// Histories per chunk of the default run: chunk c of a bin runs histories
// c * chunk ... (c + 1) * chunk - 1 of it with its own generator. Chunks of
// about 7 ms keep the threads' wait at the end of a bin short.
inline constexpr std::int64_t chunkHistories = 32768;
inline constexpr std::uint64_t defaultRunSeed = 1;

struct RunOptions {
    // Default run: every bin's histories in chunks spread over `threads`
    // threads, the sound phantom, each chunk's histories in the lanes of the
    // processor's vectors (lane_run.h). Scalar: the same with each chunk's
    // histories one after another. Single stream: one generator with the
    // fixed seeding for the whole run, one thread, the phantom as first written.
    bool singleStream = false;
    bool scalar = false;
    // The lanes' instruction set; none: the widest this processor has (and
    // the scalar run where it has none).
    std::optional<InstructionSet> instructionSet;
    int threads = 1;
    std::uint64_t seed = defaultRunSeed;
    std::int64_t chunk = chunkHistories; // tests may take shorter chunks
    // From this many histories in a bin, the threads fill one table of first
    // incoherent scatterings between them before the bin's chunks and share
    // it, instead of each filling its own as it goes (a whole table costs a
    // few milliseconds; a thread of a large bin would fill most of it anyway).
    std::int64_t sharedTableHistories = std::int64_t(1) << 18;
    // The lanes fill a whole table in full vectors (about a millisecond),
    // many times faster than the few entries at a time that they meet in a
    // run: from this many histories in a bin they fill it before the bin's
    // chunks, their threads between them, and every thread reads it.
    std::int64_t laneTableHistories = std::int64_t(1) << 15;
};

// Where the run stands at the start of bin `bin`.
struct RunProgress {
    int bin = 0;
    int highestBin = 0;
    std::int64_t historiesDone = 0;  // in the bins before this one
    std::int64_t historiesTotal = 0; // in all bins
};

// Runs all bins from 10 to highestBin, bin after bin, calling progress at
// the start of each, and adds every bin's sums to `run`, which holds a tally
// for each plane of tables.scoring.planes (plane 0 the written one). The sums do not
// depend on the number of threads: every chunk sums into a tally of its own
// and the chunks' tallies are added in chunk order. Returns the number of
// histories started.
std::int64_t runAllHistories(const EngineInputs& inputs, const SimulationTables& tables,
                             const RunOptions& options, RunTallies& run,
                             const std::function<void(const RunProgress&)>& progress);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
