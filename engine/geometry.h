// The engine is one source built twice; the geometry is fixed at compile time.
//   geometry 1 (Quenro-11): patient lying, vertical beam, mapped plane z = 0
//   geometry 2 (Quenro-22): patient standing, horizontal beam, mapped plane y = 0
// Every engine name lives in an inline namespace named after the geometry, so
// that both builds can be linked into one program (the benchmark does).
#pragma once

#ifndef QUENRO_GEOMETRY
#error "QUENRO_GEOMETRY must be 1 (lying) or 2 (standing)"
#endif

#define QUENRO_CONCAT_(a, b) a##b
#define QUENRO_CONCAT(a, b) QUENRO_CONCAT_(a, b)
#define QUENRO_GEOMETRY_NAMESPACE QUENRO_CONCAT(geometry, QUENRO_GEOMETRY)

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

// Written as the first line of the result file: 1 lying, 2 standing.
inline constexpr int geometryCode = QUENRO_GEOMETRY;
static_assert(geometryCode == 1 || geometryCode == 2, "geometry 1 or 2");

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
