// The engine's float functions (float_math.h) on vectors of floats, for the
// lanes of the default run: log, exp, atan, sin and sin+cos.
//
// Each is the scalar function's algorithm written with the same operations
// in the same order, so that where the instruction set has fused
// multiply-add (AVX2, AVX-512) every lane gets the scalar function's very
// bits. Without it (SSE4) MulAdd rounds twice; the double-precision
// intermediates then differ in their last bits and a result may differ from
// the scalar one by one unit in the last place, never more
// (VectorMath.* tests). Arguments that the scalar function hands to the C
// library are handed to the scalar function, lane by lane.
//
// This header is compiled once per instruction set (hwy/foreach_target.h),
// each time into its own namespace.
#if defined(QUENRO_ENGINE_VECTOR_MATH_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef QUENRO_ENGINE_VECTOR_MATH_INL_H_
#undef QUENRO_ENGINE_VECTOR_MATH_INL_H_
#else
#define QUENRO_ENGINE_VECTOR_MATH_INL_H_
#endif

#include "float_math.h"

#include <hwy/highway.h>

#include <cstdint>
#include <initializer_list>

HWY_BEFORE_NAMESPACE();
namespace quenro::floatmath::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Only the instruction sets of the default run's lanes.
#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3

namespace vectordetail {

// Most lanes a vector of floats has on any instruction set.
inline constexpr std::size_t maxFloatLanes = HWY_MAX_BYTES / sizeof(float);

// The descriptors of a vector of floats (DF) and of its halves in double
// precision: the functions that work in double take each half in turn.
template <class DF> struct Halves {
    using DH = hn::Half<DF>;             // floats, half as many lanes
    using DIH = hn::RebindToSigned<DH>;  // their bits
    using DD = hn::Rebind<double, DH>;   // doubles, as many lanes as a half
    using DL = hn::RebindToSigned<DD>;   // 64-bit integers
    using DU = hn::RebindToUnsigned<DD>; // 64-bit unsigned integers
};

// The lanes of `special` take f of their argument, the others keep `result`.
template <class DF, class F>
HWY_INLINE hn::Vec<DF> scalarLanes(DF df, hn::Vec<DF> x, hn::Vec<DF> result, hn::Mask<DF> special,
                                   F f) {
    if (HWY_LIKELY(hn::AllFalse(df, special)))
        return result;
    HWY_ALIGN float xs[maxFloatLanes];
    HWY_ALIGN float rs[maxFloatLanes];
    HWY_ALIGN float flags[maxFloatLanes];
    hn::Store(x, df, xs);
    hn::Store(result, df, rs);
    hn::Store(hn::VecFromMask(df, special), df, flags);
    for (std::size_t lane = 0; lane < hn::Lanes(df); ++lane)
        if (detail::bitsOf(flags[lane]) != 0)
            rs[lane] = f(xs[lane]);
    return hn::Load(df, rs);
}

// Joins the two halves, each rounded to float.
template <class DF, class VD> HWY_INLINE hn::Vec<DF> joinHalves(DF df, VD low, VD high) {
    const hn::Half<DF> dh;
    return hn::Combine(df, hn::DemoteTo(dh, high), hn::DemoteTo(dh, low));
}

// A mask of 32-bit lanes as a mask of as many doubles, and the other way:
// through the numbers 1 and 0, since masks change only between lanes of one size.
template <class DD, class M> HWY_INLINE hn::Mask<DD> doubleMask(DD dd, M lanes) {
    const hn::Rebind<std::int32_t, DD> di;
    return hn::Ne(hn::PromoteTo(dd, hn::IfThenElseZero(lanes, hn::Set(di, 1))), hn::Zero(dd));
}
template <class DH, class M> HWY_INLINE hn::Mask<DH> floatMask(DH dh, M lanes) {
    const hn::Rebind<double, DH> dd;
    return hn::Ne(hn::DemoteTo(dh, hn::IfThenElseZero(lanes, hn::Set(dd, 1.0))), hn::Zero(dh));
}

// Joins the masks of two halves of doubles into a mask of floats.
template <class DF, class MD> HWY_INLINE hn::Mask<DF> joinMasks(DF df, MD low, MD high) {
    const hn::Half<DF> dh;
    return hn::MaskFromVec(hn::Combine(df, hn::VecFromMask(dh, floatMask(dh, high)),
                                       hn::VecFromMask(dh, floatMask(dh, low))));
}

// log of the floats whose bits are `bits` (positive normal numbers other
// than 1), in double: float_math.h's log before its rounding to float.
template <class DD, class VIH> HWY_INLINE hn::Vec<DD> logInDouble(DD dd, VIH bits) {
    using detail::asDouble;
    const hn::RebindToSigned<DD> dl;
    const hn::Rebind<std::int32_t, DD> di;
    const hn::Rebind<float, DD> df;
    const VIH offset = hn::Sub(bits, hn::Set(di, 0x3f330000));
    const VIH i = hn::And(hn::ShiftRight<19>(offset), hn::Set(di, 15));
    const VIH k = hn::ShiftRight<23>(offset);
    const VIH zBits = hn::Sub(bits, hn::And(offset, hn::Set(di, std::int32_t(0xff800000u))));
    const auto z = hn::PromoteTo(dd, hn::BitCast(df, zBits));
    const hn::RebindToUnsigned<DD> du;
    const auto row = hn::ShiftLeft<1>(hn::PromoteTo(dl, i));
    const std::uint64_t* table = &detail::logTable[0][0];
    const auto invc = hn::BitCast(dd, hn::GatherIndex(du, table, row));
    const auto logc = hn::BitCast(dd, hn::GatherIndex(du, table + 1, row));
    const auto r = hn::MulAdd(z, invc, hn::Set(dd, -1.0));
    const auto y0 =
        hn::MulAdd(hn::PromoteTo(dd, k), hn::Set(dd, asDouble(0x3fe62e42fefa39ef)), logc);
    auto y = hn::MulAdd(r, hn::Set(dd, asDouble(0x3fd5575b0be00b6a)),
                        hn::Set(dd, asDouble(0xbfdffffef20a4123)));
    const auto r2 = hn::Mul(r, r);
    y = hn::MulAdd(r2, hn::Set(dd, asDouble(0xbfd00ea348b88334)), y);
    return hn::MulAdd(r2, y, hn::Add(r, y0));
}

// exp of x (|x| < 88, as double), in double: float_math.h's exp before its
// rounding to float.
template <class DD> HWY_INLINE hn::Vec<DD> expInDouble(DD dd, hn::Vec<DD> xd) {
    using detail::asDouble;
    const hn::RebindToUnsigned<DD> du;
    const hn::RebindToSigned<DD> dl;
    const auto invLn2N = hn::Set(dd, asDouble(0x40471547652b82fe)); // 32 / ln 2
    const auto shift = hn::Set(dd, asDouble(0x4338000000000000));   // 1.5 2^52
    auto kd = hn::MulAdd(invLn2N, xd, shift);
    const auto ki = hn::BitCast(du, kd);
    kd = hn::Sub(kd, shift);
    const auto r = hn::MulAdd(invLn2N, xd, hn::Neg(kd));
    const auto index = hn::BitCast(dl, hn::And(ki, hn::Set(du, 31)));
    const auto step = hn::GatherIndex(du, detail::expTable, index);
    const auto s = hn::BitCast(dd, hn::Add(step, hn::ShiftLeft<47>(ki)));
    const auto z = hn::MulAdd(r, hn::Set(dd, asDouble(0x3ebc6af84b912394)),
                              hn::Set(dd, asDouble(0x3f2ebfce50fac4f3)));
    const auto r2 = hn::Mul(r, r);
    auto y = hn::MulAdd(r, hn::Set(dd, asDouble(0x3f962e42ff0c52d6)), hn::Set(dd, 1.0));
    y = hn::MulAdd(z, r2, y);
    return hn::Mul(y, s);
}

// The sine and cosine polynomials of float_math.h with the coefficient set
// of each lane's quadrant: set 1 where `second` holds.
template <class DD> struct QuadrantPolynomial {
    hn::Vec<DD> c0, c1, s1, c2, s2, c3, s3, c4;

    QuadrantPolynomial(DD dd, hn::Mask<DD> second) {
        const detail::SinCosPolynomial& a = detail::sinCosPolynomials[0];
        const detail::SinCosPolynomial& b = detail::sinCosPolynomials[1];
        auto pick = [&](double first, double other) {
            return hn::IfThenElse(second, hn::Set(dd, other), hn::Set(dd, first));
        };
        c0 = pick(a.c0, b.c0);
        c1 = pick(a.c1, b.c1);
        s1 = pick(a.s1, b.s1);
        c2 = pick(a.c2, b.c2);
        s2 = pick(a.s2, b.s2);
        c3 = pick(a.c3, b.c3);
        s3 = pick(a.s3, b.s3);
        c4 = pick(a.c4, b.c4);
    }

    hn::Vec<DD> sine(hn::Vec<DD> x, hn::Vec<DD> x2) const {
        const auto t1 = hn::MulAdd(x2, s3, s2);
        const auto x3 = hn::Mul(x, x2);
        const auto x5 = hn::Mul(x2, x3);
        const auto s = hn::MulAdd(x3, s1, x);
        return hn::MulAdd(t1, x5, s);
    }

    hn::Vec<DD> cosine(hn::Vec<DD> x2) const {
        const auto x4 = hn::Mul(x2, x2);
        const auto t1 = hn::MulAdd(x2, c1, c0);
        const auto t2 = hn::MulAdd(x2, c4, c3);
        const auto x6 = hn::Mul(x2, x4);
        const auto c = hn::MulAdd(x4, c2, t1);
        return hn::MulAdd(t2, x6, c);
    }
};

// One half of sin and cos: the sine and the cosine of x (|x| < 120) in
// double, `odd` where the quadrant swaps them (the polynomial "sine" is then
// the cosine and the other way round).
template <class DD> struct SinCosHalf {
    hn::Vec<DD> sine, cosine;
    hn::Mask<DD> odd;
};

template <class DD, class VIH>
HWY_INLINE SinCosHalf<DD> sinCosInDouble(DD dd, hn::Vec<DD> x, VIH abstop) {
    using detail::asDouble;
    const hn::Rebind<std::int32_t, DD> di;
    // Below 0.75 x is taken as it is, in quadrant 0.
    const auto small = doubleMask(dd, hn::Lt(abstop, hn::Set(di, 0x3f4)));
    const auto scaled = hn::Mul(x, hn::Set(dd, asDouble(0x41645f306dc9c883))); // 2^24 2/pi
    auto n = hn::ShiftRight<24>(hn::Add(hn::DemoteTo(di, scaled), hn::Set(di, 0x800000)));
    n = hn::IfThenZeroElse(hn::Lt(abstop, hn::Set(di, 0x3f4)), n);
    const auto reduced =
        hn::MulAdd(hn::Neg(hn::PromoteTo(dd, n)), hn::Set(dd, asDouble(0x3ff921fb54442d18)), x);
    const auto r = hn::IfThenElse(small, x, reduced);
    const auto second = doubleMask(dd, hn::Ne(hn::And(n, hn::Set(di, 2)), hn::Zero(di)));
    const QuadrantPolynomial<DD> p(dd, second);
    // The sine's argument changes sign in quadrants 1 and 2.
    const auto quadrant = hn::And(n, hn::Set(di, 3));
    const auto negative =
        doubleMask(dd, hn::Or(hn::Eq(quadrant, hn::Set(di, 1)), hn::Eq(quadrant, hn::Set(di, 2))));
    const auto r2 = hn::Mul(r, r);
    const auto sinArgument = hn::IfThenElse(negative, hn::Neg(r), r);
    SinCosHalf<DD> half;
    half.sine = p.sine(sinArgument, r2);
    half.cosine = p.cosine(r2);
    half.odd = doubleMask(dd, hn::Ne(hn::And(n, hn::Set(di, 1)), hn::Zero(di)));
    return half;
}

inline constexpr std::uint32_t tinyAngleTop = 0x398; // |x| < 2^-12: sin x = x, cos x = 1
inline constexpr std::uint32_t reducibleTop = 0x42f; // |x| < 120

// atan's five reductions (float_math.h), one table per field, by range.
struct AtanTables {
    // Room for a whole vector of 16 lanes each.
    alignas(64) float numScale[16], numShift[16], denScale[16], denShift[16], atanHi[16],
        atanLo[16];
};
inline constexpr AtanTables atanTables = [] {
    AtanTables t{};
    for (int r = 0; r < 5; ++r) {
        t.numScale[r] = detail::atanRanges[r].numScale;
        t.numShift[r] = detail::atanRanges[r].numShift;
        t.denScale[r] = detail::atanRanges[r].denScale;
        t.denShift[r] = detail::atanRanges[r].denShift;
        t.atanHi[r] = detail::atanRanges[r].atanHi;
        t.atanLo[r] = detail::atanRanges[r].atanLo;
    }
    return t;
}();

// Element `index` (0..4) of a table of five floats, lane by lane: a lane
// permutation where a vector holds the table, a gather otherwise.
template <class DF, class VI> HWY_INLINE hn::Vec<DF> fromFive(DF df, const float* table, VI index) {
    if constexpr (hn::MaxLanes(DF()) >= 8)
        return hn::TableLookupLanes(hn::Load(df, table), hn::IndicesFromVec(df, index));
    else
        return hn::GatherIndex(df, table, index);
}

} // namespace vectordetail

