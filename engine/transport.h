// Photon transport through the soft-tissue phantom.
//
// Every stored quantity is a 32-bit float and every expression is evaluated in
// float in the order written, so that a run is reproduced bit for bit; the
// engine is built without floating-point contraction for the same reason.
#pragma once

#include "constants.h"
#include "float_math.h"
#include "geometry.h"
#include "inputs.h"
#include "random.h"

#include <cmath>
#include <cstdint>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

struct PhotonState {
    float E = 0; // keV
    float x = 0, y = 0, z = 0;
    float cosTheta = 1, sinTheta = 0, cosPhi = 1, sinPhi = 0;
    std::int32_t scattered = 1; // 1 primary, 2 after the first scattering
};

// Interaction thresholds at one energy: R < photoelectric is absorption,
// R >= upper is incoherent, in between coherent.
struct CrossSections {
    float total = 0;
    float photoelectric = 0; // PA
    float upper = 0;         // PB
};

// Number of values a draw can take; functions of a single draw are tabulated
// by the draw's integer k, which gives the very floats the formulas give.
inline constexpr int drawValues = LaggedFibonacciGenerator::modulus;

// Searches start from buckets fine enough that they seldom step on: momentum
// transfers below 10 in buckets of 1/1024, energies in quarters of a keV.
inline constexpr int formBucketsPerUnit = 1024;
inline constexpr int formBuckets = 10 * formBucketsPerUnit;
inline constexpr int energyBucketsPerKeV = 4;
inline constexpr int energyBuckets = 151 * energyBucketsPerKeV + 1; // 0 .. 151 keV

struct Azimuth {
    float cosine = 1;
    float sine = 0;
};

// Rows of a table rounded up to whole vectors of 16 floats, which the lanes
// of the default run permute instead of gathering from (the rows past the
// table's end hold 0 and are never read).
constexpr int wholeVectors(int rows) {
    return (rows + 15) / 16 * 16;
}

// Log-log cross-section table and the form factors, ready for the transport,
// with the look-up aids that leave every result unchanged.
struct TransportTables {
    std::int32_t rowCount = 0;
    alignas(64) float energy[wholeVectors(maxCrossSectionRows)]{};
    alignas(64) float logEnergy[wholeVectors(maxCrossSectionRows)]{};
    alignas(64) float logCoherent[wholeVectors(maxCrossSectionRows)]{};
    alignas(64) float logIncoherent[wholeVectors(maxCrossSectionRows)]{};
    alignas(64) float logPhotoelectric[wholeVectors(maxCrossSectionRows)]{};

    alignas(64) float formX[wholeVectors(formFactorRows)]{};
    alignas(64) float formA[wholeVectors(formFactorRows)]{};
    alignas(64) float formS[wholeVectors(formFactorRows)]{};
    float totalA = 0; // A(45)
    float maxS = 0;   // S(45)

    // The job's source: focus-skin distance and field size at that distance.
    float focusSkinDistance = 0;
    float fieldWidth = 0;
    float fieldLength = 0;

    // Where the searches start: the first row above a bucket's lower end. A search from
    // there finds the same row as a search from row 2.
    std::uint8_t energyStart[energyBuckets]{};
    std::uint8_t formStart[formBuckets]{};
    // The same rows as 32-bit integers, which the lanes of the default run
    // gather, and the rows where a search from the bucket's upper end would
    // start: where the two are the same, the search from the start row ends
    // at once for every value in the bucket.
    std::int32_t energyStartRow[energyBuckets]{};
    std::int32_t formStartRow[formBuckets]{};
    std::int32_t energyEndRow[energyBuckets]{};
    std::int32_t formEndRow[formBuckets]{};
    // Cross sections at the bin energies 0.5 k keV (element k).
    CrossSections binCrossSections[spectrumBins + 1]{};
    // By draw k: -ln(R), the azimuth cosine and sine of R 2 pi, and q 12.4 of
    // the coherent sampling of R A(45).
    float negativeLogDraw[drawValues]{};
    Azimuth azimuth[drawValues]{};
    float coherentQ[drawValues]{};
};

TransportTables makeTransportTables(const EngineInputs& inputs);

