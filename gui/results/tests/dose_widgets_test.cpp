// The workload panel and the list of reference levels over one set of dose
// settings, as the viewer and the overlay window each host them: what they
// refuse, what they compute, and that two panels follow each other.
#include "DoseSettings.h"
#include "RecordingMessages.h"
#include "TestApplication.h"
#include "logic/Contours.h"
#include "logic/DoseGrids.h"
#include "platform/Platform.h"
#include "results/DosePanel.h"
#include "results/LevelList.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using testsupport::RecordingMessages;

class DoseWidgets : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::application();
        platform::Services s;
        s.messages = &messages_;
        platform::setServices(s);
    }
    void TearDown() override { platform::resetServices(); }

    RecordingMessages messages_;
    DoseSettings settings_;
};

struct WorkloadCase {
    const char* what;
    bool byProcedures;
    const char* minutes;
    const char* procedures;
    const char* perProcedure;
    std::vector<QString> named; // in the one message
};

} // namespace

TEST_F(DoseWidgets, TheWorkloadPanelRefusesWhatIsNotAWorkloadNamingTheField) {
    const QString minutes = dose::minutesPerWeekField();
    const QString procedures = dose::proceduresPerWeekField();
    const QString each = dose::minutesPerProcedureField();
    const WorkloadCase cases[] = {
        {"not a number", false, "abc", "", "", {minutes, QStringLiteral("abc")}},
        {"empty", false, "", "", "", {minutes}},
        {"zero", false, "0", "", "", {minutes}},
        {"negative", false, "-5", "", "", {minutes}},
        {"infinite", false, "inf", "", "", {minutes}},
        {"trailing text", false, "60 min", "", "", {minutes}},
        {"more than a week holds", false, "10081", "", "", {minutes, QStringLiteral("10080")}},
        {"procedures not a number", false, "60", "x", "", {procedures}},
        {"procedures zero", false, "60", "0", "", {procedures}},
        {"no procedures", true, "", "", "3", {procedures}},
        {"minutes a procedure zero", true, "", "20", "0", {each}},
        {"minutes a procedure not a number", true, "", "20", "three", {each}},
        {"product beyond a week",
         true,
         "",
         "2000",
         "6",
         {procedures, each, QStringLiteral("12000")}},
    };
    DosePanel panel(settings_);
    settings_.setMinutesPerWeek(30);
    for (const WorkloadCase& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.shown.clear();
        (c.byProcedures ? panel.ByProcedures : panel.ByMinutes)->setChecked(true);
        panel.MinutesPerWeek->setText(QString::fromUtf8(c.minutes));
        panel.ProceduresPerWeek->setText(QString::fromUtf8(c.procedures));
        panel.MinutesPerProcedure->setText(QString::fromUtf8(c.perProcedure));
        panel.Apply->click();
        ASSERT_EQ(messages_.shown.size(), 1u);
        for (const QString& named : c.named)
            EXPECT_TRUE(messages_.shown[0].text.contains(named))
                << named.toStdString() << " in " << messages_.shown[0].text.toStdString();
        EXPECT_EQ(settings_.minutesPerWeek(), 30); // as it was
    }
}

