// Additive lagged-Fibonacci generator, modulus 16384, lags 24 and 55.
#pragma once

#include "geometry.h"

#include <array>
#include <cstdint>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// The single-stream run uses one generator seeded with the fixed table of its
// first value 3783; the scalar default run (--scalar) gives each chunk of
// histories a generator of its own, its table filled from a hash of (run
// seed, bin, chunk), so that the chunks' streams do not depend on which
// thread runs them. Either way two runs of the same inputs give the same
// result file. (The default run's lanes take LaneGenerator, below.) A draw is one of 16384
// values k/16384.1, which lets callers tabulate functions of a draw by k.
//
// With T(1..55) and the indices j, k stepping down together 31 apart, the new
// T(k) is the value drawn 24 steps ago plus the one drawn 55 steps ago, so the
// generator keeps its output as a plain sequence o(n) = o(n-24) + o(n-55)
// mod 16384 and makes it a block at a time.
class LaggedFibonacciGenerator {
public:
    static constexpr std::int32_t modulus = 16384;
    static constexpr float divisor = 16384.1f; // never 16384: a draw stays below 1

    LaggedFibonacciGenerator() { seed(); }

    // The fixed seeding of the single stream.
    void seed() {
        std::array<std::int32_t, 56> T{}; // T(1..55)
        T[1] = 3783;
        for (std::int32_t i = 2; i <= 55; ++i)
            T[i] = (2 * T[i - 1] + i) % modulus;
        seedFromTable(T);
    }

    // Seeds chunk `chunk` of bin `bin` of the run with seed `runSeed`: the 55
    // values are successive 14-bit outputs of SplitMix64 started from a hash
    // of the three numbers, at least one of them odd (an all-even table
    // would never give an odd value).
    void seedChunk(std::uint64_t runSeed, std::int32_t bin, std::int64_t chunk) {
        std::uint64_t state = mix64(mix64(mix64(runSeed) + static_cast<std::uint64_t>(bin)) +
                                    static_cast<std::uint64_t>(chunk));
        std::array<std::int32_t, 56> T{};
        bool anyOdd = false;
        for (int i = 1; i <= lagLong; ++i) {
            T[i] = static_cast<std::int32_t>(splitMix64(state) >> 50);
            anyOdd = anyOdd || (T[i] & 1) != 0;
        }
        if (!anyOdd)
            T[1] |= 1;
        seedFromTable(T);
    }

    // One step; returns the new T(k).
    std::int32_t step() {
        if (position_ == bufferSize)
            fill();
        return buffer_[position_++];
    }

    // The float in [0, 1) that the draw k stands for.
    static float toFloat(std::int32_t k) { return static_cast<float>(k) / divisor; }

    // One step as its float, toFloat(step()), made with the block.
    float draw() {
        if (position_ == bufferSize)
            fill();
        return draws_[position_++];
    }

    // Steps made since seeding.
    std::int64_t steps() const { return stepsBefore_ + (position_ - lagLong); }

    // Generators are equal when they have made the same number of steps
    // since seeding and their last 55 values, which decide every later one,
    // are equal.
    bool operator==(const LaggedFibonacciGenerator& other) const {
        if (steps() != other.steps())
            return false;
        for (int i = 1; i <= lagLong; ++i)
            if (buffer_[position_ - i] != other.buffer_[other.position_ - i])
                return false;
        return true;
    }

    // SplitMix64: the next output of the sequence whose state is `state`.
    static std::uint64_t splitMix64(std::uint64_t& state) {
        state += 0x9E3779B97F4A7C15ull;
        return mix64(state);
    }

