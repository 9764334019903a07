// Helpers of the fuzz targets: the fuzz input as a file for the readers that
// take a path, and a check that stops the run when a promise is broken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace fuzzsupport {

// The input as text.
inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A file under the name the reader expects (its messages name it), in a
// folder of this process's own (in shared memory where there is one),
// rewritten with every input and removed at the end of the run.
class InputFile {
public:
    explicit InputFile(const char* name);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Writes the input and returns the file's path.
    const std::filesystem::path& write(const std::uint8_t* data, std::size_t size);
    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};

// A broken promise of a reader: print it and abort, which libFuzzer reports
// as a crash with the input that caused it.
[[noreturn]] inline void broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzzsupport

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzzsupport::broken(#condition, __FILE__, __LINE__);                                 \
    } while (false)
