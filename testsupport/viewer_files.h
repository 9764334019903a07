// Writers of the files the viewer reads, for the viewer's tests and benchmark.
#pragma once

#include "logic/DoseGrids.h"
#include "textrec/textrec.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace viewer_files {

using CellValue = std::function<double(int j, int i)>;

// A merged file as the merger writes it: 601 lines of 381 E11.4 fields per
// quantity, CR LF line ends. `rows` may be cut short to make a broken file.
inline void writeMergedFile(const std::filesystem::path& path, const CellValue& kerma,
                            const CellValue& doseEquivalent, int rows = 2 * results::kGridRows) {
    std::string text;
    text.reserve(static_cast<std::size_t>(rows) * 4193);
    for (int line = 1; line <= rows; ++line) {
        const bool first = line <= results::kGridRows;
        const int i = first ? line : line - results::kGridRows;
        for (int j = 1; j <= results::kGridColumns; ++j)
            text += textrec::formatE(first ? kerma(j, i) : doseEquivalent(j, i), 11, 4);
        text += textrec::kRecordEnd;
    }
    std::ofstream(path, std::ios::binary) << text;
}

// The header of a result file: lines 1..12 as given, then the unit line.
inline void writeResultHeader(const std::filesystem::path& path,
                              const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
        out << line << textrec::kRecordEnd;
    out << "  Gy/min" << textrec::kRecordEnd;
}

// The uncertainty file beside a result: lines 1..12 as given, "  relative",
// the relative errors of the 61 x 41 engine cells (error(column, row), 1-based)
// for both quantities.
inline void writeUncertaintyFile(const std::filesystem::path& path,
                                 const std::vector<std::string>& header,
                                 const std::function<double(int column, int row)>& error) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : header)
        out << line << textrec::kRecordEnd;
    for (int map = 0; map < 2; ++map) {
        out << "  relative" << textrec::kRecordEnd;
        for (int row = 1; row <= 61; ++row) {
            for (int column = 1; column <= 41; ++column)
                out << textrec::formatE(error(column, row), 11, 4);
            out << textrec::kRecordEnd;
        }
    }
}

// A lying run's header: code 1, 0.2345E-02 Gy/min at an FSD of 90 cm, a 20 x 15 cm
// field, 80 kV, 1 mA, 12 degrees, 2.5 mm Al inherent, 1.5 mm Al and 0.1 mm Cu added,
// 1E+09 photons.
inline std::vector<std::string> lyingHeader() {
    return {"  1",    " 0.2345E-02", " 90.0",   " 20.0",   " 15.0",   " 80.0",
            "1.0000", " 12.0",       "  2.500", "  1.500", "  0.100", " 0.1E+10"};
}

} // namespace viewer_files
