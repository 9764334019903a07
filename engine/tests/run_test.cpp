// Whole runs: the golden result file, determinism, the console dialogue and
// the refusals of inputs outside the limits.
#include "geometry.h"
#include "result.h"
#include "run.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace quenro;
using enginetest::jobText;
using enginetest::ProgramRun;
using enginetest::readFile;
using enginetest::recordsOf;
using enginetest::replaceLine;
using enginetest::runProgram;
using enginetest::WorkFolder;

namespace {

// The differing lines of two result files, for a readable failure message.
std::string lineDiff(const std::string& expected, const std::string& actual) {
    const auto a = recordsOf(expected), b = recordsOf(actual);
    std::ostringstream out;
    int shown = 0;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()) && shown < 8; ++i) {
        const std::string x = i < a.size() ? a[i] : "<missing>";
        const std::string y = i < b.size() ? b[i] : "<missing>";
        if (x == y)
            continue;
        ++shown;
        out << "line " << i + 1 << ":\n  expected: " << x << "\n  actual:   " << y << "\n";
    }
    if (a.size() != b.size())
        out << "expected " << a.size() << " lines, got " << b.size() << "\n";
    return out.str();
}

std::filesystem::path goldenFile() {
    return enginetest::fixtureDir().parent_path() / "golden" /
           (geometryCode == 1 ? "golden-11.data" : "golden-22.data");
}

int runInProcess(const WorkFolder& folder, const std::string& input, std::string* out = nullptr,
                 std::string* err = nullptr) {
    std::istringstream in(input);
    std::ostringstream o, e;
    const int status = runEngine(in, o, e, folder.path());
    if (out)
        *out = o.str();
    if (err)
        *err = e.str();
    return status;
}

} // namespace

// The fixture job: 3E+05 histories of the 80 kV fixture spectrum, FSD 90 cm,
// 20 x 20 cm. Any change of the result file shows here; when a change is meant
// to alter results, rerun with UPDATE_GOLDEN=1 and commit the new files.
TEST(GoldenRun, ResultFileMatchesTheCommittedOneExactly) {
    WorkFolder folder;
    const ProgramRun run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string actual = folder.read("golden.data");
    ASSERT_EQ(recordsOf(actual).size(), std::size_t(resultFileLines));

    if (const char* update = std::getenv("UPDATE_GOLDEN"); update && std::string(update) == "1") {
        std::ofstream(goldenFile(), std::ios::binary) << actual;
        GTEST_SKIP() << "golden file rewritten: " << goldenFile();
    }
    const std::string expected = readFile(goldenFile());
    ASSERT_FALSE(expected.empty())
        << "no golden file " << goldenFile() << "; create it with UPDATE_GOLDEN=1";
    EXPECT_TRUE(expected == actual) << lineDiff(expected, actual);
}

TEST(GoldenRun, TwoRunsOfTheSameInputsGiveTheSameFile) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("2.500E-02", "60.0", "15.0", "25.0", "1.000E+05", "a.data"));
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    const std::string first = folder.read("a.data");
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    EXPECT_EQ(first, folder.read("a.data"));

    // The density line of ICRUSoft.dat has no effect.
    folder.write("ICRUSoft.dat", replaceLine(folder.read("ICRUSoft.dat"), 2, " 1.500000"));
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    EXPECT_EQ(first, folder.read("a.data"));
}

TEST(ConsoleDialogue, ShowsTitleProgressAndTimesAndSavesTheResult) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.0E-02", "60.0", "20.0", "20.0", "1.000E+03", "c.data"));
    std::string out;
    ASSERT_EQ(runInProcess(folder, "\n\n", &out), 0);
    const std::string title = std::string("\n\n      ***  モンテカルロシミュレーション  ***\n\n") +
                              "            Ｘ線透視室内の散乱線分布\n" +
                              (geometryCode == 1 ? "            仰臥位（Ｘ線：上→下方向）\n"
                                                 : "              立位（Ｘ線：水平方向）\n") +
                              "\n  ---   Enter キーを押すと計算が開始されます ---\n" +
                              " <<< Monte Carlo Simulation >>>\n Start time =";
    EXPECT_EQ(out.substr(0, title.size()), title);
    // The fixture spectrum ends in bin 159: bins 10 .. 159 of 160.
    EXPECT_NE(out.find("\n 10 / 160\n 11 / 160\n"), std::string::npos);
    EXPECT_NE(out.find("\n159 / 160\n\n Start time ="), std::string::npos);
    EXPECT_EQ(out.find("160 / 160"), std::string::npos);
    // The start time is shown twice with the same value.
    const std::size_t first = out.find(" Start time =");
    const std::size_t second = out.find(" Start time =", first + 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(out.substr(first, 21), out.substr(second, 21));
    EXPECT_NE(out.find("\n\n Finish time ="), std::string::npos);
    const std::string closing = "\n\n  ---      計算結果を保存しました    ---\n\n"
                                "  ---     Enter キーを押して下さい   ---\n"
                                "Stop - Program terminated.\n";
    EXPECT_EQ(out.substr(out.size() - closing.size()), closing);
    EXPECT_TRUE(folder.exists("c.data"));
}

