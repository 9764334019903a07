// Colour bands of a dose map: the default thresholds derived from a maximum, the
// band of a value and the colour table shared by the map, the legend and the room
// overlay.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// The scale top of the default thresholds: that of the decade class where it
// is above 0. Where the class's rounding gives 0 (a maximum just under 100 or
// 0.1, which the three-decimal constants put into the decade above, or one
// below 0.01), the maximum rounded down in its own decade: 99.99 gives 90,
// 0.0999 gives 0.09, 0.00543 gives 0.005. So every maximum above 0 gives a
// top above 0 and not above the maximum.
double defaultScaleTop(double maximum);

// The eleven default thresholds: the scale top times 0.75, 0.5, 0.25, 0.1, 0.075,
// 0.05, 0.025, 0.01, 0.0075, 0.005, 0.0025. The maximum must be above 0.
Thresholds defaultThresholds(double maximum);

// Thresholds typed by the user, T1..T11, checked before a map is banded by
// them: each must be a number above 0 (the whole text, blanks around it
// allowed) and none larger than the one above it (equal neighbours are
// allowed). `fault` tells the first field in band order that is not so.
enum class ThresholdFault { None, NotPositive, AboveUpper };
struct ThresholdReading {
    Thresholds values{}; // whole only when fault is None
    ThresholdFault fault = ThresholdFault::None;
    int field = 0; // 1..11: T1..T11 of the fault
};
// `texts` are the fields' texts with full-width forms already turned into
// ASCII (numbertext::asciiBytes).
ThresholdReading readThresholds(const std::array<std::string, kThresholdCount>& texts);

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
