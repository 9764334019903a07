// The instruction sets whose vectors the default run's lanes use.
//
// The engine holds the lanes' code for each of them (compiled apart, each in
// a namespace of its own) and takes the widest that the processor has, or
// the one named with --instruction-set. A run's result depends on the
// instruction set (the lanes' number, and fused multiply-add), never on the
// processor beyond that: the same inputs on the same instruction set give
// the same result file on every machine that has it.
#pragma once

#include "geometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

enum class InstructionSet : std::uint8_t {
    Sse4,   // 4 float lanes, no fused multiply-add
    Avx2,   // 8 float lanes, with fused multiply-add
    Avx512, // 16 float lanes, with fused multiply-add
};

inline constexpr std::array<InstructionSet, 3> instructionSets{
    InstructionSet::Sse4, InstructionSet::Avx2, InstructionSet::Avx512};

// The name on the command line: "sse4", "avx2" or "avx512".
std::string_view instructionSetName(InstructionSet set);
std::optional<InstructionSet> instructionSetNamed(std::string_view name);

// Float lanes of a vector.
int lanesOf(InstructionSet set);

// Whether this processor (and its operating system) runs the instruction
// set, and this engine was built with lanes for it.
bool processorHas(InstructionSet set);

// The widest instruction set that processorHas; none on a processor or a
// build without any (the default run is then the scalar one).
std::optional<InstructionSet> widestInstructionSet();

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