// Log-log interpolation in the cross-section table; below the first energy
// it extrapolates from the first two rows.
inline CrossSections crossSectionsAt(const TransportTables& t, float E) {
    const float bucket = E * float(energyBucketsPerKeV);
    int i = t.energyStart[bucket < float(energyBuckets - 1) ? static_cast<int>(bucket)
                                                            : energyBuckets - 1];
    while (i < t.rowCount - 1 && !(t.energy[i] > E))
        ++i;
    const float lnE = floatmath::log(E);
    const float f = (lnE - t.logEnergy[i - 1]) / (t.logEnergy[i] - t.logEnergy[i - 1]);
    const float coherent =
        floatmath::exp(t.logCoherent[i - 1] + f * (t.logCoherent[i] - t.logCoherent[i - 1]));
    const float incoherent =
        floatmath::exp(t.logIncoherent[i - 1] + f * (t.logIncoherent[i] - t.logIncoherent[i - 1]));
    const float photo = floatmath::exp(t.logPhotoelectric[i - 1] +
                                       f * (t.logPhotoelectric[i] - t.logPhotoelectric[i - 1]));
    CrossSections xs;
    xs.total = photo + incoherent + coherent;
    xs.photoelectric = photo / xs.total;
    xs.upper = (photo + coherent) / xs.total;
    return xs;
}

// The phantom as the transport sees it. Written: the single-stream run's
// geometry as first written, whose rounded sides have no ends (a point in
// them is inside whatever its y) and whose side entries take the azimuth of
// the sampled field point, so that their four direction numbers need not
// form a unit vector. Sound: the default run's geometry, the 60 cm prism with
// its rounded sides ended at |y| = 30 and every entry direction the unit
// vector of the ray from the focus.
enum class PhantomModel { Written, Sound };

template <PhantomModel model> inline bool isInside(float x, float y, float z) {
    const bool withinLength = y >= -halfLength && y <= halfLength;
    if (x >= -slabHalfWidth && x <= slabHalfWidth && withinLength && z >= -halfThickness &&
        z <= halfThickness)
        return true;
    if (model == PhantomModel::Sound && !withinLength)
        return false;
    if (x > slabHalfWidth) {
        const float dx = x - slabHalfWidth;
        return dx * dx + z * z <= sideRadiusSquared;
    }
    if (x < -slabHalfWidth) {
        const float dx = x + slabHalfWidth;
        return dx * dx + z * z <= sideRadiusSquared;
    }
    return false;
}

// Entry through a rounded side as first written: the line z = m x - F (from
// (0, -F), not from the focus) against the circle (x -+ 5)^2 + z^2 = 100; the
// azimuth stays that of the sampled (x0, y0). False when the line misses.
inline bool writtenSideEntry(float F, float x0, float y0, float& xe, float& ye, float& ze) {
    constexpr float twiceCentre = 2.0f * slabHalfWidth;
    const float m = (F - halfThickness) / x0;
    const float a = m * m + 1.0f;
    const float b = x0 > slabHalfWidth ? -(2.0f * F * m + twiceCentre) : twiceCentre - 2.0f * F * m;
    const float c = F * F - (sideRadiusSquared - slabHalfWidth * slabHalfWidth);
    const float D = b * b - 4.0f * a * c;
    if (D <= 0.0f)
        return false;
    xe = x0 > slabHalfWidth ? (-b - std::sqrt(D)) / (2.0f * a) : (-b + std::sqrt(D)) / (2.0f * a);
    ze = m * xe - F;
    ye = (ze + F) * y0 / F;
    return true;
}

// Entry through a rounded side on the ray from the focus (0, 0, -10 - F)
// through the field point (x0, y0, -10), |x0| > 5: the ray reaches the face
// plane beside the face and can enter only through the side it heads for, at
// the first root t of |(t x0 -+ 5, t F - 10 - F)| = 10 (t = 1 at the face
// plane), and only where |y| <= 30; beyond the ends it has passed the
// phantom. Solved in double, the point rounded once to float. False when the
// ray misses.
inline bool soundSideEntry(float F, float x0, float y0, float& xe, float& ye, float& ze) {
    const double centre = x0 > 0.0f ? slabHalfWidth : -slabHalfWidth;
    const double dx = x0, dy = y0, dz = F;
    const double z0 = -double(halfThickness) - double(F);
    // |(t dx - centre, z0 + t dz)|^2 = radius^2
    const double a = dx * dx + dz * dz;
    const double halfB = -(dx * centre) + z0 * dz;
    const double c = centre * centre + z0 * z0 - double(sideRadiusSquared);
    const double D = halfB * halfB - a * c;
    if (!(D > 0.0))
        return false;
    const double t = (-halfB - std::sqrt(D)) / a;
    const double y = t * dy;
    if (!(t > 0.0) || y < -double(halfLength) || y > double(halfLength))
        return false;
    xe = static_cast<float>(t * dx);
    ye = static_cast<float>(y);
    ze = static_cast<float>(z0 + t * dz);
    return true;
}

