#include <gtest/gtest.h>

#include "TempFolderTest.h"
#include "correction_files.h"
#include "logic/Correction.h"
#include "textrec/planes.h"

#include <cstdlib>

using namespace correction_files;
using correction::Refusal;

namespace {

// Numbers of a line split on blanks (map lines, F2B.dat lines).
std::vector<double> numbers(const std::string& line) {
    std::vector<double> values;
    std::size_t pos = 0;
    while ((pos = line.find_first_not_of(' ', pos)) != std::string::npos) {
        std::size_t end = std::min(line.find(' ', pos), line.size());
        double v = -1.0;
        textrec::readRealField(line.substr(pos, end - pos), 4, v);
        values.push_back(v);
        pos = end;
    }
    return values;
}

class CorrectionFolder : public testsupport::TempFolderTest {
protected:
    void prepare(const std::string& name, const std::vector<std::string>& lines) {
        writeFile(dir / name, joinLines(lines));
        writeFile(dir / "FLname.txt", name + "   \r\n");
    }
    std::vector<std::string> lines(const std::string& name) {
        return textrec::readLines(dir / name).value_or(std::vector<std::string>{});
    }
};

} // namespace

TEST(CorrectionRatio, LeadingNumbersOfBothTextsAndTheNames) {
    EXPECT_DOUBLE_EQ(correction::ratioFromTexts("50", "2.50E+01").value, 2.0);
    EXPECT_DOUBLE_EQ(correction::ratioFromTexts("12 μGy", "1.00E+00").value, 12.0);
    EXPECT_DOUBLE_EQ(correction::ratioFromTexts("  3.5E-02Gy", "7.000E-02").value, 0.5);
    const std::pair<const char*, Refusal> refused[] = {
        {"", Refusal::EmptyMeasured},          {"0", Refusal::MeasuredNotPositive},
        {"-4", Refusal::MeasuredNotPositive},  {"  ", Refusal::MeasuredNotPositive},
        {"abc", Refusal::MeasuredNotPositive},
    };
    for (const auto& [measured, refusal] : refused)
        EXPECT_EQ(correction::ratioFromTexts(measured, "1.00E+00").refusal, refusal) << measured;
    for (const char* current : {"0.00E+00", "", "-1.00E+00"})
        EXPECT_EQ(correction::ratioFromTexts("5", current).refusal, Refusal::CurrentNotPositive);
    EXPECT_EQ(correction::ratioFromTexts("1E300", "1.00E-300").refusal, Refusal::RatioOutOfRange);

    EXPECT_EQ(correction::correctedName("12-06-2026.data"), "12-06-2026.datC");
    EXPECT_EQ(correction::correctedName(""), "");
    EXPECT_TRUE(correction::isCorrectedName("a.datC"));
    EXPECT_TRUE(correction::isCorrectedName("a.datc"));
    EXPECT_FALSE(correction::isCorrectedName("a.data"));
}

TEST_F(CorrectionFolder, DoublingScalesLineTwoAndEveryMapValueAndKeepsTheRest) {
    std::vector<std::string> source = engineLines();
    prepare("12-06-2026.data", source);
    writeFile(dir / "12-06-2026.datC", "an older correction\r\n");

    correction::Outcome outcome = correction::correctMergedFile(dir, "50", "2.50E+01");
    ASSERT_TRUE(outcome.ok()) << correction::refusalMessage(outcome);
    EXPECT_EQ(outcome.correctedName, "12-06-2026.datC");
    std::string text = readFile(dir / "12-06-2026.datC");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 136);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 136);
    EXPECT_EQ(snapshot(dir).size(), 3u) << "no temporary file is left";

    std::vector<std::string> out = lines("12-06-2026.datC");
    ASSERT_EQ(out.size(), 136u);
    EXPECT_EQ(out[1], "2.468E-02");
    for (int n : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 75})
        EXPECT_EQ(out[n - 1], source[n - 1]) << "line " << n;
    for (int m = 0; m < 2; ++m)
        for (int j = 1; j <= 61; ++j) {
            const std::string& line = out[(m == 0 ? 13 : 75) + j - 1];
            ASSERT_EQ(line.size(), 41u * 11u);
            EXPECT_EQ(line.substr(0, 22), "  0.000E+00  0.000E+00");
            std::vector<double> given = numbers(source[(m == 0 ? 13 : 75) + j - 1]);
            for (int i = 1; i <= 41; ++i)
                ASSERT_EQ(line.substr(11 * (i - 1), 11),
                          textrec::formatMask(2.0 * given[i - 1], "  0.000E+00"))
                    << "map " << m << " row " << j << " column " << i;
        }
}