TEST_F(DoseWidgets, TheWorkloadPanelComputesTheOtherField) {
    DosePanel panel(settings_);
    struct Case {
        bool byProcedures;
        const char* minutes;
        const char* procedures;
        const char* perProcedure;
        double minutesPerWeek;
        double shownOther; // the computed field, 0 when it stays empty
    };
    const Case cases[] = {
        {false, "60", "20", "", 60, 3},        // minutes typed: minutes a procedure
        {false, "６０", "", "", 60, 0},        // full-width digits; no procedures
        {false, " 45.5 ", "7", "", 45.5, 6.5}, // blanks around
        {true, "", "20", "3", 60, 60},         // procedures typed: minutes a week
        {true, "", "12", "2.5", 30, 30},       {true, "", "１０", "１", 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.minutes) + c.procedures + c.perProcedure);
        (c.byProcedures ? panel.ByProcedures : panel.ByMinutes)->setChecked(true);
        panel.MinutesPerWeek->setText(QString::fromUtf8(c.minutes));
        panel.ProceduresPerWeek->setText(QString::fromUtf8(c.procedures));
        panel.MinutesPerProcedure->setText(QString::fromUtf8(c.perProcedure));
        ASSERT_TRUE(panel.applyWorkload());
        EXPECT_DOUBLE_EQ(settings_.minutesPerWeek(), c.minutesPerWeek);
        const QLineEdit* computed =
            c.byProcedures ? panel.MinutesPerWeek : panel.MinutesPerProcedure;
        if (c.shownOther == 0)
            EXPECT_TRUE(computed->text().isEmpty());
        else
            EXPECT_DOUBLE_EQ(computed->text().toDouble(), c.shownOther);
        // The computed field is not typed into.
        EXPECT_TRUE(computed->isReadOnly());
    }
    EXPECT_TRUE(messages_.shown.empty());
}

// The viewer and the overlay window each have a panel over the one set of
// settings: what is set in one shows in the other.
TEST_F(DoseWidgets, TwoPanelsFollowOneAnother) {
    DosePanel viewer(settings_);
    DosePanel overlay(settings_);
    viewer.Period->setCurrentIndex(2);
    EXPECT_EQ(settings_.period(), dose::Period::Quarter);
    EXPECT_EQ(overlay.Period->currentIndex(), 2);
    EXPECT_FALSE(settings_.showsPeriod()); // no workload yet: still per minute

    overlay.ProceduresPerWeek->setText(QStringLiteral("8"));
    viewer.MinutesPerWeek->setText(QStringLiteral("40"));
    viewer.MinutesPerWeek->returnPressed();
    EXPECT_DOUBLE_EQ(settings_.minutesPerWeek(), 40);
    EXPECT_TRUE(settings_.showsPeriod());
    EXPECT_DOUBLE_EQ(overlay.MinutesPerWeek->text().toDouble(), 40);
    // Its own procedures give its own minutes a procedure.
    EXPECT_DOUBLE_EQ(overlay.MinutesPerProcedure->text().toDouble(), 5);
    EXPECT_TRUE(overlay.State->text().contains(QStringLiteral("40")));

    overlay.Period->setCurrentIndex(0);
    EXPECT_EQ(viewer.Period->currentIndex(), 0);
    EXPECT_FALSE(settings_.showsPeriod());
}

TEST_F(DoseWidgets, TheLevelListRefusesAUserLevelNamingTheField) {
    const QString name = dose::levelNameField();
    const QString value = dose::levelValueField();
    struct Case {
        const char* what;
        QString typedName;
        const char* typedValue;
        QString named;
    };
    const Case cases[] = {
        {"no name", QString(), "1", name},
        {"blanks alone", QStringLiteral("  　"), "1", name},
        {"a tab in the name", QStringLiteral("扉\tの外"), "1", name},
        {"a built-in name", dose::builtInLevels()[0].name, "1", name},
        {"no value", QStringLiteral("扉の外"), "", value},
        {"value not a number", QStringLiteral("扉の外"), "1 mSv", value},
        {"value zero", QStringLiteral("扉の外"), "0", value},
        {"value negative", QStringLiteral("扉の外"), "-2", value},
        {"value infinite", QStringLiteral("扉の外"), "1e999", value},
    };
    LevelList list(settings_, 400);
    const std::size_t before = settings_.levels().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages_.shown.clear();
        list.LevelName->setText(c.typedName);
        list.LevelValue->setText(QString::fromUtf8(c.typedValue));
        list.AddLevel->click();
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_TRUE(messages_.shown[0].text.contains(c.named))
            << messages_.shown[0].text.toStdString();
        EXPECT_EQ(settings_.levels().size(), before);
        EXPECT_EQ(list.Levels->count(), int(before));
    }
}

