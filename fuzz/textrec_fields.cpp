// The field readers of the text-record library on arbitrary text. The first
// byte chooses the implied decimals, the rest is the field. A number that a
// reader returns is finite, and a field that reads as a float also reads as a
// double.
#include "fuzz_support.h"

#include <textrec/textrec.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const int decimals = data[0] % 16;
    const std::string_view field = fuzzsupport::text(data + 1, size - 1);

    double asDouble = 0;
    const bool readsAsDouble = textrec::readRealField(field, decimals, asDouble);
    if (readsAsDouble)
        FUZZ_CHECK(std::isfinite(asDouble));
    float asFloat = 0;
    if (textrec::readRealField(field, decimals, asFloat)) {
        FUZZ_CHECK(std::isfinite(asFloat));
        FUZZ_CHECK(readsAsDouble);
    }

    std::int32_t integer = 0;
    textrec::readIntegerField(field, integer);

    if (auto v = textrec::readFreeNumber(field))
        FUZZ_CHECK(std::isfinite(*v));
    if (auto v = textrec::readFreeNumberFloat(field))
        FUZZ_CHECK(std::isfinite(*v));
    if (auto v = textrec::readWholeNumber(field))
        FUZZ_CHECK(std::isfinite(*v));
    FUZZ_CHECK(std::isfinite(textrec::leadingNumber(field)));
    return 0;
}
