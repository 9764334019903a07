// Times the spectrum model over the installed data tables.
//   tube_bench [--benchmark_filter=...]
#include "XrayTubeModel.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const Module1::SpectrumTables& tables() {
    static const Module1::SpectrumTables loaded = [] {
        Module1::SpectrumTables t;
        const std::string error = Module1::loadSpectrumTables(DATA_DIR, t);
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
        return t;
    }();
    return loaded;
}

Module1::TubeSettings settings(double kv, int mode) {
    Module1::TubeSettings s;
    s.tubeVoltage = kv;
    s.rectificationMode = mode;
    return s;
}

// The model alone, per rectification mode at the highest voltage.
void BM_computeSpectrum(benchmark::State& state) {
    const Module1::TubeSettings s = settings(149.5, static_cast<int>(state.range(0)));
    Module1::SpectrumArrays arrays;
    for (auto _ : state) {
        Module1::SpectrumResult r = Module1::computeSpectrum(tables(), s, arrays);
        benchmark::DoNotOptimize(r.kermaRatio);
    }
}
BENCHMARK(BM_computeSpectrum)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// What the window waits for: the model and the writing of B_SPCTL.dat, in the
// worst case.
void BM_ComputeSpectrumWorstCase(benchmark::State& state) {
    Module1::spectrumTables = tables();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("spectrum-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const Module1::TubeSettings s = settings(149.5, Module1::kSinglePhaseFullWave);
    for (auto _ : state) {
        Module1::SpectrumResult r = Module1::ComputeSpectrum(s, folder);
        if (!r.ok())
            state.SkipWithError(r.error.c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ComputeSpectrumWorstCase)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
