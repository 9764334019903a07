// From dose rate to dose: the workload fields, the scale and unit of a period,
// the conversion of typed thresholds, and the reference levels per minute of
// fluoroscopy, all against hand arithmetic.
#include "logic/DosePeriod.h"
#include "logic/ReferenceLevels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace dose;

namespace {

struct PeriodCase {
    double perMinute;        // μSv/min at the place
    double maximumPerMinute; // the map's largest value, μSv/min
    double minutesPerWeek;
    Period period;
    double shown; // by hand: perMinute x minutes a week x weeks, in μ or m
    Prefix prefix;
};

} // namespace

TEST(PeriodScale, PerMinuteTimesMinutesAWeekTimesWeeks) {
    const PeriodCase cases[] = {
        // The map as written: per minute, whatever the workload and the size.
        {2.0, 2.0, 60, Period::PerMinute, 2.0, Prefix::Micro},
        {2000, 2000, 60, Period::PerMinute, 2000, Prefix::Micro},
        // 2 x 60 x 1 = 120 μSv; x 13 = 1560 μSv = 1.56 mSv; x 52 = 6240 μSv.
        {2.0, 2.0, 60, Period::Week, 120, Prefix::Micro},
        {2.0, 2.0, 60, Period::Quarter, 1.56, Prefix::Milli},
        {2.0, 2.0, 60, Period::Year, 6.24, Prefix::Milli},
        // 0.01 x 30 x 52 = 15.6 μSv.
        {0.01, 0.01, 30, Period::Year, 15.6, Prefix::Micro},
        // The unit is the map's, from its largest value: 40 x 60 = 2400 μSv a
        // week gives mSv, so 0.5 μSv/min shows 0.03 mSv.
        {0.5, 40, 60, Period::Week, 0.03, Prefix::Milli},
        // The edge of the rule: a largest value of 1000 μSv is shown in mSv,
        // 999 μSv in μSv (20 x 50 = 1000, 19.98 x 50 = 999).
        {20, 20, 50, Period::Week, 1, Prefix::Milli},
        {19.98, 19.98, 50, Period::Week, 999, Prefix::Micro},
        {1, 19.98, 50, Period::Week, 50, Prefix::Micro},
        // A fractional workload: 0.25 x 2.5 x 13 = 8.125 μSv.
        {0.25, 0.25, 2.5, Period::Quarter, 8.125, Prefix::Micro},
    };
    for (const PeriodCase& t : cases) {
        const DisplayScale scale = displayScale(t.period, t.minutesPerWeek, t.maximumPerMinute);
        SCOPED_TRACE(testing::Message()
                     << t.perMinute << " uSv/min, max " << t.maximumPerMinute << ", "
                     << t.minutesPerWeek << " min/week, period " << static_cast<int>(t.period));
        EXPECT_EQ(scale.prefix, t.prefix);
        EXPECT_NEAR(toShown(t.perMinute, scale), t.shown, 1e-12 * t.shown);
        EXPECT_NEAR(toPerMinute(t.shown, scale), t.perMinute, 1e-12 * t.perMinute);
    }
}

TEST(PeriodScale, UnitTextFollowsThePrefixAndTheQuantity) {
    const DisplayScale quarterMilli = displayScale(Period::Quarter, 60, 2.0);
    const DisplayScale quarterMicro = displayScale(Period::Quarter, 60, 0.2);
    EXPECT_NE(unitText(results::Quantity::DoseEquivalent, quarterMilli),
              unitText(results::Quantity::DoseEquivalent, quarterMicro));
    EXPECT_NE(unitText(results::Quantity::Kerma, quarterMilli),
              unitText(results::Quantity::DoseEquivalent, quarterMilli));
    // The threshold fields put the prefix apart: together they are the unit.
    for (const DisplayScale& s : {perMinute(), quarterMilli, quarterMicro})
        for (results::Quantity q : {results::Quantity::Kerma, results::Quantity::DoseEquivalent})
            EXPECT_EQ(prefixText(s.prefix) + unitAfterPrefix(q, s), unitText(q, s));
}

