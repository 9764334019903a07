// The plain part of a run: job file text, result name checks, mean current and
// the default result name.
#include <gtest/gtest.h>

#include "setup/JobFile.h"

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

TEST(ResultName, LengthCountedInBytesOfTheJobFile) {
    EXPECT_EQ(kTypedNameLimit, 25);
    EXPECT_EQ(checkResultName(std::string(25, 'a')), NameProblem::None);
    EXPECT_EQ(checkResultName(std::string(26, 'a')), NameProblem::TooLong);
    EXPECT_EQ(checkResultName(""), NameProblem::None);

    // Full-width characters take three bytes each in UTF-8: 8 fit, 9 do not.
    QString eight = QString(8, QChar(0x7DDA));
    QString nine = QString(9, QChar(0x7DDA));
    EXPECT_EQ(resultNameBytes(eight).size(), 24u);
    EXPECT_EQ(checkResultName(resultNameBytes(eight)), NameProblem::None);
    EXPECT_EQ(checkResultName(resultNameBytes(nine)), NameProblem::TooLong);
    // 22 ASCII + one full-width character is exactly 25 bytes.
    EXPECT_EQ(checkResultName(resultNameBytes(QString(22, 'x') + QChar(0x7DDA))),
              NameProblem::None);
    EXPECT_EQ(checkResultName(resultNameBytes(QString(23, 'x') + QChar(0x7DDA))),
              NameProblem::TooLong);
}

TEST(ResultName, PathSeparatorsRefused) {
    EXPECT_EQ(checkResultName("../x"), NameProblem::PathSeparator);
    EXPECT_EQ(checkResultName("a/b"), NameProblem::PathSeparator);
    EXPECT_EQ(checkResultName("a\\b"), NameProblem::PathSeparator);
    EXPECT_EQ(checkResultName("/" + std::string(40, 'a')), NameProblem::PathSeparator);
    EXPECT_EQ(checkResultName("12-06-2026"), NameProblem::None);
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
