// Colour bands of a dose map: the default thresholds derived from a maximum, the
// band of a value and the colour table shared by the map, the legend and the room
// overlay.
#pragma once

#include <array>
#include <cstdint>

namespace results {

inline constexpr int kThresholdCount = 11;
inline constexpr int kBandCount = 12;

// T1 >= T2 >= ... >= T11; index 0 holds T1.
using Thresholds = std::array<double, kThresholdCount>;

// Decade class 1..6 of a maximum M > 0, from ln M against the constants 6.908,
// 4.605, 2.303, 0 and -2.303 (written to three decimals, so they are not exactly
// ln 1000, ln 100, ln 10 and ln 0.1).
int decadeClass(double maximum);

// Top of the scale in a decade class: the maximum rounded down to 1000, 100, 10,
// 1, 0.1 or 0.01 for classes 1..6.
double scaleTop(double maximum, int decadeClass);

// The eleven default thresholds: the scale top times 0.75, 0.5, 0.25, 0.1, 0.075,
// 0.05, 0.025, 0.01, 0.0075, 0.005, 0.0025. The maximum must be above 0.
Thresholds defaultThresholds(double maximum);

// Band 1..12 of a value: the first k with v >= Tk, else 12. A value equal to a
// threshold belongs to the band above it.
int bandOf(double value, const Thresholds& thresholds);

struct Rgb {
    std::uint8_t r, g, b;
};

// Colour of band k (1..12) on the map; band 12 is white.
Rgb mapColour(int band);
// Colour of legend box k (1..11); box 5 differs from band 5 of the map.
Rgb legendColour(int band);

} // namespace results
