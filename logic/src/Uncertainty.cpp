#include "logic/Uncertainty.h"

#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace results {

namespace {

namespace layout = textrec::resultfile;

bool readMap(const std::vector<std::string>& lines, int firstLine,
             std::array<std::array<double, layout::columns>, layout::rows>& map) {
    for (int row = 0; row < layout::rows; ++row) {
        const std::string& line = lines[static_cast<std::size_t>(firstLine - 1 + row)];
        for (int column = 0; column < layout::columns; ++column) {
            const std::size_t start = static_cast<std::size_t>(column * layout::fieldWidth);
            if (line.size() < start + layout::fieldWidth)
                return false;
            double value = 0;
            if (!textrec::readRealField(std::string_view(line).substr(start, layout::fieldWidth), 4,
                                        value) ||
                !std::isfinite(value) || value < 0)
                return false;
            map[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = value;
        }
    }
    return true;
}

int nearestEngineIndex(double coordinate) {
    return static_cast<int>(std::floor(coordinate / 10.0 + 0.5));
}

} // namespace

double RelativeErrors::at(Quantity quantity, int j, int i) const {
    const int column = std::clamp(nearestEngineIndex(xOfColumn(j)), 0, columns - 1);
    // Halfway between two rows: the one further from the centre.
    const double c = cOfRow(i);
    const int row =
        std::clamp(nearestEngineIndex(std::fabs(c)) * (c < 0 ? -1 : 1) + 30, 0, rows - 1);
    const auto& map = quantity == Quantity::Kerma ? kerma : doseEquivalent;
    return map[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

std::filesystem::path uncertaintyFileOf(const std::filesystem::path& resultFile) {
    // A correction names its copy after the source with the last letter
    // replaced by C: "X.datC" is the copy of "X.data".
    namespace exchange = textrec::exchange;
    const std::string_view corrected = exchange::correctedExtension;
    const std::string_view stem = corrected.substr(0, corrected.size() - 1); // ".dat"
    std::string name = resultFile.filename().string();
    if (name.size() > corrected.size() &&
        name.compare(name.size() - corrected.size(), stem.size(), stem) == 0 &&
        std::toupper(static_cast<unsigned char>(name.back())) == exchange::correctedMark)
        name.back() = std::string_view(exchange::resultExtension).back();
    return resultFile.parent_path() / (name + exchange::uncertaintySuffix);
}

std::optional<RelativeErrors> readRelativeErrors(const std::filesystem::path& resultFile) {
    const auto result = textrec::readLines(resultFile);
    const auto unc = textrec::readLines(uncertaintyFileOf(resultFile));
    if (!result || !unc || unc->size() < static_cast<std::size_t>(layout::lines) ||
        result->size() < static_cast<std::size_t>(layout::headerLines - 1))
        return std::nullopt;
    for (int line = 1; line < layout::headerLines; ++line)
        if (line != 2 && (*unc)[static_cast<std::size_t>(line - 1)] !=
                             (*result)[static_cast<std::size_t>(line - 1)])
            return std::nullopt;
    RelativeErrors errors;
    if (!readMap(*unc, layout::firstMapLine, errors.kerma) ||
        !readMap(*unc, layout::secondMapLine, errors.doseEquivalent))
        return std::nullopt;
    return errors;
}

std::string relativeErrorText(double relativeError) {
    if (!(relativeError > 0))
        return "—";
    const double percent = 100.0 * relativeError;
    char text[32];
    if (percent < 0.95)
        std::snprintf(text, sizeof text, "± %.1f %%", percent);
    else
        std::snprintf(text, sizeof text, "± %.0f %%", percent);
    return text;
}

std::vector<bool> hatchedCells(const RelativeErrors& errors, Quantity quantity) {
    std::vector<bool> hatched(static_cast<std::size_t>(kGridCells));
    for (int i = 1; i <= kGridRows; ++i)
        for (int j = 1; j <= kGridColumns; ++j) {
            const double error = errors.at(quantity, j, i);
            hatched[static_cast<std::size_t>(i - 1) * kGridColumns +
                    static_cast<std::size_t>(j - 1)] =
                !(error > 0) || error > kHatchedRelativeError;
        }
    return hatched;
}

} // namespace results
