// The format parser of the text-record library on arbitrary text: the first
// line is the format, the second a record read against it. A record read as
// numbers gives finite numbers, and the same numbers written through the
// format fill exactly the widths of its items.
#include "fuzz_support.h"

#include <textrec/textrec.h>

#include <cmath>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzsupport::text(data, size);
    const std::size_t lineEnd = input.find('\n');
    const std::string_view format = input.substr(0, lineEnd);
    const std::string_view line =
        lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);

    std::vector<textrec::FormatItem> items;
    try {
        items = textrec::parseFormat(format);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    std::size_t width = 0;
    bool hasText = false;
    for (const textrec::FormatItem& item : items) {
        FUZZ_CHECK(item.width >= 1 || item.kind == textrec::FieldKind::Literal);
        width += static_cast<std::size_t>(item.width);
        hasText = hasText || item.kind == textrec::FieldKind::Text;
    }
    FUZZ_CHECK(width <= textrec::ReadLimits{}.lineCharacters);

    const textrec::RecordValues values = textrec::readRecord(line, items);
    if (!values.ok)
        return 0;
    for (double v : values.numbers)
        FUZZ_CHECK(std::isfinite(v));
    std::vector<float> floats(values.numbers.size());
    textrec::readRecordFloats(line, items, floats);

    if (!hasText) {
        const std::string written = textrec::writeRecord(items, values.numbers);
        FUZZ_CHECK(written.size() == width);
    }
    return 0;
}