// Samples the entry point and direction of a primary photon over the field.
// Returns false when the photon misses the phantom (the history ends there
// but still counts). Face entries are the same in both models: the direction
// is the unit vector from the focus (0, 0, -10 - F) to the entry point.
template <PhantomModel model, class Generator>
inline bool sampleSource(const TransportTables& t, Generator& rng, PhotonState& photon) {
    const float F = t.focusSkinDistance;
    for (;;) {
        const float R1 = rng.draw();
        const float R2 = rng.draw();
        const float x0 = (0.5f - R1) * F / (F + halfThickness) * t.fieldWidth;
        const float y0 = (0.5f - R2) * F / (F + halfThickness) * t.fieldLength;
        float xe = x0, ye = y0, ze = -halfThickness;
        if (std::fabs(x0) > slabHalfWidth) {
            const bool entered = model == PhantomModel::Written
                                     ? writtenSideEntry(F, x0, y0, xe, ye, ze)
                                     : soundSideEntry(F, x0, y0, xe, ye, ze);
            if (!entered)
                return false;
        }
        // Written: s from the entry point, which for a side entry is not on
        // the ray through (x0, y0). Sound: s of the ray's own direction
        // (x0, y0, F); for a face entry the two are the same.
        const float sx = model == PhantomModel::Written ? xe : x0;
        const float sy = model == PhantomModel::Written ? ye : y0;
        const float s2 = sx * sx + sy * sy;
        if (s2 <= 0.0f)
            continue;
        const float root = std::sqrt(F * F + s2);
        const float s = std::sqrt(s2);
        photon.x = xe;
        photon.y = ye;
        photon.z = ze;
        photon.cosTheta = F / root;
        photon.sinTheta = s / root;
        photon.cosPhi = x0 / s;
        photon.sinPhi = y0 / s;
        photon.scattered = 1;
        return true;
    }
}

// Outcome of a scattering: the new energy and the polar angle of the scattering.
struct Scattering {
    float E = 0;
    float cosTheta = 1;
    float sinTheta = 0;
};

// Polar angle of an incoherent scattering from its cosine c, limited to
// [-1, 1]; c = 0 exactly gives pi/2 (with the engine's pi).
inline float incoherentAngle(float c) {
    if (c == 0.0f)
        return pi * 0.5f;
    if (c > 1.0f)
        c = 1.0f;
    if (c < -1.0f)
        c = -1.0f;
    const float theta = floatmath::atan(std::sqrt(1.0f - c * c) / c);
    return theta < 0.0f ? theta + pi : theta;
}

// One trial of Kahn's rejection method for the Klein-Nishina distribution
// with a = 511/E: eta from R2 on the branch chosen by R1 > p, and the value
// that R3 must stay below for the trial to be accepted.
struct KahnTrial {
    float eta = 1;
    float acceptance = 0;
};

inline KahnTrial kahnTrial(float a, bool upperBranch, float R2) {
    KahnTrial trial;
    if (upperBranch) {
        trial.eta = (a + 2.0f) / (2.0f * (1.0f - R2) + a);
        const float b = 1.0f + a - a * trial.eta;
        trial.acceptance = 0.5f * (b * b + 1.0f / trial.eta);
    } else {
        trial.eta = 1.0f + 2.0f * R2 / a;
        trial.acceptance = 4.0f * (1.0f / (trial.eta) - 1.0f / (trial.eta * trial.eta));
    }
    return trial;
}

// The angle of an accepted Kahn trial and its rejection on S(q): with
// q = sin(theta/2) E / 12.4 below 10, the trial stands only if S(q)/S(45) is
// not below a further draw.
struct IncoherentAngle {
    float theta = 0;
    bool formFactorTest = false;
    float formFactorRatio = 1; // S(q)/S(45)
};

