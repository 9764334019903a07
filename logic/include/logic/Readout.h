// The read-out under the mouse: which grid cell a point of the map picture
// reads, and how the position is written.
#pragma once

#include "logic/MapPlane.h"

#include <optional>
#include <string>

namespace results {

struct GridCell {
    int j; // 1..381, x = 19 + j cm
    int i; // 1..601, c = i - 301 cm
};

// Rounds to the nearest whole number, halves to the even neighbour.
int roundHalfEven(double value);

// The map covers the whole fine grid: X = 20..400 (x in cm), Y = 0..600
// (c = -300..300 cm).
inline constexpr int kMapFirstX = 20;
inline constexpr int kMapLastX = 400;
inline constexpr int kMapFirstY = 0;
inline constexpr int kMapLastY = 600;

// The cell under picture point (X, Y), or nothing outside the map
// (20 <= X <= 400 and 0 <= Y <= 600): j = X - 19 and i = Y + 1, rounded.
std::optional<GridCell> readoutCell(double X, double Y);
// The same in a picture whose rows `view` lays out: i = view.rowAt(Y),
// rounded; the cell also below the floor of a vertical section, whose value
// is not read (view.shows(i) is false there).
std::optional<GridCell> readoutCell(double X, double Y, const PlaneView& view);

// A position as the read-out fields show it: the single-precision number's
// text, with a leading blank when it is not negative (" 20", "-290").
std::string readoutPositionText(double value);

} // namespace results
