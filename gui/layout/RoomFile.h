// The room layout file (".Room"): 28 lines with CR LF, one field of the room
// layout record per line in the record's order. Numbers are plain decimals of
// at most 7 significant digits between one leading blank (or the minus sign)
// and one trailing blank; the two texts are written unchanged in code page 932
// (Shift-JIS), so that files move between this program and installations on
// Japanese systems.
#pragma once

#include "layout/RoomLayout.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace roomfile {

inline constexpr int kLineCount = 28;
inline const QString kExtension = QStringLiteral(".Room");

// A number line without its line end: " 600 ", " 0 ", "-6.886228 ", " .5 ".
std::string numberLine(double value);

// Text in code page 932; a character the code page lacks becomes "?".
std::string encodeCp932(const QString& text);
QString decodeCp932(std::string_view bytes);

// The whole file content, 28 lines each ended by CR LF.
std::string write(const Module1::RoomLayout& layout);

// Reads the 28 lines of a file. Text lines (23 and 26) are taken whole, so a
// comma or a leading double quote reads back unchanged; a number line holds one
// plain decimal number between optional blanks. On failure returns nothing and
// puts into `error` what is wrong, naming `fileName` and the line.
std::optional<Module1::RoomLayout> parse(const std::vector<std::string>& lines,
                                         const QString& fileName, QString& error);

// Writes the file through a temporary file renamed into place.
bool save(const std::filesystem::path& path, const Module1::RoomLayout& layout, QString& error);

// Reads a file; nothing and a message in `error` when it cannot be read whole.
std::optional<Module1::RoomLayout> load(const std::filesystem::path& path, QString& error);

// A file path from a name as the window shows it.
std::filesystem::path toPath(const QString& name);

} // namespace roomfile
