// The files the four programs exchange in their working folder, named once:
// the job and the spectrum of a run, the merge request and the merged grid,
// the result files beside their uncertainty files, and the physical data files
// that sit beside the programs. Also the limits of a result name, the layout
// of the merged grid and the one reader of the merge request.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace textrec::exchange {

// Written by the conditions window, read by the engine.
inline constexpr const char* jobFile = "B2F.txt";
inline constexpr const char* spectrumFile = "B_SPCTL.dat";
// Never written; the conditions window removes it when it is closed, as it
// always has.
inline constexpr const char* oldJobFile = "B2F.dat";

// Written by the viewer (the name of the result to merge), read by the merger
// and by the correction.
inline constexpr const char* mergeRequestFile = "FLname.txt";
// Written by the merger, read by the viewer.
inline constexpr const char* mergedGridFile = "F2B.dat";

// Physical data of the engine.
inline constexpr const char* crossSectionFile = "ICRUSoft.dat";
inline constexpr const char* airAbsorptionFile = "Air.eac";
inline constexpr const char* kermaToDoseFile = "Ak2Sv.dat";
// Physical data of the spectrum model, which reads airAbsorptionFile too.
inline constexpr const char* tungstenFile = "Tungsten.dat";
inline constexpr const char* aluminiumFile = "Aluminum.atc";
inline constexpr const char* copperFile = "Copper.dat";
inline constexpr const char* outputSurveyFile = "sdec_default.op";

// A result file is "<typed name>.data"; its corrected copy has the last
// character replaced ("<typed name>.datC"); the engine writes the relative
// errors beside the result ("<typed name>.data.unc").
inline constexpr const char* resultExtension = ".data";
inline constexpr const char* correctedExtension = ".datC";
inline constexpr char correctedMark = 'C';
inline constexpr const char* uncertaintySuffix = ".unc";

// Maps in other planes than the written one (textrec/planes.h): the result
// name with a suffix before ".data" ("<typed name>_h150.data" for the
// horizontal plane 150 cm above the floor, "<typed name>_vs.data" for the
// vertical section), and beside a result file the record of the plane it
// maps ("<typed name>_h150.data.plane").
inline constexpr const char* heightSuffix = "_h";
inline constexpr const char* verticalSectionSuffix = "_vs";
inline constexpr const char* planeRecordSuffix = ".plane";

// The engine keeps the first 30 characters of the result name in the job
// file, the merger and the correction the first 30 of the merge request.
inline constexpr int resultNameLength = 30;
// What the user may type: the name the engine keeps, ".data" included.
inline constexpr int typedNameLength =
    resultNameLength - static_cast<int>(std::char_traits<char>::length(resultExtension));

// A result name as a job file or a merge request holds it on its line: the
// first resultNameLength characters, trailing blanks dropped.
std::string_view resultNameOnLine(std::string_view line);

// Why a result name read from a job file or a merge request names no file of
// the working folder: empty, a control character (a NUL would cut the name
// short at the file system; any other makes a name nobody typed), a path
// separator (the file would be in another folder), or dots only ("." and ".."
// are folders). Empty when the name is sound.
std::string resultNameProblem(std::string_view name);

// The result file a merge request names: the result name on its first line.
// Throws InputError naming the file (and the line) when the file cannot be
// read, is empty or names nothing.
std::string readMergeRequest(const std::filesystem::path& path);

// The merged grid: the air-kerma map in μGy/min, then the dose-equivalent map
// in μSv/min, each `rows` lines of `columns` E11.4 fields with CR LF. Value j
// of line i stands for x = firstX + j - 1 cm from the phantom's mid-plane and
// c = firstC + i - 1 cm.
namespace mergedgrid {
inline constexpr int columns = 381;
inline constexpr int rows = 601;
inline constexpr int firstX = 20;
inline constexpr int firstC = -300;
inline constexpr int fieldWidth = 11;
} // namespace mergedgrid

} // namespace textrec::exchange
