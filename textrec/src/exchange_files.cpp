#include "textrec/exchange_files.h"

#include "textrec/textrec.h"

namespace textrec::exchange {

std::string_view resultNameOnLine(std::string_view line) {
    line = line.substr(0, resultNameLength);
    while (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);
    return line;
}

std::string readMergeRequest(const std::filesystem::path& path) {
    LineReader in(path);
    const std::string_view name = resultNameOnLine(in.next());
    if (name.empty())
        in.fail("no result file name");
    return std::string(name);
}

} // namespace textrec::exchange