// log, exp, atan, sin and sin+cos of every lane, as float_math.h computes them.
template <class DF> HWY_INLINE hn::Vec<DF> log(DF df, hn::Vec<DF> x) {
    using namespace vectordetail;
    using H = Halves<DF>;
    const typename H::DIH dih;
    const typename H::DD dd;
    const hn::RebindToSigned<DF> di;
    const auto bits = hn::BitCast(di, x);
    const auto low = logInDouble(dd, hn::LowerHalf(dih, bits));
    const auto high = logInDouble(dd, hn::UpperHalf(dih, bits));
    auto result = joinHalves(df, low, high);
    result = hn::IfThenZeroElse(hn::RebindMask(df, hn::Eq(bits, hn::Set(di, 0x3f800000))), result);
    // Zero, negative, subnormal, infinite and NaN arguments.
    const hn::RebindToUnsigned<DF> du;
    const auto outside = hn::RebindMask(
        df, hn::Gt(hn::Sub(hn::BitCast(du, x), hn::Set(du, 0x800000u)), hn::Set(du, 0x7effffffu)));
    return scalarLanes(df, x, result, outside, [](float v) { return floatmath::log(v); });
}

template <class DF> HWY_INLINE hn::Vec<DF> exp(DF df, hn::Vec<DF> x) {
    using namespace vectordetail;
    using H = Halves<DF>;
    const typename H::DH dh;
    const typename H::DD dd;
    const auto low = expInDouble(dd, hn::PromoteTo(dd, hn::LowerHalf(dh, x)));
    const auto high = expInDouble(dd, hn::PromoteTo(dd, hn::UpperHalf(dh, x)));
    const auto result = joinHalves(df, low, high);
    // |x| >= 88, infinities and NaN.
    const hn::RebindToUnsigned<DF> du;
    const auto abstop = hn::And(hn::ShiftRight<20>(hn::BitCast(du, x)), hn::Set(du, 0x7ffu));
    const auto outside = hn::RebindMask(df, hn::Gt(abstop, hn::Set(du, 0x42au)));
    return scalarLanes(df, x, result, outside, [](float v) { return floatmath::exp(v); });
}

