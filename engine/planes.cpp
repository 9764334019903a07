#include "planes.h"

#include <stdexcept>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

namespace planes = textrec::planes;

ScoringPlane heightPlane(double height, double centreHeight, planes::Tube tube) {
    const double above = height - centreHeight; // cm above the centre
    if constexpr (geometryCode == 1) {
        // z is the beam axis, pointing to the floor with the tube above the
        // table; with the tube below, the mirror plane is scored.
        const double z = tube == planes::Tube::Above ? -above : above;
        return {PlaneAxis::Z, static_cast<float>(z)};
    } else {
        // y runs up along the standing patient.
        return {PlaneAxis::Y, static_cast<float>(above)};
    }
}

std::vector<MapFile> mapFiles(const JobParameters& job) {
    std::vector<MapFile> maps;
    MapFile written;
    written.plane = writtenPlane;
    written.resultName = job.resultFileName;
    if (job.planes)
        written.record = planes::writtenPlaneRecord(*job.planes, patientPosition);
    maps.push_back(std::move(written));
    if (!job.planes)
        return maps;
    const planes::PlaneRequest& request = *job.planes;
    for (const planes::ExtraPlane& extra : planes::extraPlanes(request)) {
        MapFile map;
        map.resultName = planes::planeResultName(job.resultFileName, extra.suffix);
        map.record = planes::extraPlaneRecord(request, patientPosition, extra);
        if (extra.kind == planes::PlaneKind::Horizontal) {
            map.plane = heightPlane(extra.height, request.centreHeight, request.tube);
        } else {
            map.plane = verticalSectionPlane;
            // Its rows run along z: the mirror in z reverses them.
            map.reverseRows = geometryCode == 1 && request.tube == planes::Tube::Below;
        }
        maps.push_back(std::move(map));
    }
    return maps;
}

ScoringPlanes scoringPlanes(const std::vector<MapFile>& maps) {
    ScoringPlanes planes;
    if (maps.size() > std::size_t(maxScoringPlanes))
        throw std::length_error("more maps than planes the scorer holds");
    planes.count = 0;
    for (const MapFile& map : maps)
        planes.plane[planes.count++] = map.plane;
    return planes;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