TEST(ConsoleDialogue, EndOfInputAtTheFirstPromptRunsNothing) {
    WorkFolder folder;
    std::string out, err;
    EXPECT_NE(runInProcess(folder, "", &out, &err), 0);
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(out.find("Monte Carlo Simulation >>>"), std::string::npos);
    EXPECT_FALSE(folder.exists("golden.data"));
}

TEST(ConsoleDialogue, EndOfInputAtTheFinalPromptEndsNormally) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.0E-02", "60.0", "20.0", "20.0", "1.000E+03", "e.data"));
    std::string out;
    EXPECT_EQ(runInProcess(folder, "\n", &out), 0);
    EXPECT_TRUE(folder.exists("e.data"));
    EXPECT_NE(out.find("Stop - Program terminated."), std::string::npos);
}

TEST(ResultFile, EverySkippedBinStillWritesAllLines) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.000E-02", "60.0", "20.0", "20.0", "1.000E+00", "z.data"));
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    const auto lines = recordsOf(folder.read("z.data"));
    ASSERT_EQ(lines.size(), std::size_t(resultFileLines));
    EXPECT_EQ(lines[0], geometryCode == 1 ? "  1" : "  2");
    EXPECT_EQ(lines[1], " 0.2778E-01"); // 1E-02 * (100/60)^2
    EXPECT_EQ(lines[2], " 60.0");
    EXPECT_EQ(lines[11], " 0.1E+01");
    EXPECT_EQ(lines[12], "  Gy/min");
    EXPECT_EQ(lines[74], "  Sv/min");
    std::string zeros;
    for (int i = 0; i < 41; ++i)
        zeros += " 0.0000E+00";
    for (int line = 14; line <= 136; ++line) {
        if (line != 75) {
            EXPECT_EQ(lines[line - 1], zeros) << "line " << line;
        }
    }
    // Only the result file is left: no temporary file.
    EXPECT_EQ(folder.listing().find(".tmp"), std::string::npos) << folder.listing();
}

TEST(ResultFile, ReplacesAnOlderFileOfTheSameName) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.000E-02", "60.0", "20.0", "20.0", "1.000E+03", "r.data"));
    folder.write("r.data", "old\r\n");
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    EXPECT_EQ(recordsOf(folder.read("r.data")).size(), std::size_t(resultFileLines));
}

TEST(Refusal, InputsOutsideTheLimitsStopBeforeTheTitleWithoutAResult) {
    struct Case {
        std::string file, line1Based, replacement, named;
    };
    const std::vector<Case> cases = {
        {"B2F.txt", "2", "00.0", "B2F.txt, line 2"},
        {"B2F.txt", "3", "00.0", "B2F.txt, line 3"},
        {"B2F.txt", "4", "00.0", "B2F.txt, line 4"},
        {"B2F.txt", "5", "0.000E+00", "B2F.txt, line 5"},
        {"ICRUSoft.dat", "1", " 26", "ICRUSoft.dat, line 1"},
        {"Air.eac", "7", "0.3500E+01   zero", "Air.eac, line 7"},
    };
    for (const Case& c : cases) {
        WorkFolder folder;
        folder.write(c.file,
                     replaceLine(folder.read(c.file), std::stoi(c.line1Based), c.replacement));
        const ProgramRun run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
        EXPECT_NE(run.status, 0) << c.named;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("モンテカルロ"), std::string::npos) << c.named;
        EXPECT_FALSE(folder.exists("golden.data")) << c.named;
    }

    {
        // A kerma-to-dose table starting above 10 keV.
        WorkFolder folder;
        folder.write("Ak2Sv.dat", enginetest::kermaToDoseText(10.5f, 0.15f));
        const ProgramRun run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("Ak2Sv.dat, line 1"), std::string::npos) << run.err;
        EXPECT_FALSE(folder.exists("golden.data"));
    }

    // An all-zero spectrum and a missing file.
    WorkFolder folder;
    std::string spectrum = folder.read("B_SPCTL.dat");
    for (int k = 1; k <= 300; ++k)
        spectrum = replaceLine(spectrum, k, "0000.0, 0.00000");
    folder.write("B_SPCTL.dat", spectrum);
    ProgramRun run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("B_SPCTL.dat"), std::string::npos) << run.err;
    EXPECT_FALSE(folder.exists("golden.data"));

    std::filesystem::remove(folder.file("B2F.txt"));
    run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find("B2F.txt"), std::string::npos) << run.err;
}

TEST(Refusal, SpectrumBelowFiveKiloElectronVoltOnlyCannotBeNormalised) {
    // Bins 1..9 count in the weights but not in the normalisation sum.
    WorkFolder folder;
    std::string spectrum = folder.read("B_SPCTL.dat");
    for (int k = 10; k <= 300; ++k)
        spectrum = replaceLine(spectrum, k, "0000.0, 0.00000");
    spectrum = replaceLine(spectrum, 8, "0004.0, 1.00000");
    folder.write("B_SPCTL.dat", spectrum);
    std::string err;
    EXPECT_NE(runInProcess(folder, "\n\n", nullptr, &err), 0);
    EXPECT_NE(err.find("B_SPCTL.dat"), std::string::npos) << err;
    EXPECT_FALSE(folder.exists("golden.data"));
}