TEST_F(DoseWidgets, AUserLevelIsAddedTickedAndRemovedWhileBuiltInLevelsStay) {
    LevelList list(settings_, 400);
    const std::size_t builtIn = settings_.levels().size();
    list.LevelName->setText(QStringLiteral(" 扉の外 "));
    list.LevelValue->setText(QStringLiteral("２０"));
    list.LevelUnit->setCurrentIndex(0);   // μSv
    list.LevelPeriod->setCurrentIndex(1); // a week
    ASSERT_TRUE(list.addLevel());
    ASSERT_EQ(settings_.levels().size(), builtIn + 1);
    const dose::ReferenceLevel& added = settings_.levels().back();
    EXPECT_EQ(added.name, QStringLiteral("扉の外"));
    EXPECT_EQ(added.value, 20);
    EXPECT_EQ(added.prefix, dose::Prefix::Micro);
    EXPECT_EQ(added.period, dose::Period::Week);
    EXPECT_TRUE(settings_.isTicked(builtIn));
    EXPECT_EQ(list.Levels->item(int(builtIn))->checkState(), Qt::Checked);

    // Ticking and clearing a row ticks the level.
    list.Levels->item(1)->setCheckState(Qt::Checked);
    EXPECT_TRUE(settings_.isTicked(1));
    list.Levels->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(settings_.isTicked(1));

    // A built-in level cannot be removed; the added one can.
    list.Levels->setCurrentRow(0);
    EXPECT_FALSE(list.RemoveLevel->isEnabled());
    list.removeChosenLevel();
    EXPECT_EQ(settings_.levels().size(), builtIn + 1);
    list.Levels->setCurrentRow(int(builtIn));
    EXPECT_TRUE(list.RemoveLevel->isEnabled());
    list.RemoveLevel->click();
    EXPECT_EQ(settings_.levels().size(), builtIn);
    EXPECT_EQ(list.Levels->count(), int(builtIn));
    EXPECT_TRUE(messages_.shown.empty());
}

// The list says of each level how it meets the map: a map of 1 to 100 μSv/min
// reaches a level of 50 μSv/min, never 200, and exceeds 0.5 everywhere; a level
// of a period needs the workload before it has a place on the map.
TEST_F(DoseWidgets, TheLevelListSaysWhereALevelHasNoLine) {
    results::DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            grid.at(j, i) = 1 + 99.0 * (j - 1) / (results::kGridColumns - 1);
    LevelList list(settings_, 400);
    QString error;
    const std::size_t first = settings_.levels().size();
    for (const char* value : {"50", "200", "0.5"})
        settings_.addUserLevel(*dose::makeUserLevel(QStringLiteral("L") + QString::fromUtf8(value),
                                                    QString::fromUtf8(value), dose::Prefix::Micro,
                                                    dose::Period::PerMinute, error));
    // Before the map: a level of 3 months needs the workload, a rate per minute does not.
    EXPECT_EQ(list.reachTextOf(0), limitlines::needsWorkloadText());
    EXPECT_EQ(list.reachTextOf(first), QString());

    // 1.3 mSv in 3 months at 10 min a week is 10 μSv/min: crossed.
    settings_.setMinutesPerWeek(10);
    list.showReach(limitlines::reachOfLevels(grid, settings_.levels(), 10));
    EXPECT_EQ(list.reachTextOf(0), QString());
    EXPECT_EQ(list.reachTextOf(first), QString());
    EXPECT_EQ(list.reachTextOf(first + 1), contours::reachText(contours::Reach::NotReached));
    EXPECT_EQ(list.reachTextOf(first + 2),
              contours::reachText(contours::Reach::ExceededEverywhere));
    EXPECT_TRUE(list.Levels->item(int(first + 1))
                    ->text()
                    .contains(contours::reachText(contours::Reach::NotReached)));
    // The results follow a level, not a row: after a level above is removed
    // the rows below keep theirs.
    settings_.removeUserLevel(first);
    EXPECT_EQ(list.reachTextOf(first), contours::reachText(contours::Reach::NotReached));
    // No map: nothing more to say.
    list.showReach({});
    EXPECT_EQ(list.reachTextOf(first), QString());
}
