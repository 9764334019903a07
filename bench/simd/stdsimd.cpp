// The kernel with std::experimental::simd (GCC's Parallelism TS v2): the
// width is that of the flags this file is compiled with, one program per
// instruction set.
#include "run.h"

#include <cmath>
#include <experimental/simd>

namespace simdkernel {
namespace {
namespace stdx = std::experimental;
using VF = stdx::native_simd<float>;
using VI = stdx::rebind_simd_t<std::int32_t, VF>;

VF mulAdd(VF a, VF b, VF c) {
#ifdef __FMA__
    return stdx::fma(a, b, c);
#else
    return a * b + c;
#endif
}

// The TS has no gather: the generator constructor loads lane by lane.
VF gather(const float* table, const VI& index) {
    return VF([&](auto k) { return table[index[k]]; });
}

void steps(const Tables& t, Photons& p, int count, float cosTheta) {
    const int n = int(p.x.size());
    constexpr int lanes = int(VF::size());
    const VF cosT = cosTheta;
    // A scalar root: GCC 12's 16-lane stdx::sqrt warns (-Wuninitialized) in its own headers.
    const VF sinT = std::sqrt(1.0f - cosTheta * cosTheta);
    for (int step = 0; step < count; ++step) {
        for (int i = 0; i + lanes <= n; i += lanes) {
            const VI pd(&p.pathDraw[i], stdx::element_aligned);
            const VI td(&p.turnDraw[i], stdx::element_aligned);
            const VF s = gather(t.path.data(), pd) / VF(&p.mu[i], stdx::element_aligned);
            const VF x0(&p.x[i], stdx::element_aligned), y0(&p.y[i], stdx::element_aligned);
            const VF z0(&p.z[i], stdx::element_aligned);
            const VF u0(&p.u[i], stdx::element_aligned), v0(&p.v[i], stdx::element_aligned);
            const VF w0(&p.w[i], stdx::element_aligned);
            const VF x = mulAdd(s, u0, x0), y = mulAdd(s, v0, y0), z = mulAdd(s, w0, z0);
            const auto along = y >= -30.0f && y <= 30.0f;
            const VF ax = stdx::fabs(x);
            const VF dx = ax - 5.0f;
            const auto slab = ax <= 5.0f && stdx::fabs(z) <= 5.0f;
            const auto side = dx > 0.0f && mulAdd(dx, dx, z * z) <= 100.0f;
            const auto in = along && (slab || side);
            const VF c = gather(t.cosTurn.data(), td), sn = gather(t.sinTurn.data(), td);
            VF nx = x0, ny = y0, nz = z0, nu = u0, nv = v0, nw = w0, inside = 0.0f;
            stdx::where(in, nx) = x;
            stdx::where(in, ny) = y;
            stdx::where(in, nz) = z;
            const VF u1 = mulAdd(-w0, sinT, u0 * cosT);
            stdx::where(in, nw) = mulAdd(u0, sinT, w0 * cosT);
            stdx::where(in, nu) = mulAdd(-v0, sn, u1 * c);
            stdx::where(in, nv) = mulAdd(u1, sn, v0 * c);
            stdx::where(in, inside) = 1.0f;
            nx.copy_to(&p.x[i], stdx::element_aligned);
            ny.copy_to(&p.y[i], stdx::element_aligned);
            nz.copy_to(&p.z[i], stdx::element_aligned);
            nu.copy_to(&p.u[i], stdx::element_aligned);
            nv.copy_to(&p.v[i], stdx::element_aligned);
            nw.copy_to(&p.w[i], stdx::element_aligned);
            stdx::static_simd_cast<VI>(inside).copy_to(&p.inside[i], stdx::element_aligned);
            ((pd * 5 + 7) & (tableRows - 1)).copy_to(&p.pathDraw[i], stdx::element_aligned);
            ((td * 9 + 3) & (tableRows - 1)).copy_to(&p.turnDraw[i], stdx::element_aligned);
        }
    }
}
} // namespace

std::vector<Variant> stdSimdVariants() {
    return {{"std::experimental::simd " QUENRO_SIMD_FLAGS " (" + std::to_string(VF::size()) + ")",
             &steps}};
}

} // namespace simdkernel
