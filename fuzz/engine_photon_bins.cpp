// The engine's reader of the spectrum file B_SPCTL.dat. A spectrum it accepts
// has a highest bin and finite weights, none negative, that add up to 1.
#include "fuzz_support.h"

#include "inputs.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::spectrumFile);
    quenro::SpectrumTable spectrum;
    try {
        spectrum = quenro::readSpectrumFile(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    FUZZ_CHECK(spectrum.highestBin >= 1 && spectrum.highestBin <= quenro::spectrumBins);
    double sum = 0;
    for (float w : spectrum.weight) {
        FUZZ_CHECK(std::isfinite(w) && w >= 0);
        sum += w;
    }
    FUZZ_CHECK(std::fabs(sum - 1) < 1e-3);
    for (float info : spectrum.spectrumInfo)
        FUZZ_CHECK(std::isfinite(info));
    return 0;
}
