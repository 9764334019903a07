// The conditions window as the user meets it: defaults, the tube current, the
// checks of a run, the job file, the engine started and the two ways out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <functional>
#include <memory>
#include <thread>

#include "Windows.h"
#include "XrayTubeModel.h"
#include "results/Form1.h"
#include "setup/Form2.h"
#include "setup/Module1.h"
#include "textrec/textrec.h"

#include "form2_support.h"

using form2test::Stage;
using platform::MessageIcon;

namespace {

class Form2Test : public ::testing::Test {
protected:
    Stage stage;
    std::unique_ptr<Form2> form;

    void SetUp() override {
        form2test::provideSpectrumData(stage.folder.path());
        form = std::make_unique<Form2>();
        ASSERT_TRUE(form->tablesLoaded()) << stage.messageTexts().join(" / ").toStdString();
    }

    QStringList jobLines() const {
        QFile f(stage.path(QStringLiteral("B2F.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        QStringList lines = text.split(QStringLiteral("\r\n"));
        lines.removeLast();
        return lines;
    }

    void pressEnter(QWidget* field) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(field, &press);
    }
};

const QString kHistoryMessage = QStringLiteral("ヒストリー数は少なくても１億個以上が必要です。");
const QString kFieldMessage = QStringLiteral(" 照射野（透視時）は 30×30 以下に設定して下さい ");
const QString kCurrentMessage = QStringLiteral("　管電流を入力してください　");
const QString kDataMessage = QStringLiteral("　データを入力してください　");
// Every engine runs on all the threads the machine has: the note after a start
// says so with their number, and that runs started together share them.
const QString kConcurrencyMessage =
    QStringLiteral("計算は１つで、このコンピュータのすべての CPU スレッド（%1）を使います。\n"
                   "同時に複数の計算を始めるとスレッドを分け合うため、\n"
                   "それぞれの計算に長い時間がかかります。\n"
                   "（同時に行なう計算には、異なる結果保存ファイル名を付けて下さい）")
        .arg(std::thread::hardware_concurrency());

TEST_F(Form2Test, DefaultsAtStart) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Scattered dose distribution"));
    const std::pair<QLineEdit*, const char*> defaults[] = {
        {form->Text1, "80"},  {form->Text5, "12"},         {form->Text2, "2.5"},
        {form->Text3, "1.5"}, {form->Text4, "0"},          {form->Text15, "1"},
        {form->Text8, "1"},   {form->Text7, "90"},         {form->Text13, "20"},
        {form->Text14, "20"}, {form->Text9, "1000000000"}, {form->Text12, ""},
        {form->Text6, ""}};
    for (auto [field, text] : defaults)
        EXPECT_EQ(field->text(), QString::fromLatin1(text)) << field->objectName().toStdString();

    QDate today = QDate::currentDate();
    QString expected = QStringLiteral("%1-%2-%3")
                           .arg(today.month(), 2, 10, QChar('0'))
                           .arg(today.day(), 2, 10, QChar('0'))
                           .arg(today.year());
    EXPECT_EQ(form->Text10->text(), expected);

    EXPECT_FALSE(form->Text12->isEnabled());
    EXPECT_FALSE(form->Text6->isEnabled());
    EXPECT_TRUE(form->Text15->isEnabled());
    EXPECT_TRUE(form->Option1->isChecked());
    EXPECT_TRUE(form->Option3->isChecked());
    EXPECT_TRUE(form->Option7->isChecked());
    EXPECT_EQ(Module1::RectificationMode, 1);
    EXPECT_TRUE(stage.messages.shown.empty());
}

TEST_F(Form2Test, ControlsCarryTheirNames) {
    for (const char* name : {"Text1", "Text6", "Text10", "Text12", "Text15"})
        EXPECT_NE(form->findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name : {"Option1", "Option4", "Option9"})
        EXPECT_NE(form->findChild<QRadioButton*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form->findChild<QPushButton*>(QStringLiteral("Command1"))->text(),
              QStringLiteral("(４) この条件で計算する"));
    EXPECT_EQ(form->findChild<QPushButton*>(QStringLiteral("Command2"))->text(),
              QStringLiteral("    計算結果    検索・表示"));
}

TEST_F(Form2Test, RectificationButtonsSetTheMode) {
    form->Option9->click();
    EXPECT_EQ(Module1::RectificationMode, 3);
    form->Option8->click();
    EXPECT_EQ(Module1::RectificationMode, 2);
    form->Option7->click();
    EXPECT_EQ(Module1::RectificationMode, 1);
    EXPECT_EQ(form->Text8->text(), QStringLiteral("1")); // nothing else changes
}

TEST_F(Form2Test, HistoriesBelowOneHundredMillionRefused) {
    form->Text9->setText(QStringLiteral("99999999"));
    form->Command1->click();
    EXPECT_EQ(stage.messageTexts(), QStringList{kHistoryMessage});
    EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(form->Text9->text(), QStringLiteral("100000000"));
    EXPECT_TRUE(stage.launcher.started.isEmpty());
    EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
    EXPECT_FALSE(stage.exists(QStringLiteral("B_SPCTL.dat")));

    stage.messages.shown.clear();
    form->Command1->click(); // the field now holds 100000000, which passes
    EXPECT_EQ(stage.launcher.started.size(), 1);
    EXPECT_EQ(stage.messageTexts(), QStringList{kConcurrencyMessage});
    EXPECT_TRUE(stage.exists(QStringLiteral("B2F.txt")));

    stage.messages.shown.clear();
    form->Text9->setText(QStringLiteral("many"));
    form->Command1->click();
    EXPECT_EQ(stage.messageTexts(), QStringList{kHistoryMessage});
    EXPECT_EQ(stage.launcher.started.size(), 1);
}

TEST_F(Form2Test, FieldOfThirtyPassesAndMoreIsRefused) {
    form->Text13->setText(QStringLiteral("30"));
    form->Text14->setText(QStringLiteral("30"));
    form->Command1->click();
    EXPECT_EQ(stage.launcher.started.size(), 1);

    for (QLineEdit* field : {form->Text13, form->Text14}) {
        stage.messages.shown.clear();
        field->setText(QStringLiteral("30.1"));
        form->Command1->click();
        EXPECT_EQ(stage.messageTexts(), QStringList{kFieldMessage});
        EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_EQ(field->text(), QStringLiteral("30.1"));
        EXPECT_EQ(stage.launcher.started.size(), 1);
        field->setText(QStringLiteral("30"));
    }
}

TEST_F(Form2Test, ContinuousCurrentCopiedUnchanged) {
    form->Text15->setText(QStringLiteral("2"));
    form->Command5->click();
    EXPECT_EQ(form->Text8->text(), QStringLiteral("2"));
    EXPECT_EQ(stage.beeper.beeps, 0);

    form->Text15->setText(QString());
    form->Command5->click();
    EXPECT_EQ(stage.messageTexts(), QStringList{kCurrentMessage});
    EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(stage.beeper.beeps, 1);
    EXPECT_EQ(form->Text8->text(), QStringLiteral("2"));
}

TEST_F(Form2Test, PulsedCurrentIsTheMean) {
    form->Option2->click();
    EXPECT_TRUE(form->Text12->isEnabled());
    EXPECT_TRUE(form->Text6->isEnabled());
    EXPECT_EQ(form->Text8->text(), QString());

    form->Text15->setText(QStringLiteral("10"));
    form->Text12->setText(QStringLiteral("15"));
    form->Text6->setText(QStringLiteral("4"));
    form->Command5->click();
    EXPECT_EQ(form->Text8->text(), QStringLiteral("0.6"));
    EXPECT_TRUE(stage.messages.shown.empty());

    form->Text12->setText(QString());
    form->Command5->click();
    EXPECT_EQ(stage.messageTexts(), QStringList{kDataMessage});
    EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(stage.beeper.beeps, 1);
    EXPECT_EQ(form->Text8->text(), QStringLiteral("0.6"));
}

TEST_F(Form2Test, SwitchingModes) {
    form->Text8->setText(QStringLiteral("7"));
    form->Option1->click(); // already selected: nothing happens
    EXPECT_EQ(form->Text8->text(), QStringLiteral("7"));

    form->Option2->click();
    EXPECT_EQ(form->Text8->text(), QString());
    EXPECT_EQ(form->focusWidget(), form->Text12);

    form->Text15->setText(QStringLiteral("3.5"));
    form->Option1->click();
    EXPECT_EQ(form->Text8->text(), QStringLiteral("3.5"));
    EXPECT_FALSE(form->Text12->isEnabled());
    EXPECT_FALSE(form->Text6->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->Command5);
}

TEST_F(Form2Test, EnterMovesThroughThePulseFields) {
    form->Option2->click();
    pressEnter(form->Text12);
    EXPECT_EQ(form->focusWidget(), form->Text6);
    pressEnter(form->Text6);
    EXPECT_EQ(form->focusWidget(), form->Command5);

    // Other keys stay with the field.
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QCoreApplication::sendEvent(form->Text6, &digit);
    EXPECT_EQ(form->Text6->text(), QStringLiteral("5"));
}

TEST_F(Form2Test, PatientPositionChoosesTheEngine) {
    form->Text10->setText(QStringLiteral("walk1"));
    form->Option4->click();
    form->Command1->click();
    form->Text10->setText(QStringLiteral("歩行2"));
    form->Option3->click();
    form->Command1->click();
    EXPECT_EQ(stage.launcher.started,
              (QStringList{QStringLiteral("Quenro-22"), QStringLiteral("Quenro-11")}));
    // Each console is titled with its engine and its result file.
    EXPECT_EQ(stage.launcher.titles, (QStringList{QStringLiteral("Quenro-22 — walk1.data"),
                                                  QStringLiteral("Quenro-11 — 歩行2.data")}));
    EXPECT_EQ(stage.launcher.folders.value(0), QDir::currentPath());
    // The concurrency note follows every start, without an icon.
    ASSERT_EQ(stage.messages.shown.size(), 2u);
    for (const auto& shown : stage.messages.shown) {
        EXPECT_EQ(shown.text, kConcurrencyMessage);
        EXPECT_EQ(shown.icon, MessageIcon::None);
    }
    // Pending events ran after each spectrum step and after the job file.
    EXPECT_EQ(stage.events.pumps, 6);
}

TEST_F(Form2Test, RunButtonDisabledUntilTheEngineStarts) {
    bool enabledAtStart = true;
    stage.launcher.onStart = [&] { enabledAtStart = form->Command1->isEnabled(); };
    form->Command1->click();
    EXPECT_FALSE(enabledAtStart);
    EXPECT_TRUE(form->Command1->isEnabled());

    form->Text9->setText(QStringLiteral("1")); // a refused run gives the button back too
    form->Command1->click();
    EXPECT_TRUE(form->Command1->isEnabled());
}

TEST_F(Form2Test, VoltageAboveTheLimitShowsTheClampedValue) {
    form->Text1->setText(QStringLiteral("200"));
    form->Command1->click();
    EXPECT_EQ(form->Text1->text(), QStringLiteral("149.5"));
    ASSERT_EQ(stage.launcher.started.size(), 1);
    auto spectrum = textrec::readLines(stage.path(QStringLiteral("B_SPCTL.dat")).toStdString());
    ASSERT_TRUE(spectrum);
    ASSERT_EQ(spectrum->size(), 307u);
    EXPECT_EQ((*spectrum)[301], "149.5"); // the voltage line of the trailer
}

TEST_F(Form2Test, JobFileHoldsSixLinesInTheirMasks) {
    form->Text7->setText(QStringLiteral("60"));
    form->Text13->setText(QStringLiteral("25.5"));
    form->Text14->setText(QStringLiteral("5"));
    form->Text9->setText(QStringLiteral("123400000"));
    form->Text10->setText(QStringLiteral("run A"));
    form->Command1->click();

    QStringList lines = jobLines();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\d\\.\\d{3}E[+-]\\d\\d$")).match(lines[0]).hasMatch())
        << lines[0].toStdString();
    EXPECT_GT(Module1::kermaRateAt100cm, 0);
    EXPECT_EQ(lines[0].toStdString(), textrec::formatMask(Module1::kermaRateAt100cm, "0.000E+00"));
    EXPECT_EQ(lines[1], QStringLiteral("60.0"));
    EXPECT_EQ(lines[2], QStringLiteral("25.5"));
    EXPECT_EQ(lines[3], QStringLiteral("5.0"));
    EXPECT_EQ(lines[4], QStringLiteral("1.234E+08"));
    EXPECT_EQ(lines[5], QStringLiteral("run A.data"));

    EXPECT_EQ(Module1::focusSkinDistance, 60);
    EXPECT_EQ(Module1::fieldLength, 25.5);
    EXPECT_EQ(Module1::fieldWidth, 5);
    EXPECT_EQ(Module1::photonCount, 123400000);
    // Nothing of the temporary file is left behind.
    EXPECT_EQ(QDir(stage.folder.path()).entryList({QStringLiteral("B2F*")}, QDir::Files),
              QStringList{QStringLiteral("B2F.txt")});
}

// A Japanese input method in full-width mode types "８０": every numeric field
// reads it as 80 (it used to read 0, which the spectrum model raised to 30 kV).
TEST_F(Form2Test, FullWidthNumbersReadAsTheirAsciiForms) {
    form->Option2->click();
    const std::pair<QLineEdit*, const char*> typed[] = {
        {form->Text1, "８０"},      {form->Text2, "　２．５"}, {form->Text7, "６０"},
        {form->Text13, "２５．５"}, {form->Text14, "＋５"},    {form->Text9, "１２３４０００００"},
        {form->Text15, "１０"},     {form->Text12, "１５"},    {form->Text6, "４"}};
    for (auto [field, text] : typed)
        field->setText(QString::fromUtf8(text));
    form->Command5->click();
    EXPECT_EQ(form->Text8->text(), QStringLiteral("0.6"));
    form->Command1->click();
    ASSERT_EQ(stage.launcher.started.size(), 1) << stage.messageTexts().join(' ').toStdString();

    EXPECT_EQ(jobLines().mid(1, 4),
              (QStringList{QStringLiteral("60.0"), QStringLiteral("25.5"), QStringLiteral("5.0"),
                           QStringLiteral("1.234E+08")}));
    // Neither the voltage nor the inherent filtration was taken for 0 and corrected.
    EXPECT_EQ(form->Text1->text(), QStringLiteral("８０"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("　２．５"));
    auto spectrum = textrec::readLines(stage.path(QStringLiteral("B_SPCTL.dat")).toStdString());
    ASSERT_TRUE(spectrum);
    ASSERT_EQ(spectrum->size(), 307u);
    EXPECT_EQ((*spectrum)[301], "080.0"); // the voltage line of the trailer
}

TEST_F(Form2Test, ResultNamesTheEngineCannotKeepAreRefused) {
    const QString refused[] = {QString(26, QChar('a')),
                               QString(9, QChar(0x7DDA)),
                               QStringLiteral("../up"),
                               QStringLiteral("a\\b"),
                               QString(),
                               QStringLiteral("run:1"),
                               QStringLiteral("a\tb"),
                               QStringLiteral(".x"),
                               QStringLiteral("nul.txt")};
    for (const QString& name : refused) {
        stage.messages.shown.clear();
        form->Text10->setText(name);
        form->Command1->click();
        ASSERT_EQ(stage.messages.shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("結果保存ファイル名")));
        EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
        EXPECT_FALSE(stage.exists(QStringLiteral("B_SPCTL.dat")));
        EXPECT_EQ(form->Text10->text(), name);
    }
    EXPECT_TRUE(stage.launcher.started.isEmpty());

    // Eight full-width characters (24 bytes) fit, written as UTF-8 bytes.
    form->Text10->setText(QString(8, QChar(0x7DDA)));
    form->Command1->click();
    EXPECT_EQ(stage.launcher.started.size(), 1);
    EXPECT_EQ(jobLines().value(5), QString(8, QChar(0x7DDA)) + QStringLiteral(".data"));
}

// Runs that cannot give a result are refused before anything is written: no
// mean current (pulsed mode without "OK →"), no distance, no field.
TEST_F(Form2Test, RunsWithoutCurrentDistanceOrFieldAreRefused) {
    struct Case {
        const char* field;
        const char* typed; // nullptr: pulsed mode chosen and "OK →" not pressed
        const char* named;
    };
    const Case cases[] = {
        {"Text8", nullptr, "管電流"},
        {"Text8", "0", "管電流"},
        {"Text8", "abc", "管電流"},
        {"Text7", "0", "焦点-入射表面間距離（FSD）"},
        {"Text7", "-90", "焦点-入射表面間距離（FSD）"},
        {"Text7", "cm", "焦点-入射表面間距離（FSD）"},
        {"Text13", "0", "照射野サイズ（長軸）"},
        {"Text14", "-20", "照射野サイズ（短軸）"},
        {"Text14", "", "照射野サイズ（短軸）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + (c.typed ? c.typed : "(pulsed)"));
        Form2 window;
        stage.messages.shown.clear();
        if (c.typed)
            window.findChild<QLineEdit*>(QString::fromLatin1(c.field))
                ->setText(QString::fromUtf8(c.typed));
        else
            window.Option2->click();
        window.Command1->click();
        ASSERT_EQ(stage.messages.shown.size(), 1u);
        EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(stage.messages.shown[0].text.startsWith(QString::fromUtf8(c.named)))
            << stage.messages.shown[0].text.toStdString();
        EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
        EXPECT_FALSE(stage.exists(QStringLiteral("B_SPCTL.dat")));
        EXPECT_TRUE(stage.launcher.started.isEmpty());
    }
}

// A run whose result file exists asks first; No starts nothing.
TEST_F(Form2Test, ExistingResultFileIsReplacedOnlyWhenTheUserSaysYes) {
    stage.touch(QStringLiteral("walk1.data"));
    form->Text10->setText(QStringLiteral("walk1"));
    stage.messages.answers = {platform::MessageResult::No};
    form->Command1->click();
    ASSERT_EQ(stage.messages.shown.size(), 1u);
    EXPECT_EQ(stage.messages.shown[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("「walk1.data」")));
    EXPECT_TRUE(stage.launcher.started.isEmpty());
    EXPECT_FALSE(stage.exists(QStringLiteral("B2F.txt")));
    EXPECT_FALSE(stage.exists(QStringLiteral("B_SPCTL.dat")));

    stage.messages.answers = {platform::MessageResult::Yes};
    form->Command1->click();
    EXPECT_EQ(stage.launcher.started.size(), 1);
    EXPECT_EQ(jobLines().value(5), QStringLiteral("walk1.data"));
}

TEST_F(Form2Test, EngineThatCannotStartIsNamed) {
    stage.launcher.succeed = false;
    stage.launcher.missing = QStringLiteral("x-terminal-emulator / xterm");
    form->Command1->click();
    ASSERT_EQ(stage.messages.shown.size(), 1u);
    EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("Quenro-11")));
    EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("xterm")));
    // The run's files stay for a later start.
    EXPECT_TRUE(stage.exists(QStringLiteral("B2F.txt")));
    EXPECT_TRUE(stage.exists(QStringLiteral("B_SPCTL.dat")));
    EXPECT_TRUE(form->Command1->isEnabled());
}

