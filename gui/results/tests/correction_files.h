// Result files and folder snapshots shared by the correction tests.
#pragma once

#include <textrec/textrec.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace correction_files {

namespace fs = std::filesystem;

// Engine value of cell (column i, row j) of map `m` (0 air kerma, 1 dose
// equivalent): columns 1 and 2 are zero as the engine leaves them, the others
// vary over several decades so that every field differs.
inline double engineValue(int m, int i, int j) {
    if (i <= 2)
        return 0.0;
    double x = 10.0 * (i - 1);
    double c = 10.0 * (j - 1) - 300.0;
    return (m == 0 ? 3.7e-3 : 4.4e-3) / (x * x + c * c + 400.0) * (1.0 + 0.013 * j);
}

// The 136 lines of an engine result file, without line ends.
inline std::vector<std::string> engineLines(double airKermaAtFsd = 1.234e-2) {
    std::vector<std::string> lines;
    lines.push_back("  1");
    lines.push_back(textrec::formatE(airKermaAtFsd, 11, 4));
    for (double v : {60.0, 30.0, 20.0, 80.0})
        lines.push_back(textrec::formatF(v, 5, 1));
    lines.push_back(textrec::formatF(2.5, 6, 4));
    lines.push_back(textrec::formatF(12.0, 5, 1));
    for (double v : {2.5, 1.0, 0.1})
        lines.push_back(textrec::formatF(v, 7, 3));
    lines.push_back(textrec::formatE(1e8, 8, 1));
    for (int m = 0; m < 2; ++m) {
        lines.push_back(m == 0 ? "  Gy/min" : "  Sv/min");
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

// The 11-character fields of a map line as numbers.
inline std::vector<double> mapFields(const std::string& line) {
    std::vector<double> values;
    for (std::size_t pos = 0; pos + 11 <= line.size(); pos += 11) {
        double v = 0;
        if (!textrec::readRealField(std::string_view(line).substr(pos, 11), 4, v))
            v = -1.0;
        values.push_back(v);
    }
    return values;
}

} // namespace correction_files
