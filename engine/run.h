// The engine's console dialogue from loading to the final prompt.
#pragma once

#include "geometry.h"
#include "history.h"

#include <filesystem>
#include <iosfwd>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// Loads the inputs from `folder`, shows the title and waits for Enter on `in`,
// runs all histories as `options` say, writes the result file and its
// uncertainty file into `folder` and waits for Enter again. Returns the exit
// status: 0 after a complete run, 1 when an input is refused, the first Enter
// meets the end of input or the result cannot be written.
int runEngine(std::istream& in, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder, const RunOptions& options);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
