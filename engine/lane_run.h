// The default run's histories in lanes, with the processor's vectors.
//
// A chunk's histories run in 64 lanes: each lane follows one photon at a
// time, and all lanes advance together, pass by pass. A pass takes each
// lane's photon one step of its history: a new history's entry point and
// direction, a free path with the inside test and the escape (scored) or
// the choice of interaction, one trial of the chosen scattering (a rejected
// trial is tried again in the next pass while the other lanes go on), the
// cross sections at a new energy, the new direction. Each step gathers the
// lanes whose photon is at that step into full vectors (4, 8 or 16 lanes by
// instruction set), so that a vector's lanes all do the same work. A lane
// whose photon ends takes the chunk's next history, lanes in rising order,
// until the chunk's histories are all started. Escaping photons are scored
// in the order of the passes and, within a pass, of the lanes.
//
// Random numbers: every lane has a generator of its own (LaneGenerator in
// random.h), seeded from a hash of (run seed, bin, chunk, lane). The lanes'
// generators step together: a step of a pass takes its draws from one row
// of all the lanes' values, whichever lanes are at that step, and a lane
// that has no use for a row leaves it (which values a lane uses depends on
// its own earlier values and on the other lanes, never on the value itself,
// so the values it uses are as random as its stream).
//
// What a chunk does depends only on the run seed, the bin, the chunk and
// the float operations: so the result file is the same for any number of
// threads, and the same with AVX2 and AVX-512, which have the same
// operations (fused multiply-add); SSE4 has none and its results differ in
// the last bits.
#pragma once

#include "geometry.h"
#include "history.h"
#include "instruction_sets.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// The lanes' photons and generators, which a thread keeps from chunk to
// chunk: one float or integer per lane for each quantity of a photon, and a
// spare slot after the lanes that the unused lanes of a vector read and
// write; the generators' states, and their values in a ring of rows, row r
// of lane l at (r mod ringRows) * lanes + l.
struct LaneBank {
    static constexpr int lanes = 128;
    static constexpr int spare = lanes;
    static constexpr int slots = lanes + 16; // the spare, and room for whole vectors
    static constexpr int ringRows = 32;
    static constexpr int blockRows = 16;

    alignas(64) float E[slots], x[slots], y[slots], z[slots];
    alignas(64) float cosTheta[slots], sinTheta[slots], cosPhi[slots], sinPhi[slots];
    alignas(64) float total[slots], photoelectric[slots], upper[slots];
    alignas(64) float eta[slots], theta[slots]; // of an accepted Kahn trial in this pass
    alignas(64) float cosS[slots], sinS[slots]; // the scattering accepted in this pass
    alignas(64) std::int32_t stage[slots], scattered[slots], atBinEnergy[slots];
    alignas(64) std::int32_t list[slots];
    alignas(64) std::int32_t escapes[slots];       // lanes whose photon escaped to be scored
    alignas(64) std::uint32_t generator[4][lanes]; // each lane's LaneGenerator state
    alignas(64) std::int32_t values[ringRows * lanes];
};

// Runs histories `count` of chunk `chunk` of bin `bin` (energy 0.5 bin keV)
// in the lanes, with the vectors of `set`, and scores them into `tally`. `firstIncoherent` is
// prepared for the bin; unless `tableFilled`, the lanes fill its outcomes as
// they meet them. Returns the number of histories run (`count`).
std::int64_t runChunkInLanes(InstructionSet set, const SimulationTables& tables,
                             IncoherentTable& firstIncoherent, bool tableFilled, LaneBank& bank,
                             PlaneTallies& tally, int bin, std::uint64_t runSeed,
                             std::int64_t chunk, std::int64_t count);

// Fills the outcomes of every trial of `table` (prepared for a bin) that
// can be accepted, blocks `first`, `first + stride`, ... of 64 entries, with
// the vectors of `set`, as the lanes fill them when they meet them: so that
// several threads can fill one table between them, with the very values
// that the lanes of one thread would give it.
void fillTableInLanes(InstructionSet set, const TransportTables& t, IncoherentTable& table,
                      int first, int stride);

// The lanes' pieces one at a time, for the tests.
namespace lanetest {

// What a lane's photon is about to do, and its quantities as the lanes hold them.
enum class Stage : std::int32_t {
    Empty,           // no photon: the lane takes the next history
    Source,          // a history started: its entry point and direction
    Flight,          // a free path, then escape or interaction
    FirstIncoherent, // a trial of the tabulated first incoherent scattering
    Incoherent,      // a trial of Kahn's method
    FormFactor,      // the angle of an accepted Kahn trial and the rejection on S(q)
    NewEnergy,       // the energy and cross sections after an incoherent scattering
    Coherent,        // a trial of the form-factor inversion and Thomson's rejection
    Turn,            // the new direction after an accepted scattering
};

struct LanePhoton {
    Stage stage = Stage::Empty;
    float E = 0, x = 0, y = 0, z = 0;
    float cosTheta = 1, sinTheta = 0, cosPhi = 1, sinPhi = 0;
    CrossSections xs;
    float eta = 1, theta = 0, cosS = 1, sinS = 0;
    bool scattered = false, atBinEnergy = false;
};

// A photon handed to the scorer: energy, last point inside, direction.
struct Escape {
    float E, x, y, z, u, v, w;
};

// The step of a pass that takes the lanes at `stage`, on lanes holding
// `photons` (LaneBank::lanes of them) of bin `bin`, the step's draws of
// lane l the values k draws[l][0..3]; gathered or in place. Returns the
// photons after the step; the escapes it scores go to `escapes`, in lane order.
std::vector<LanePhoton> runStep(InstructionSet set, const TransportTables& t,
                                IncoherentTable& table, int bin, Stage stage,
                                const std::vector<LanePhoton>& photons,
                                const std::vector<std::array<std::int32_t, 4>>& draws, bool inPlace,
                                std::vector<Escape>& escapes);

// The first `count` values of lane `lane`'s generator as the lanes take them.
std::vector<std::int32_t> laneValues(InstructionSet set, std::uint64_t runSeed, int bin,
                                     std::int64_t chunk, int lane, int count);

// One of the lanes' float functions on `x` (the size a multiple of 16), into
// `out`: log, exp, atan, sin, and the cosine of sincos.
enum class Function { Log, Exp, Atan, Sin, Cos };
void floatFunction(InstructionSet set, Function f, const std::vector<float>& x,
                   std::vector<float>& out);

// `count` scatterings in the lanes at energy E, each lane trying again
// after a rejection and starting over at E after an acceptance: the cosines
// of the polar angle and the energies after them, lanes in rising order. Incoherent at the bin
// energy through `table` (prepared for the bin of E), incoherent by Kahn's
// method, or coherent.
enum class Sampler { FirstIncoherent, Incoherent, Coherent };
struct Samples {
    std::vector<float> cosines, energies;
};
Samples scatterings(InstructionSet set, const TransportTables& t, IncoherentTable& table,
                    Sampler sampler, float E, std::uint64_t seed, int count);

// Free paths of photons of energy E (the cross sections of its bin) from
// (x, y, z) along (u, v, w): how many of `count` leave the phantom on their
// first flight.
int firstFlightEscapes(InstructionSet set, const TransportTables& t, int bin, float x, float y,
                       float z, float u, float v, float w, std::uint64_t seed, int count);

} // namespace lanetest

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
