// The plain part of starting a run from the conditions window: the job file
// "B2F.txt" that hands the run to the engine, the checks on the result file name,
// the mean tube current of pulsed fluoroscopy and the default result name.
#pragma once

#include <textrec/exchange_files.h>
#include <textrec/planes.h>

#include <QDate>
#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace jobfile {

// The six values of "B2F.txt", in the order the engine reads them.
struct JobParameters {
    double kermaRateAt100cm = 0;  // Gy/min at 100 cm from the focus
    double focusSkinDistance = 0; // cm
    double fieldLength = 0;       // cm
    double fieldWidth = 0;        // cm
    double photonCount = 0;       // histories
    std::string resultFileName;   // bytes as the engine reads them, ".data" included
    // Maps in other planes: the request lines after line 6, when it asks for
    // more than the written map.
    textrec::planes::PlaneRequest planes;
};

// The whole text of "B2F.txt": six CR LF records with the display masks the
// engine expects ("0.000E+00", "#00.0", "#0.0", "#0.0", "0.000E+00", the name),
// followed by the request lines when `planes` asks for more (a job that asks
// for nothing more is the six records alone, as the window always wrote it).
std::string jobFileText(const JobParameters& job);

// Writes "B2F.txt" in `folder`, whole or not at all. Returns false and fills
// `error` (the file and what failed) when it cannot.
bool writeJobFile(const std::filesystem::path& folder, const JobParameters& job,
                  std::string& error);

// The engine keeps the first 30 bytes of line 6; the name it is given is the
// typed name followed by ".data", so the typed part may use 25 bytes.
inline constexpr std::string_view kResultExtension = textrec::exchange::resultExtension;
inline constexpr int kTypedNameLimit = textrec::exchange::typedNameLength;

enum class NameProblem {
    None,
    Empty,              // the result file would be the hidden ".data"
    PathSeparator,      // "/" or "\\": the file would land in another folder
    ControlCharacter,   // a tab or another control character
    ForbiddenCharacter, // one of : * ? " < > |, which Windows refuses in names
    LeadingDot,         // a hidden file, never listed by the viewer
    ReservedName,       // CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9, with any extension
    NotInCodePage,      // a character the machine's 8-bit code page cannot hold
    TooLong,            // more than kTypedNameLimit bytes in the job file
};

struct NameCheck {
    NameProblem problem = NameProblem::None;
    QString character; // the refused character (PathSeparator, ForbiddenCharacter,
                       // ControlCharacter, LeadingDot, NotInCodePage)
    QString reserved;  // the reserved device name as typed (ReservedName)
};

// Checks the typed result name so that the result can be listed by the viewer
// and copied to any machine: the characters as typed, the length as the bytes
// that will be written to the job file. The name reaches the engine in the
// machine's 8-bit encoding (`codePage`, an encoding name such as
// "windows-1252"; none: the machine's own), which must hold every character.
NameCheck checkResultName(const QString& typedName, const char* codePage = nullptr);

// The bytes the typed name takes in the job file: the local 8-bit encoding of
// the platform (UTF-8 on Linux, the ANSI code page on Windows).
std::string resultNameBytes(const QString& typedName);

// Mean current of pulsed fluoroscopy in mA: the current during a pulse (mA)
// times the pulse rate (1/s) times the pulse width (ms) / 1000, multiplied in
// that order and written in the shortest form of up to 15 significant digits.
QString meanTubeCurrentText(double pulseCurrent, double pulseRate, double pulseWidth);

// Today's default result name: the date as mm-dd-yyyy.
QString defaultResultName(const QDate& date);

// The limits of a run from the conditions window: fewer histories give maps
// too uncertain to use, and the field of a fluoroscopy unit stays within
// 30 x 30 cm.
inline constexpr double kMinimumHistories = 100000000;
inline constexpr double kLargestFieldSide = 30; // cm
// The most histories a run may ask for: the engine refuses a job file with
// more (and 10^15 histories would take years on any machine).
inline constexpr double kMaximumHistories = 1e15;

// Why a number of histories cannot be handed to the engine as it is: the job
// file holds it with the mask "0.000E+00", four significant digits.
enum class CountProblem {
    None,
    TooMany,  // above kMaximumHistories, or not finite
    NotWhole, // a fraction of a history
    Rounded,  // more than four significant digits: the engine would run another count
};
struct CountCheck {
    CountProblem problem = CountProblem::None;
    // Rounded: the count as the job file would write it ("1.235E+08"), and
    // the nearest counts below and above that it keeps as they are.
    std::string written;
    double below = 0;
    double above = 0;
};
// Checks a count of histories for the job file (the least count is
// checkRunNumbers' concern).
CountCheck checkHistoryCount(double photonCount);

// The numbers a run is checked on, as read from the conditions.
struct RunNumbers {
    double photonCount = 0;
    double fieldLength = 0;       // cm
    double fieldWidth = 0;        // cm
    double tubeCurrent = 0;       // mean tube current, mA
    double focusSkinDistance = 0; // cm
};

// The first refusal in the order the conditions window checks: the number of
// histories, the field size, then a current, a distance or a field side that
// is 0, negative or not a number (a run of them would end in the engine's
// refusal or, worse, in a map of zeros).
enum class RunProblem {
    None,
    TooFewHistories, // below `minimumHistories`
    FieldTooLarge,   // a side above kLargestFieldSide (30 passes)
    NoTubeCurrent,   // tubeCurrent
    NoDistance,      // focusSkinDistance
    NoFieldLength,   // fieldLength
    NoFieldWidth,    // fieldWidth
};
RunProblem checkRunNumbers(const RunNumbers& run, double minimumHistories = kMinimumHistories);

} // namespace jobfile