template <class DF> HWY_INLINE hn::Vec<DF> atan(DF df, hn::Vec<DF> x) {
    using namespace vectordetail;
    using detail::asFloat;
    const hn::RebindToUnsigned<DF> du;
    const hn::RebindToSigned<DF> di;
    const auto bits = hn::BitCast(du, x);
    const auto magnitude = hn::And(bits, hn::Set(du, 0x7fffffffu));
    auto at = [&](std::uint32_t bound) {
        return hn::BitCast(di, hn::VecFromMask(du, hn::Gt(magnitude, hn::Set(du, bound - 1))));
    };
    // The range: how many of the four bounds |x| reaches (a mask is -1 per lane).
    const auto range = hn::Neg(hn::Add(hn::Add(at(0x3ee00000u), at(0x3f300000u)),
                                       hn::Add(at(0x3f980000u), at(0x401c0000u))));
    const AtanTables& t = atanTables;
    const auto ax = hn::BitCast(df, magnitude);
    const auto numerator =
        hn::Add(hn::Mul(ax, fromFive(df, t.numScale, range)), fromFive(df, t.numShift, range));
    const auto denominator =
        hn::Add(hn::Mul(ax, fromFive(df, t.denScale, range)), fromFive(df, t.denShift, range));
    const auto r = hn::Div(numerator, denominator);
    const auto z = hn::Mul(r, r);
    const auto w = hn::Mul(z, z);
    // The odd and even polynomials in w = r^4, Horner's rule from the
    // highest coefficient, each step c + w (...) as float_math.h writes it.
    auto polynomial = [&](std::initializer_list<std::uint32_t> highestFirst) {
        auto sum = hn::Zero(df);
        bool first = true;
        for (std::uint32_t bits : highestFirst) {
            sum = first ? hn::Set(df, asFloat(bits))
                        : hn::Add(hn::Set(df, asFloat(bits)), hn::Mul(w, sum));
            first = false;
        }
        return sum;
    };
    const auto odd = hn::Mul(
        z, polynomial({0x3c8569d7, 0x3d4bda59, 0x3d886b35, 0x3dba2e6e, 0x3e124925, 0x3eaaaaab}));
    const auto even =
        hn::Mul(w, polynomial({0xbd15a221, 0xbd6ef16b, 0xbd9d8795, 0xbde38e38, 0xbe4ccccd}));
    const auto y =
        hn::Sub(fromFive(df, t.atanHi, range),
                hn::Sub(hn::Sub(hn::Mul(r, hn::Add(odd, even)), fromFive(df, t.atanLo, range)), r));
    const auto negative = hn::RebindMask(df, hn::Ne(hn::ShiftRight<31>(bits), hn::Zero(du)));
    auto result = hn::IfThenElse(negative, hn::Neg(y), y);
    // |x| < 2^-29: atan x = x. |x| >= 2^25, infinities and NaN: as the scalar function.
    result =
        hn::IfThenElse(hn::RebindMask(df, hn::Lt(magnitude, hn::Set(du, 0x31000000u))), x, result);
    const auto huge = hn::RebindMask(df, hn::Gt(magnitude, hn::Set(du, 0x4bffffffu)));
    return scalarLanes(df, x, result, huge, [](float v) { return floatmath::atan(v); });
}

