// The merger's reading of a result file. Maps it accepts hold finite values,
// never negative in the mapped columns.
#include "fuzz_support.h"

#include "merge.h"

#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("r.data");
    merger::ResultMaps maps;
    try {
        maps = merger::readResultFile(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    for (const merger::EngineMap* map : {&maps.kerma, &maps.doseEquivalent})
        for (int j = 1; j <= merger::kEngineRows; ++j)
            for (int i = 1; i <= merger::kEngineColumns; ++i) {
                FUZZ_CHECK(std::isfinite(map->at(i, j)));
                FUZZ_CHECK(i < merger::kFirstMappedColumn || map->at(i, j) >= 0);
            }
    return 0;
}
