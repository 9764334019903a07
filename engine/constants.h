// The engine's constants, each written once. Result files depend on their
// exact float values, so each is the float the engine has always used.
#pragma once

#include "geometry.h"

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// Physics.
inline constexpr float pi = 3.141592f; // as the engine has always used it, not the nearest float
inline constexpr float electronRestEnergy = 511.0f; // keV
inline constexpr float hc = 12.4f;                  // keV Angstrom: a wavelength is hc/E
inline constexpr float transportCutoff = 5.0f;      // keV: a history ends below it
inline constexpr float scoringThreshold = 10.0f;    // keV: an escape below it is not scored
// Momentum transfer (1/Angstrom) from which incoherent scattering is taken
// without the rejection on S(q); the form-factor table must reach it.
inline constexpr float freeElectronMomentumTransfer = 10.0f;

// Energy grid: bin k stands for 0.5 k keV; bins 1..9 (below 5 keV) never run.
inline constexpr float binWidth = 0.5f; // keV
inline constexpr int firstSimulatedBin = 10;
constexpr float binEnergy(int k) {
    return binWidth * static_cast<float>(k);
}

// Phantom: a slab |x| <= 5, |y| <= 30, |z| <= 10 with two rounded sides, circles
// of radius 10 about x = +-5, z = 0 (30 cm wide, 20 cm thick, 60 cm long). The
// focus lies on the z axis, focusSkinDistance below the face z = -10.
inline constexpr float slabHalfWidth = 5.0f; // also |x| of the rounded sides' centres
inline constexpr float halfLength = 30.0f;
inline constexpr float halfThickness = 10.0f;
inline constexpr float sideRadius = 10.0f;
inline constexpr float sideRadiusSquared = sideRadius * sideRadius;

// Scoring: discs of radius 5 cm, 10 cm apart, in planes 10 cm apart; the
// rows run from -300 to +300 cm.
inline constexpr float discRadius = 5.0f;
inline constexpr float discRadiusSquared = discRadius * discRadius;
inline constexpr float cellSpacing = 10.0f;
inline constexpr float mapHalfLength = 300.0f;

// Normalisation.
inline constexpr float joulesPerKeV = 1.602e-13f;
inline constexpr float halfKeVInJoules = 8.01e-14f;
inline constexpr float referenceDistanceSquared = 10000.0f; // (100 cm)^2 of kermaRateAt100cm

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
