// Starts a console program in a folder, with a text on its standard input, and
// collects its exit status and what it wrote, on Linux and on Windows alike.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testsupport {

struct ProgramRun {
    int status = -1;
    std::string out; // line ends as LF, also where the console wrote CR LF
    std::string err;
};

// This process's number, to keep the scratch names of parallel tests apart.
inline long processId() {
#ifdef _WIN32
    return static_cast<long>(_getpid());
#else
    return static_cast<long>(getpid());
#endif
}

namespace detail {

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    std::string lf;
    lf.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lf += text[i];
    return lf;
}

inline std::string quoted(const std::filesystem::path& path) {
#ifdef _WIN32
    return "\"" + path.string() + "\"";
#else
    return "'" + path.string() + "'";
#endif
}

} // namespace detail

// Runs `program` with `arguments` (appended to the command line as they stand)
// in `folder`; the three scratch files are made in the folder and removed.
inline ProgramRun runProgram(const std::filesystem::path& program,
                             const std::filesystem::path& folder, const std::string& input,
                             const std::string& arguments = "") {
    const std::string tag =
        std::to_string(processId()) + "-" + std::to_string(std::random_device{}());
    const std::filesystem::path in = folder / ("stdin-" + tag + ".test");
    const std::filesystem::path out = folder / ("stdout-" + tag + ".test");
    const std::filesystem::path err = folder / ("stderr-" + tag + ".test");
    std::ofstream(in, std::ios::binary) << input;
    using detail::quoted;
#ifdef _WIN32
    // cmd /c drops the first and the last quote of a line that starts with one.
    const std::string command = "\"cd /d " + quoted(folder) + " && " + quoted(program) + " " +
                                arguments + " < " + quoted(in) + " > " + quoted(out) + " 2> " +
                                quoted(err) + "\"";
#else
    const std::string command = "cd " + quoted(folder) + " && " + quoted(program) + " " +
                                arguments + " < " + quoted(in) + " > " + quoted(out) + " 2> " +
                                quoted(err);
#endif
    ProgramRun run;
    const int raw = std::system(command.c_str());
#ifdef _WIN32
    run.status = raw;
#else
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.out = detail::readAll(out);
    run.err = detail::readAll(err);
    std::error_code ignored;
    for (const auto& scratch : {in, out, err})
        std::filesystem::remove(scratch, ignored);
    return run;
}

} // namespace testsupport
