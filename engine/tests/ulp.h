// Distance of two floats in units in the last place, for the tests of the
// lanes' float functions.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace enginetest {

// How many floats lie between a and b: 0 for the same float and for two
// NaNs; across zero, +0 and -0 count as one float.
inline std::int64_t ulpDistance(float a, float b) {
    if (std::isnan(a) && std::isnan(b))
        return 0;
    auto ordered = [](float x) {
        const auto bits = static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(x));
        return bits & 0x80000000 ? -(bits & 0x7fffffff) : bits;
    };
    return std::llabs(ordered(a) - ordered(b));
}

} // namespace enginetest