template <class DF> struct SinCosVector { hn::Vec<DF> sine, cosine; };

template <class DF> HWY_INLINE SinCosVector<DF> sincos(DF df, hn::Vec<DF> x) {
    using namespace vectordetail;
    using H = Halves<DF>;
    const typename H::DH dh;
    const typename H::DIH dih;
    const typename H::DD dd;
    const hn::RebindToSigned<DF> di;
    const auto abstop = hn::And(hn::ShiftRight<20>(hn::BitCast(di, x)), hn::Set(di, 0x7ff));
    const auto low =
        sinCosInDouble(dd, hn::PromoteTo(dd, hn::LowerHalf(dh, x)), hn::LowerHalf(dih, abstop));
    const auto high =
        sinCosInDouble(dd, hn::PromoteTo(dd, hn::UpperHalf(dh, x)), hn::UpperHalf(dih, abstop));
    const auto s = joinHalves(df, low.sine, high.sine);
    const auto c = joinHalves(df, low.cosine, high.cosine);
    const auto swap = joinMasks(df, low.odd, high.odd);
    SinCosVector<DF> result{hn::IfThenElse(swap, c, s), hn::IfThenElse(swap, s, c)};
    const auto tiny = hn::Lt(abstop, hn::Set(di, std::int32_t(tinyAngleTop)));
    result.sine = hn::IfThenElse(hn::RebindMask(df, tiny), x, result.sine);
    result.cosine = hn::IfThenElse(hn::RebindMask(df, tiny), hn::Set(df, 1.0f), result.cosine);
    const auto outside =
        hn::RebindMask(df, hn::Gt(abstop, hn::Set(di, std::int32_t(reducibleTop) - 1)));
    if (HWY_UNLIKELY(!hn::AllFalse(df, outside))) {
        result.sine =
            scalarLanes(df, x, result.sine, outside, [](float v) { return floatmath::sin(v); });
        result.cosine = scalarLanes(df, x, result.cosine, outside,
                                    [](float v) { return floatmath::sincos(v).cosine; });
    }
    return result;
}

template <class DF> HWY_INLINE hn::Vec<DF> sin(DF df, hn::Vec<DF> x) {
    return sincos(df, x).sine;
}

#endif // the instruction sets of the lanes

} // namespace quenro::floatmath::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif // include guard toggled per instruction set
