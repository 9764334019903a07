// The result file and the console records of the run.
#pragma once

#include "geometry.h"
#include "inputs.h"
#include "scoring.h"

#include <textrec/result_file.h>

#include <cstdint>
#include <string>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

inline constexpr int resultFileLines = textrec::resultfile::lines;

// The whole result file: 13 header lines, the kerma map (61 lines of 41
// E11.4 fields), one heading line and the dose-equivalent map; CR LF endings.
std::string formatResultFile(const EngineInputs& inputs, float kermaRateAtSkin,
                             const DoseGrid& grid);

// The uncertainty file written beside the result (its name followed by
// textrec::exchange::uncertaintySuffix): the result file's header lines 1-12,
// then "  relative" on lines 13 and 75 and the relative standard errors of the
// two maps in the maps' places.
std::string formatUncertaintyFile(const EngineInputs& inputs, float kermaRateAtSkin,
                                  const DoseGrid& relativeErrors);

// Console records: the first character of a record is carriage control and
// is not shown.
std::string binProgressLine(int k, int highestBin);
std::string timeLine(const char* label, int hour, int minute, int second);

// What follows the bin record on a progress line: the share of all histories
// done and, once some are done, the time left at the rate so far
// ("   35 %   0:19 left"); 100 % when there is nothing to do.
std::string progressTail(std::int64_t done, std::int64_t total, double elapsedSeconds);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
