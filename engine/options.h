// The engine's command line. The window program starts the engines without
// arguments, which gives the default run on every hardware thread.
#pragma once

#include "geometry.h"
#include "history.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

struct EngineOptions {
    RunOptions run;
    bool help = false;
};

// The hardware threads of this machine (at least 1).
int hardwareThreads();

// Reads --threads N, --seed S, --instruction-set SET, --scalar,
// --single-stream and --help. Returns nothing and writes why to `err` for
// anything else, a value out of range, an instruction set this processor
// lacks, or two runs at once.
std::optional<EngineOptions> parseArguments(const std::vector<std::string>& arguments,
                                            std::ostream& err);

// The text of --help.
std::string usageText(const std::string& program);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
