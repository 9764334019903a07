// The engine's own single-precision atan, exp, log, sin and sin+cos.
//
// A result file depends on the last bit of every one of these functions. The
// C library's versions differ between library releases and, within one
// release, between machines with and without fused multiply-add, so the
// engine carries its own. Each one returns, for every float argument in the
// range it serves, exactly the float that the Debian 12 C library (glibc 2.36)
// returns on an x86-64 machine with FMA, which is what the engine's result
// files were made with. tools/float-math-check compares all 2^32 arguments
// with the C library of the machine it runs on.
//
// atan works in float throughout. exp, log, sin and cos work in double and
// round once at the end; where the reference uses a fused multiply-add they
// use std::fma, which is one instruction when the engine is built with FMA
// and a correctly rounded library call otherwise, so the results are the same
// either way.
//
// Arguments outside the ranges the engine meets are handed to the C library:
// sin and cos of |x| >= 120, log of zero, negative, subnormal, infinite or
// NaN arguments.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace quenro::floatmath {

namespace detail {

constexpr float asFloat(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}
constexpr double asDouble(std::uint64_t bits) {
    return std::bit_cast<double>(bits);
}
constexpr std::uint32_t bitsOf(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

// atan: |x| is reduced by one of five rational maps chosen by its size,
// num = |x| numScale + numShift, den = |x| denScale + denShift, r = num/den,
// with atan(|x|) = atanHi - ((r p(r^2) - atanLo) - r). The maps are those of
// the reference written so that every float operation is the reference's own
// (|x| 1 + 0 = |x|, |x| / 1 = |x|, |x| 0 - 1 = -1), which spares its branches.
struct AtanRange {
    float numScale, numShift, denScale, denShift;
    float atanHi, atanLo; // atan of the range's centre, high and low parts
};
inline constexpr AtanRange atanRanges[5] = {
    {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f},                                // |x| < 7/16
    {2.0f, -1.0f, 1.0f, 2.0f, asFloat(0x3eed6338), asFloat(0x31ac3769)}, // < 11/16: 0.5
    {1.0f, -1.0f, 1.0f, 1.0f, asFloat(0x3f490fda), asFloat(0x33222168)}, // < 19/16: 1
    {1.0f, -1.5f, 1.5f, 1.0f, asFloat(0x3f7b985e), asFloat(0x33140fb4)}, // < 39/16: 1.5
    {0.0f, -1.0f, 1.0f, 0.0f, asFloat(0x3fc90fda), asFloat(0x33a22168)}, // beyond: infinity
};

// exp: 2^(k/32) in 32 table steps and a cubic.
inline constexpr std::uint64_t expTable[32] = {
    0x3ff0000000000000, 0x3fefd9b0d3158574, 0x3fefb5586cf9890f, 0x3fef9301d0125b51,
    0x3fef72b83c7d517b, 0x3fef54873168b9aa, 0x3fef387a6e756238, 0x3fef1e9df51fdee1,
    0x3fef06fe0a31b715, 0x3feef1a7373aa9cb, 0x3feedea64c123422, 0x3feece086061892d,
    0x3feebfdad5362a27, 0x3feeb42b569d4f82, 0x3feeab07dd485429, 0x3feea47eb03a5585,
    0x3feea09e667f3bcd, 0x3fee9f75e8ec5f74, 0x3feea11473eb0187, 0x3feea589994cce13,
    0x3feeace5422aa0db, 0x3feeb737b0cdc5e5, 0x3feec49182a3f090, 0x3feed503b23e255d,
    0x3feee89f995ad3ad, 0x3feeff76f2fb5e47, 0x3fef199bdd85529c, 0x3fef3720dcef9069,
    0x3fef5818dcfba487, 0x3fef7c97337b9b5f, 0x3fefa4afa2a490da, 0x3fefd0765b6e4540,
};

// log: 1/c and log c for 16 subintervals of [0.7, 1.4), and a cubic.
inline constexpr std::uint64_t logTable[16][2] = {
    {0x3ff661ec79f8f3be, 0xbfd57bf7808caade}, {0x3ff571ed4aaf883d, 0xbfd2bef0a7c06ddb},
    {0x3ff49539f0f010b0, 0xbfd01eae7f513a67}, {0x3ff3c995b0b80385, 0xbfcb31d8a68224e9},
    {0x3ff30d190c8864a5, 0xbfc6574f0ac07758}, {0x3ff25e227b0b8ea0, 0xbfc1aa2bc79c8100},
    {0x3ff1bb4a4a1a343f, 0xbfba4e76ce8c0e5e}, {0x3ff12358f08ae5ba, 0xbfb1973c5a611ccc},
    {0x3ff0953f419900a7, 0xbfa252f438e10c1e}, {0x3ff0000000000000, 0x0000000000000000},
    {0x3fee608cfd9a47ac, 0x3faaa5aa5df25984}, {0x3feca4b31f026aa0, 0x3fbc5e53aa362eb4},
    {0x3feb2036576afce6, 0x3fc526e57720db08}, {0x3fe9c2d163a1aa2d, 0x3fcbc2860d224770},
    {0x3fe886e6037841ed, 0x3fd1058bc8a07ee1}, {0x3fe767dcf5534862, 0x3fd4043057b6ee09},
};

// sin and cos: polynomials on [-pi/4, pi/4]; the second set serves the
// quadrants where the cosine polynomial changes sign.
struct SinCosPolynomial {
    double c0, c1, s1, c2, s2, c3, s3, c4;
};
inline constexpr SinCosPolynomial sinCosPolynomials[2] = {
    {1.0, asDouble(0xbfdffffffd0c621c), asDouble(0xbfc555545995a603), asDouble(0x3fa55553e1068f19),
     asDouble(0x3f81107605230bc4), asDouble(0xbf56c087e89a359d), asDouble(0xbf2994eb3774cf24),
     asDouble(0x3ef99343027bf8c3)},
    {-1.0, asDouble(0x3fdffffffd0c621c), asDouble(0xbfc555545995a603), asDouble(0xbfa55553e1068f19),
     asDouble(0x3f81107605230bc4), asDouble(0x3f56c087e89a359d), asDouble(0xbf2994eb3774cf24),
     asDouble(0xbef99343027bf8c3)},
};
inline constexpr double quadrantSign[4] = {1.0, -1.0, -1.0, 1.0};

inline double sinPolynomial(const SinCosPolynomial& p, double x, double x2) {
    const double s1 = std::fma(x2, p.s3, p.s2);
    const double x3 = x * x2;
    const double x5 = x2 * x3;
    const double s = std::fma(x3, p.s1, x);
    return std::fma(s1, x5, s);
}

inline double cosPolynomial(const SinCosPolynomial& p, double x2) {
    const double x4 = x2 * x2;
    const double c1 = std::fma(x2, p.c1, p.c0);
    const double c2 = std::fma(x2, p.c4, p.c3);
    const double x6 = x2 * x4;
    const double c = std::fma(x4, p.c2, c1);
    return std::fma(c2, x6, c);
}

// x - n pi/2 with n the nearest quadrant, and the polynomials of that quadrant.
struct Quadrant {
    double r = 0;
    int n = 0;
    const SinCosPolynomial* polynomial = nullptr;
    double sinArgument() const { return r * quadrantSign[n & 3]; }
};

// The quadrant of x for 2^-12 <= |x| < 120 (abstop: the top bits of x without
// its sign); below 0.75 x is taken as it is.
inline Quadrant quadrantOf(std::uint32_t abstop, double x) {
    if (abstop < 0x3f4)
        return {x, 0, &sinCosPolynomials[0]};
    Quadrant q;
    const double scaled = x * asDouble(0x41645f306dc9c883); // 2^24 2/pi
    q.n = (static_cast<std::int32_t>(scaled) + 0x800000) >> 24;
    q.r = std::fma(-static_cast<double>(q.n), asDouble(0x3ff921fb54442d18), x);
    q.polynomial = &sinCosPolynomials[(q.n >> 1) & 1];
    return q;
}

inline bool tinyAngle(std::uint32_t abstop) {
    return abstop < 0x398; // |x| < 2^-12: sin x = x, cos x = 1
}
inline bool reducible(std::uint32_t abstop) {
    return abstop < 0x42f; // |x| < 120
}

} // namespace detail

inline float atan(float x) {
    using namespace detail;
    const std::uint32_t bits = bitsOf(x);
    const std::uint32_t magnitude = bits & 0x7fffffffu;
    if (magnitude >= 0x4c000000u) [[unlikely]] { // |x| >= 2^25, infinity, NaN
        if (magnitude > 0x7f800000u)
            return x + x;
        return bits >> 31 ? asFloat(0xbfc90fda) - asFloat(0x33a22168)
                          : asFloat(0x33a22168) + asFloat(0x3fc90fda);
    }
    if (magnitude < 0x31000000u) [[unlikely]] // |x| < 2^-29
        return x;
    const int range = (magnitude >= 0x3ee00000u) + (magnitude >= 0x3f300000u) +
                      (magnitude >= 0x3f980000u) + (magnitude >= 0x401c0000u);
    const AtanRange& a = atanRanges[range];
    const float ax = asFloat(magnitude);
    const float r = (ax * a.numScale + a.numShift) / (ax * a.denScale + a.denShift);
    const float z = r * r;
    const float w = z * z;
    const float odd = z * (asFloat(0x3eaaaaab) +
                           w * (asFloat(0x3e124925) +
                                w * (asFloat(0x3dba2e6e) +
                                     w * (asFloat(0x3d886b35) +
                                          w * (asFloat(0x3d4bda59) + w * asFloat(0x3c8569d7))))));
    const float even =
        w * (asFloat(0xbe4ccccd) +
             w * (asFloat(0xbde38e38) +
                  w * (asFloat(0xbd9d8795) + w * (asFloat(0xbd6ef16b) + w * asFloat(0xbd15a221)))));
    const float y = a.atanHi - ((r * (odd + even) - a.atanLo) - r);
    return bits >> 31 ? -y : y;
}

inline float exp(float x) {
    using namespace detail;
    const std::uint32_t bits = bitsOf(x);
    const std::uint32_t abstop = (bits >> 20) & 0x7ff;
    if (abstop > 0x42a) [[unlikely]] { // |x| >= 88, infinity, NaN
        if (bits == 0xff800000u)
            return 0.0f;
        if (abstop >= 0x7f8)
            return x + x;
        if (x > asFloat(0x42b17217))
            return HUGE_VALF;
        if (x < asFloat(0xc2cff1b4))
            return 0.0f;
        if (x < asFloat(0xc2ce8ecf))
            return asFloat(1); // the smallest subnormal
    }
    const double xd = x;
    const double invLn2N = asDouble(0x40471547652b82fe); // 32 / ln 2
    const double shift = asDouble(0x4338000000000000);   // 1.5 2^52
    double kd = std::fma(invLn2N, xd, shift);
    const std::uint64_t ki = std::bit_cast<std::uint64_t>(kd);
    kd -= shift;
    const double r = std::fma(invLn2N, xd, -kd);
    const double s = std::bit_cast<double>(expTable[ki & 31] + (ki << 47));
    const double z = std::fma(r, asDouble(0x3ebc6af84b912394), asDouble(0x3f2ebfce50fac4f3));
    const double r2 = r * r;
    double y = std::fma(r, asDouble(0x3f962e42ff0c52d6), 1.0);
    y = std::fma(z, r2, y);
    return static_cast<float>(y * s);
}

inline float log(float x) {
    using namespace detail;
    const std::uint32_t bits = bitsOf(x);
    if (bits == 0x3f800000u)
        return 0.0f;
    if (bits - 0x800000u >= 0x7f000000u) [[unlikely]]
        return std::log(x);
    // x = 2^k z with z in [0.7, 1.4), in 16 subintervals of 1/c.
    const std::uint32_t offset = bits - 0x3f330000u;
    const int i = (offset >> 19) & 15;
    const int k = static_cast<std::int32_t>(offset) >> 23;
    const double z = asFloat(bits - (offset & 0xff800000u));
    const double invc = asDouble(logTable[i][0]);
    const double logc = asDouble(logTable[i][1]);
    const double r = std::fma(z, invc, -1.0);
    const double y0 = std::fma(static_cast<double>(k), asDouble(0x3fe62e42fefa39ef), logc);
    double y = std::fma(r, asDouble(0x3fd5575b0be00b6a), asDouble(0xbfdffffef20a4123));
    const double r2 = r * r;
    y = std::fma(r2, asDouble(0xbfd00ea348b88334), y);
    return static_cast<float>(std::fma(r2, y, r + y0));
}

inline float sin(float x) {
    using namespace detail;
    const std::uint32_t abstop = (bitsOf(x) >> 20) & 0x7ff;
    if (tinyAngle(abstop))
        return x;
    if (!reducible(abstop)) [[unlikely]]
        return std::sin(x);
    const Quadrant q = quadrantOf(abstop, x);
    const double r2 = q.r * q.r;
    if (q.n & 1)
        return static_cast<float>(cosPolynomial(*q.polynomial, r2));
    return static_cast<float>(sinPolynomial(*q.polynomial, q.sinArgument(), r2));
}

struct SinCos {
    float sine = 0;
    float cosine = 1;
};

inline SinCos sincos(float x) {
    using namespace detail;
    const std::uint32_t abstop = (bitsOf(x) >> 20) & 0x7ff;
    if (tinyAngle(abstop))
        return {x, 1.0f};
    if (!reducible(abstop)) [[unlikely]]
        return {std::sin(x), std::cos(x)};
    const Quadrant q = quadrantOf(abstop, x);
    const double r2 = q.r * q.r;
    const float s = static_cast<float>(sinPolynomial(*q.polynomial, q.sinArgument(), r2));
    const float c = static_cast<float>(cosPolynomial(*q.polynomial, r2));
    if (q.n & 1)
        return {c, s};
    return {s, c};
}

} // namespace quenro::floatmath
