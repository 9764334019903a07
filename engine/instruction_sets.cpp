#include "instruction_sets.h"

#if defined(QUENRO_LANES) && (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
#include <cpuid.h>
#endif

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

std::string_view instructionSetName(InstructionSet set) {
    switch (set) {
    case InstructionSet::Sse4:
        return "sse4";
    case InstructionSet::Avx2:
        return "avx2";
    case InstructionSet::Avx512:
        return "avx512";
    }
    return "?";
}

std::optional<InstructionSet> instructionSetNamed(std::string_view name) {
    for (InstructionSet set : instructionSets)
        if (instructionSetName(set) == name)
            return set;
    return std::nullopt;
}

int lanesOf(InstructionSet set) {
    switch (set) {
    case InstructionSet::Sse4:
        return 4;
    case InstructionSet::Avx2:
        return 8;
    case InstructionSet::Avx512:
        return 16;
    }
    return 1;
}

#if defined(QUENRO_LANES) && (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
namespace {
// The half-float conversions, asked of the processor itself: clang's
// __builtin_cpu_supports does not know "f16c". They use the AVX registers,
// whose keeping by the operating system the "avx" check has seen to.
bool hasF16c() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_F16C) != 0;
}
} // namespace
#endif

bool processorHas(InstructionSet set) {
#if defined(QUENRO_LANES) && (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
    // The features each instruction set's code is compiled with; the
    // processor check also asks whether the operating system keeps the
    // wider registers.
    __builtin_cpu_init();
    const bool sse4 = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1") &&
                      __builtin_cpu_supports("sse4.2");
    const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                      __builtin_cpu_supports("fma") && hasF16c();
    const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                        __builtin_cpu_supports("avx512bw");
    switch (set) {
    case InstructionSet::Sse4:
        return sse4;
    case InstructionSet::Avx2:
        return avx2;
    case InstructionSet::Avx512:
        return avx512;
    }
    return false;
#else
    (void)set;
    return false;
#endif
}

std::optional<InstructionSet> widestInstructionSet() {
    std::optional<InstructionSet> widest;
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            widest = set;
    return widest;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
