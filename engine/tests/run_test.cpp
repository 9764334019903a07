// Whole runs: the golden result file, determinism, the console dialogue and
// the refusals of inputs outside the limits.
#include "geometry.h"
#include "instruction_sets.h"
#include "options.h"
#include "result.h"
#include "run.h"
#include "work_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <regex>
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

std::filesystem::path goldenFile(const std::string& kind) {
    return enginetest::fixtureDir().parent_path() / "golden" /
           ("golden-" + kind + (geometryCode == 1 ? "-11.data" : "-22.data"));
}

int runInProcess(const WorkFolder& folder, const std::string& input, std::string* out = nullptr,
                 std::string* err = nullptr, const RunOptions& options = {}) {
    std::istringstream in(input);
    std::ostringstream o, e;
    const int status = runEngine(in, o, e, folder.path(), options);
    if (out)
        *out = o.str();
    if (err)
        *err = e.str();
    return status;
}

// The two maps of a result or uncertainty file, all 2 x 61 x 41 values in file order.
std::vector<double> mapValues(const std::string& text) {
    const auto lines = recordsOf(text);
    std::vector<double> values;
    for (int first : {14, 76})
        for (int line = first; line < first + 61; ++line)
            for (int i = 0; i < 41; ++i)
                values.push_back(std::stod(lines.at(line - 1).substr(11 * i, 11)));
    return values;
}

// Two independent maps a and b with their relative errors: z = (a - b) /
// sqrt(sa^2 + sb^2) over the cells both know to better than 30 %.
struct ZStatistics {
    std::size_t cells = 0;
    double within3 = 0; // share of cells with |z| < 3
    double mean = 0, sd = 0;
};

ZStatistics zStatistics(const std::vector<double>& a, const std::vector<double>& ra,
                        const std::vector<double>& b, const std::vector<double>& rb) {
    std::vector<double> z;
    for (std::size_t n = 0; n < a.size(); ++n) {
        if (!(ra[n] > 0.0 && ra[n] < 0.3 && rb[n] > 0.0 && rb[n] < 0.3))
            continue;
        const double sa = a[n] * ra[n], sb = b[n] * rb[n];
        z.push_back((a[n] - b[n]) / std::sqrt(sa * sa + sb * sb));
    }
    ZStatistics out;
    out.cells = z.size();
    if (z.empty())
        return out;
    double within = 0, sum = 0, squares = 0;
    for (double v : z) {
        within += std::fabs(v) < 3.0;
        sum += v;
        squares += v * v;
    }
    out.within3 = within / z.size();
    out.mean = sum / z.size();
    out.sd = std::sqrt(squares / z.size() - out.mean * out.mean);
    return out;
}

} // namespace

