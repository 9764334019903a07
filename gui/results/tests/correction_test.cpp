#include <gtest/gtest.h>

#include "correction_files.h"
#include "results/Correction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace correction_files;

namespace {

class CorrectionFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("correction-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A merged engine file and the request that names it.
    void prepare(const std::string& name, const std::vector<std::string>& lines) {
        writeFile(dir / name, joinLines(lines));
        writeFile(dir / "FLname.txt", name + "\r\n");
    }

    std::vector<std::string> readLinesOf(const std::string& name) {
        auto lines = textrec::readLines(dir / name);
        return lines ? *lines : std::vector<std::string>{};
    }

    fs::path dir;
};

} // namespace

// ---------------------------------------------------------------------------
// Ratio and names
// ---------------------------------------------------------------------------

TEST(CorrectionRatio, UsesTheLeadingNumbersOfBothTexts) {
    correction::Ratio doubled = correction::ratioFromTexts("50", "2.50E+01");
    ASSERT_EQ(doubled.refusal, correction::Refusal::None);
    EXPECT_DOUBLE_EQ(doubled.value, 2.0);

    // Trailing text after the measured number is ignored.
    correction::Ratio withUnit = correction::ratioFromTexts("12 μGy", "1.00E+00");
    ASSERT_EQ(withUnit.refusal, correction::Refusal::None);
    EXPECT_DOUBLE_EQ(withUnit.value, 12.0);
    EXPECT_DOUBLE_EQ(correction::ratioFromTexts("  3.5E-02Gy/min", "7.000E-02").value, 0.5);
}

TEST(CorrectionRatio, RefusesValuesThatGiveNoUsefulRatio) {
    using correction::Refusal;
    EXPECT_EQ(correction::ratioFromTexts("", "1.00E+00").refusal, Refusal::EmptyMeasured);
    EXPECT_EQ(correction::ratioFromTexts("0", "1.00E+00").refusal, Refusal::MeasuredNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("-4", "1.00E+00").refusal, Refusal::MeasuredNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("   ", "1.00E+00").refusal, Refusal::MeasuredNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("abc", "1.00E+00").refusal, Refusal::MeasuredNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("5", "0.00E+00").refusal, Refusal::CurrentNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("5", "").refusal, Refusal::CurrentNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("5", "-1.00E+00").refusal, Refusal::CurrentNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("1E300", "1.00E-300").refusal, Refusal::RatioOutOfRange);
}

TEST(CorrectionNames, ReplaceTheLastCharacterByC) {
    EXPECT_EQ(correction::correctedName("12-06-2026.data"), "12-06-2026.datC");
    EXPECT_EQ(correction::correctedName("run.data"), "run.datC");
    EXPECT_EQ(correction::correctedName(""), "");
    EXPECT_TRUE(correction::isCorrectedName("12-06-2026.datC"));
    EXPECT_TRUE(correction::isCorrectedName("12-06-2026.datc"));
    EXPECT_FALSE(correction::isCorrectedName("12-06-2026.data"));
    EXPECT_FALSE(correction::isCorrectedName(""));
}

TEST_F(CorrectionFolder, MergedNameIsTheFirstLineWithoutTrailingBlanks) {
    EXPECT_EQ(correction::mergedFileName(dir), "");
    writeFile(dir / "FLname.txt", "12-06-2026.data   \r\nother.data\r\n");
    EXPECT_EQ(correction::mergedFileName(dir), "12-06-2026.data");
    writeFile(dir / "FLname.txt", "");
    EXPECT_EQ(correction::mergedFileName(dir), "");
}

// ---------------------------------------------------------------------------
// The corrected copy
// ---------------------------------------------------------------------------

