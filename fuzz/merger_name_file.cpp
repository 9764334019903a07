// The merger's reading of FLname.txt. A name it accepts is 1 to 30
// characters without control characters or trailing blanks.
#include "fuzz_support.h"

#include "merge.h"

#include <textrec/textrec.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(merger::kNameFile);
    std::string name;
    try {
        name = merger::readResultName(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    FUZZ_CHECK(!name.empty() && name.size() <= merger::kNameLength);
    FUZZ_CHECK(name.back() != ' ');
    FUZZ_CHECK(!textrec::hasControlCharacter(name));
    return 0;
}
