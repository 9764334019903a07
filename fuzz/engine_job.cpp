// The engine's reader of the job file B2F.txt. A job it accepts holds values
// within their ranges, a result name without control characters and, when it
// asks for maps in other planes, a request that passes the checks every
// program makes of it, whose result names the merger can read and which the
// window program's writer writes back as it was read.
#include "fuzz_support.h"

#include "inputs.h"
#include "planes.h"

#include <textrec/exchange_files.h>
#include <textrec/planes.h>
#include <textrec/textrec.h>

#include <cmath>

namespace {

bool sameRequest(const textrec::planes::PlaneRequest& a, const textrec::planes::PlaneRequest& b) {
    return a.centreHeight == b.centreHeight && a.heights == b.heights &&
           a.verticalSection == b.verticalSection && a.tube == b.tube;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace planes = textrec::planes;
    static fuzzsupport::InputFile file(textrec::exchange::jobFile);
    quenro::JobParameters job;
    try {
        job = quenro::readJobFile(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    for (float v : {job.kermaRateAt100cm, job.focusSkinDistance, job.fieldLength, job.fieldWidth})
        FUZZ_CHECK(std::isfinite(v) && v > 0);
    FUZZ_CHECK(job.photonCount >= 1 && job.photonCount <= 1e15f);
    FUZZ_CHECK(!job.resultFileName.empty());
    FUZZ_CHECK(job.resultFileName.size() <= std::size_t(textrec::exchange::resultNameLength));
    FUZZ_CHECK(textrec::exchange::resultNameProblem(job.resultFileName).empty());
    if (!job.planes)
        return 0;

    const planes::PlaneRequest& request = *job.planes;
    FUZZ_CHECK(planes::checkRequest(request, quenro::patientPosition, job.focusSkinDistance,
                                    job.resultFileName)
                   .ok());
    FUZZ_CHECK(request.heights.size() <= std::size_t(planes::maxHeights));
    for (double h : request.heights)
        FUZZ_CHECK(h >= 0 && std::fabs(h - request.centreHeight) <= planes::maxPlaneDistance);
    const std::vector<quenro::MapFile> maps = quenro::mapFiles(job);
    FUZZ_CHECK(maps.size() <= std::size_t(quenro::maxScoringPlanes));
    for (const quenro::MapFile& map : maps) {
        FUZZ_CHECK(map.resultName.size() <= std::size_t(textrec::exchange::resultNameLength));
        FUZZ_CHECK(textrec::exchange::resultNameProblem(map.resultName).empty());
        FUZZ_CHECK(std::fabs(map.plane.offset) <= planes::maxPlaneDistance);
    }

    // Written again as the window writes a job, the request reads back as it
    // was (a request that asks for nothing more is written as no lines).
    const std::string rewritten = textrec::plainNumber(job.kermaRateAt100cm, 9) + "\r\n" +
                                  textrec::plainNumber(job.focusSkinDistance, 9) + "\r\n" +
                                  textrec::plainNumber(job.fieldLength, 9) + "\r\n" +
                                  textrec::plainNumber(job.fieldWidth, 9) + "\r\n" +
                                  textrec::plainNumber(job.photonCount, 9) + "\r\n" +
                                  job.resultFileName + "\r\n" + planes::jobFileLines(request);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(rewritten.data());
    const quenro::JobParameters again = quenro::readJobFile(file.write(bytes, rewritten.size()));
    FUZZ_CHECK(again.planes.has_value() == planes::asksForMore(request));
    FUZZ_CHECK(!again.planes || sameRequest(*again.planes, request));
    return 0;
}
