// A map whose every value is known by hand: D(r) = A / r² about the phantom
// centre (μSv/min), so that the level L lies on the circle r = sqrt(A / L).
#pragma once

#include "logic/DoseGrids.h"

namespace testsupport {

inline results::DoseGrid radialGrid(double A) {
    results::DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j) {
            const double x = results::xOfColumn(j);
            const double c = results::cOfRow(i);
            grid.at(j, i) = A / (x * x + c * c);
        }
    return grid;
}

} // namespace testsupport
