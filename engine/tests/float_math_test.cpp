// The engine's own float functions. Their results are pinned to the reference
// results the result files were made with: digests of sweeps over the float
// arguments, and single values at the edges of each path. They are also held
// to one unit in the last place against the double-precision functions, which
// catches a wrong coefficient whatever the reference.
#include "float_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace fm = quenro::floatmath;

namespace {

std::uint32_t bitsOf(float x) {
    return std::bit_cast<std::uint32_t>(x);
}
float floatOf(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

// FNV-1a over the result bits of f at the arguments first, first + stride, ...
// up to last (as bit patterns).
template <class F>
std::uint64_t digestOf(F f, std::uint64_t first, std::uint64_t last, std::uint64_t stride) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint64_t v = first; v <= last; v += stride) {
        const std::uint32_t out = f(floatOf(static_cast<std::uint32_t>(v)));
        for (int i = 0; i < 4; ++i)
            h = (h ^ ((out >> (8 * i)) & 255)) * 1099511628211ull;
    }
    return h;
}

std::uint32_t sinCosBits(float x) {
    const fm::SinCos sc = fm::sincos(x);
    return bitsOf(sc.sine) ^ (bitsOf(sc.cosine) * 2654435761u);
}

// The configure step once never ran its check for FMA, and every engine was
// built without it, a fifth slower, with nothing to show for it. (Only the
// native build that was not told to leave FMA off defines the macro.)
#if defined(QUENRO_EXPECT_HOST_FMA) && (defined(__x86_64__) || defined(_M_X64)) && defined(__GNUC__)
TEST(FloatMath, BuiltWithFmaInstructionsWhereTheBuildingMachineHasThem) {
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("fma"))
        GTEST_SKIP() << "this processor has no FMA instructions";
#ifndef __FMA__
    FAIL() << "the processor has FMA, but the float functions were built without it";
#endif
}
#endif

TEST(FloatMath, SweepsGiveTheReferenceResults) {
    // atan and exp on every 997th bit pattern (infinities and NaNs included),
    // log on every 499th positive normal float, sin and sin+cos on every
    // 251st float below 120 in magnitude, of either sign.
    EXPECT_EQ(digestOf([](float x) { return bitsOf(fm::atan(x)); }, 0, 0xffffffffull, 997),
              0x30c7322a23f18df2ull);
    EXPECT_EQ(digestOf([](float x) { return bitsOf(fm::exp(x)); }, 0, 0xffffffffull, 997),
              0x35be1465380b3f86ull);
    EXPECT_EQ(digestOf([](float x) { return bitsOf(fm::log(x)); }, 0x00800000, 0x7f7fffff, 499),
              0x930b2693962d00c6ull);
    EXPECT_EQ(digestOf([](float x) { return bitsOf(fm::sin(x)); }, 0, 0x42efffff, 251),
              0xbd576eb5d15e0e4eull);
    EXPECT_EQ(digestOf([](float x) { return bitsOf(fm::sin(x)); }, 0x80000000u, 0xc2efffffu, 251),
              0x356cce97a95aa1ceull);
    EXPECT_EQ(digestOf(sinCosBits, 0, 0x42efffff, 251), 0xfa62810440209c1eull);
    EXPECT_EQ(digestOf(sinCosBits, 0x80000000u, 0xc2efffffu, 251), 0xbaa0d89a6f6dc79eull);
}

struct Reference {
    float x;
    std::uint32_t atan, exp, log, sin, cos;
};

// The boundaries of the atan ranges (7/16, 11/16, 19/16, 39/16), exp near its
// overflow and underflow limits, sin and cos at and around the quadrants.
constexpr Reference references[] = {
    {0x1p+0f, 0x3f490fdb, 0x402df854, 0x00000000, 0x3f576aa4, 0x3f0a5140},
    {0x1.cp-2f, 0x3ed32776, 0x3fc64012, 0xbf53a135, 0x3ed8ec18, 0x3f67e368},
    {0x1.6p-1f, 0x3f1a2f81, 0x3ffe8ef3, 0xbebfd7d2, 0x3f22759c, 0x3f45d883},
    {0x1.3p+0f, 0x3f5ef387, 0x4051d911, 0x3e2ff984, 0x3f6d6c81, 0x3ebf7a42},
    {0x1.38p+1f, 0x3f973ab9, 0x41371c3d, 0x3f6416cd, 0x3f25b83d, 0xbf431f7d},
    {0x1p-1f, 0x3eed6338, 0x3fd3094c, 0xbf317218, 0x3ef57744, 0x3f60a940},
    {0x1.62ccccp+6f, 0x3fc79e72, 0x7f7a37fc, 0x408f8740, 0x3f2bbf2c, 0x3f3dd6ec},
    {0x1p+1f, 0x3f8db70d, 0x40ec7326, 0x3f317218, 0x3f68c7b7, 0xbed51133},
    {0x1.0624dep-10f, 0x3a83126c, 0x3f8020c9, 0xc0dd0c55, 0x3a83126e, 0x3f7ffff8},
    {0x1.921fb4p-1f, 0x3f2a7026, 0x400c5eb3, 0xbe775cb1, 0x3f3504f3, 0x3f3504f4},
    {0x1.921fb6p+0f, 0x3f807f4c, 0x4099ef6f, 0x3ee735da, 0x3f800000, 0xb33bbd2e},
    {0x1.921fbp+1f, 0x3fa19dc4, 0x41b9201c, 0x3f928681, 0x3528885a, 0xbf800000},
    {0x1.921fbp+2f, 0x3fb4dc0a, 0x4405df6c, 0x3feb3f8d, 0xb5a8885a, 0x3f800000},
    {0x1.df999ap+6f, 0x3fc7fe91, 0x7f800000, 0x40992c4e, 0x3efe2bff, 0x3f5e3a4d},
    {0x1.4f8b58p-17f, 0x3727c5ac, 0x3f800054, 0xc13834f1, 0x3727c5ac, 0x3f800000},
    {0x1.4484cp-100f, 0x0da24260, 0x3f800000, 0xc28a27b5, 0x0da24260, 0x3f800000},
};

