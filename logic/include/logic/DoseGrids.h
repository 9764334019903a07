// The merged grids of F2B.dat as the viewer keeps them, and their loading.
//
// F2B.dat holds 601 lines of 381 air-kerma rates (uGy/min) and then 601 lines of
// 381 dose-equivalent rates (uSv/min). Cell (j, i), j = 1..381 and i = 1..601,
// stands for x = 19 + j cm and c = i - 301 cm.
#pragma once

#include "logic/BandThresholds.h"

#include <textrec/exchange_files.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace results {

inline constexpr int kGridColumns = textrec::exchange::mergedgrid::columns; // j
inline constexpr int kGridRows = textrec::exchange::mergedgrid::rows;       // i
inline constexpr int kGridCells = kGridColumns * kGridRows;

// Where a cell stands: x cm from the phantom's mid-plane for column j, c cm
// along the mapped plane for row i.
inline constexpr int xOfColumn(int j) {
    return textrec::exchange::mergedgrid::firstX + j - 1;
}
inline constexpr int cOfRow(int i) {
    return textrec::exchange::mergedgrid::firstC + i - 1;
}

// One quantity over the fine grid, row by row as in the file.
class DoseGrid {
public:
    DoseGrid() : cells_(kGridCells, 0.0) {}
    // Cell (j, i), 1-based as in the file.
    double at(int j, int i) const { return cells_[index(j, i)]; }
    double& at(int j, int i) { return cells_[index(j, i)]; }
    const std::vector<double>& cells() const { return cells_; }
    std::vector<double>& cells() { return cells_; }

private:
    static std::size_t index(int j, int i) {
        return static_cast<std::size_t>(i - 1) * kGridColumns + static_cast<std::size_t>(j - 1);
    }
    std::vector<double> cells_;
};

struct Extremes {
    double maximum = 0;
    double minimum = 10000;
};

// Largest and smallest value, starting from 0 and 10000: a grid whose values all
// exceed 10000 keeps the minimum 10000.
Extremes findExtremes(const DoseGrid& grid);

// Everything one load produces.
struct LoadedDoses {
    DoseGrid kerma;          // uGy/min
    DoseGrid doseEquivalent; // uSv/min
    Extremes kermaExtremes;
    Extremes doseEquivalentExtremes;
    Thresholds kermaThresholds{};
    Thresholds doseEquivalentThresholds{};
};

// Reads both grids of a merged file as free-format numbers separated by blanks
// or line ends. Fails (nothing, with `error` filled when given) when the file is
// missing, holds fewer than 2 x 601 x 381 numbers or a text that is not a number,
// or when a maximum is 0 or below (it has no decade class).
std::optional<LoadedDoses> loadMergedFile(const std::filesystem::path& path,
                                          std::string* error = nullptr);

} // namespace results
