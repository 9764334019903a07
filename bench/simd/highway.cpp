// The kernel with Highway: compiled once for each of SSE4, AVX2 and AVX-512
// and dispatched at run time, as the engine's lanes are.
#include "instruction_sets.h"
#include "kernel.h"
#include "run.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "highway.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace simdkernel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void Steps(const Tables& t, Photons& p, int steps, float cosTheta) {
    const hn::ScalableTag<float> df;
    const hn::RebindToSigned<decltype(df)> di;
    const int n = int(p.x.size());
    const int lanes = int(hn::Lanes(df));
    const auto cosT = hn::Set(df, cosTheta);
    const auto sinT = hn::Sqrt(hn::NegMulAdd(cosT, cosT, hn::Set(df, 1.0f)));
    const auto halfLength = hn::Set(df, 30.0f), halfWidth = hn::Set(df, 5.0f);
    const auto radius2 = hn::Set(df, 100.0f), zero = hn::Zero(df);
    const auto rowMask = hn::Set(di, tableRows - 1);
    for (int step = 0; step < steps; ++step) {
        for (int i = 0; i + lanes <= n; i += lanes) {
            const auto pd = hn::LoadU(di, &p.pathDraw[i]);
            const auto td = hn::LoadU(di, &p.turnDraw[i]);
            const auto s = hn::Div(hn::GatherIndex(df, t.path.data(), pd), hn::LoadU(df, &p.mu[i]));
            const auto x0 = hn::LoadU(df, &p.x[i]), y0 = hn::LoadU(df, &p.y[i]);
            const auto z0 = hn::LoadU(df, &p.z[i]);
            const auto u0 = hn::LoadU(df, &p.u[i]), v0 = hn::LoadU(df, &p.v[i]);
            const auto w0 = hn::LoadU(df, &p.w[i]);
            const auto x = hn::MulAdd(s, u0, x0), y = hn::MulAdd(s, v0, y0);
            const auto z = hn::MulAdd(s, w0, z0);
            const auto along = hn::And(hn::Ge(y, hn::Neg(halfLength)), hn::Le(y, halfLength));
            const auto ax = hn::Abs(x);
            const auto dx = hn::Sub(ax, halfWidth);
            const auto slab = hn::And(hn::Le(ax, halfWidth), hn::Le(hn::Abs(z), halfWidth));
            const auto side = hn::And(hn::Gt(dx, zero), hn::Le(hn::MulAdd(dx, dx, hn::Mul(z, z)), radius2));
            const auto in = hn::And(along, hn::Or(slab, side));
            const auto c = hn::GatherIndex(df, t.cosTurn.data(), td);
            const auto sn = hn::GatherIndex(df, t.sinTurn.data(), td);
            hn::StoreU(hn::IfThenElse(in, x, x0), df, &p.x[i]);
            hn::StoreU(hn::IfThenElse(in, y, y0), df, &p.y[i]);
            hn::StoreU(hn::IfThenElse(in, z, z0), df, &p.z[i]);
            const auto u1 = hn::NegMulAdd(w0, sinT, hn::Mul(u0, cosT));
            const auto w = hn::MulAdd(u0, sinT, hn::Mul(w0, cosT));
            const auto u = hn::NegMulAdd(v0, sn, hn::Mul(u1, c));
            const auto v = hn::MulAdd(u1, sn, hn::Mul(v0, c));
            hn::StoreU(hn::IfThenElse(in, u, u0), df, &p.u[i]);
            hn::StoreU(hn::IfThenElse(in, v, v0), df, &p.v[i]);
            hn::StoreU(hn::IfThenElse(in, w, w0), df, &p.w[i]);
            hn::StoreU(hn::IfThenElseZero(hn::RebindMask(di, in), hn::Set(di, 1)), di, &p.inside[i]);
            hn::StoreU(hn::And(hn::Add(hn::Mul(pd, hn::Set(di, 5)), hn::Set(di, 7)), rowMask), di,
                       &p.pathDraw[i]);
            hn::StoreU(hn::And(hn::Add(hn::Mul(td, hn::Set(di, 9)), hn::Set(di, 3)), rowMask), di,
                       &p.turnDraw[i]);
        }
    }
}

} // namespace HWY_NAMESPACE
} // namespace simdkernel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace simdkernel {
// The engine's own check of what this processor has.
std::vector<Variant> highwayVariants() {
    using quenro::InstructionSet;
    std::vector<Variant> out;
    if (quenro::processorHas(InstructionSet::Avx512))
        out.push_back({"Highway AVX-512 (16)", &N_AVX3::Steps});
    if (quenro::processorHas(InstructionSet::Avx2))
        out.push_back({"Highway AVX2 (8)", &N_AVX2::Steps});
    if (quenro::processorHas(InstructionSet::Sse4))
        out.push_back({"Highway SSE4 (4)", &N_SSE4::Steps});
    return out;
}
} // namespace simdkernel
#endif
