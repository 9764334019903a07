#include "fuzz_support.h"

#include <fstream>
#include <string>
#include <system_error>

#include <unistd.h>

namespace fuzzsupport {

namespace {

// Shared memory where the system has it: a file there is written without
// waiting for a disk that other work keeps busy (which once held one input
// longer than the time limit).
std::filesystem::path scratchFolder() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec))
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

} // namespace

InputFile::InputFile(const char* name)
    : folder_(scratchFolder() / ("quenro-fuzz-" + std::to_string(getpid()) + "-" + name)),
      path_(folder_ / name) {
    std::filesystem::create_directories(folder_);
}

InputFile::~InputFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

const std::filesystem::path& InputFile::write(const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        broken("the fuzz input could not be written to its file", __FILE__, __LINE__);
    return path_;
}

} // namespace fuzzsupport
