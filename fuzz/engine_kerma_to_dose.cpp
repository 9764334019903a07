// The engine's reader of the kerma-to-dose table Ak2Sv.dat. A table it
// accepts has finite energies that do not fall and coefficients not below 0.
#include "fuzz_support.h"

#include "inputs.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::kermaToDoseFile);
    quenro::KermaToDoseTable table;
    try {
        table = quenro::readKermaToDoseFile(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    for (int r = 0; r < quenro::kermaToDoseRows; ++r) {
        FUZZ_CHECK(std::isfinite(table.energy[r]) && std::isfinite(table.coefficient[r]));
        FUZZ_CHECK(r == 0 || table.energy[r] >= table.energy[r - 1]);
        FUZZ_CHECK(table.coefficient[r] >= 0);
    }
    return 0;
}