TEST_F(CorrectionFolder, DoublingScalesLineTwoAndEveryMapValue) {
    std::vector<std::string> source = engineLines(1.234e-2);
    prepare("12-06-2026.data", source);

    correction::Outcome outcome = correction::correctMergedFile(dir, "50", "2.50E+01");
    ASSERT_TRUE(outcome.ok()) << correction::refusalMessage(outcome);
    EXPECT_EQ(outcome.sourceName, "12-06-2026.data");
    EXPECT_EQ(outcome.correctedName, "12-06-2026.datC");

    std::string text = readFile(dir / "12-06-2026.datC");
    std::vector<std::string> lines = readLinesOf("12-06-2026.datC");
    ASSERT_EQ(lines.size(), 136u);
    // Every record ends with CR LF and no bare LF slipped in.
    std::size_t crlf = 0;
    for (std::size_t pos = text.find("\r\n"); pos != std::string::npos;
         pos = text.find("\r\n", pos + 2))
        ++crlf;
    EXPECT_EQ(crlf, 136u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 136);

    EXPECT_EQ(lines[1], "2.468E-02");
    for (int n : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 75})
        EXPECT_EQ(lines[n - 1], source[n - 1]) << "line " << n;

    for (int m = 0; m < 2; ++m) {
        int first = m == 0 ? 14 : 76;
        for (int j = 1; j <= 61; ++j) {
            const std::string& line = lines[first + j - 2];
            ASSERT_EQ(line.size(), 41u * 11u) << "line " << first + j - 1;
            std::vector<double> sourceValues = mapFields(source[first + j - 2]);
            std::vector<double> corrected = mapFields(line);
            for (int i = 1; i <= 41; ++i) {
                std::string expected =
                    textrec::formatMask(2.0 * sourceValues[i - 1], "  0.000E+00");
                ASSERT_EQ(line.substr(11 * (i - 1), 11), expected)
                    << "map " << m << " row " << j << " column " << i;
                EXPECT_NEAR(corrected[i - 1], 2.0 * engineValue(m, i, j),
                            2.0 * engineValue(m, i, j) * 1e-3);
            }
        }
    }
}

TEST_F(CorrectionFolder, MapZerosAreWrittenInTheElevenCharacterMask) {
    prepare("zeros.data", engineLines());
    ASSERT_TRUE(correction::correctMergedFile(dir, "12 μGy", "4.00E+00").ok());
    std::vector<std::string> lines = readLinesOf("zeros.datC");
    ASSERT_EQ(lines.size(), 136u);
    for (int n : {14, 44, 74, 76, 136}) {
        EXPECT_EQ(lines[n - 1].substr(0, 22), "  0.000E+00  0.000E+00") << "line " << n;
        EXPECT_NE(lines[n - 1].substr(22, 11), "  0.000E+00") << "line " << n;
    }
    // Ratio 3 from "12 μGy" over 4.
    EXPECT_EQ(lines[1], "3.702E-02");
}

TEST_F(CorrectionFolder, ACorrectedCopyReplacesAnOlderOneAndLeavesNoTemporaryFile) {
    prepare("run.data", engineLines());
    writeFile(dir / "run.datC", "an older correction\r\n");
    ASSERT_TRUE(correction::correctMergedFile(dir, "1.234E-02", "1.234E-02").ok());
    std::vector<std::string> lines = readLinesOf("run.datC");
    ASSERT_EQ(lines.size(), 136u);
    EXPECT_EQ(lines[1], "1.234E-02");
    std::map<std::string, std::string> files = snapshot(dir);
    EXPECT_EQ(files.size(), 3u) << "only the request, the source and the copy";
    EXPECT_TRUE(files.count("FLname.txt") && files.count("run.data") && files.count("run.datC"));
}

TEST_F(CorrectionFolder, ACorrectedFileReadsLikeAnEngineFile) {
    // Correcting the engine file twice over must give the same as once by the
    // product: the corrected fields read back as numbers through 11-character
    // fields, as the merger reads them.
    prepare("twice.data", engineLines());
    ASSERT_TRUE(correction::correctMergedFile(dir, "3", "1.000E+00").ok());
    std::vector<std::string> once = readLinesOf("twice.datC");
    ASSERT_EQ(once.size(), 136u);
    std::vector<std::string> fromCorrected = once;
    correction::Outcome outcome;
    std::string again = correction::correctedContent(fromCorrected, 1.0, outcome);
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(again, joinLines(once)) << "ratio 1 on a corrected file changes nothing";
}

