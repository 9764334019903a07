#include "bench_job.h"

#include "history.h"
#include "inputs.h"
#include "scoring.h"

#include <chrono>
#include <ctime>
#include <memory>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
}

} // namespace

BenchFigures runBenchJob(const std::filesystem::path& folder, const BenchMode& mode) {
    const EngineInputs inputs = loadInputs(folder);
    const SimulationTables tables = makeSimulationTables(inputs);
    RunOptions options;
    options.singleStream = mode.singleStream;
    options.scalar = mode.scalar;
    options.threads = mode.threads;
    auto run = std::make_unique<RunTallies>(tables.scoring.planes.count);
    auto grid = std::make_unique<DoseGrid>();

    BenchFigures figures;
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = cpuSeconds();
    figures.histories = runAllHistories(inputs, tables, options, *run, nullptr);
    figures.cpuSeconds = cpuSeconds() - cpu0;
    figures.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

    roundToGrid((*run)[0], *grid);
    normalise(*grid, computeNormalisation(inputs).factor);
    for (const auto& row : grid->kerma)
        for (float cell : row)
            figures.kermaSum += cell;
    std::uint64_t digest = 14695981039346656037ull;
    for (const auto* map : {&grid->kerma, &grid->doseEquivalent}) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(map);
        for (std::size_t n = 0; n < sizeof(*map); ++n)
            digest = (digest ^ bytes[n]) * 1099511628211ull;
    }
    figures.digest = digest;
    return figures;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