TEST(PeriodScale, TypedThresholdsKeepTheirMeaning) {
    const DisplayScale minute = perMinute();
    const DisplayScale week60 = displayScale(Period::Week, 60, 100);       // 6000 μSv: mSv
    const DisplayScale quarter60 = displayScale(Period::Quarter, 60, 100); // mSv
    const DisplayScale week30micro{Period::Week, 30, Prefix::Micro};
    const DisplayScale year30 = displayScale(Period::Year, 30, 100);
    struct Case {
        double shown;
        DisplayScale from;
        DisplayScale to;
        double expected; // by hand
    };
    const Case cases[] = {
        // 100 μSv/min for 60 min a week: 6000 μSv = 6 mSv a week, 78 mSv in 3 months.
        {100, minute, week60, 6},
        {100, minute, quarter60, 78},
        {78, quarter60, minute, 100},
        // A dose stays that dose: 6 mSv a week is 78 mSv in 3 months, 312 in a year,
        // whatever the workload; only the workload changing leaves it (in μSv here).
        {6, week60, quarter60, 78},
        {6, week60, year30, 312},
        {6, week60, week30micro, 6000},
        // 6000 μSv a week at 30 min a week is 200 μSv/min.
        {6000, week30micro, minute, 200},
        {0.5, minute, minute, 0.5},
    };
    for (const Case& t : cases) {
        EXPECT_NEAR(convertShown(t.shown, t.from, t.to), t.expected, 1e-12 * t.expected)
            << t.shown << " from period " << static_cast<int>(t.from.period) << " to "
            << static_cast<int>(t.to.period);
        // And back again.
        EXPECT_NEAR(convertShown(convertShown(t.shown, t.from, t.to), t.to, t.from), t.shown,
                    1e-12 * t.shown);
    }
    results::Thresholds typed{};
    for (std::size_t k = 0; k < typed.size(); ++k)
        typed[k] = 100.0 / static_cast<double>(k + 1);
    const results::Thresholds inQuarter = convertThresholds(typed, minute, quarter60);
    for (std::size_t k = 0; k < typed.size(); ++k)
        EXPECT_NEAR(inQuarter[k], typed[k] * 0.78, 1e-12 * typed[k]);
}

TEST(PeriodScale, DefaultThresholdsAreRoundInTheUnitShown) {
    // 5 μSv/min x 60 x 13 = 3900 μSv = 3.9 mSv: class 4, scale top 3 mSv.
    const DisplayScale quarter = displayScale(Period::Quarter, 60, 5);
    const results::Thresholds t = defaultThresholds(5, quarter);
    EXPECT_DOUBLE_EQ(t[0], 2.25);
    EXPECT_DOUBLE_EQ(t[10], 0.0075);
    // Per minute they are the viewer's own.
    EXPECT_EQ(defaultThresholds(5, perMinute()), results::defaultThresholds(5));
}

TEST(Workload, FieldsAcceptPositiveNumbersAndRefuseTheRestNamingTheField) {
    struct Case {
        const char* text;
        std::optional<double> minutes;
    };
    const Case cases[] = {
        {"60", 60},
        {" 12.5 ", 12.5},
        {"６０", 60},       // full-width digits
        {"１２．５", 12.5}, // and point
        {"10080", 10080},   // a whole week
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"60分", std::nullopt},
        {"0", std::nullopt},
        {"-5", std::nullopt},
        {"－5", std::nullopt},
        {"1e400", std::nullopt}, // not finite
        {"nan", std::nullopt},
        {"inf", std::nullopt},
        {"10081", std::nullopt}, // more than a week has minutes
    };
    for (const Case& t : cases) {
        QString error;
        const std::optional<double> minutes = minutesPerWeek(QString::fromUtf8(t.text), error);
        EXPECT_EQ(minutes, t.minutes) << t.text;
        if (!t.minutes) {
            EXPECT_TRUE(error.contains(minutesPerWeekField()))
                << t.text << ": " << error.toStdString();
        }
        EXPECT_EQ(isValidWorkload(minutes.value_or(0)), t.minutes.has_value()) << t.text;
    }
}

TEST(Workload, ProceduresTimesMinutesEachAndBack) {
    struct Case {
        const char* procedures;
        const char* each;
        std::optional<double> minutes;
        QString refusedField;
    };
    const Case cases[] = {
        {"10", "3", 30, {}},
        {"2.5", "8", 20, {}},
        {"0", "3", std::nullopt, proceduresPerWeekField()},
        {"", "3", std::nullopt, proceduresPerWeekField()},
        {"10", "x", std::nullopt, minutesPerProcedureField()},
        {"10", "-1", std::nullopt, minutesPerProcedureField()},
        {"1000", "20", std::nullopt, proceduresPerWeekField()}, // 20000 minutes a week
    };
    for (const Case& t : cases) {
        QString error;
        const std::optional<double> minutes =
            minutesPerWeek(QString::fromUtf8(t.procedures), QString::fromUtf8(t.each), error);
        EXPECT_EQ(minutes, t.minutes) << t.procedures << " x " << t.each;
        if (!t.minutes) {
            EXPECT_TRUE(error.contains(t.refusedField)) << error.toStdString();
        }
    }
    EXPECT_DOUBLE_EQ(minutesPerProcedure(30, 10), 3);
    EXPECT_DOUBLE_EQ(minutesPerProcedure(20, 2.5), 8);
}