TEST_F(CorrectionFolder, TheMergerGivesTheScaledGridFromACorrectedFile) {
    prepare("run.data", engineLines());
    ASSERT_TRUE(correction::correctMergedFile(dir, "12 μGy", "6.00E+00").ok());
    std::string run = "cd \"" + dir.string() + "\" && \"" MERGER_PROGRAM "\" >out.txt 2>&1";
    ASSERT_EQ(std::system(run.c_str()), 0) << readFile(dir / "out.txt");
    std::vector<std::string> original = lines("F2B.dat");
    writeFile(dir / "FLname.txt", "run.datC\r\n");
    fs::remove(dir / "F2B.dat");
    ASSERT_EQ(std::system(run.c_str()), 0) << readFile(dir / "out.txt");
    std::vector<std::string> scaled = lines("F2B.dat");

    ASSERT_EQ(original.size(), 1202u);
    ASSERT_EQ(scaled.size(), 1202u);
    for (std::size_t r = 0; r < scaled.size(); ++r) {
        std::vector<double> a = numbers(original[r]), b = numbers(scaled[r]);
        ASSERT_EQ(b.size(), 381u);
        for (std::size_t k = 0; k < 381; ++k)
            ASSERT_NEAR(b[k] / a[k], 2.0, 2e-3) << "line " << r + 1 << " value " << k + 1;
    }
    // Engine point x = 100 cm, c = 0 (column 11, row 31) is value 81 of line 301.
    double corrected = numbers(lines("run.datC")[13 + 30])[10];
    EXPECT_NEAR(numbers(scaled[300])[80], corrected * 1e6, corrected * 1e-3);
}

// ---------------------------------------------------------------------------
// Refusals: each leaves the folder exactly as it was
// ---------------------------------------------------------------------------

struct RefusalCase {
    const char* name;
    const char* measured;
    Refusal refusal;
    const char* request;                            // FLname.txt content, nullptr: none
    const char* source;                             // file written from the engine lines
    void (*spoil)(std::vector<std::string>& lines); // may be nullptr
};

class CorrectionRefusal : public CorrectionFolder,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CorrectionRefusal, WritesNothingAndSaysWhy) {
    const RefusalCase& c = GetParam();
    std::vector<std::string> source = engineLines();
    if (c.spoil)
        c.spoil(source);
    writeFile(dir / c.source, joinLines(source));
    if (c.request)
        writeFile(dir / "FLname.txt", c.request);
    auto before = snapshot(dir);