namespace {

// F2B.dat as numbers, line by line.
std::vector<std::vector<double>> mergedGrid(const fs::path& file) {
    std::vector<std::vector<double>> grid;
    auto lines = textrec::readLines(file);
    if (!lines)
        return grid;
    for (const std::string& line : *lines) {
        std::vector<double> row;
        std::size_t pos = 0;
        while ((pos = line.find_first_not_of(' ', pos)) != std::string::npos) {
            std::size_t end = line.find(' ', pos);
            if (end == std::string::npos)
                end = line.size();
            double v = 0;
            row.push_back(textrec::readRealField(line.substr(pos, end - pos), 4, v) ? v : -1.0);
            pos = end;
        }
        grid.push_back(std::move(row));
    }
    return grid;
}

} // namespace

TEST_F(CorrectionFolder, TheMergerGivesTheScaledGridFromACorrectedFile) {
    prepare("run.data", engineLines());
    ASSERT_TRUE(correction::correctMergedFile(dir, "50", "2.50E+01").ok());
    std::vector<std::string> corrected = readLinesOf("run.datC");
    ASSERT_EQ(corrected.size(), 136u);

    std::string run = "cd \"" + dir.string() + "\" && \"" MERGER_PROGRAM "\" >out.txt 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << readFile(dir / "out.txt");
    std::vector<std::vector<double>> original = mergedGrid(dir / "F2B.dat");
    writeFile(dir / "FLname.txt", "run.datC\r\n");
    fs::remove(dir / "F2B.dat");
    ASSERT_EQ(std::system(run.c_str()), 0) << readFile(dir / "out.txt");
    std::vector<std::vector<double>> scaled = mergedGrid(dir / "F2B.dat");

    ASSERT_EQ(original.size(), 1202u);
    ASSERT_EQ(scaled.size(), 1202u);
    for (std::size_t r = 0; r < scaled.size(); ++r) {
        ASSERT_EQ(scaled[r].size(), 381u) << "line " << r + 1;
        ASSERT_EQ(original[r].size(), 381u) << "line " << r + 1;
        for (std::size_t k = 0; k < 381; ++k)
            ASSERT_NEAR(scaled[r][k] / original[r][k], 2.0, 2e-3)
                << "line " << r + 1 << " value " << k + 1;
    }
    // Engine point x = 100 cm, c = 0 (column 11, row 31) is value 81 of line 301
    // (and of line 902 for the second map), in micro-units.
    std::vector<double> kermaRow = mapFields(corrected[14 + 31 - 2]);
    std::vector<double> doseRow = mapFields(corrected[76 + 31 - 2]);
    EXPECT_NEAR(scaled[300][80], kermaRow[10] * 1e6, kermaRow[10] * 1e6 * 1e-6);
    EXPECT_NEAR(scaled[901][80], doseRow[10] * 1e6, doseRow[10] * 1e6 * 1e-6);
}

// ---------------------------------------------------------------------------
// Refusals: each leaves the folder exactly as it was
// ---------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    const char* measured;
    const char* current;
    correction::Refusal refusal;
    // Prepares the folder.
    void (*setUp)(const fs::path& dir);
};

class CorrectionRefusal : public CorrectionFolder,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CorrectionRefusal, WritesNothingAndSaysWhy) {
    const RefusalCase& c = GetParam();
    c.setUp(dir);
    std::map<std::string, std::string> before = snapshot(dir);

    correction::Outcome outcome = correction::correctMergedFile(dir, c.measured, c.current);
    EXPECT_EQ(outcome.refusal, c.refusal);
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(correction::refusalMessage(outcome).empty());
    EXPECT_EQ(snapshot(dir), before);
}

