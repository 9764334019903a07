#include "result.h"

#include <textrec/textrec.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

namespace {

void addRecord(std::string& out, const std::string& record) {
    out += record;
    out += textrec::kRecordEnd;
}

void addMap(std::string& out, const float (&map)[DoseGrid::rows][DoseGrid::columns]) {
    const auto format = textrec::parseFormat("(41E11.4)");
    std::array<double, DoseGrid::columns> values{};
    for (const auto& row : map) {
        for (int i = 0; i < DoseGrid::columns; ++i)
            values[i] = row[i];
        addRecord(out, textrec::writeRecord(format, values));
    }
}

// Drops the carriage-control character of a record.
std::string shown(const std::string& record) {
    return record.substr(1);
}

} // namespace

namespace {

// The 13 header lines, the first map, its second heading and the second map;
// `firstHeading` and `secondHeading` are the formats of lines 13 and 75.
std::string formatMapsFile(const EngineInputs& inputs, float kermaRateAtSkin, const DoseGrid& grid,
                           const char* firstHeading, const char* secondHeading) {
    const JobParameters& job = inputs.job;
    const auto& info = inputs.spectrum.spectrumInfo;
    std::string out;
    out.reserve(140 * 455);
    addRecord(out, textrec::writeRecord(geometryCode == 1 ? "(' ',' 1')" : "(' ',' 2')", {}));
    addRecord(out, textrec::writeRecord("(E11.4)", {kermaRateAtSkin}));
    addRecord(out, textrec::writeRecord("(F5.1)", {job.focusSkinDistance}));
    addRecord(out, textrec::writeRecord("(F5.1)", {job.fieldLength}));
    addRecord(out, textrec::writeRecord("(F5.1)", {job.fieldWidth}));
    addRecord(out, textrec::writeRecord("(F5.1)", {info[1]}));
    addRecord(out, textrec::writeRecord("(F6.4)", {info[2]}));
    addRecord(out, textrec::writeRecord("(F5.1)", {info[3]}));
    addRecord(out, textrec::writeRecord("(F7.3)", {info[4]}));
    addRecord(out, textrec::writeRecord("(F7.3)", {info[5]}));
    addRecord(out, textrec::writeRecord("(F7.3)", {info[6]}));
    addRecord(out, textrec::writeRecord("(E8.1)", {job.photonCount}));
    addRecord(out, textrec::writeRecord(firstHeading, {}));
    addMap(out, grid.kerma);
    addRecord(out, textrec::writeRecord(secondHeading, {}));
    addMap(out, grid.doseEquivalent);
    return out;
}

} // namespace

std::string formatResultFile(const EngineInputs& inputs, float kermaRateAtSkin,
                             const DoseGrid& grid) {
    return formatMapsFile(inputs, kermaRateAtSkin, grid, "(' ',' Gy/min')", "(' ',' Sv/min')");
}

std::string formatUncertaintyFile(const EngineInputs& inputs, float kermaRateAtSkin,
                                  const DoseGrid& relativeErrors) {
    return formatMapsFile(inputs, kermaRateAtSkin, relativeErrors, "(' ',' relative')",
                          "(' ',' relative')");
}

std::string binProgressLine(int k, int highestBin) {
    return shown(textrec::writeRecord("(' ',I3,' / ',I3)", {double(k), double(highestBin + 1)}));
}

std::string timeLine(const char* label, int hour, int minute, int second) {
    const std::string format = std::string("(' ',' ") + label + " =',I2,':',I2,':',I2)";
    return shown(textrec::writeRecord(format, {double(hour), double(minute), double(second)}));
}

std::string progressTail(std::int64_t done, std::int64_t total, double elapsedSeconds) {
    // A run with no histories at all (every bin skipped) is all done.
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    char text[64];
    int n = std::snprintf(text, sizeof text, "  %3d %%", static_cast<int>(share * 100.0));
    if (done > 0 && done < total && elapsedSeconds >= 0.0) {
        const double left =
            elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done);
        const long long seconds = std::llround(std::min(left, 360000.0 - 1.0));
        if (seconds >= 3600)
            std::snprintf(text + n, sizeof text - n, "   %lld:%02lld:%02lld left", seconds / 3600,
                          seconds / 60 % 60, seconds % 60);
        else
            std::snprintf(text + n, sizeof text - n, "   %lld:%02lld left", seconds / 60,
                          seconds % 60);
    }
    return text;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
