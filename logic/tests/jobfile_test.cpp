// The plain part of a run: job file text, result name checks, mean current and
// the default result name.
#include <gtest/gtest.h>

#include "logic/JobFile.h"
#include "textrec/textrec.h"

#include <QTemporaryDir>

#include <limits>
#include <string>

using namespace jobfile;

TEST(JobFileText, SixRecordsInTheirMasks) {
    JobParameters job;
    job.kermaRateAt100cm = 0.012345;
    job.focusSkinDistance = 90;
    job.fieldLength = 20;
    job.fieldWidth = 5.25;
    job.photonCount = 1e9;
    job.resultFileName = "12-06-2026.data";
    EXPECT_EQ(jobFileText(job), "1.235E-02\r\n"
                                "90.0\r\n"
                                "20.0\r\n"
                                "5.3\r\n"
                                "1.000E+09\r\n"
                                "12-06-2026.data\r\n");
}

// A job that asks for nothing beyond the written map is the six records as
// they always were, whatever centre height the window holds; a job that asks
// for more carries the request lines after line 6, which the engine's reader
// takes back as they were asked.
TEST(JobFileText, RequestLinesFollowLineSixOnlyWhenMoreIsAsked) {
    JobParameters job;
    job.kermaRateAt100cm = 2.259e-3;
    job.focusSkinDistance = 90;
    job.fieldLength = 20;
    job.fieldWidth = 20;
    job.photonCount = 1e9;
    job.resultFileName = "walk1.data";
    const std::string sixLines = "2.259E-03\r\n90.0\r\n20.0\r\n20.0\r\n1.000E+09\r\nwalk1.data\r\n";
    EXPECT_EQ(jobFileText(job), sixLines);
    job.planes.centreHeight = 120; // a centre height alone maps nothing more
    EXPECT_EQ(jobFileText(job), sixLines);

    using textrec::planes::PlaneRequest;
    using textrec::planes::Tube;
    const struct {
        PlaneRequest request;
        const char* lines;
    } cases[] = {
        {{120, {150, 170}, false, Tube::Above},
         "centre-height 120\r\nheights 150 170\r\nvertical-section no\r\ntube above\r\n"},
        {{100, {}, true, Tube::Above},
         "centre-height 100\r\nheights\r\nvertical-section yes\r\ntube above\r\n"},
        {{100, {}, false, Tube::Below},
         "centre-height 100\r\nheights\r\nvertical-section no\r\ntube below\r\n"},
    };
    const QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::filesystem::path dir = folder.path().toStdString();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        job.planes = c.request;
        EXPECT_EQ(jobFileText(job), sixLines + c.lines);

        std::string error;
        ASSERT_TRUE(writeJobFile(dir, job, error)) << error;
        textrec::LineReader reader(dir / "B2F.txt");
        for (int line = 1; line <= 6; ++line)
            reader.next();
        const auto back = textrec::planes::readJobFileLines(
            reader, {job.resultFileName, textrec::planes::Position::Lying, 90});
        ASSERT_TRUE(back);
        EXPECT_EQ(back->centreHeight, c.request.centreHeight);
        EXPECT_EQ(back->heights, c.request.heights);
        EXPECT_EQ(back->verticalSection, c.request.verticalSection);
        EXPECT_EQ(back->tube, c.request.tube);
    }
}

TEST(ResultName, LengthCountedInBytesOfTheJobFile) {
    EXPECT_EQ(kTypedNameLimit, 25);
    EXPECT_EQ(checkResultName(QString(25, 'a')).problem, NameProblem::None);
    EXPECT_EQ(checkResultName(QString(26, 'a')).problem, NameProblem::TooLong);

    // Full-width characters take three bytes each in UTF-8: 8 fit, 9 do not.
    QString eight = QString(8, QChar(0x7DDA));
    QString nine = QString(9, QChar(0x7DDA));
    EXPECT_EQ(resultNameBytes(eight).size(), 24u);
    EXPECT_EQ(checkResultName(eight).problem, NameProblem::None);
    EXPECT_EQ(checkResultName(nine).problem, NameProblem::TooLong);
    // 22 ASCII + one full-width character is exactly 25 bytes.
    EXPECT_EQ(checkResultName(QString(22, 'x') + QChar(0x7DDA)).problem, NameProblem::None);
    EXPECT_EQ(checkResultName(QString(23, 'x') + QChar(0x7DDA)).problem, NameProblem::TooLong);
}

// Names whose result could not be listed by the viewer or copied to a Windows
// machine, with the character or device name the message shows.
TEST(ResultName, NamesThatCannotTravelAreRefused) {
    struct Case {
        const char* typed;
        NameProblem problem;
        const char* shown;
    };
    const Case cases[] = {
        {"", NameProblem::Empty, ""},
        {"../x", NameProblem::PathSeparator, "/"},
        {"a/b", NameProblem::PathSeparator, "/"},
        {"a\\b", NameProblem::PathSeparator, "\\"},
        {"/aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", NameProblem::PathSeparator, "/"},
        {"run:1", NameProblem::ForbiddenCharacter, ":"},
        {"a*", NameProblem::ForbiddenCharacter, "*"},
        {"why?", NameProblem::ForbiddenCharacter, "?"},
        {"\"q\"", NameProblem::ForbiddenCharacter, "\""},
        {"<a>", NameProblem::ForbiddenCharacter, "<"},
        {"a>b", NameProblem::ForbiddenCharacter, ">"},
        {"a|b", NameProblem::ForbiddenCharacter, "|"},
        {"a\tb", NameProblem::ControlCharacter, "\t"},
        {"a\x7f", NameProblem::ControlCharacter, "\x7f"},
        {".x", NameProblem::LeadingDot, "."},
        {"CON", NameProblem::ReservedName, "CON"},
        {"prn", NameProblem::ReservedName, "prn"},
        {"Aux.old", NameProblem::ReservedName, "Aux"},
        {"nul.tar.gz", NameProblem::ReservedName, "nul"},
        {"COM1", NameProblem::ReservedName, "COM1"},
        {"lpt9.x", NameProblem::ReservedName, "lpt9"},
        {"CON ", NameProblem::ReservedName, "CON"},
        // Names that only look like them pass.
        {"CONSOLE", NameProblem::None, ""},
        {"COM10", NameProblem::None, ""},
        {"LPT0", NameProblem::None, ""},
        {"a.CON", NameProblem::None, ""},
        {"12-06-2026", NameProblem::None, ""},
        {"run A (2).v2", NameProblem::None, ""},
        {"歩行 1", NameProblem::None, ""},
    };
    for (const Case& c : cases) {
        const NameCheck check = checkResultName(QString::fromUtf8(c.typed));
        EXPECT_EQ(check.problem, c.problem) << c.typed;
        const QString shown =
            c.problem == NameProblem::ReservedName ? check.reserved : check.character;
        EXPECT_EQ(shown, QString::fromUtf8(c.shown)) << c.typed;
    }
}

