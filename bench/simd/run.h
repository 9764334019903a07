// A variant of the kernel and the timing of all of them (main.cpp).
#pragma once

#include "kernel.h"

#include <string>
#include <vector>

namespace simdkernel {

using StepsFunction = void (*)(const Tables&, Photons&, int steps, float cosTheta);

struct Variant {
    std::string name;
    StepsFunction steps;
};

std::vector<Variant> highwayVariants();
// Built once per compiler flag set: std::experimental::simd takes its width
// from the flags of its translation unit (native_simd<float>).
std::vector<Variant> stdSimdVariants();

} // namespace simdkernel
