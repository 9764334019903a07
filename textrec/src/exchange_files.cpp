#include "textrec/exchange_files.h"

#include "textrec/textrec.h"

namespace textrec::exchange {

std::string_view resultNameOnLine(std::string_view line) {
    line = line.substr(0, resultNameLength);
    while (!line.empty() && line.back() == ' ')
        line.remove_suffix(1);
    return line;
}

std::string resultNameProblem(std::string_view name) {
    if (name.empty())
        return "no result file name";
    if (hasControlCharacter(name))
        return "the result file name \"" + shownText(name) + "\" holds a control character";
    if (name.find_first_of("/\\") != std::string_view::npos)
        return "the result file name \"" + shownText(name) +
               "\" holds a path separator: results stay in the working folder";
    // "." and ".." name the working folder and its parent, never a file; Windows
    // drops trailing dots, so a name of dots only names the folder there too.
    if (name.find_first_not_of('.') == std::string_view::npos)
        return "the result file name \"" + shownText(name) +
               "\" names a folder, not a file: results need a name of their own";
    return {};
}

std::string readMergeRequest(const std::filesystem::path& path) {
    LineReader in(path);
    const std::string_view name = resultNameOnLine(in.next());
    if (const std::string problem = resultNameProblem(name); !problem.empty())
        in.fail(problem);
    return std::string(name);
}

} // namespace textrec::exchange
