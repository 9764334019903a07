#include "logic/DoseGrids.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace results {

namespace {

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

// Walks over the numbers of a text, one at a time.
class NumberScanner {
public:
    explicit NumberScanner(const std::string& text)
        : pos_(text.data()), end_(text.data() + text.size()) {}

    bool next(double& value) {
        while (pos_ < end_ && isSeparator(*pos_))
            ++pos_;
        if (pos_ == end_)
            return false;
        const char* start = pos_;
        if (*start == '+')
            ++start;
        auto [stop, ec] = std::from_chars(start, end_, value);
        if (ec != std::errc() || (stop < end_ && !isSeparator(*stop)))
            return false;
        pos_ = stop;
        return true;
    }

private:
    const char* pos_;
    const char* end_;
};

bool readGrid(NumberScanner& scanner, DoseGrid& grid) {
    for (double& cell : grid.cells()) {
        if (!scanner.next(cell))
            return false;
    }
    return true;
}

std::optional<LoadedDoses> fail(std::string* error, std::string message) {
    if (error)
        *error = std::move(message);
    return std::nullopt;
}

} // namespace

Extremes findExtremes(const DoseGrid& grid) {
    Extremes e;
    for (double v : grid.cells()) {
        if (v > e.maximum)
            e.maximum = v;
        if (v < e.minimum)
            e.minimum = v;
    }
    return e;
}

std::optional<LoadedDoses> loadMergedFile(const std::filesystem::path& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(error, path.filename().string() + ": cannot be opened");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();

    LoadedDoses loaded;
    NumberScanner scanner(text);
    if (!readGrid(scanner, loaded.kerma))
        return fail(error, path.filename().string() + ": air-kerma grid short or unreadable");
    if (!readGrid(scanner, loaded.doseEquivalent))
        return fail(error, path.filename().string() + ": dose-equivalent grid short or unreadable");

    loaded.kermaExtremes = findExtremes(loaded.kerma);
    loaded.doseEquivalentExtremes = findExtremes(loaded.doseEquivalent);
    if (!(loaded.kermaExtremes.maximum > 0) || !(loaded.doseEquivalentExtremes.maximum > 0))
        return fail(error, path.filename().string() + ": maximum is not above 0");
    loaded.kermaThresholds = defaultThresholds(loaded.kermaExtremes.maximum);
    loaded.doseEquivalentThresholds = defaultThresholds(loaded.doseEquivalentExtremes.maximum);
    return loaded;
}

} // namespace results
