// The planes the scorer maps and the result files they go to.
//
// A plane is normal to the y or the z axis at an offset along it; its map
// has the written columns x = +-d_i and rows c_j along the other of y and z.
// The written plane is z = 0 in geometry 1 (lying) and y = 0 in geometry 2
// (standing). The job may add horizontal planes at heights above the floor
// (lying: z = -(h - centre height), since +z points to the floor with the
// tube above the table; standing: y = h - centre height) and the vertical
// section (lying: y = 0 with rows along z; standing: z = 0 with rows along y).
//
// With the tube below the table (lying only) every map is the mirror image
// in z of the same run with the tube above: the plane at height offset +o is
// the tube-above plane at -o, scored there, and the vertical section's rows
// are written in reverse order. The centre plane is the same either way.
#pragma once

#include "geometry.h"
#include "inputs.h"

#include <textrec/planes.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

enum class PlaneAxis : std::uint8_t { Y, Z };

struct ScoringPlane {
    PlaneAxis normal = PlaneAxis::Z; // the axis the plane is normal to
    float offset = 0;                // cm along it
};

inline constexpr ScoringPlane writtenPlane{geometryCode == 1 ? PlaneAxis::Z : PlaneAxis::Y, 0.0f};
inline constexpr ScoringPlane verticalSectionPlane{geometryCode == 1 ? PlaneAxis::Y : PlaneAxis::Z,
                                                   0.0f};

// The written plane, the heights and the vertical section.
inline constexpr int maxScoringPlanes = 2 + textrec::planes::maxHeights;

// The planes of a run: plane 0 is the written one. A plain array, so that a
// history reads it without indirection.
struct ScoringPlanes {
    int count = 1;
    std::array<ScoringPlane, maxScoringPlanes> plane{writtenPlane};
};

// The plane `height` cm above the floor with the phantom centre at
// `centreHeight`, as scored (mirrored for the tube below).
ScoringPlane heightPlane(double height, double centreHeight, textrec::planes::Tube tube);

// One map a run writes: the plane it scores, its result file name (as line
// 6 of the job holds names), whether its rows go into the file in reverse
// order, and the plane record written beside it (none for the written map
// of a six-line job).
struct MapFile {
    ScoringPlane plane;
    std::string resultName;
    bool reverseRows = false;
    std::optional<textrec::planes::PlaneRecord> record;
};

// The written map first, then the extra maps of the job's request (at most
// maxScoringPlanes in all, as the job's checks allow).
std::vector<MapFile> mapFiles(const JobParameters& job);

ScoringPlanes scoringPlanes(const std::vector<MapFile>& maps);

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
