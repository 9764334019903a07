// The kernel that chose the vector library of the engine's lanes: one step
// of a photon per lane, written once with each library over the same data.
// A step takes a free path from a table by draw (as the lanes take -ln R),
// moves the photon, tests it against the phantom's race track (a 10 cm slab
// with rounded sides of radius 10 cm, 60 cm long) and turns it by an angle
// whose sine and cosine come from a second table by draw. Everything a lane
// needs is a gather, a few multiplies, a square root and masked selects:
// what the lanes of the engine do most.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace simdkernel {

constexpr int tableRows = 16384;

struct Photons {
    std::vector<float> x, y, z, u, v, w, mu;
    std::vector<std::int32_t> pathDraw, turnDraw;
    std::vector<std::int32_t> inside; // 1 or 0 after a step
};

struct Tables {
    std::vector<float> path;    // -ln R for R = (k + 0.5) / rows
    std::vector<float> cosTurn; // cos and sin of 2 pi (k + 0.5) / rows
    std::vector<float> sinTurn;
};

inline Tables makeTables() {
    Tables t;
    for (int k = 0; k < tableRows; ++k) {
        const double r = (k + 0.5) / tableRows;
        t.path.push_back(float(-std::log(r)));
        t.cosTurn.push_back(float(std::cos(6.283185307179586 * r)));
        t.sinTurn.push_back(float(std::sin(6.283185307179586 * r)));
    }
    return t;
}

inline Photons makePhotons(int n) {
    Photons p;
    std::uint32_t s = 12345u;
    auto next = [&] {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    };
    for (int i = 0; i < n; ++i) {
        const float a = float(next()) / 16777216.0f * 6.2831853f;
        const float c = 2.0f * float(next()) / 16777216.0f - 1.0f;
        const float sn = std::sqrt(1.0f - c * c);
        p.x.push_back(float(next() % 200) * 0.1f - 10.0f);
        p.y.push_back(float(next() % 600) * 0.1f - 30.0f);
        p.z.push_back(float(next() % 100) * 0.1f - 5.0f);
        p.u.push_back(sn * std::cos(a));
        p.v.push_back(sn * std::sin(a));
        p.w.push_back(c);
        p.mu.push_back(0.15f + 0.05f * float(next() % 16));
        p.pathDraw.push_back(std::int32_t(next() % tableRows));
        p.turnDraw.push_back(std::int32_t(next() % tableRows));
        p.inside.push_back(0);
    }
    return p;
}

// The step, one photon: what every library's version must compute.
inline void stepOne(const Tables& t, Photons& p, int i, float cosTheta) {
    const float s = t.path[p.pathDraw[i]] / p.mu[i];
    const float x = p.x[i] + s * p.u[i], y = p.y[i] + s * p.v[i], z = p.z[i] + s * p.w[i];
    const bool along = y >= -30.0f && y <= 30.0f;
    const float dx = std::fabs(x) - 5.0f;
    const bool slab = std::fabs(x) <= 5.0f && std::fabs(z) <= 5.0f;
    const bool side = dx > 0.0f && dx * dx + z * z <= 100.0f;
    const bool in = along && (slab || side);
    const float sinTheta = std::sqrt(1.0f - cosTheta * cosTheta);
    const float c = t.cosTurn[p.turnDraw[i]], sn = t.sinTurn[p.turnDraw[i]];
    // A turn by theta in the x-z plane, then by the drawn angle about z: the
    // direction stays a unit vector (no values drifting into subnormals).
    const float u1 = p.u[i] * cosTheta - p.w[i] * sinTheta;
    const float w = p.u[i] * sinTheta + p.w[i] * cosTheta;
    const float u = u1 * c - p.v[i] * sn;
    const float v = u1 * sn + p.v[i] * c;
    p.x[i] = in ? x : p.x[i];
    p.y[i] = in ? y : p.y[i];
    p.z[i] = in ? z : p.z[i];
    p.u[i] = in ? u : p.u[i];
    p.v[i] = in ? v : p.v[i];
    p.w[i] = in ? w : p.w[i];
    p.inside[i] = in ? 1 : 0;
    p.pathDraw[i] = (p.pathDraw[i] * 5 + 7) & (tableRows - 1);
    p.turnDraw[i] = (p.turnDraw[i] * 9 + 3) & (tableRows - 1);
}

} // namespace simdkernel
