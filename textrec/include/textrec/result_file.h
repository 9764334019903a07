// Layout of a result file, which the engine writes and the merger and the
// window program read: 13 header lines, the air-kerma map (61 lines of 41
// E11.4 fields), one heading line and the dose-equivalent map; CR LF endings.
#pragma once

namespace textrec::resultfile {

inline constexpr int columns = 41; // d = 0, 10, ..., 400 cm from the mid-plane
inline constexpr int rows = 61;    // c = -300, ..., +300 cm
inline constexpr int fieldWidth = 11;
inline constexpr int headerLines = 13;
inline constexpr int firstMapLine = headerLines + 1;          // 1-based: 14
inline constexpr int secondMapLine = firstMapLine + rows + 1; // 76, after its heading line
inline constexpr int lines = secondMapLine + rows - 1;        // 136

static_assert(lines == 136);

} // namespace textrec::resultfile