TEST(ReferenceLevels, PerMinuteLevelsForAWorkloadByHand) {
    struct Case {
        const char* name;
        double minutesPerWeek;
        double perMinute; // μSv/min, by hand
    };
    const Case cases[] = {
        {"管理区域境界", 60, 1300.0 / (60 * 13)},                  // 1.667
        {"エックス線診療室の画壁等の外側", 60, 1000.0 / 60},       // 16.67
        {"病室", 40, 2.5},                                         // 1300 / 520
        {"事業所境界・居住区域", 25, 250.0 / (25 * 13)},           // 0.769
        {"放射線診療従事者（1年）", 100, 50000.0 / 5200},          // 9.615
        {"放射線診療従事者（5年平均）", 100, 20000.0 / 5200},      // 3.846
        {"女性の放射線診療従事者（3か月）", 100, 5000.0 / 1300},   // 3.846
        {"エックス線診療室の画壁等の外側", 10080, 1000.0 / 10080}, // all week long
    };
    for (const Case& t : cases) {
        const std::optional<ReferenceLevel> level = builtInLevel(QString::fromUtf8(t.name));
        ASSERT_TRUE(level) << t.name;
        EXPECT_NEAR(perMinuteLevel(*level, t.minutesPerWeek), t.perMinute, 1e-12 * t.perMinute)
            << t.name;
        // A place at the level receives all of it, at half the rate half of it,
        // whatever period the map is shown for.
        EXPECT_NEAR(shareOfLevel(t.perMinute, *level, t.minutesPerWeek), 1, 1e-12) << t.name;
        EXPECT_NEAR(shareOfLevel(t.perMinute / 2, *level, t.minutesPerWeek), 0.5, 1e-12);
        // Doubling the workload halves the rate that reaches the level.
        EXPECT_NEAR(perMinuteLevel(*level, 2 * t.minutesPerWeek), t.perMinute / 2,
                    1e-12 * t.perMinute);
    }
    // Every built-in level has a place in the list by its name.
    for (const ReferenceLevel& level : builtInLevels()) {
        EXPECT_TRUE(level.builtIn);
        EXPECT_EQ(builtInLevel(level.name), level);
    }
}

TEST(ReferenceLevels, ShownOnTheLegendOfAnyPeriod) {
    const ReferenceLevel boundary = *builtInLevel(QStringLiteral("管理区域境界"));
    // 1.3 mSv in 3 months at 60 min a week: 100 μSv a week, 5.2 mSv a year,
    // 1.667 μSv/min; on a map shown in mSv a week, 0.1.
    EXPECT_NEAR(shownLevel(boundary, 60, DisplayScale{Period::Week, 60, Prefix::Micro}), 100,
                1e-12);
    EXPECT_NEAR(shownLevel(boundary, 60, DisplayScale{Period::Week, 60, Prefix::Milli}), 0.1,
                1e-15);
    EXPECT_NEAR(shownLevel(boundary, 60, DisplayScale{Period::Year, 60, Prefix::Milli}), 5.2,
                1e-12);
    EXPECT_NEAR(shownLevel(boundary, 60, DisplayScale{Period::Quarter, 60, Prefix::Milli}), 1.3,
                1e-12);
    EXPECT_NEAR(shownLevel(boundary, 60, perMinute()), 1300.0 / 780, 1e-12);
}

TEST(ReferenceLevels, UserLevelsAndTheirRefusals) {
    struct Case {
        const char* name;
        const char* value;
        bool accepted;
        QString refusedField;
    };
    const Case cases[] = {
        {" 操作室前 ", "0.5", true, {}},
        {"待合", "２５０", true, {}},
        {"", "1", false, levelNameField()},
        {"   ", "1", false, levelNameField()},
        {"a\tb", "1", false, levelNameField()},
        {"a\nb", "1", false, levelNameField()},
        {"a\u0085b", "1", false, levelNameField()},
        {"a\u2028b", "1", false, levelNameField()},
        {"隣室", "0", false, levelValueField()},
        {"隣室", "-1", false, levelValueField()},
        {"隣室", "", false, levelValueField()},
        {"隣室", "1e400", false, levelValueField()},
        {"隣室", "nan", false, levelValueField()},
    };
    for (const Case& t : cases) {
        QString error;
        const std::optional<ReferenceLevel> level =
            makeUserLevel(QString::fromUtf8(t.name), QString::fromUtf8(t.value), Prefix::Micro,
                          Period::Week, error);
        EXPECT_EQ(level.has_value(), t.accepted) << t.name << " / " << t.value;
        if (!t.accepted) {
            EXPECT_TRUE(error.contains(t.refusedField)) << error.toStdString();
        }
        if (level) {
            EXPECT_EQ(level->name, QString::fromUtf8(t.name).trimmed());
            EXPECT_FALSE(level->builtIn);
        }
    }
    // 250 μSv a week at 50 min a week: 5 μSv/min; a per-minute level needs no workload.
    QString error;
    const auto week = makeUserLevel(QStringLiteral("待合"), QStringLiteral("250"), Prefix::Micro,
                                    Period::Week, error);
    ASSERT_TRUE(week);
    EXPECT_DOUBLE_EQ(perMinuteLevel(*week, 50), 5);
    const auto rate = makeUserLevel(QStringLiteral("目安"), QStringLiteral("10"), Prefix::Micro,
                                    Period::PerMinute, error);
    ASSERT_TRUE(rate);
    EXPECT_DOUBLE_EQ(perMinuteLevel(*rate, 50), 10);
    EXPECT_DOUBLE_EQ(perMinuteLevel(*rate, 3000), 10);
}

TEST(ReferenceLevels, ShareText) {
    EXPECT_EQ(shareText(0.354), QStringLiteral("35 %"));
    EXPECT_EQ(shareText(0.004), QStringLiteral("0.4 %"));
    EXPECT_EQ(shareText(12), QStringLiteral("1200 %"));
}
