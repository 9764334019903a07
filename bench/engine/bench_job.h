// The benchmark job of one geometry, run in-process.
#pragma once

#include <cstdint>
#include <filesystem>

struct BenchFigures {
    std::int64_t histories = 0;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double kermaSum = 0;      // sum of the normalised kerma map, to show the run did work
    std::uint64_t digest = 0; // FNV-1a of both normalised maps' bytes: equal runs, equal digests
};

struct BenchMode {
    bool singleStream = false;
    bool scalar = false; // the scalar default run (--scalar)
    int threads = 1;
};

// `folder` holds the five input files of the job.
// (The engine keeps each geometry in an inline namespace of its own.)
namespace quenro {
inline namespace geometry1 {
BenchFigures runBenchJob(const std::filesystem::path& folder, const BenchMode& mode);
}
inline namespace geometry2 {
BenchFigures runBenchJob(const std::filesystem::path& folder, const BenchMode& mode);
}
} // namespace quenro
