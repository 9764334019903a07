// Times a whole merge (FLname.txt, result file, resampling, F2B.dat) in a
// scratch folder. Without an engine result at hand it writes a synthetic one:
// smooth positive dose rates falling with distance from the phantom, a little
// statistical noise, and the 136-line layout of the engine.
//
//   merger_bench [--result=<file.data>] [benchmark options]
#include "merge.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

fs::path folder;

fs::path mergeRequest() {
    return textrec::exchange::readMergeRequest(folder / textrec::exchange::mergeRequestFile);
}

std::string syntheticResult() {
    std::mt19937 gen(7);
    std::normal_distribution<float> noise(1.0f, 0.03f);
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    for (const char* h : {"  1", " 0.2113E-02", " 65.0", " 20.0", " 20.0", " 80.0", "0.5000",
                          "  3.0", "  2.650", " 35.120", " 47.300", " 0.1E+09", "  Gy/min"})
        line(h);
    for (float scale : {1.0f, 1.35f}) {
        for (int j = 1; j <= 61; ++j) {
            std::string s;
            for (int i = 1; i <= 41; ++i) {
                float x = 10.0f * (i - 1), c = 10.0f * (j - 1) - 300.0f;
                float v = 0;
                if (i >= 3) {
                    float r = std::sqrt(x * x + 0.6f * c * c) + 20.0f;
                    v = scale * 2.5e-4f / (r * r) * std::exp(-r / 900.0f) * noise(gen);
                }
                s += textrec::formatE(v, 11, 4);
            }
            line(s);
        }
        if (scale == 1.0f)
            line("  Sv/min");
    }
    return text;
}

void BM_WholeMerge(benchmark::State& state) {
    std::ostringstream console, errors;
    for (auto _ : state) {
        if (merger::runMerge(folder, console, errors) != 0) {
            state.SkipWithError(errors.str().c_str());
            break;
        }
    }
    state.counters["fields"] =
        2.0 * textrec::exchange::mergedgrid::rows * textrec::exchange::mergedgrid::columns;
}
BENCHMARK(BM_WholeMerge)->Unit(benchmark::kMillisecond);

void BM_ReadResultFile(benchmark::State& state) {
    fs::path result = folder / mergeRequest();
    for (auto _ : state)
        benchmark::DoNotOptimize(merger::readResultFile(result));
}
BENCHMARK(BM_ReadResultFile)->Unit(benchmark::kMillisecond);

void BM_ResampleBothMaps(benchmark::State& state) {
    auto maps = merger::readResultFile(folder / mergeRequest());
    for (auto _ : state) {
        benchmark::DoNotOptimize(merger::resample(maps.kerma));
        benchmark::DoNotOptimize(merger::resample(maps.doseEquivalent));
    }
}
BENCHMARK(BM_ResampleBothMaps)->Unit(benchmark::kMillisecond);

void BM_FormatMergedGrid(benchmark::State& state) {
    auto maps = merger::readResultFile(folder / mergeRequest());
    auto kerma = merger::resample(maps.kerma);
    auto dose = merger::resample(maps.doseEquivalent);
    for (auto _ : state)
        benchmark::DoNotOptimize(merger::formatMergedGrid(kerma, dose));
}
BENCHMARK(BM_FormatMergedGrid)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    std::string given;
    for (int n = 1; n < argc; ++n)
        if (std::strncmp(argv[n], "--result=", 9) == 0) {
            given = argv[n] + 9;
            std::memmove(argv + n, argv + n + 1,
                         sizeof(char*) * static_cast<std::size_t>(argc - n));
            --argc;
            --n;
        }
    folder = fs::temp_directory_path() / "merger-bench";
    fs::create_directories(folder);
    if (given.empty())
        std::ofstream(folder / "bench.data", std::ios::binary) << syntheticResult();
    else
        fs::copy_file(given, folder / "bench.data", fs::copy_options::overwrite_existing);
    std::ofstream(folder / textrec::exchange::mergeRequestFile, std::ios::binary)
        << "bench.data\r\n";

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(folder);
    return 0;
}
