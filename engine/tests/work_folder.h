// A scratch working folder holding the engine's fixture inputs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace enginetest {

// The fixture files of engine/tests/fixtures.
std::filesystem::path fixtureDir();

// The whole content of a file ("" when it cannot be read).
std::string readFile(const std::filesystem::path& path);

// A fresh folder with copies of ICRUSoft.dat, Air.eac, Ak2Sv.dat and
// B_SPCTL.dat from the fixtures (and B2F.txt when `withJob`), removed at the end.
class WorkFolder {
public:
    explicit WorkFolder(bool withJob = true);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const std::filesystem::path& path() const { return dir_; }
    std::filesystem::path file(const std::string& name) const { return dir_ / name; }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Names of all files in the folder.
    std::string listing() const;

private:
    std::filesystem::path dir_;
};

// B2F.txt as the window program writes it.
std::string jobText(const std::string& kermaRate, const std::string& focusSkinDistance,
                    const std::string& fieldLength, const std::string& fieldWidth,
                    const std::string& photonCount, const std::string& name);

// Ak2Sv.dat with 1001 energies first, first + step, ... and a smooth coefficient.
std::string kermaToDoseText(float first, float step);

// The records of a CR LF text; a last record without its CR LF is marked
// " <no CR LF>".
std::vector<std::string> recordsOf(const std::string& text);

// Replaces line `line` (1-based) of a CR LF text.
std::string replaceLine(const std::string& text, int line, const std::string& replacement);

// Result of starting an engine program in a folder with `input` on stdin.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};
// `arguments` are appended to the command line as they stand.
ProgramRun runProgram(const std::string& program, const std::filesystem::path& folder,
                      const std::string& input, const std::string& arguments = "");

// The engine program of the geometry these tests are built for.
std::string engineProgram();

} // namespace enginetest
