// The room layout file (".Room"): 28 lines with CR LF, one field of the room
// layout record per line in the record's order. Numbers are plain decimals of
// at most 7 significant digits between one leading blank (or the minus sign)
// and one trailing blank; the two texts are written unchanged in code page 932
// (Shift-JIS), so that files move between this program and installations on
// Japanese systems.
#pragma once

#include "logic/RoomLayout.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace roomfile {

inline constexpr int kLineCount = 28;
inline const QString kExtension = QStringLiteral(".Room");
// Numbers beyond this many cm either way are refused by the reader and never
// written: no room is a kilometre across, and a float keeps them exact enough.
inline constexpr double kNumberLimit = 100000;
// The IANA name of code page 932.
inline constexpr const char* kCodePage = "windows-31j";

// A number line without its line end: " 600 ", " 0 ", "-6.886228 ", " .5 ".
std::string numberLine(double value);

// The text with the characters that input methods type for code page 932's
// wave dash, minus, double vertical line, cent, pound, not sign and dash
// (U+301C, U+2212, U+2016, U+00A2, U+00A3, U+00AC, U+2014) replaced by the
// look-alikes the code page holds (U+FF5E, U+FF0D, U+2225, U+FFE0, U+FFE1,
// U+FFE2, U+2015).
QString cp932Forms(const QString& text);

// Text in code page 932, after cp932Forms. Nothing, and in `error` the first
// character the code page cannot hold (or that `codec` is not available), when
// the text cannot be written unchanged.
std::optional<std::string> encodeCp932(const QString& text, QString& error,
                                       const char* codec = kCodePage);
// Text of a layout file's text line; nothing for bytes that are not text of
// code page 932 or that hold a control character (the editor never wrote them,
// and they would not be written back as they were read).
std::optional<QString> decodeCp932(std::string_view bytes);

// The whole file content, 28 lines each ended by CR LF. Nothing, and in
// `error` why, when a number is not finite or beyond kNumberLimit (the reader
// would refuse the file) or a text cannot be held in code page 932.
std::optional<std::string> write(const Module1::RoomLayout& layout, QString& error);

// Reads the 28 lines of a file. Text lines (23 and 26) are taken whole, so a
// comma or a leading double quote reads back unchanged; a number line holds one
// plain decimal number between optional blanks, within kNumberLimit. On failure
// returns nothing and puts into `error` what is wrong, naming `fileName` and the
// line.
std::optional<Module1::RoomLayout> parse(const std::vector<std::string>& lines,
                                         const QString& fileName, QString& error);

// Writes the file through a temporary file renamed into place, and beside it
// the marks of the elements left out of the drawing (removing marks left by an
// earlier layout of that name when none are left out). Writes nothing when
// write() refuses the layout; on failure `error` names the file or folder and
// the reason.
bool save(const std::filesystem::path& path, const Module1::RoomLayout& layout, QString& error);

// Reads a layout file and the marks kept beside it: the one reading of a
// layout, for the editor and for scatter-map. Nothing, and a message in `error`
// naming the file and the line, when either cannot be read whole. A malformed
// marks file refuses the layout rather than drawing elements the user left
// out.
std::optional<Module1::RoomLayout> load(const std::filesystem::path& path, QString& error);

// What the program keeps about a layout beside its file, in files named after
// it, so that the ".Room" file itself stays as other installations write it:
// the marks of the elements left out of the drawing ("plan.Room.absent").
// Such files go with the layout file when it is copied, renamed or deleted,
// and nothing else may write over them.
inline const QString kAbsentMarksSuffix = QStringLiteral(".absent");
std::filesystem::path absentMarksPath(const std::filesystem::path& roomFile);
// The named positions placed on the plan ("plan.Room.points", PointsFile.h).
inline const QString kPointsSuffix = QStringLiteral(".points");
std::filesystem::path pointsPath(const std::filesystem::path& roomFile);
// Every file kept beside `roomFile`, whether it exists or not.
std::vector<std::filesystem::path> companionFiles(const std::filesystem::path& roomFile);

// The marks file: one line for each element left out, by its keyword, each
// line ended by CR LF; the order does not matter. Readers skip blank lines and
// blanks around a keyword.
inline constexpr const char* kViewingWindowMark = "viewing-window";
inline constexpr const char* kStaffDoorMark = "staff-door";
inline constexpr const char* kPatientEntranceMark = "patient-entrance";
inline constexpr const char* kControlRoomTextMark = "control-room-text";
inline constexpr const char* kFreeTextMark = "free-text";
std::string writeAbsentMarks(const Module1::AbsentElements& absent);
// Nothing, and in `error` the file and the line, for a line that is not one of
// the keywords.
std::optional<Module1::AbsentElements> parseAbsentMarks(const std::vector<std::string>& lines,
                                                        const QString& fileName, QString& error);
// The marks kept beside `roomFile`; none when there is no marks file.
std::optional<Module1::AbsentElements> loadAbsentMarks(const std::filesystem::path& roomFile,
                                                       QString& error);

} // namespace roomfile