inline IncoherentAngle incoherentAngleOf(const TransportTables& t, float E, float a, float eta) {
    IncoherentAngle angle;
    angle.theta = incoherentAngle(1.0f - a * (eta - 1.0f));
    const float q = floatmath::sin(angle.theta * 0.5f) * E / hc;
    if (q < freeElectronMomentumTransfer) {
        int i = t.formStart[static_cast<int>(q * float(formBucketsPerUnit))];
        while (!(t.formX[i] > q))
            ++i;
        const float S = t.formS[i - 1] + (t.formS[i] - t.formS[i - 1]) * (q - t.formX[i - 1]) /
                                             (t.formX[i] - t.formX[i - 1]);
        angle.formFactorTest = true;
        angle.formFactorRatio = S / t.maxS;
    }
    return angle;
}

// Energy and polar angle after an incoherent scattering by theta.
inline Scattering incoherentResult(float E, float theta) {
    const floatmath::SinCos angle = floatmath::sincos(theta);
    Scattering s;
    s.E = E / (1.0f + E / electronRestEnergy * (1.0f - angle.cosine));
    s.cosTheta = angle.cosine;
    s.sinTheta = angle.sine;
    return s;
}

// Incoherent scattering: Kahn's rejection method for the Klein-Nishina
// distribution, then rejection on the incoherent scattering function S(q).
template <class Generator>
inline Scattering sampleIncoherent(const TransportTables& t, Generator& rng, float E) {
    const float a = electronRestEnergy / E;
    const float p = (a + 2.0f) / (9.0f * a + 2.0f);
    for (;;) {
        const float R1 = rng.draw();
        const float R2 = rng.draw();
        const float R3 = rng.draw();
        const KahnTrial trial = kahnTrial(a, R1 > p, R2);
        if (!(trial.acceptance > R3))
            continue;
        const IncoherentAngle angle = incoherentAngleOf(t, E, a, trial.eta);
        if (angle.formFactorTest && angle.formFactorRatio < rng.draw())
            continue;
        return incoherentResult(E, angle.theta);
    }
}

// Incoherent scattering at one fixed energy (a bin energy, which every photon
// keeps until its first incoherent scattering), tabulated by the branch and
// R2 of the Kahn trial: the acceptance values at once, the outcome of a trial
// (with the cross sections at the new energy) when it is first met. The
// samples are those of sampleIncoherent, draw for draw.
class IncoherentTable {
public:
    struct Outcome {
        bool formFactorTest = false; // q < 10: one more draw decides
        float formFactorRatio = 1;
        Scattering scattering;
        CrossSections crossSections; // at the new energy, when it is at least 5 keV
        std::int32_t filledFor = -1; // the bin this outcome belongs to
    };

    // Prepares the table for bin `bin` (energy 0.5 bin keV).
    void prepare(int bin) {
        bin_ = bin;
        E_ = binEnergy(bin);
        a_ = electronRestEnergy / E_;
        p_ = (a_ + 2.0f) / (9.0f * a_ + 2.0f);
        for (int branch = 0; branch < 2; ++branch)
            for (int k = 0; k < drawValues; ++k)
                acceptance_[branch][k] =
                    kahnTrial(a_, branch == 1, LaggedFibonacciGenerator::toFloat(k)).acceptance;
    }

    float energy() const { return E_; }

    template <class Generator> const Outcome& sample(const TransportTables& t, Generator& rng) {
        for (;;) {
            const float R1 = rng.draw();
            const std::int32_t k2 = rng.step();
            const float R3 = rng.draw();
            const int branch = R1 > p_ ? 1 : 0;
            if (!(acceptance_[branch][k2] > R3))
                continue;
            Outcome& outcome = outcomes_[branch][k2];
            if (outcome.filledFor != bin_)
                fill(t, outcome, branch == 1, k2);
            if (outcome.formFactorTest && outcome.formFactorRatio < rng.draw())
                continue;
            return outcome;
        }
    }

    // What the lanes of the default run gather: the branch threshold p of
    // the prepared bin, and the acceptance value and the outcome of entry
    // branch * drawValues + k2 (its fields lie at fixed offsets in floats).
    // An outcome belongs to the prepared bin when its filledFor is bin().
    int bin() const { return bin_; }
    float branchThreshold() const { return p_; }
    const float* acceptanceData() const { return &acceptance_[0][0]; }
    const Outcome* outcomeData() const { return &outcomes_[0][0]; }
    // The lanes fill the outcomes themselves, as fill() does (lane_run.h).
    Outcome* outcomeData() { return &outcomes_[0][0]; }

