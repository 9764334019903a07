// Correction of a result file by one measured dose rate: every value of both maps
// and the free-air air-kerma rate at FSD are multiplied by measured / computed,
// and the copy is saved beside the source with its last character replaced by
// "C" (".data" becomes ".datC"). Plain code without widgets; Form3 drives it.
#pragma once

#include <textrec/exchange_files.h>
#include <textrec/result_file.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace correction {

// The map point a measurement 100 cm to the side of the phantom centre stands
// for: x = 100 cm, c = 0, as a cell (column, row) of the merged grids.
inline constexpr int kReferenceColumn = 100 - textrec::exchange::mergedgrid::firstX + 1; // 81
inline constexpr int kReferenceRow = 0 - textrec::exchange::mergedgrid::firstC + 1;      // 301

// Layout of a result file as the engine writes it.
inline constexpr int kResultLines = textrec::resultfile::lines;
inline constexpr int kFirstMapLine = textrec::resultfile::firstMapLine;   // 1-based; lines 14..74
inline constexpr int kSecondMapLine = textrec::resultfile::secondMapLine; // 1-based; lines 76..136
inline constexpr int kMapRows = textrec::resultfile::rows;
inline constexpr int kMapColumns = textrec::resultfile::columns;

// Why a correction wrote nothing.
enum class Refusal {
    None,
    EmptyMeasured,       // the measured field is empty
    MeasuredNotPositive, // the measured value is 0 or below
    CurrentNotPositive,  // the computed value is 0 or below: no ratio
    RatioOutOfRange,     // the ratio is not a finite number
    NoMergedFile,        // "FLname.txt" is missing or names no file
    AlreadyCorrected,    // the source ends in "C": the copy would replace it
    SourceUnreadable,    // the source cannot be opened
    SourceShort,         // the source has fewer than 136 lines
    SourceMalformed,     // a number is missing or unreadable
    ValueOutOfRange,     // a corrected map value does not fit its 11 characters
    PlaneRecordFailed,   // the source's plane record cannot be read or copied
    WriteFailed,         // the corrected file could not be written
};

struct Outcome {
    Refusal refusal = Refusal::None;
    std::string sourceName;    // the file named in "FLname.txt" (when read)
    std::string correctedName; // the file written, relative to the folder
    int line = 0;              // line of the source that stopped the work (1-based)
    std::string detail;        // system text of a failed write or of the plane record

    bool ok() const { return refusal == Refusal::None; }
};

// Ratio of the measured text's leading number to the computed value as its
// label shows it. Refuses an empty measured text, a measured or computed
// value of 0 or below, and a ratio that is not finite.
struct Ratio {
    Refusal refusal = Refusal::None;
    double value = 0.0;
};
Ratio ratioFromTexts(std::string_view measuredText, std::string_view currentText);

// Name of the corrected copy: the last character replaced by "C". Empty when
// the name is empty.
std::string correctedName(std::string_view sourceName);

// True when the name already ends in "C" (or "c", the same file where names
// ignore case), so that its corrected name would be the source itself.
bool isCorrectedName(std::string_view name);

// The file last merged, as the merger reads it from "FLname.txt"
// (textrec::exchange::readMergeRequest); empty when the file is missing or
// names nothing.
std::string mergedFileName(const std::filesystem::path& folder);

// The corrected 136 lines, each ending with CR LF, from the lines of a result
// file. On failure fills `outcome` (refusal and line) and returns nothing.
std::string correctedContent(const std::vector<std::string>& sourceLines, double ratio,
                             Outcome& outcome);

// The whole correction in `folder`: reads "FLname.txt", reads the source, and
// writes the corrected copy through a temporary file that is renamed into
// place. The copy keeps the source's plane record (the plane its map lies
// in, beside it as "<copy>.plane"; none when the source has none, and an
// older record of the copy's name is removed), written before the copy as
// the engine writes a record before its result. Nothing is written when the
// outcome is a refusal, also when the source's record cannot be read.
Outcome correctMergedFile(const std::filesystem::path& folder, std::string_view measuredText,
                          std::string_view currentText);

// The message that tells the user why the correction stopped (UTF-8).
std::string refusalMessage(const Outcome& outcome);

} // namespace correction
