// Result merger: the two 10 cm maps of one result file resampled to the 1 cm
// grid of F2B.dat by interpolation of logarithms.
#pragma once

#include <textrec/result_file.h>

#include <array>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace merger {

// Engine grid: column I = 1..41 is x = 10(I-1) cm, row J = 1..61 is
// c = 10(J-1) - 300 cm. Columns 1 and 2 lie at the phantom and are not used.
inline constexpr int kEngineColumns = textrec::resultfile::columns;
inline constexpr int kEngineRows = textrec::resultfile::rows;
inline constexpr int kFirstMappedColumn = 3;

// Fine grid: column K = 1..401 is x = K-1 cm, row R = 1..601 is c = R-301 cm.
// Only columns 21..401 are filled and written.
inline constexpr int kFineColumns = 401;
inline constexpr int kFineRows = 601;
inline constexpr int kFirstFineColumn = 21;
inline constexpr int kWrittenColumns = kFineColumns - kFirstFineColumn + 1;

// Characters of the result file name taken from the first line of FLname.txt.
inline constexpr std::size_t kNameLength = textrec::resultfile::nameLength;
// Header lines of a result file before the first map.
inline constexpr int kHeaderLines = textrec::resultfile::headerLines;
// Field width of the result file's maps, and of F2B.dat's.
inline constexpr int kFieldWidth = textrec::resultfile::fieldWidth;

inline constexpr const char* kNameFile = "FLname.txt";
inline constexpr const char* kMergedFile = "F2B.dat";

// One engine map, addressed as in the result file: at(I, J).
struct EngineMap {
    std::array<float, kEngineColumns * kEngineRows> values{};
    float& at(int i, int j) {
        return values[static_cast<std::size_t>((j - 1) * kEngineColumns + i - 1)];
    }
    float at(int i, int j) const {
        return values[static_cast<std::size_t>((j - 1) * kEngineColumns + i - 1)];
    }
};

// One fine map in μGy/min or μSv/min, addressed at(K, R).
struct FineMap {
    std::vector<float> values = std::vector<float>(kFineColumns * kFineRows);
    float& at(int k, int r) {
        return values[static_cast<std::size_t>((r - 1) * kFineColumns + k - 1)];
    }
    float at(int k, int r) const {
        return values[static_cast<std::size_t>((r - 1) * kFineColumns + k - 1)];
    }
};

struct ResultMaps {
    EngineMap kerma;          // Gy/min
    EngineMap doseEquivalent; // Sv/min
};

// The result file name: the first 30 characters of the first line of
// `nameFile`, trailing blanks dropped. Throws textrec::InputError when the file
// is missing, empty, names nothing or the name holds a control character.
std::string readResultName(const std::filesystem::path& nameFile);

// The two maps of a result file (engine or corrected form). Throws
// textrec::InputError naming the line when the file is missing or short, a map
// line is shorter than 41 fields, a field is not a number, or a mapped value
// (columns 3..41) is negative or too large for μ-units in single precision.
ResultMaps readResultFile(const std::filesystem::path& resultFile);

// Resamples one map to the fine grid in micro-units. A zero engine value (a
// cell no photon reached) gives 0 at every fine point that draws on it with a
// weight above zero.
FineMap resample(const EngineMap& map);

// The text of F2B.dat: 601 lines of the first map, then 601 of the second,
// each 381 E11.4 fields for x = 20..400 cm, CR LF.
std::string formatMergedGrid(const FineMap& kerma, const FineMap& doseEquivalent);

// The whole run in `folder`: reads FLname.txt and the named result file, writes
// F2B.dat atomically. Console lines go to `console`, a failure to `errors`.
// Returns the exit status (0 on success); on failure F2B.dat is left as it was.
int runMerge(const std::filesystem::path& folder, std::ostream& console, std::ostream& errors);

} // namespace merger
