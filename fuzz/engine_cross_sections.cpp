// The engine's reader of ICRUSoft.dat. Tables it accepts have 2 to 25 rows
// of positive, rising energies and a form-factor table that reaches x = 10.
#include "fuzz_support.h"

#include "inputs.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::crossSectionFile);
    quenro::CrossSectionTable crossSections;
    quenro::FormFactorTable formFactors;
    try {
        quenro::readCrossSectionFile(file.write(data, size), crossSections, formFactors);
    } catch (const textrec::InputError&) {
        return 0;
    }
    const int n = crossSections.rowCount;
    FUZZ_CHECK(n >= 2 && n <= quenro::maxCrossSectionRows);
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(std::isfinite(crossSections.energy[i]) && crossSections.energy[i] > 0);
        FUZZ_CHECK(i == 0 || crossSections.energy[i] > crossSections.energy[i - 1]);
    }
    FUZZ_CHECK(formFactors.x[quenro::formFactorRows - 1] >= 10);
    return 0;
}
