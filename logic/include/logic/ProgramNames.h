// The windows name the console programs as "Quenro-11.exe", "Quenro-22.exe" and
// "quenro-3.exe". This is the one place that maps those names to the file names
// of the platform the program was built for, and that finds the programs.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace platform {

// "Quenro-11.exe" -> "Quenro-11" on Linux, unchanged on Windows.
std::string platformProgramName(std::string_view windowsName);

// The full path of `program` (a platform file name): in the working folder
// `workDir` first, then beside the running program; empty when it is in
// neither.
QString locateProgram(const QString& program, const QString& workDir);

// What is missing when a program is in neither place it is looked for: the
// program and the folders, each named once (the working folder may be the
// running program's own).
QString notFoundIn(const QString& program, const QString& workDir);

} // namespace platform
