// Additive lagged-Fibonacci generator, modulus 16384, lags 24 and 55.
#pragma once

#include "geometry.h"

#include <array>
#include <cstdint>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// One generator serves a whole run; it is seeded with a fixed value so that
// two runs of the same inputs give the same result file. A draw is one of
// 16384 values k/16384.1, which lets callers tabulate functions of a draw by k.
class LaggedFibonacciGenerator {
public:
    static constexpr std::int32_t modulus = 16384;
    static constexpr float divisor = 16384.1f; // never 16384: a draw stays below 1

    LaggedFibonacciGenerator() { seed(); }

    void seed() {
        table_[1] = 3783;
        for (std::int32_t i = 2; i <= 55; ++i)
            table_[i] = (2 * table_[i - 1] + i) % modulus;
        j_ = 24;
        k_ = 55;
        for (int n = 0; n < 1000; ++n)
            step();
    }

    // One step; returns the new T(k), taken before the indices move on.
    std::int32_t step() {
        std::int32_t value = table_[j_] + table_[k_];
        if (value >= modulus)
            value -= modulus;
        table_[k_] = value;
        j_ = j_ == 1 ? 55 : j_ - 1;
        k_ = k_ == 1 ? 55 : k_ - 1;
        return value;
    }

    // The float in [0, 1) that the draw k stands for.
    static float toFloat(std::int32_t k) { return static_cast<float>(k) / divisor; }

    float draw() { return toFloat(step()); }

    bool operator==(const LaggedFibonacciGenerator&) const = default;

private:
    std::array<std::int32_t, 56> table_{}; // T(1..55); element 0 unused
    std::int32_t j_ = 24;
    std::int32_t k_ = 55;
};

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