    // The SplitMix64 finaliser.
    static std::uint64_t mix64(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    friend class DrawCursor;

    // The next block, for a cursor that had reached `position`; returns the new position.
    std::int32_t refillFrom(std::int32_t position) {
        position_ = position;
        fill();
        return position_;
    }

    // T(1..55) as the seeding leaves it, then the 1000 warm-up steps.
    void seedFromTable(const std::array<std::int32_t, 56>& T) {
        // The first step writes slot 55 from slots 24 and 55, the next slot 54
        // from 23 and 54, ...: T(k) stands for the value drawn k steps before
        // the first draw.
        for (int k = 1; k <= lagLong; ++k)
            buffer_[lagLong - k] = T[k];
        position_ = lagLong;
        fill();
        stepsBefore_ = 0;
        for (int n = 0; n < 1000; ++n)
            step();
    }

    static constexpr int lagShort = 24;
    static constexpr int lagLong = 55;
    static constexpr int blockSize = 1024;
    static constexpr int bufferSize = lagLong + blockSize;

    // Moves the last 55 values to the front and makes the next block, with
    // its floats (a division is exact-rounded, so a block at a time gives
    // the very floats of toFloat).
    void fill() {
        stepsBefore_ += position_ - lagLong;
        for (int i = 0; i < lagLong; ++i)
            buffer_[i] = buffer_[position_ - lagLong + i];
        for (int i = lagLong; i < bufferSize; ++i)
            buffer_[i] = (buffer_[i - lagShort] + buffer_[i - lagLong]) & (modulus - 1);
        for (int i = lagLong; i < bufferSize; ++i)
            draws_[i] = static_cast<float>(buffer_[i]) / divisor;
        position_ = lagLong;
    }

    std::array<std::int32_t, bufferSize> buffer_{};
    std::array<float, bufferSize> draws_{};
    std::int32_t position_ = lagLong;
    std::int64_t stepsBefore_ = 0; // steps made before the current block
};

// The generator of one lane of the default run (lane_run.h): xoshiro128**,
// 32-bit words of state, its state from SplitMix64 started at a hash of
// (run seed, bin, chunk, lane). The lagged-Fibonacci generator does not
// serve lanes that step together: a lane takes the values of rows a fixed
// pattern of steps apart, and the recurrence v(n) = v(n-24) + v(n-55) then
// ties a lane's free paths to its earlier trials. Each 32-bit output gives
// two draws of the same 16384 values k as the lagged-Fibonacci generator's,
// so that the tables by draw serve both: its bits 18..31, then its bits 4..17.
class LaneGenerator {
public:
    using State = std::array<std::uint32_t, 4>;

    LaneGenerator(std::uint64_t runSeed, std::int32_t bin, std::int64_t chunk, int lane)
        : s_(seedState(runSeed, bin, chunk, lane)) {}

    static State seedState(std::uint64_t runSeed, std::int32_t bin, std::int64_t chunk, int lane) {
        using G = LaggedFibonacciGenerator;
        std::uint64_t state =
            G::mix64(G::mix64(G::mix64(G::mix64(runSeed) + static_cast<std::uint64_t>(bin)) +
                              static_cast<std::uint64_t>(chunk)) +
                     static_cast<std::uint64_t>(lane));
        const std::uint64_t a = G::splitMix64(state);
        const std::uint64_t b = G::splitMix64(state);
        State s{std::uint32_t(a), std::uint32_t(a >> 32), std::uint32_t(b), std::uint32_t(b >> 32)};
        if ((s[0] | s[1] | s[2] | s[3]) == 0) // the one state that stays put
            s[0] = 1;
        return s;
    }

    // One step of xoshiro128**: the next 32-bit output.
    std::uint32_t next() {
        const std::uint32_t result = rotateLeft(s_[1] * 5, 7) * 9;
        const std::uint32_t t = s_[1] << 9;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotateLeft(s_[3], 11);
        return result;
    }

    // The next draw k, 0 <= k < 16384.
    std::int32_t step() {
        if (half_) {
            half_ = false;
            return static_cast<std::int32_t>((word_ >> 4) & (modulus - 1));
        }
        word_ = next();
        half_ = true;
        return static_cast<std::int32_t>(word_ >> 18);
    }

    static constexpr std::int32_t modulus = LaggedFibonacciGenerator::modulus;

private:
    static std::uint32_t rotateLeft(std::uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }

    State s_;
    std::uint32_t word_ = 0;
    bool half_ = false;
};

// The draws of a generator through a position held in a local variable (so
// in a register) for one history; the generator takes the position back when
// the cursor goes. The draws are the generator's own, in the same order.
class DrawCursor {
public:
    explicit DrawCursor(LaggedFibonacciGenerator& generator)
        : generator_(generator), position_(generator.position_) {}
    ~DrawCursor() { generator_.position_ = position_; }
    DrawCursor(const DrawCursor&) = delete;
    DrawCursor& operator=(const DrawCursor&) = delete;

    std::int32_t step() {
        if (position_ == LaggedFibonacciGenerator::bufferSize)
            position_ = generator_.refillFrom(position_);
        return generator_.buffer_[position_++];
    }

    float draw() {
        if (position_ == LaggedFibonacciGenerator::bufferSize)
            position_ = generator_.refillFrom(position_);
        return generator_.draws_[position_++];
    }

private:
    LaggedFibonacciGenerator& generator_;
    std::int32_t position_;
};

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
