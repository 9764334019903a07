// The viewer's reader of the uncertainty file beside a result. Errors it
// accepts are finite and not negative, and every cell of the fine grid finds
// its engine cell.
#include "fuzz_support.h"

#include "logic/Uncertainty.h"

#include <cmath>
#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("walk1.data.unc");
    static const std::filesystem::path result = [] {
        const std::filesystem::path path = file.folder() / "walk1.data";
        std::ofstream out(path, std::ios::binary);
        // The conditions of the engine's golden run, whose uncertainty file seeds the corpus.
        for (const char* line : {"  1", " 0.1523E-01", " 90.0", " 20.0", " 20.0", " 80.0", "2.0000",
                                 " 12.0", "  2.500", "  1.500", "  0.000", " 0.3E+06"})
            out << line << "\r\n";
        return path;
    }();
    file.write(data, size);
    const auto errors = results::readRelativeErrors(result);
    if (!errors)
        return 0;
    for (const auto* map : {&errors->kerma, &errors->doseEquivalent})
        for (const auto& row : *map)
            for (double e : row)
                FUZZ_CHECK(std::isfinite(e) && e >= 0);
    for (int i : {1, 300, 601})
        for (int j : {1, 190, 381})
            FUZZ_CHECK(std::isfinite(errors->at(results::Quantity::Kerma, j, i)));
    return 0;
}