TEST(ResultName, CharactersTheMachinesCodePageLacksAreRefused) {
    // The engine opens the name through the 8-bit code page of the machine:
    // Japanese on code page 932, not on a Western 1252; accents the other way.
    struct Case {
        const char* typed;
        const char* codePage;
        const char* lacking;
    };
    const Case cases[] = {
        {"透視室A", "windows-31j", ""},  {"透視室A", "windows-1252", "透"},
        {"café", "windows-1252", ""},    {"café", "windows-31j", "é"},
        {"walk1", "windows-1252", ""},   {"9〜17時", "windows-31j", "〜"},
        {"𠮷野家", "windows-31j", "𠮷"}, // outside the basic plane
    };
    for (const Case& c : cases) {
        const NameCheck check = checkResultName(QString::fromUtf8(c.typed), c.codePage);
        EXPECT_EQ(check.problem, *c.lacking ? NameProblem::NotInCodePage : NameProblem::None)
            << c.typed << " in " << c.codePage;
        EXPECT_EQ(check.character, QString::fromUtf8(c.lacking)) << c.typed << " in " << c.codePage;
    }
}

TEST(MeanTubeCurrent, ShortestDecimalForm) {
    EXPECT_EQ(meanTubeCurrentText(10, 15, 4), QStringLiteral("0.6"));
    EXPECT_EQ(meanTubeCurrentText(2.5, 7.5, 10), QStringLiteral("0.1875"));
    // 3 * 30 * 0.1 is 9.000000000000002 in binary: 15 digits give 0.009.
    EXPECT_EQ(meanTubeCurrentText(3, 30, 0.1), QStringLiteral("0.009"));
    EXPECT_EQ(meanTubeCurrentText(100, 30, 10), QStringLiteral("30"));
}

TEST(DefaultResultName, MonthDayYearWithLeadingZeros) {
    EXPECT_EQ(defaultResultName(QDate(2026, 12, 6)), QStringLiteral("12-06-2026"));
    EXPECT_EQ(defaultResultName(QDate(2027, 1, 5)), QStringLiteral("01-05-2027"));
    EXPECT_EQ(defaultResultName(QDate(2026, 11, 30)).size(), 10);
}

// A count is kept when the job file's line 5, read back, is that count; a
// rounded one gets the nearest kept counts on either side and the line.
TEST(HistoryCount, KeptExactlyByTheJobFileOrRefused) {
    auto lineFive = [](double count) {
        JobParameters job;
        job.photonCount = count;
        const std::string text = jobFileText(job);
        std::size_t start = 0;
        for (int line = 1; line < 5; ++line)
            start = text.find("\r\n", start) + 2;
        return text.substr(start, text.find("\r\n", start) - start);
    };
    struct Case {
        double count;
        CountProblem problem;
    };
    const Case cases[] = {
        {1e8, CountProblem::None},
        {1e9, CountProblem::None},
        {1234, CountProblem::None},
        {9999, CountProblem::None},
        {123400000, CountProblem::None},
        {1e15, CountProblem::None},
        {12345, CountProblem::Rounded},
        {123456789, CountProblem::Rounded},
        {99995000, CountProblem::Rounded}, // rounds up into the next decade
        {1000000001, CountProblem::Rounded},
        {999999999999999, CountProblem::Rounded},
        {1500000.5, CountProblem::NotWhole},
        {1e15 + 1, CountProblem::TooMany},
        {1e30, CountProblem::TooMany},
        {std::numeric_limits<double>::infinity(), CountProblem::TooMany},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const CountCheck check = checkHistoryCount(c.count);
        EXPECT_EQ(check.problem, c.problem);
        if (c.problem == CountProblem::None) {
            EXPECT_EQ(std::stod(lineFive(c.count)), c.count);
        }
        if (c.problem != CountProblem::Rounded)
            continue;
        EXPECT_NE(std::stod(lineFive(c.count)), c.count);
        EXPECT_EQ(check.written, lineFive(c.count));
        EXPECT_LT(check.below, c.count);
        EXPECT_GT(check.above, c.count);
        for (double kept : {check.below, check.above}) {
            EXPECT_EQ(checkHistoryCount(kept).problem, CountProblem::None) << kept;
            EXPECT_EQ(std::stod(lineFive(kept)), kept);
        }
        // Nothing kept lies between them.
        EXPECT_NE(lineFive(check.below), lineFive(check.above));
        EXPECT_EQ(checkHistoryCount(check.below + (check.above - check.below) / 2).problem,
                  CountProblem::Rounded);
    }
}
