// The tube model's reader of a material table (Tungsten.dat, Aluminum.atc,
// Copper.dat, Air.eac). A table it accepts holds 300 finite coefficients
// above 0.
#include "fuzz_support.h"

#include <textrec/exchange_files.h>

#include "XrayTubeModel.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::tungstenFile);
    Module1::BinArray table{};
    if (!Module1::readMaterialTable(file.write(data, size), table).empty())
        return 0;
    for (int i = 1; i <= Module1::kBinCount; ++i)
        FUZZ_CHECK(std::isfinite(table[i]) && table[i] > 0);
    return 0;
}
