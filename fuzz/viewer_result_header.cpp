// The viewer's reader of a result file's conditions (its first 12 lines). A
// number it reads is finite, and every value can be shown.
#include "fuzz_support.h"

#include "logic/ResultHeader.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file("walk1.data");
    const auto header = results::readResultHeader(file.write(data, size));
    if (!header)
        return 0;
    FUZZ_CHECK(header->linesRead >= 0 && header->linesRead <= results::kHeaderValueCount);
    for (int k = 0; k < results::kHeaderValueCount; ++k) {
        const results::HeaderValue& value = header->values[static_cast<std::size_t>(k)];
        if (value.number)
            FUZZ_CHECK(std::isfinite(*value.number));
        (void)results::headerFieldText(k, value);
    }
    (void)header->bodyPosition();
    FUZZ_CHECK(std::isfinite(header->focusSkinDistance()));
    return 0;
}
