// The reading of FLname.txt (the merger's and the correction's). A name it accepts is 1 to 30
// characters without control characters, path separators or trailing blanks.
#include "fuzz_support.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::mergeRequestFile);
    std::string name;
    try {
        name = textrec::exchange::readMergeRequest(file.write(data, size));
    } catch (const textrec::InputError&) {
        return 0;
    }
    FUZZ_CHECK(!name.empty() && name.size() <= std::size_t(textrec::exchange::resultNameLength));
    FUZZ_CHECK(name.back() != ' ');
    FUZZ_CHECK(textrec::exchange::resultNameProblem(name).empty());
    return 0;
}
