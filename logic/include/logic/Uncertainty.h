// The statistical uncertainty of a result: the relative standard error of each
// engine cell, which the engine writes beside the result file ("walk1.data"
// -> "walk1.data.unc"), and the cells of the fine grid to hatch.
#pragma once

#include "logic/DoseGrids.h"

#include <textrec/result_file.h>

#include <array>
#include <filesystem>
#include <optional>
#include <vector>

namespace results {

// A cell whose relative error is above this, or that was never scored, is hatched.
inline constexpr double kHatchedRelativeError = 0.2;

enum class Quantity { Kerma, DoseEquivalent };

struct RelativeErrors {
    static constexpr int columns = textrec::resultfile::columns; // x = 0, 10, ..., 400 cm
    static constexpr int rows = textrec::resultfile::rows;       // c = -300, ..., 300 cm
    // [row][column], fractions; 0 for a cell never scored.
    std::array<std::array<double, columns>, rows> kerma{};
    std::array<std::array<double, columns>, rows> doseEquivalent{};

    // The error of the engine cell nearest fine cell (j, i) (x = 19 + j cm,
    // c = i - 301 cm; a point halfway between two cells takes the outer one).
    double at(Quantity quantity, int j, int i) const;
};

// The uncertainty file of a result file: "X.data.unc" for "X.data" and for
// its corrected copy "X.datC" (scaling leaves relative errors unchanged).
std::filesystem::path uncertaintyFileOf(const std::filesystem::path& resultFile);

// Reads the uncertainty file of `resultFile`. Nothing when there is none, when
// it is malformed, or when its conditions (header lines 1 and 3-12; line 2 is
// the one a correction rewrites) differ from the result's: it then belongs to
// another run.
std::optional<RelativeErrors> readRelativeErrors(const std::filesystem::path& resultFile);

// The read-out of a relative error: "± 3 %", "± 0.4 %" below 1 %, "—" for a
// cell never scored.
std::string relativeErrorText(double relativeError);

// For every fine-grid cell (row by row, as DoseGrid), whether it is hatched.
std::vector<bool> hatchedCells(const RelativeErrors& errors, Quantity quantity);

} // namespace results
