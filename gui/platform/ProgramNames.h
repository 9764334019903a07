// The windows name the console programs as "Quenro-11.exe", "Quenro-22.exe" and
// "quenro-3.exe". This is the one place that maps those names to the file names
// of the platform the program was built for.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// "Quenro-11.exe" -> "Quenro-11" on Linux, unchanged on Windows.
std::string platformProgramName(std::string_view windowsName);

} // namespace platform
