// The first 12 lines of a result file: the conditions of the run, one value per
// line, as the conditions fields of the viewer show them.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>

namespace results {

inline constexpr int kHeaderValueCount = 12;

// One header line. A value the engine could not fit into its field was written
// as asterisks; it has no number and is shown as the text of the line.
struct HeaderValue {
    std::optional<double> number;
    std::string text; // the line without surrounding blanks
};

// Positions of the values (0-based) in the header.
enum HeaderIndex {
    kBodyPosition = 0,
    kKermaRateAtFsd = 1,
    kFocusSkinDistance = 2,
    kFieldLength = 3,
    kFieldWidth = 4,
    kTubeVoltage = 5,
    kTubeCurrent = 6,
    kTargetAngle = 7,
    kInherentFiltration = 8,
    kAddedAluminium = 9,
    kAddedCopper = 10,
    kPhotonCount = 11,
};

struct ResultHeader {
    std::array<HeaderValue, kHeaderValueCount> values;
    int linesRead = 0; // fewer than 12 for a file that is too short

    // 1 lying (vertical beam); anything else standing. A missing code reads 0.
    int bodyPosition() const;
    // FSD in cm; 0 when missing.
    double focusSkinDistance() const;
};

// Reads the header of a result file; nothing when the file cannot be opened.
// Lines past the end of a short file stay empty.
std::optional<ResultHeader> readResultHeader(const std::filesystem::path& path);

// The text a conditions field shows for header value `index`: the rate at the
// FSD as "0.000E+00", the number of photons as "#.0E+00", the others as the
// number's plain text; a value without a number shows its line as it is.
std::string headerFieldText(int index, const HeaderValue& value);

// "臥位（垂直照射）" for code 1, else "立位（水平照射）" (UTF-8).
std::string bodyPositionText(int code);

// The label and the unit shown beside header value `index` (kKermaRateAtFsd to
// kPhotonCount), UTF-8, wherever the conditions of a result are shown. The
// field length and width share one label and one unit, "×" between them; the
// label of the rate at the FSD takes two lines.
struct ConditionCaption {
    const char* label;
    const char* unit;
};
ConditionCaption conditionCaption(int index);

} // namespace results