// The fixture job: 3E+05 histories of the 80 kV fixture spectrum, FSD 90 cm,
// 20 x 20 cm, in the single-stream run (the algorithm as first written, with
// double tallies), in the scalar default run and in the default run, each
// with its uncertainty file. The default run is checked on every instruction
// set this processor has: on this job all three give the same files. Any
// change of these files shows here; when a change is meant to alter results,
// rerun with UPDATE_GOLDEN=1 and commit the new files.
TEST(GoldenRun, ResultFilesMatchTheCommittedOnesExactly) {
    struct Case {
        std::string kind, arguments;
        std::vector<std::string> files; // written file, suffix of its golden file
    };
    std::vector<Case> cases = {
        {"single-stream", "--single-stream", {""}},
        {"scalar", "--scalar", {"", ".unc"}},
        {"default", "", {"", ".unc"}},
    };
    for (InstructionSet set : instructionSets)
        if (processorHas(set))
            cases.push_back({"default",
                             "--instruction-set " + std::string(instructionSetName(set)),
                             {"", ".unc"}});
    const char* update = std::getenv("UPDATE_GOLDEN");
    for (const Case& c : cases) {
        WorkFolder folder;
        const ProgramRun run =
            runProgram(enginetest::engineProgram(), folder.path(), "\n\n", c.arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        for (const std::string& suffix : c.files) {
            const std::string actual = folder.read("golden.data" + suffix);
            ASSERT_EQ(recordsOf(actual).size(), std::size_t(resultFileLines)) << c.kind << suffix;
            std::filesystem::path golden = goldenFile(c.kind);
            golden += suffix;
            if (update && std::string(update) == "1" &&
                c.arguments.find("--instruction-set") == std::string::npos) {
                std::ofstream(golden, std::ios::binary) << actual;
                continue;
            }
            const std::string expected = readFile(golden);
            ASSERT_FALSE(expected.empty())
                << "no golden file " << golden << "; create it with UPDATE_GOLDEN=1";
            EXPECT_TRUE(expected == actual) << golden << " (" << c.arguments << ")\n"
                                            << lineDiff(expected, actual);
        }
    }
    if (update && std::string(update) == "1")
        GTEST_SKIP() << "golden files rewritten";
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

TEST(Threads, ResultDoesNotDependOnTheThreadsAndChangesWithTheSeed) {
    // Chunks of 500 histories: many chunks per bin, finishing out of order.
    WorkFolder folder;
    folder.write("B2F.txt", jobText("2.500E-02", "90.0", "20.0", "20.0", "2.000E+05", "t.data"));
    // Bins of 2000 histories and more have one table of first incoherent
    // scatterings, filled before their chunks and read by every thread; the
    // others fill one each as they meet its entries.
    auto run = [&](bool scalar, int threads, std::uint64_t seed, std::int64_t table = 2000) {
        RunOptions options;
        options.scalar = scalar;
        options.threads = threads;
        options.seed = seed;
        options.chunk = 500;
        options.sharedTableHistories = table;
        options.laneTableHistories = table;
        EXPECT_EQ(runInProcess(folder, "\n\n", nullptr, nullptr, options), 0);
        return folder.read("t.data") + folder.read("t.data.unc");
    };
    for (bool scalar : {false, true}) {
        SCOPED_TRACE(scalar ? "scalar default run" : "default run");
        const std::string one = run(scalar, 1, 7);
        EXPECT_EQ(recordsOf(one).size(), 2u * resultFileLines);
        EXPECT_TRUE(run(scalar, 2, 7) == one);
        EXPECT_TRUE(run(scalar, 3, 7) == one);
        EXPECT_TRUE(run(scalar, 2, 7, std::numeric_limits<std::int64_t>::max()) == one);
        EXPECT_TRUE(run(scalar, 1, 7, 0) == one);
        EXPECT_TRUE(run(scalar, 1, 8) != one);
    }
    // The lanes and the scalar run draw other random numbers.
    EXPECT_TRUE(run(false, 1, 7) != run(true, 1, 7));
}

TEST(Threads, InstructionSetsWithFusedMultiplyAddGiveTheSameFile) {
    // AVX2 and AVX-512 have the same float operations: a lane computes the
    // same whatever the width of the vectors its step gathers it into.
    if (!processorHas(InstructionSet::Avx2) || !processorHas(InstructionSet::Avx512))
        GTEST_SKIP() << "this processor lacks AVX2 or AVX-512";
    WorkFolder folder;
    folder.write("B2F.txt", jobText("2.500E-02", "90.0", "20.0", "20.0", "2.000E+05", "w.data"));
    auto run = [&](InstructionSet set, int threads) {
        RunOptions options;
        options.instructionSet = set;
        options.threads = threads;
        options.chunk = 3000;
        EXPECT_EQ(runInProcess(folder, "\n\n", nullptr, nullptr, options), 0);
        return folder.read("w.data") + folder.read("w.data.unc");
    };
    EXPECT_TRUE(run(InstructionSet::Avx2, 1) == run(InstructionSet::Avx512, 2));
}

TEST(Uncertainty, DifferencesOfTwoSeedsAgreeWithTheStatedErrors) {
    // Two independent runs a and b: z = (a - b) / sqrt(sa^2 + sb^2) over the
    // cells both runs know to better than 30 % is close to a standard normal.
    WorkFolder folder;
    folder.write("B2F.txt", jobText("2.259E-03", "90.0", "20.0", "20.0", "1.000E+06", "u.data"));
    auto run = [&](std::uint64_t seed) {
        RunOptions options;
        options.threads = 2;
        options.seed = seed;
        EXPECT_EQ(runInProcess(folder, "\n\n", nullptr, nullptr, options), 0);
        return std::pair{mapValues(folder.read("u.data")), mapValues(folder.read("u.data.unc"))};
    };
    const auto [a, ra] = run(11);
    const auto [b, rb] = run(12);
    const ZStatistics z = zStatistics(a, ra, b, rb);
    ASSERT_GT(z.cells, 500u);
    EXPECT_GE(z.within3, 0.97);
    EXPECT_GT(z.sd, 0.7);
    EXPECT_LT(z.sd, 1.4);
}

TEST(Lanes, MapAgreesWithTheScalarRunWithinTheStatedErrors) {
    // The lanes' map against the scalar default run's, other seeds: z = (a -
    // b) / sqrt(sa^2 + sb^2) over the cells both know to better than 30 %,
    // for the widest instruction set and for SSE4 (without fused
    // multiply-add). 3E+06 histories: the spread of z stays within 0.9 to
    // 1.1 for either geometry.
    std::vector<RunOptions> lanes;
    for (InstructionSet set : {InstructionSet::Sse4, InstructionSet::Avx512}) {
        const auto widest = widestInstructionSet();
        if (!widest || (set == InstructionSet::Avx512 && *widest == InstructionSet::Sse4))
            continue;
        RunOptions options;
        options.instructionSet = set == InstructionSet::Sse4 ? set : *widest;
        lanes.push_back(options);
    }
    if (lanes.empty())
        GTEST_SKIP() << "this processor has no instruction set with lanes";
    WorkFolder folder;
    folder.write("B2F.txt", jobText("2.259E-03", "90.0", "20.0", "20.0", "3.000E+06", "z.data"));
    auto run = [&](RunOptions options, std::uint64_t seed) {
        options.threads = 2;
        options.seed = seed;
        EXPECT_EQ(runInProcess(folder, "\n\n", nullptr, nullptr, options), 0);
        return std::pair{mapValues(folder.read("z.data")), mapValues(folder.read("z.data.unc"))};
    };
    RunOptions scalar;
    scalar.scalar = true;
    const auto [b, rb] = run(scalar, 21);
    std::uint64_t seed = 22;
    for (const RunOptions& options : lanes) {
        SCOPED_TRACE(instructionSetName(*options.instructionSet));
        const auto [a, ra] = run(options, seed++);
        const ZStatistics z = zStatistics(a, ra, b, rb);
        ASSERT_GT(z.cells, 1000u);
        EXPECT_GE(z.within3, 0.99);
        EXPECT_GT(z.sd, 0.9);
        EXPECT_LT(z.sd, 1.1);
        EXPECT_LT(std::fabs(z.mean), 0.25);
    }
}

TEST(Uncertainty, FileBesideTheResultHasItsHeaderAndAnErrorForEveryScoredCell) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.000E-02", "90.0", "20.0", "20.0", "2.000E+05", "w1.data"));
    folder.write("w1.data.unc", "from an earlier run\r\n");
    ASSERT_EQ(runInProcess(folder, "\n\n"), 0);
    const std::string result = folder.read("w1.data"), unc = folder.read("w1.data.unc");
    const auto resultLines = recordsOf(result), uncLines = recordsOf(unc);
    ASSERT_EQ(uncLines.size(), std::size_t(resultFileLines));
    for (int line = 1; line <= 12; ++line)
        EXPECT_EQ(uncLines[line - 1], resultLines[line - 1]) << "line " << line;
    EXPECT_EQ(uncLines[12], "  relative");
    EXPECT_EQ(uncLines[74], "  relative");
    const auto values = mapValues(result), errors = mapValues(unc);
    int scored = 0;
    for (std::size_t n = 0; n < values.size(); ++n) {
        EXPECT_EQ(values[n] > 0.0, errors[n] > 0.0) << "value " << n;
        EXPECT_LE(errors[n], 1.0) << "value " << n;
        scored += values[n] > 0.0;
    }
    EXPECT_GT(scored, 2000);
    EXPECT_EQ(folder.listing().find(".tmp"), std::string::npos) << folder.listing();

    // An uncertainty file that cannot be written does not cost the result.
    std::filesystem::create_directories(folder.file("w2.data.unc") / "held");
    folder.write("B2F.txt", jobText("1.000E-02", "90.0", "20.0", "20.0", "1.000E+04", "w2.data"));
    std::string err;
    EXPECT_EQ(runInProcess(folder, "\n\n", nullptr, &err), 0);
    EXPECT_EQ(recordsOf(folder.read("w2.data")).size(), std::size_t(resultFileLines));
    EXPECT_NE(err.find("w2.data.unc"), std::string::npos) << err;
    EXPECT_EQ(folder.listing().find(".tmp"), std::string::npos) << folder.listing();
}

TEST(Progress, ShareDoneAndTimeLeft) {
    struct Case {
        std::int64_t done, total;
        double elapsed;
        std::string tail;
    };
    const Case cases[] = {
        {0, 180, 0.0, "    0 %"},
        {35, 100, 10.2, "   35 %   0:19 left"},
        {1, 3, 1800.0, "   33 %   1:00:00 left"},
        {999, 1000, 1.0, "   99 %   0:00 left"},
        {1000, 1000, 5.0, "  100 %"},
        {0, 0, 0.0, "  100 %"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(progressTail(c.done, c.total, c.elapsed), c.tail) << c.done << " / " << c.total;
}

TEST(Arguments, ReadOrRefused) {
    struct Case {
        std::vector<std::string> arguments;
        bool accepted;
        bool singleStream;
        int threads; // 0: every hardware thread
        std::uint64_t seed;
        bool scalar = false;
        std::string instructionSet = ""; // none: the widest, chosen at the run
    };
    const std::vector<Case> cases = {
        {{}, true, false, 0, defaultRunSeed},
        {{"--threads", "3", "--seed", "18446744073709551615"},
         true,
         false,
         3,
         18446744073709551615ull},
        {{"--single-stream"}, true, true, 1, defaultRunSeed},
        {{"--single-stream", "--threads", "1"}, true, true, 1, defaultRunSeed},
        {{"--single-stream", "--threads", "2"}, false, false, 0, 0},
        {{"--single-stream", "--seed", "5"}, false, false, 0, 0},
        {{"--threads", "0"}, false, false, 0, 0},
        {{"--threads", "2x"}, false, false, 0, 0},
        {{"--threads"}, false, false, 0, 0},
        {{"--seed", "-1"}, false, false, 0, 0},
        {{"--seed", "18446744073709551616"}, false, false, 0, 0},
        {{"walk1.data"}, false, false, 0, 0},
        // The scalar run and the lanes' instruction set.
        {{"--scalar", "--threads", "2"}, true, false, 2, defaultRunSeed, true},
        {{"--instruction-set", "sse4"}, true, false, 0, defaultRunSeed, false, "sse4"},
        {{"--instruction-set", "avx3"}, false, false, 0, 0},
        {{"--instruction-set"}, false, false, 0, 0},
        {{"--instruction-set", "sse4", "--scalar"}, false, false, 0, 0},
        {{"--scalar", "--instruction-set", "sse4"}, false, false, 0, 0},
        {{"--single-stream", "--instruction-set", "sse4"}, false, false, 0, 0},
        {{"--scalar", "--single-stream"}, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        if (!c.instructionSet.empty() && !processorHas(*instructionSetNamed(c.instructionSet)))
            continue;
        std::ostringstream err;
        const auto options = parseArguments(c.arguments, err);
        ASSERT_EQ(options.has_value(), c.accepted) << ::testing::PrintToString(c.arguments);
        if (!options) {
            EXPECT_FALSE(err.str().empty());
            continue;
        }
        EXPECT_EQ(options->run.singleStream, c.singleStream);
        EXPECT_EQ(options->run.threads, c.threads ? c.threads : hardwareThreads());
        EXPECT_EQ(options->run.seed, c.seed);
        EXPECT_EQ(options->run.scalar, c.scalar);
        EXPECT_EQ(options->run.instructionSet,
                  c.instructionSet.empty() ? std::nullopt : instructionSetNamed(c.instructionSet));
    }
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
                              "            1 スレッドで計算します\n" +
                              "\n  ---   Enter キーを押すと計算が開始されます ---\n" +
                              " <<< Monte Carlo Simulation >>>\n Start time =";
    EXPECT_EQ(out.substr(0, title.size()), title);
    // The fixture spectrum ends in bin 159: bins 10 .. 159 of 160, each with
    // the share of the histories done before it, then one line for the end
    // of the last bin, all done.
    EXPECT_NE(out.find("\n 10 / 160    0 %\n 11 / 160    0 %\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        out, std::regex("\n159 / 160  ( 9[0-9]|100) %(   0:[0-9][0-9] left)?\n160 / 160  100 %\n\n"
                        " Start time =")))
        << out;
    EXPECT_EQ(out.find("161 / 160"), std::string::npos);
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
        std::string shown = ""; // how the message shows the offending text
    };
    const std::string nul(1, '\0');
    const std::vector<Case> cases = {
        {"B2F.txt", "2", "00.0", "B2F.txt, line 2"},
        {"B2F.txt", "3", "00.0", "B2F.txt, line 3"},
        {"B2F.txt", "4", "00.0", "B2F.txt, line 4"},
        {"B2F.txt", "5", "0.000E+00", "B2F.txt, line 5"},
        // Each value of the job on its own, before anything that uses it.
        {"B2F.txt", "5", "1.0E-30", "B2F.txt, line 5"},
        {"B2F.txt", "2", "1E-45", "B2F.txt, line 2"},
        {"B2F.txt", "1", "-3.4E+38", "B2F.txt, line 1"},
        {"B2F.txt", "1", "0.000E+00", "B2F.txt, line 1"},
        {"B2F.txt", "4", "1E-30", "B2F.txt, line 4"},
        {"B2F.txt", "2", "NaN", "B2F.txt, line 2"},
        {"B2F.txt", "1", "Inf", "B2F.txt, line 1"},
        // A name with a NUL or another control character names no file anybody chose.
        {"B2F.txt", "6", "fuzz" + nul + ".data", "B2F.txt, line 6", "fuzz\\x00.data"},
        {"B2F.txt", "6", "run\t1.data", "B2F.txt, line 6", "run\\x091.data"},
        // A path separator would put the result in another folder.
        {"B2F.txt", "6", "../up.data", "B2F.txt, line 6", "../up.data"},
        {"B2F.txt", "6", "sub\\r.data", "B2F.txt, line 6", "sub\\r.data"},
        {"B2F.txt", "6", std::string(100000, 'a'), "B2F.txt, line 6"},
        // "." and ".." are the folder and its parent: the run could not put its
        // result there and would leave its temporary file behind.
        {"B2F.txt", "6", ".", "B2F.txt, line 6", "\".\""},
        {"B2F.txt", "6", "..", "B2F.txt, line 6", "\"..\""},
        {"B2F.txt", "6", "...   ", "B2F.txt, line 6", "\"...\""},
        {"ICRUSoft.dat", "1", " 26", "ICRUSoft.dat, line 1"},
        {"ICRUSoft.dat", "5", " Infinity 0.580E+00 0.418E-01 0.575E+03", "ICRUSoft.dat, line 5"},
        {"Air.eac", "7", "0.3500E+01   zero", "Air.eac, line 7"},
        {"Air.eac", "7", "0.3500E+01 -0.100000E+01", "Air.eac, line 7"},
        {"Air.eac", "8", "0.4000E+01            NaN", "Air.eac, line 8"},
        {"Ak2Sv.dat", "3", "    5.300-0.13007E-03", "Ak2Sv.dat, line 3"},
        {"B_SPCTL.dat", "40", "0020.0,-0.5000", "B_SPCTL.dat, line 40"},
    };
    for (const Case& c : cases) {
        WorkFolder folder;
        folder.write(c.file,
                     replaceLine(folder.read(c.file), std::stoi(c.line1Based), c.replacement));
        const std::string before = folder.listing();
        const ProgramRun run = runProgram(enginetest::engineProgram(), folder.path(), "\n\n");
        EXPECT_NE(run.status, 0) << c.named;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.shown), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("モンテカルロ"), std::string::npos) << c.named;
        EXPECT_EQ(folder.listing(), before) << c.named;
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
