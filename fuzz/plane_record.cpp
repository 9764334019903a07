// The reading of the plane record beside a result (which the viewer, the
// correction and scatter-map read). A record it accepts is a plane the engine
// could have mapped: a whole centre height with the phantom above the floor,
// a horizontal plane at a whole height on or above the floor within the
// map's 300 cm of the centre, the tube below only for the lying patient; and
// written again, it reads back the same.
#include "fuzz_support.h"

#include <textrec/planes.h>
#include <textrec/textrec.h>

#include <cmath>
#include <fstream>

namespace planes = textrec::planes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("fuzz.data.plane");
    planes::PlaneRecord record;
    try {
        record = planes::readPlaneRecord(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    const double centre = record.centreHeight;
    FUZZ_CHECK(std::isfinite(centre) && centre == std::floor(centre));
    FUZZ_CHECK(centre >= planes::minCentreHeight(record.position));
    FUZZ_CHECK(centre <= planes::maxCentreHeight);
    if (record.kind == planes::PlaneKind::Horizontal) {
        FUZZ_CHECK(std::isfinite(record.height) && record.height == std::floor(record.height));
        FUZZ_CHECK(record.height >= 0);
        FUZZ_CHECK(std::fabs(record.height - centre) <= planes::maxPlaneDistance);
    }
    FUZZ_CHECK(record.tube == planes::Tube::Above || record.position == planes::Position::Lying);
    // Every row of a vertical section has a finite height.
    for (int row : {1, 31, 61})
        FUZZ_CHECK(std::isfinite(planes::sectionRowHeight(record, row)));

    const std::string text = planes::planeRecordText(record);
    const std::filesystem::path again = file.folder() / "again.data.plane";
    std::ofstream(again, std::ios::binary) << text;
    planes::PlaneRecord reread;
    try {
        reread = planes::readPlaneRecord(again);
    } catch (const textrec::InputError&) {
        FUZZ_CHECK(!"a record written from an accepted one is refused");
    }
    FUZZ_CHECK(planes::planeRecordText(reread) == text);
    return 0;
}
