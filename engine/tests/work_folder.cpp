#include "work_folder.h"

#include "geometry.h"

#include "RunProgram.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace enginetest {

namespace fs = std::filesystem;

fs::path fixtureDir() {
    return fs::path(SOURCE_DIR) / "engine" / "tests" / "fixtures";
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

WorkFolder::WorkFolder(bool withJob) {
    static std::atomic<int> counter{0};
    dir_ = fs::temp_directory_path() / ("quenro-test-" + std::to_string(testsupport::processId()) +
                                        "-" + std::to_string(counter++));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {"ICRUSoft.dat", "Air.eac", "Ak2Sv.dat", "B_SPCTL.dat"})
        fs::copy_file(fixtureDir() / name, dir_ / name);
    if (withJob)
        fs::copy_file(fixtureDir() / "B2F.txt", dir_ / "B2F.txt");
}

WorkFolder::~WorkFolder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void WorkFolder::write(const std::string& name, const std::string& content) const {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string WorkFolder::read(const std::string& name) const {
    return readFile(dir_ / name);
}

bool WorkFolder::exists(const std::string& name) const {
    return fs::exists(dir_ / name);
}

std::string WorkFolder::listing() const {
    std::string names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names += entry.path().filename().string() + " ";
    return names;
}

std::string jobText(const std::string& kermaRate, const std::string& focusSkinDistance,
                    const std::string& fieldLength, const std::string& fieldWidth,
                    const std::string& photonCount, const std::string& name) {
    return kermaRate + "\r\n" + focusSkinDistance + "\r\n" + fieldLength + "\r\n" + fieldWidth +
           "\r\n" + photonCount + "\r\n" + name + "\r\n";
}

std::string kermaToDoseText(float first, float step) {
    std::string text;
    for (int i = 0; i < 1001; ++i) {
        const double e = first + step * i;
        char line[32];
        std::snprintf(line, sizeof line, "%9.3f%12.5E", e, 0.01 * e);
        text += std::string(line) + "\r\n";
    }
    return text;
}

std::vector<std::string> recordsOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos) + " <no CR LF>");
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string replaceLine(const std::string& text, int line, const std::string& replacement) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i)
        start = text.find('\n', start) + 1;
    std::size_t end = text.find("\r\n", start);
    return text.substr(0, start) + replacement + text.substr(end);
}

ProgramRun runProgram(const std::string& program, const fs::path& folder, const std::string& input,
                      const std::string& arguments) {
    const testsupport::ProgramRun run = testsupport::runProgram(program, folder, input, arguments);
    return {run.status, run.out, run.err};
}

std::string engineProgram() {
    return ENGINE_PROGRAM;
}

} // namespace enginetest
