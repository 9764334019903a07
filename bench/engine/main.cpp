// Engine benchmark: the fixed job in both geometries, in-process: the
// single-stream run, the scalar default run (--scalar) and the default run
// in lanes, each on one thread and on every hardware thread.
//   engine_bench [photonCount [single|scalar1|scalarN|default1|defaultN|all [PLANES]]]
// PLANES adds maps to the job: 0 (none, the default), 3 or 8 heights above
// the floor, each optionally with the vertical section ("3+vs", "8+vs", "vs").
// The physical data come from data/ and the spectrum from B_SPCTL.dat beside
// this file (written by spectrum-model --kv 80 --angle 12 --inherent 2.5
// --al 1.5 --cu 0 --ma 1 --mode 1).
#include "bench_job.h"

#include <textrec/exchange_files.h>
#include <textrec/planes.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const std::string photonCount = argc > 1 ? argv[1] : "1.000E+07";
    // Extra maps: heights above the floor around the phantom centre at
    // 100 cm, and the vertical section.
    const std::string planes = argc > 3 ? argv[3] : "0";
    textrec::planes::PlaneRequest request;
    if (planes == "3" || planes == "3+vs")
        request.heights = {150, 170, 50};
    else if (planes == "8" || planes == "8+vs")
        request.heights = {0, 30, 50, 80, 120, 150, 170, 200};
    else if (planes != "0" && planes != "vs") {
        std::fprintf(stderr, "PLANES is 0, 3, 8, vs, 3+vs or 8+vs, not \"%s\"\n", planes.c_str());
        return 2;
    }
    request.verticalSection = planes.ends_with("vs");
    const fs::path folder =
        fs::temp_directory_path() / ("engine-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    namespace exchange = textrec::exchange;
    for (const char* name :
         {exchange::crossSectionFile, exchange::airAbsorptionFile, exchange::kermaToDoseFile})
        fs::copy_file(fs::path(BENCH_DATA_DIR) / name, folder / name,
                      fs::copy_options::overwrite_existing);
    fs::copy_file(BENCH_SPECTRUM, folder / exchange::spectrumFile,
                  fs::copy_options::overwrite_existing);
    std::ofstream(folder / exchange::jobFile, std::ios::binary)
        << "2.259E-03\r\n90.0\r\n20.0\r\n20.0\r\n"
        << photonCount << "\r\nbench.data\r\n"
        << textrec::planes::jobFileLines(request);

    // Which runs: "all" (default), or one of "single", "scalar1", "scalarN",
    // "default1", "defaultN" (the default run in lanes; scalar: --scalar).
    const std::string which = argc > 2 ? argv[2] : "all";
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    struct Run {
        const char* key;
        std::string label;
        BenchMode mode;
    };
    const std::string n = std::to_string(threads);
    const std::vector<Run> runs = {
        {"single", "single stream,       1 thread ", {true, false, 1}},
        {"scalar1", "scalar default run,  1 thread ", {false, true, 1}},
        {"scalarN", "scalar default run,  " + n + " threads", {false, true, threads}},
        {"default1", "default run (lanes), 1 thread ", {false, false, 1}},
        {"defaultN", "default run (lanes), " + n + " threads", {false, false, threads}},
    };

    int status = 0;
    try {
        std::printf("engine benchmark: 80 kV CP, 12 deg, 2.5 + 1.5 mm Al, 20 x 20 cm at FSD 90 cm, "
                    "%s histories, %zu heights%s\n",
                    photonCount.c_str(), request.heights.size(),
                    request.verticalSection ? " and the vertical section" : "");
        for (const Run& run : runs) {
            if (which != "all" && which != run.key)
                continue;
            const BenchFigures lying = quenro::geometry1::runBenchJob(folder, run.mode);
            const BenchFigures standing = quenro::geometry2::runBenchJob(folder, run.mode);
            for (const auto& [name, f] : {std::pair{"Quenro-11 (lying)   ", lying},
                                          std::pair{"Quenro-22 (standing)", standing}})
                std::printf("%s  %s  %lld histories  %.3f s wall  %.3f M histories/s (wall)  "
                            "%.3f s CPU  %.3f M/s per core (CPU)  kerma sum %.6e  maps %016llx\n",
                            run.label.c_str(), name, static_cast<long long>(f.histories),
                            f.wallSeconds, f.histories / f.wallSeconds * 1e-6, f.cpuSeconds,
                            f.histories / f.cpuSeconds * 1e-6, f.kermaSum,
                            static_cast<unsigned long long>(f.digest));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    fs::remove_all(folder);
    return status;
}
