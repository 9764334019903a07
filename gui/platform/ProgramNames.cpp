#include "platform/ProgramNames.h"

namespace platform {

std::string platformProgramName(std::string_view windowsName) {
#ifdef _WIN32
    return std::string(windowsName);
#else
    constexpr std::string_view exe = ".exe";
    if (windowsName.size() > exe.size() && windowsName.ends_with(exe))
        windowsName.remove_suffix(exe.size());
    return std::string(windowsName);
#endif
}

} // namespace platform
