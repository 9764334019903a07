// The conditions window's maps in other planes and its count of histories:
// each refusal names its field and leaves nothing written or started; the job
// file is the six lines of old unless more is asked, and then carries the
// request lines.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "logic/PlaneFields.h"
#include "setup/Form2.h"

#include "form2_support.h"

using form2test::Stage;
using planefields::Field;
using platform::MessageIcon;

namespace {

class Form2Planes : public ::testing::Test {
protected:
    Stage stage;
    std::unique_ptr<Form2> form;

    void SetUp() override {
        form2test::provideSpectrumData(stage.folder.path());
        form = std::make_unique<Form2>();
        ASSERT_TRUE(form->tablesLoaded()) << stage.messageTexts().join(" / ").toStdString();
    }

    QByteArray jobBytes() const {
        QFile f(stage.path(QStringLiteral("B2F.txt")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // A run that is refused: one exclamation message, nothing written or started.
    QString refusedRun() {
        stage.messages.shown.clear();
        const qsizetype started = stage.launcher.started.size();
        form->Command1->click();
        EXPECT_EQ(stage.messages.shown.size(), 1u)
            << stage.messageTexts().join(" / ").toStdString();
        EXPECT_EQ(stage.launcher.started.size(), started);
        EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
        EXPECT_FALSE(stage.exists(QStringLiteral("B_SPCTL.dat")));
        if (stage.messages.shown.empty())
            return {};
        EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
        return stage.messages.shown[0].text;
    }

    // A run that starts the engine; its job file.
    QByteArray startedRun() {
        stage.messages.shown.clear();
        const qsizetype before = stage.launcher.started.size();
        form->Command1->click();
        EXPECT_EQ(stage.launcher.started.size(), before + 1)
            << stage.messageTexts().join(" / ").toStdString();
        return jobBytes();
    }
};

// Each row: what the plane fields hold, and the field the refusal names and
// gives the focus to.
TEST_F(Form2Planes, PlaneFieldsThatCannotBeMappedAreRefused) {
    struct Case {
        const char* centre;
        const char* heights;
        bool below;
        const char* fsd;
        Field field;
    };
    const Case cases[] = {
        {"100", "abc", false, "90", Field::Heights},
        {"100", "150 cm", false, "90", Field::Heights},
        {"100", "150; 170", false, "90", Field::Heights},
        {"100", "－１０", false, "90", Field::Heights},   // below the floor
        {"100", "150, 401", false, "90", Field::Heights}, // 301 cm above the centre
        {"500", "150", false, "90", Field::Heights},      // 350 cm below it
        {"100", "0 20 40 60 80 120 140 160 180", false, "90", Field::Heights}, // nine
        {"100", "150, １５０", false, "90", Field::Heights},                   // twice
        {"100", "150.5", false, "90", Field::Heights},
        {"", "150", false, "90", Field::CentreHeight},
        {"一メートル", "", false, "90", Field::CentreHeight},
        {"5", "", false, "90", Field::CentreHeight}, // the phantom through the floor
        {"100", "", true, "91", Field::Tube},        // the focus 1 cm under the floor
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.centre) + " / " + c.heights + " / fsd " + c.fsd);
        form->Text16->setText(QString::fromUtf8(c.centre));
        form->Text17->setText(QString::fromUtf8(c.heights));
        form->Text7->setText(QString::fromUtf8(c.fsd));
        (c.below ? form->Option6 : form->Option5)->click();
        const QString message = refusedRun();
        EXPECT_TRUE(message.contains(planefields::fieldName(c.field))) << message.toStdString();
        QWidget* focused = c.field == Field::Heights        ? form->Text17
                           : c.field == Field::CentreHeight ? static_cast<QWidget*>(form->Text16)
                                                            : form->Option6;
        EXPECT_EQ(form->focusWidget(), focused);
        // The fields keep what was typed.
        EXPECT_EQ(form->Text17->text(), QString::fromUtf8(c.heights));
    }
    // The same fields, sound again, start the run.
    form->Text16->setText(QStringLiteral("100"));
    form->Text17->setText(QStringLiteral("0, 400"));
    form->Text7->setText(QStringLiteral("90"));
    EXPECT_TRUE(startedRun().endsWith("heights 0 400\r\nvertical-section no\r\ntube below\r\n"));
}

// Nothing new chosen, or only the centre height: the six lines as ever. Any
// map or the tube below: the request lines after them.
TEST_F(Form2Planes, JobFileIsSixLinesUnlessMoreIsAsked) {
    form->Text10->setText(QStringLiteral("walk1"));
    const QByteArray sixLines = startedRun();
    ASSERT_EQ(sixLines.count("\r\n"), 6);
    EXPECT_TRUE(sixLines.endsWith("\r\n1.000E+09\r\nwalk1.data\r\n"));

    form->Text16->setText(QStringLiteral("120"));
    EXPECT_EQ(startedRun(), sixLines);

    const struct {
        const char* heights;
        bool section;
        bool below;
        const char* lines;
    } cases[] = {
        {"150, 170", false, false,
         "centre-height 120\r\nheights 150 170\r\nvertical-section no\r\ntube above\r\n"},
        {"１７０　５０", true, false,
         "centre-height 120\r\nheights 170 50\r\nvertical-section yes\r\ntube above\r\n"},
        {"", true, false, "centre-height 120\r\nheights\r\nvertical-section yes\r\ntube above\r\n"},
        {"", false, true, "centre-height 120\r\nheights\r\nvertical-section no\r\ntube below\r\n"},
        {"120", false, false,
         "centre-height 120\r\nheights 120\r\nvertical-section no\r\ntube above\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heights);
        form->Text17->setText(QString::fromUtf8(c.heights));
        form->Check1->setChecked(c.section);
        (c.below ? form->Option6 : form->Option5)->click();
        EXPECT_EQ(startedRun(), sixLines + c.lines);
    }
}

// The standing patient has no tube below the table: the choice is off, set to
// above, and never written as below.
TEST_F(Form2Planes, StandingPatientHasTheTubeAbove) {
    form->Option6->click();
    EXPECT_TRUE(form->Frame4->isEnabled());
    form->Option4->click();
    EXPECT_FALSE(form->Frame4->isEnabled());
    EXPECT_TRUE(form->Option5->isChecked());
    form->Text17->setText(QStringLiteral("150"));
    const QByteArray standing = startedRun();
    EXPECT_EQ(stage.launcher.started.last(), QStringLiteral("Quenro-22"));
    EXPECT_TRUE(standing.endsWith("heights 150\r\nvertical-section no\r\ntube above\r\n"))
        << standing.toStdString();

    // Back to lying, the choice is there again.
    form->Option3->click();
    EXPECT_TRUE(form->Frame4->isEnabled());
    form->Option6->click();
    EXPECT_TRUE(startedRun().endsWith("tube below\r\n"));
}

// The merger and the correction read 30 characters of the result name: with
// extra maps the longest result file counts, and is named.
TEST_F(Form2Planes, LongestResultNameBeyondThirtyCharactersIsRefused) {
    struct Case {
        int length; // of the typed name
        const char* heights;
        bool section;
        const char* longest; // the suffix of the longest name refused; nullptr: the run starts
    };
    const Case cases[] = {
        {25, "", false, nullptr},             // no extra map: the typed 25 bytes as before
        {20, "50, 150", false, nullptr},      // xxx_h150.data: 30
        {21, "50, 150", false, "_h150.data"}, // 31
        {22, "", true, nullptr},              // xxx_vs.data: 30
        {23, "", true, "_vs.data"},           // 31
        {26, "150", false, "_h150.data"},     // the longest name, not the typed 25 bytes
        {25, "100", false, nullptr},          // the centre's height writes no other file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + " " + c.heights);
        const QString name(c.length, QLatin1Char('x'));
        form->Text10->setText(name);
        form->Text17->setText(QString::fromUtf8(c.heights));
        form->Check1->setChecked(c.section);
        QFile::remove(stage.path(QStringLiteral("B2F.txt")));
        QFile::remove(stage.path(QStringLiteral("B_SPCTL.dat")));
        if (!c.longest) {
            startedRun();
            continue;
        }
        const QString message = refusedRun();
        EXPECT_TRUE(message.contains(planefields::fieldName(Field::ResultName)))
            << message.toStdString();
        EXPECT_TRUE(
            message.contains(QStringLiteral("「%1%2」").arg(name, QLatin1String(c.longest))))
            << message.toStdString();
        EXPECT_EQ(form->focusWidget(), form->Text10);
    }
}

// A run that would replace results asks first, naming every result file of
// the run that is there already.
TEST_F(Form2Planes, ReplacingAnExtraMapIsAskedFirst) {
    stage.touch(QStringLiteral("walk1_h150.data"));
    form->Text10->setText(QStringLiteral("walk1"));
    form->Text17->setText(QStringLiteral("150, 170"));
    stage.messages.answers = {platform::MessageResult::No};
    form->Command1->click();
    ASSERT_EQ(stage.messages.shown.size(), 1u);
    EXPECT_EQ(stage.messages.shown[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("「walk1_h150.data」")));
    EXPECT_FALSE(stage.messages.shown[0].text.contains(QStringLiteral("walk1_h170")));
    EXPECT_TRUE(stage.launcher.started.isEmpty());
    EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
}

// The count reaches the engine as typed or the run is refused: at most the
// engine's limit, which the message names, whole, and kept by the job file's
// four significant digits (the message names the nearest counts it keeps).
TEST_F(Form2Planes, HistoryCountsTheJobFileCannotHoldAreRefused) {
    const struct {
        const char* typed;
        QStringList named;
    } cases[] = {
        {"123456789", {QStringLiteral("123400000"), QStringLiteral("123500000")}},
        {"１００００００００１", {QStringLiteral("1000000000"), QStringLiteral("1001000000")}},
        {"1e16", {QStringLiteral("1000000000000000")}},
        {"1000000000.5", {QStringLiteral("1000000000.5")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        form->Text9->setText(QString::fromUtf8(c.typed));
        const QString message = refusedRun();
        EXPECT_TRUE(message.contains(QStringLiteral("入射光子数"))) << message.toStdString();
        for (const QString& named : c.named)
            EXPECT_TRUE(message.contains(named)) << message.toStdString();
        EXPECT_EQ(form->Text9->text(), QString::fromUtf8(c.typed));
        EXPECT_EQ(form->focusWidget(), form->Text9);
    }
    form->Text9->setText(QStringLiteral("1.5e9"));
    EXPECT_TRUE(startedRun().contains("\r\n1.500E+09\r\n"));
}

} // namespace
