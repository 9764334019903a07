// The engine's reader of the job file B2F.txt. A job it accepts holds values
// within their ranges and a result name without control characters.
#include "fuzz_support.h"

#include "inputs.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    return 0;
}
