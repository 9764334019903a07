// The points file: the named positions of a room layout, kept beside its
// ".Room" file ("plan.Room.points", roomfile::pointsPath), so that the layout
// file itself stays exactly as other installations write and read it.
//
// One point a line, each line ended by CR LF:
//
//     X Y name
//
// X and Y are plain decimal numbers in cm of the room plan (as short as reads
// back to the same value: "250", "-12.5", "301.25"), within the layout file's
// ±100000 cm; the name is the rest of the line after the blank that follows
// Y. Names are written in code page 932 (Shift-JIS), as the layout file writes
// its texts, so that both files of a layout move together between this
// program and installations on Japanese systems. A file with no point is
// empty; blank lines are passed over. A file that is absent holds no point.
#pragma once

#include "logic/NamedPoints.h"

#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pointsfile {

// The line of one point without its line end: "250 310 術者" (the name in
// code page 932). Nothing, and in `error` why, for a point the reader would
// refuse (see write).
std::optional<std::string> pointLine(const namedpoints::NamedPoint& point, QString& error);

// The whole content. Nothing, and in `error` which point and why, when a name
// is empty, holds a control character or cannot be held in code page 932, or
// a position is not finite or beyond ±100000 cm: the reader would refuse it.
std::optional<std::string> write(const std::vector<namedpoints::NamedPoint>& points,
                                 QString& error);

// Reads the lines of a points file. Refused, with `error` naming `fileName`
// and the line: a line that is not two numbers and a name, a number that is
// not finite or beyond ±100000 cm, a name that is empty, not text of code page
// 932 or holds a control character.
std::optional<std::vector<namedpoints::NamedPoint>> parse(const std::vector<std::string>& lines,
                                                          const QString& fileName, QString& error);

// Writes the points of the layout `roomFile` beside it (pointsPath) through a
// temporary file renamed into place; writes nothing when write() refuses them.
// With no points the points file is removed: a layout without points has none.
// The ".Room" file is not touched.
bool save(const std::filesystem::path& roomFile, const std::vector<namedpoints::NamedPoint>& points,
          QString& error);

// Reads the points of the layout `roomFile`: none when it has no points file;
// nothing, and in `error` the file and line, when the points file cannot be
// read whole. The layout itself still loads then.
std::optional<std::vector<namedpoints::NamedPoint>> load(const std::filesystem::path& roomFile,
                                                         QString& error);

} // namespace pointsfile
