// The engine's reader of the air absorption table Air.eac. A table it accepts
// holds finite coefficients above 0.
#include "fuzz_support.h"

#include "inputs.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::airAbsorptionFile);
    quenro::AirAbsorptionTable table;
    try {
        table = quenro::readAirAbsorptionFile(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    for (float mu : table.mu)
        FUZZ_CHECK(std::isfinite(mu) && mu > 0);
    return 0;
}
