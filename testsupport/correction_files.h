// Result files and folder snapshots shared by the correction tests.
#pragma once

#include <gtest/gtest.h>
#include <textrec/textrec.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace correction_files {

namespace fs = std::filesystem;

// Map m (0 air kerma, 1 dose equivalent) at column i, row j: zero in columns 1
// and 2 as the engine leaves them, varying over decades elsewhere.
inline double engineValue(int m, int i, int j) {
    double x = 10.0 * (i - 1), c = 10.0 * (j - 1) - 300.0;
    return i <= 2 ? 0.0 : (m == 0 ? 3.7e-3 : 4.4e-3) / (x * x + c * c + 400.0) * (1 + 0.013 * j);
}

// The 136 lines of an engine result file, without line ends.
inline std::vector<std::string> engineLines() {
    std::vector<std::string> lines = {"  1",     " 0.1234E-01", " 60.0",   " 30.0",   " 20.0",
                                      " 80.0",   "2.5000",      " 12.0",   "  2.500", "  1.000",
                                      "  0.100", " 0.1E+09",    "  Gy/min"};
    for (int m = 0; m < 2; ++m) {
        if (m == 1)
            lines.push_back("  Sv/min");
        for (int j = 1; j <= 61; ++j) {
            std::vector<double> row;
            for (int i = 1; i <= 41; ++i)
                row.push_back(engineValue(m, i, j));
            lines.push_back(textrec::writeRecord("(41E11.4)", row));
        }
    }
    return lines;
}

inline std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + std::string(textrec::kRecordEnd);
    return text;
}

inline void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file of a folder with its content.
inline std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

} // namespace correction_files
