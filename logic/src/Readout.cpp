#include "logic/Readout.h"

#include "textrec/textrec.h"

#include <cmath>

namespace results {

int roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0))
        return static_cast<int>(below) + 1;
    return static_cast<int>(below);
}

std::optional<GridCell> readoutCell(double X, double Y) {
    if (!(X >= kMapFirstX && X <= kMapLastX && Y >= kMapFirstY && Y <= kMapLastY))
        return std::nullopt;
    return GridCell{roundHalfEven(X - 19), roundHalfEven(Y + 1)};
}

std::optional<GridCell> readoutCell(double X, double Y, const PlaneView& view) {
    if (!(X >= kMapFirstX && X <= kMapLastX && Y >= kMapFirstY && Y <= kMapLastY))
        return std::nullopt;
    return GridCell{roundHalfEven(X - 19), roundHalfEven(view.rowAt(Y))};
}

std::string readoutPositionText(double value) {
    const float single = static_cast<float>(value);
    std::string text = textrec::plainNumber(single, 7);
    if (!std::signbit(single) || single == 0)
        text.insert(0, " ");
    return text;
}

} // namespace results
