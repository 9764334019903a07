// simd_kernel_bench [photons [steps]]: one step of the lanes (kernel.h) with
// each vector library this program holds, against the plain loop; prints
// steps per second and whether the variant computes what the loop computes.
#include "run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

using namespace simdkernel;

namespace {

std::vector<Variant> variants();

void plainSteps(const Tables& t, Photons& p, int steps, float cosTheta) {
    for (int step = 0; step < steps; ++step)
        for (int i = 0; i < int(p.x.size()); ++i)
            stepOne(t, p, i, cosTheta);
}

// Same photons inside after one step, and positions to float rounding.
bool agrees(const Photons& a, const Photons& b) {
    for (std::size_t i = 0; i < a.x.size(); ++i) {
        if (a.inside[i] != b.inside[i] || a.pathDraw[i] != b.pathDraw[i])
            return false;
        if (std::fabs(a.x[i] - b.x[i]) > 1e-4f * (1.0f + std::fabs(a.x[i])))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int photons = argc > 1 ? std::atoi(argv[1]) : 4096;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 20000;
    if (photons <= 0 || photons % 16 != 0 || steps <= 0) {
        std::fprintf(stderr, "usage: %s [photons, a multiple of 16 [steps]]\n", argv[0]);
        return 2;
    }
    const Tables tables = makeTables();
    const float cosTheta = 0.6f;
    std::vector<Variant> all = {{"plain loop", &plainSteps}};
    for (const Variant& v : variants())
        all.push_back(v);
    Photons reference = makePhotons(photons);
    plainSteps(tables, reference, 1, cosTheta);
    for (const Variant& v : all) {
        Photons check = makePhotons(photons);
        v.steps(tables, check, 1, cosTheta);
        double best = 1e30;
        for (int repeat = 0; repeat < 5; ++repeat) {
            Photons p = makePhotons(photons);
            const auto start = std::chrono::steady_clock::now();
            v.steps(tables, p, steps, cosTheta);
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
        }
        std::printf("%-44s %8.1f M photon steps/s  %s\n", v.name.c_str(),
                    double(photons) * steps / best / 1e6,
                    agrees(reference, check) ? "agrees with the plain loop" : "DIFFERS");
    }
    return 0;
}

namespace {
std::vector<Variant> variants() {
#ifdef QUENRO_SIMD_FLAGS
    return stdSimdVariants();
#else
    return highwayVariants();
#endif
}
} // namespace
