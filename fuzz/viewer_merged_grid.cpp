// The viewer's loader of the merged grids F2B.dat. Grids it accepts hold
// finite values, and their band thresholds are finite.
#include "fuzz_support.h"

#include "logic/DoseGrids.h"

#include <textrec/exchange_files.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::mergedGridFile);
    const auto loaded = results::loadMergedFile(file.write(data, size));
    if (!loaded)
        return 0;
    for (const results::DoseGrid* grid : {&loaded->kerma, &loaded->doseEquivalent})
        for (double value : grid->cells())
            FUZZ_CHECK(std::isfinite(value));
    for (const auto* thresholds : {&loaded->kermaThresholds, &loaded->doseEquivalentThresholds})
        for (double t : *thresholds)
            FUZZ_CHECK(std::isfinite(t));
    return 0;
}