    // Fills the outcomes of every trial that can be accepted, entry `first`,
    // `first + stride`, ... of the 2 x 16384 (branch, R2) entries, so that
    // several threads can fill one table between them. A table filled whole
    // is only read by sample(), and threads may then share it.
    void fillEvery(const TransportTables& t, int first, int stride) {
        for (int entry = first; entry < 2 * drawValues; entry += stride) {
            const int branch = entry / drawValues;
            const std::int32_t k2 = entry % drawValues;
            if (acceptance_[branch][k2] > 0.0f)
                fill(t, outcomes_[branch][k2], branch == 1, k2);
        }
    }

private:
    void fill(const TransportTables& t, Outcome& outcome, bool upperBranch, std::int32_t k2) {
        const KahnTrial trial = kahnTrial(a_, upperBranch, LaggedFibonacciGenerator::toFloat(k2));
        const IncoherentAngle angle = incoherentAngleOf(t, E_, a_, trial.eta);
        outcome.formFactorTest = angle.formFactorTest;
        outcome.formFactorRatio = angle.formFactorRatio;
        outcome.scattering = incoherentResult(E_, angle.theta);
        if (outcome.scattering.E >= transportCutoff)
            outcome.crossSections = crossSectionsAt(t, outcome.scattering.E);
        outcome.filledFor = bin_;
    }

    std::int32_t bin_ = -1;
    float E_ = 0, a_ = 0, p_ = 0;
    float acceptance_[2][drawValues]{};
    Outcome outcomes_[2][drawValues]{};
};

// q of the coherent sampling: linear inverse of the cumulative distribution A(x)
// at r = R A(45).
inline float coherentMomentumTransfer(const TransportTables& t, float R) {
    const float r = R * t.totalA;
    int i = 1;
    while (!(t.formA[i] > r))
        ++i;
    return t.formX[i - 1] +
           (r - t.formA[i - 1]) * (t.formX[i] - t.formX[i - 1]) / (t.formA[i] - t.formA[i - 1]);
}

// Coherent scattering: q from the cumulative distribution A(x) (tabulated by
// draw), then Thomson rejection. The energy is unchanged.
template <class Generator>
inline Scattering sampleCoherent(const TransportTables& t, Generator& rng, float E) {
    for (;;) {
        const float y = t.coherentQ[rng.step()] / E; // sin(theta/2)
        if (y > 1.0f)
            continue;
        const float c = 1.0f - 2.0f * y * y;
        const float R = rng.draw();
        if (2.0f * R > c * c + 1.0f)
            continue;
        Scattering s;
        s.E = E;
        s.cosTheta = c < 1.0f ? c : 1.0f;
        s.sinTheta = std::sqrt(1.0f - s.cosTheta * s.cosTheta);
        return s;
    }
}

// An escaping photon is scored only after a scattering and when its direction
// has non-zero x and z components (the scorer itself drops E below 10 keV).
inline bool qualifiesForScoring(const PhotonState& photon, float u, float w) {
    return photon.scattered == 2 && w != 0.0f && u != 0.0f;
}

// Turns the direction by the scattering angle and a fresh azimuth.
inline void turnDirection(PhotonState& photon, const Scattering& s, float cosAzimuth,
                          float sinAzimuth) {
    float w = cosAzimuth * photon.sinTheta * s.sinTheta + photon.cosTheta * s.cosTheta;
    if (w > 1.0f)
        w = 1.0f;
    if (w < -1.0f)
        w = -1.0f;
    const float sinTheta = std::sqrt(1.0f - w * w);
    float cosPhi, sinPhi;
    if (sinTheta == 0.0f) {
        sinPhi = 0.0f;
        cosPhi = 1.0f;
    } else {
        const float A = sinAzimuth * s.sinTheta / sinTheta;
        if (photon.sinTheta == 0.0f) {
            sinPhi = sinAzimuth;
            cosPhi = -cosAzimuth;
        } else {
            const float B = (s.cosTheta - photon.cosTheta * w) / (photon.sinTheta * sinTheta);
            sinPhi = B * photon.sinPhi + photon.cosPhi * A;
            cosPhi = photon.cosPhi * B - photon.sinPhi * A;
        }
    }
    photon.cosTheta = w;
    photon.sinTheta = sinTheta;
    photon.cosPhi = cosPhi;
    photon.sinPhi = sinPhi;
    photon.scattered = 2;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