// A working folder that takes no file, or a job file that cannot be written,
// stops the run with a message that names the folder and why, and nothing is
// started or left behind.
TEST_F(Form2Test, RunIntoAFolderThatTakesNoFileIsRefused) {
    const QString work = QDir::currentPath();
    const struct {
        const char* what;
        std::function<QString()> prepare; // the working folder of the run
        QString named;                    // what the message names beside the folder
        bool spectrumWritten;
    } cases[] = {
#ifdef __linux__
        // No one, not even root, creates files in /proc.
        {"folder that takes no file", [] { return QStringLiteral("/proc"); }, QString(), false},
#endif
        {"job file name taken by a folder",
         [&] {
             QDir(work).mkdir(QStringLiteral("B2F.txt"));
             return work;
         },
         QStringLiteral("「B2F.txt」という名前のフォルダ"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stage.messages.shown.clear();
        const QString folder = c.prepare();
        ASSERT_TRUE(QDir::setCurrent(folder));
        form->Command1->click();
        QDir::setCurrent(work);

        EXPECT_TRUE(stage.launcher.started.isEmpty());
        ASSERT_EQ(stage.messages.shown.size(), 1u);
        const QString& text = stage.messages.shown[0].text;
        EXPECT_EQ(stage.messages.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(text.contains(QStringLiteral("「%1」").arg(folder))) << text.toStdString();
        EXPECT_TRUE(text.contains(c.named)) << text.toStdString();
        // The system's words (in English) are not shown.
        EXPECT_FALSE(text.contains(QStringLiteral("cannot"))) << text.toStdString();
        EXPECT_EQ(stage.exists(QStringLiteral("B_SPCTL.dat")), c.spectrumWritten);
        EXPECT_EQ(QDir(work).entryList({QStringLiteral("*.tmp")}, QDir::Files), QStringList());
        EXPECT_TRUE(form->Command1->isEnabled());
    }
}

const QString kExchangeFiles[] = {QStringLiteral("B2F.txt"), QStringLiteral("B2F.dat"),
                                  QStringLiteral("F2B.dat"), QStringLiteral("FLname.txt"),
                                  QStringLiteral("B_SPCTL.dat")};

TEST_F(Form2Test, ExitLeavesB2FDat) {
    for (const QString& name : kExchangeFiles)
        stage.touch(name);
    stage.touch(QStringLiteral("12-06-2026.data"));
    form->Command4->click();
    EXPECT_EQ(stage.ending.ends, 1);
    EXPECT_TRUE(stage.exists(QStringLiteral("B2F.dat")));
    EXPECT_TRUE(stage.exists(QStringLiteral("12-06-2026.data")));
    for (const char* gone : {"B2F.txt", "F2B.dat", "FLname.txt", "B_SPCTL.dat"})
        EXPECT_FALSE(stage.exists(QString::fromLatin1(gone))) << gone;
}

TEST_F(Form2Test, ClosingRemovesAllFiveExchangeFiles) {
    for (const QString& name : kExchangeFiles)
        stage.touch(name);
    stage.touch(QStringLiteral("12-06-2026.data"));
    form->show();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(stage.ending.ends, 1);
    for (const QString& name : kExchangeFiles)
        EXPECT_FALSE(stage.exists(name)) << name.toStdString();
    EXPECT_TRUE(stage.exists(QStringLiteral("12-06-2026.data")));

    // Missing files are skipped silently.
    Form2 again;
    again.show();
    EXPECT_TRUE(again.close());
    EXPECT_EQ(stage.ending.ends, 2);
    EXPECT_TRUE(stage.messages.shown.empty());
}

TEST_F(Form2Test, ResultsButtonShowsTheViewerAndHidesThisWindow) {
    form->show();
    form->Command2->click();
    EXPECT_TRUE(Windows::form1().isVisible());
    EXPECT_FALSE(form->isVisible());
    Windows::form1().hide();
}

TEST(Form2Load, MissingDataFileIsNamedAndEndsTheProgram) {
    Stage stage; // an empty working folder
    Form2 form;
    EXPECT_FALSE(form.tablesLoaded());
    ASSERT_EQ(stage.messages.shown.size(), 1u);
    EXPECT_TRUE(stage.messages.shown[0].text.contains(QStringLiteral("Tungsten.dat")))
        << stage.messages.shown[0].text.toStdString();
    EXPECT_EQ(stage.ending.ends, 1);
}

} // namespace