namespace {

void goodFolder(const fs::path& dir) {
    writeFile(dir / "run.data", joinLines(engineLines()));
    writeFile(dir / "FLname.txt", "run.data\r\n");
}

void shortSource(const fs::path& dir) {
    std::vector<std::string> lines = engineLines();
    lines.resize(100);
    writeFile(dir / "run.data", joinLines(lines));
    writeFile(dir / "FLname.txt", "run.data\r\n");
}

void badMapField(const fs::path& dir) {
    std::vector<std::string> lines = engineLines();
    lines[100].replace(55, 11, "  *********");
    writeFile(dir / "run.data", joinLines(lines));
    writeFile(dir / "FLname.txt", "run.data\r\n");
}

void missingMapField(const fs::path& dir) {
    std::vector<std::string> lines = engineLines();
    lines[20].resize(40 * 11);
    writeFile(dir / "run.data", joinLines(lines));
    writeFile(dir / "FLname.txt", "run.data\r\n");
}

void badLineTwo(const fs::path& dir) {
    std::vector<std::string> lines = engineLines();
    lines[1] = "***********";
    writeFile(dir / "run.data", joinLines(lines));
    writeFile(dir / "FLname.txt", "run.data\r\n");
}

void correctedSource(const fs::path& dir) {
    writeFile(dir / "run.datC", joinLines(engineLines()));
    writeFile(dir / "FLname.txt", "run.datC\r\n");
}

void noRequest(const fs::path& dir) {
    writeFile(dir / "run.data", joinLines(engineLines()));
}

void emptyRequest(const fs::path& dir) {
    writeFile(dir / "run.data", joinLines(engineLines()));
    writeFile(dir / "FLname.txt", "\r\n");
}

void missingSource(const fs::path& dir) {
    writeFile(dir / "FLname.txt", "gone.data\r\n");
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionRefusal,
    ::testing::Values(
        RefusalCase{"EmptyMeasured", "", "2.50E+01", correction::Refusal::EmptyMeasured,
                    goodFolder},
        RefusalCase{"ZeroMeasured", "0", "2.50E+01", correction::Refusal::MeasuredNotPositive,
                    goodFolder},
        RefusalCase{"NegativeMeasured", "-50", "2.50E+01", correction::Refusal::MeasuredNotPositive,
                    goodFolder},
        RefusalCase{"ZeroCurrent", "50", "0.00E+00", correction::Refusal::CurrentNotPositive,
                    goodFolder},
        RefusalCase{"NoRequest", "50", "2.50E+01", correction::Refusal::NoMergedFile, noRequest},
        RefusalCase{"EmptyRequest", "50", "2.50E+01", correction::Refusal::NoMergedFile,
                    emptyRequest},
        RefusalCase{"AlreadyCorrected", "50", "2.50E+01", correction::Refusal::AlreadyCorrected,
                    correctedSource},
        RefusalCase{"MissingSource", "50", "2.50E+01", correction::Refusal::SourceUnreadable,
                    missingSource},
        RefusalCase{"ShortSource", "50", "2.50E+01", correction::Refusal::SourceShort, shortSource},
        RefusalCase{"BadMapField", "50", "2.50E+01", correction::Refusal::SourceMalformed,
                    badMapField},
        RefusalCase{"MissingMapField", "50", "2.50E+01", correction::Refusal::SourceMalformed,
                    missingMapField},
        RefusalCase{"BadLineTwo", "50", "2.50E+01", correction::Refusal::SourceMalformed,
                    badLineTwo},
        RefusalCase{"ValueTooLarge", "1E110", "1.00E+00", correction::Refusal::ValueOutOfRange,
                    goodFolder}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(CorrectionFolder, RefusalMessagesNameTheFileAndLine) {
    badMapField(dir);
    correction::Outcome outcome = correction::correctMergedFile(dir, "2", "1.00E+00");
    ASSERT_EQ(outcome.refusal, correction::Refusal::SourceMalformed);
    EXPECT_EQ(outcome.line, 101);
    std::string message = correction::refusalMessage(outcome);
    EXPECT_NE(message.find("run.data"), std::string::npos) << message;
    EXPECT_NE(message.find("101"), std::string::npos) << message;
    correction::Outcome empty;
    empty.refusal = correction::Refusal::EmptyMeasured;
    EXPECT_EQ(correction::refusalMessage(empty), "実測値を入力して下さい");
}
