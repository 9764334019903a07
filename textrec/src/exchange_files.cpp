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
    // A NUL would cut the name short at the file system, and any control
    // character makes a name that nobody chose.
    if (hasControlCharacter(name))
        in.fail("the result file name \"" + shownText(name) + "\" holds a control character");
    return std::string(name);
}

} // namespace textrec::exchange