    correction::Outcome outcome = correction::correctMergedFile(dir, c.measured, "1.00E+00");
    EXPECT_EQ(outcome.refusal, c.refusal);
    std::string message = correction::refusalMessage(outcome);
    EXPECT_FALSE(message.empty());
    if (outcome.line > 0) {
        EXPECT_NE(message.find("run.data"), std::string::npos) << message;
        EXPECT_NE(message.find(std::to_string(outcome.line)), std::string::npos) << message;
    }
    EXPECT_EQ(snapshot(dir), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CorrectionRefusal,
    ::testing::Values(
        RefusalCase{"EmptyMeasured", "", Refusal::EmptyMeasured, "run.data\r\n", "run.data",
                    nullptr},
        RefusalCase{"ZeroMeasured", "0", Refusal::MeasuredNotPositive, "run.data\r\n", "run.data",
                    nullptr},
        RefusalCase{"NoRequest", "2", Refusal::NoMergedFile, nullptr, "run.data", nullptr},
        RefusalCase{"EmptyRequest", "2", Refusal::NoMergedFile, "\r\n", "run.data", nullptr},
        RefusalCase{"AlreadyCorrected", "2", Refusal::AlreadyCorrected, "run.datC\r\n", "run.datC",
                    nullptr},
        RefusalCase{"MissingSource", "2", Refusal::SourceUnreadable, "gone.data\r\n", "run.data",
                    nullptr},
        RefusalCase{"ShortSource", "2", Refusal::SourceShort, "run.data\r\n", "run.data",
                    [](std::vector<std::string>& l) { l.resize(135); }},
        RefusalCase{"BadMapField", "2", Refusal::SourceMalformed, "run.data\r\n", "run.data",
                    [](std::vector<std::string>& l) { l[100].replace(55, 11, "  *********"); }},
        RefusalCase{"MissingMapField", "2", Refusal::SourceMalformed, "run.data\r\n", "run.data",
                    [](std::vector<std::string>& l) { l[20].resize(40 * 11); }},
        RefusalCase{"BadLineTwo", "2", Refusal::SourceMalformed, "run.data\r\n", "run.data",
                    [](std::vector<std::string>& l) { l[1] = "***********"; }},
        RefusalCase{"ValueTooLarge", "1E110", Refusal::ValueOutOfRange, "run.data\r\n", "run.data",
                    nullptr}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// A corrected map lies in the plane of its source: the copy gets the source's
// plane record, loses one left from an earlier correction of a source that
// had none, and is not written at all when the source's record is unsound.
TEST_F(CorrectionFolder, TheCopyKeepsItsSourcesPlane) {
    namespace planes = textrec::planes;
    planes::PlaneRequest request;
    request.centreHeight = 95;
    request.heights = {150};
    request.tube = planes::Tube::Below;
    const planes::ExtraPlane height = planes::extraPlanes(request).front();
    const planes::PlaneRecord record =
        planes::extraPlaneRecord(request, planes::Position::Lying, height);
    const std::string recordText = planes::planeRecordText(record);

    prepare("walk_h150.data", engineLines());
    writeFile(dir / "walk_h150.data.plane", recordText);
    correction::Outcome outcome = correction::correctMergedFile(dir, "50", "2.50E+01");
    ASSERT_TRUE(outcome.ok()) << correction::refusalMessage(outcome);
    const auto copied = planes::readPlaneRecordBeside(dir / "walk_h150.datC");
    ASSERT_TRUE(copied);
    EXPECT_EQ(planes::planeRecordText(*copied), recordText);
    EXPECT_EQ(copied->tube, planes::Tube::Below);
    EXPECT_EQ(copied->height, 150);

    // A source without a record: an older record of the copy's name goes.
    prepare("walk.data", engineLines());
    writeFile(dir / "walk.datC.plane", recordText);
    outcome = correction::correctMergedFile(dir, "50", "2.50E+01");
    ASSERT_TRUE(outcome.ok()) << correction::refusalMessage(outcome);
    EXPECT_TRUE(fs::exists(dir / "walk.datC"));
    EXPECT_FALSE(fs::exists(dir / "walk.datC.plane"));

    // An unsound record: refused naming the record's file and line, and
    // nothing is written.
    prepare("walk_vs.data", engineLines());
    writeFile(dir / "walk_vs.data.plane",
              "position lying\r\ntube above\r\ncentre-height 5\r\nplane vertical-section\r\n");
    const auto before = snapshot(dir);
    outcome = correction::correctMergedFile(dir, "50", "2.50E+01");
    EXPECT_EQ(outcome.refusal, Refusal::PlaneRecordFailed);
    const std::string message = correction::refusalMessage(outcome);
    EXPECT_NE(message.find("walk_vs.data.plane"), std::string::npos) << message;
    EXPECT_NE(message.find("line 3"), std::string::npos) << message;
    EXPECT_EQ(snapshot(dir), before);
}
