// The result file and the console records of the run.
#pragma once

#include "geometry.h"
#include "inputs.h"
#include "scoring.h"

#include <textrec/result_file.h>

#include <string>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

inline constexpr int resultFileLines = textrec::resultfile::lines;

// The whole result file: 13 header lines, the kerma map (61 lines of 41
// E11.4 fields), one heading line and the dose-equivalent map; CR LF endings.
std::string formatResultFile(const EngineInputs& inputs, float kermaRateAtSkin,
                             const DoseGrid& grid);

// Console records: the first character of a record is carriage control and
// is not shown.
std::string binProgressLine(int k, int highestBin);
std::string timeLine(const char* label, int hour, int minute, int second);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