TEST(FloatMath, ValuesAtTheEdgesOfEachPath) {
    for (const Reference& r : references) {
        SCOPED_TRACE(testing::Message() << std::hexfloat << "x = " << r.x);
        EXPECT_EQ(bitsOf(fm::atan(r.x)), r.atan);
        EXPECT_EQ(bitsOf(fm::atan(-r.x)), r.atan ^ 0x80000000u);
        EXPECT_EQ(bitsOf(fm::exp(r.x)), r.exp);
        EXPECT_EQ(bitsOf(fm::log(r.x)), r.log);
        EXPECT_EQ(bitsOf(fm::sin(r.x)), r.sin);
        EXPECT_EQ(bitsOf(fm::sin(-r.x)), r.sin ^ 0x80000000u);
        const fm::SinCos sc = fm::sincos(r.x);
        EXPECT_EQ(bitsOf(sc.sine), r.sin);
        EXPECT_EQ(bitsOf(sc.cosine), r.cos);
    }
}

TEST(FloatMath, ZerosInfinitiesAndLimits) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // atan keeps the sign of zero; beyond 2^25 it is pi/2 as the float nearest
    // to atanHi + atanLo.
    EXPECT_EQ(bitsOf(fm::atan(0.0f)), 0x00000000u);
    EXPECT_EQ(bitsOf(fm::atan(-0.0f)), 0x80000000u);
    EXPECT_EQ(bitsOf(fm::atan(inf)), 0x3fc90fdbu);
    EXPECT_EQ(bitsOf(fm::atan(-inf)), 0xbfc90fdbu);
    EXPECT_EQ(bitsOf(fm::atan(3.0e7f)), 0x3fc90fdau);
    EXPECT_TRUE(std::isnan(fm::atan(nan)));
    // exp: 1 at zero, infinity above 88.72, the smallest subnormal just above
    // -103.97, 0 below it and at minus infinity.
    EXPECT_EQ(fm::exp(0.0f), 1.0f);
    EXPECT_EQ(fm::exp(-0.0f), 1.0f);
    EXPECT_EQ(fm::exp(89.0f), inf);
    EXPECT_EQ(fm::exp(inf), inf);
    EXPECT_EQ(bitsOf(fm::exp(-100.0f)), 0x0000001bu);
    EXPECT_EQ(bitsOf(fm::exp(-103.5f)), 0x00000001u);
    EXPECT_EQ(bitsOf(fm::exp(-104.0f)), 0x00000000u);
    EXPECT_EQ(bitsOf(fm::exp(-inf)), 0x00000000u);
    EXPECT_TRUE(std::isnan(fm::exp(nan)));
    // log: exactly 0 at 1, minus infinity at 0, NaN below.
    EXPECT_EQ(bitsOf(fm::log(1.0f)), 0x00000000u);
    EXPECT_EQ(fm::log(0.0f), -inf);
    EXPECT_TRUE(std::isnan(fm::log(-1.0f)));
    EXPECT_EQ(fm::log(inf), inf);
    // sin and cos of zero and of tiny angles.
    EXPECT_EQ(bitsOf(fm::sin(-0.0f)), 0x80000000u);
    EXPECT_EQ(bitsOf(fm::sincos(-0.0f).sine), 0x80000000u);
    EXPECT_EQ(fm::sincos(0.0f).cosine, 1.0f);
    EXPECT_EQ(fm::sincos(1e-5f).sine, 1e-5f);
}

// Largest error in units of the last place of the float nearest the exact value.
template <class F, class Exact>
double largestUlpError(F f, Exact exact, float from, float to, int steps) {
    double worst = 0;
    for (int i = 0; i <= steps; ++i) {
        const float x = from + (to - from) * static_cast<float>(i) / static_cast<float>(steps);
        const double e = exact(static_cast<double>(x));
        const float nearest = static_cast<float>(e);
        const double ulp = std::nextafter(std::fabs(nearest), std::numeric_limits<float>::max()) -
                           std::fabs(nearest);
        worst = std::max(worst, std::fabs(static_cast<double>(f(x)) - e) / ulp);
    }
    return worst;
}

TEST(FloatMath, WithinOneUnitInTheLastPlace) {
    const auto atan = [](double x) { return std::atan(x); };
    const auto exp = [](double x) { return std::exp(x); };
    const auto log = [](double x) { return std::log(x); };
    const auto sin = [](double x) { return std::sin(x); };
    const auto cos = [](double x) { return std::cos(x); };
    const auto sinOfSinCos = [](float x) { return fm::sincos(x).sine; };
    const auto cosOfSinCos = [](float x) { return fm::sincos(x).cosine; };
    const int steps = 200000;
    EXPECT_LE(largestUlpError(fm::atan, atan, -40.0f, 40.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::atan, atan, -1e6f, 1e6f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::exp, exp, -80.0f, 80.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::log, log, 1e-3f, 1e3f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::log, log, 0.5f, 2.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::sin, sin, -7.0f, 7.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(fm::sin, sin, -119.0f, 119.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(sinOfSinCos, sin, -7.0f, 7.0f, steps), 1.0);
    EXPECT_LE(largestUlpError(cosOfSinCos, cos, -119.0f, 119.0f, steps), 1.0);
}

} // namespace
