#include <gtest/gtest.h>

#include "Windows.h"
#include "correction_files.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/Form3.h"
#include "results/Form4.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace correction_files;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "correction_form_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

struct Message {
    QString text;
    platform::MessageIcon icon;
};

class RecordingMessages final : public platform::MessageBoxes {
public:
    platform::MessageResult show(QWidget*, const QString& text, const QString&,
                                 platform::MessageButtons, platform::MessageIcon icon) override {
        shown.push_back({text, icon});
        return platform::MessageResult::Ok;
    }
    bool input(QWidget*, const QString&, const QString&, const QString&, QString&) override {
        return false;
    }
    std::vector<Message> shown;
};

class CountingPump final : public platform::EventPump {
public:
    void processEvents() override { ++calls; }
    int calls = 0;
};

class Form3Test : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        platform::Services stand_ins;
        stand_ins.messages = &messages;
        stand_ins.events = &pump;
        platform::setServices(stand_ins);

        dir = fs::temp_directory_path() /
              ("correction-form-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        previousFolder = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.string()));
    }
    void TearDown() override {
        Windows::form3().hide();
        Windows::form4().hide();
        QDir::setCurrent(previousFolder);
        fs::remove_all(dir);
        platform::resetServices();
    }

    void prepare(const std::string& name) {
        writeFile(dir / name, joinLines(engineLines()));
        writeFile(dir / "FLname.txt", name + "\r\n");
    }

    RecordingMessages messages;
    CountingPump pump;
    fs::path dir;
    QString previousFolder;
};

} // namespace

TEST_F(Form3Test, OpeningShowsTheCurrentValuesAndResetsTheFields) {
    Form3& form = Windows::form3();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("   実測値による産卵線量率の補正"));
    form.Text1->setText(QStringLiteral("old"));
    form.Text2->setText(QStringLiteral("old"));
    form.Text3->setText(QStringLiteral("old"));
    form.Option2->setChecked(true);

    form.openWith(QStringLiteral("1.234E-02"), 25.04, 0.031449);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.Option1->isChecked());
    EXPECT_FALSE(form.Option2->isChecked());
    EXPECT_EQ(form.Label3->text(), QStringLiteral("1.234E-02"));
    EXPECT_EQ(form.Label8->text(), QStringLiteral("2.50E+01"));
    EXPECT_EQ(form.Label10->text(), QStringLiteral("3.14E-02"));
    EXPECT_TRUE(form.Text1->text().isEmpty());
    EXPECT_TRUE(form.Text2->text().isEmpty());
    EXPECT_TRUE(form.Text3->text().isEmpty());
    for (QRadioButton* option : {form.Option3, form.Option4}) {
        EXPECT_FALSE(option->isEnabled());
        EXPECT_FALSE(option->isChecked());
    }

    form.openWith(QStringLiteral("1.234E-02"), std::nullopt, std::nullopt);
    EXPECT_TRUE(form.Label8->text().isEmpty()) << "nothing loaded yet";
}

TEST_F(Form3Test, OptionRulesAndCancel) {
    Form3& form = Windows::form3();
    form.openWith(QStringLiteral("1.234E-02"), 25.0, 30.0);

    form.Option2->click();
    EXPECT_TRUE(form.Option3->isEnabled());
    EXPECT_TRUE(form.Option4->isEnabled());
    EXPECT_TRUE(form.Option3->isChecked());
    form.Option4->click();
    EXPECT_TRUE(form.Option4->isChecked());
    EXPECT_FALSE(form.Option3->isChecked());
    EXPECT_TRUE(form.Option2->isChecked()) << "the two frames choose independently";

    form.Option1->click();
    for (QRadioButton* option : {form.Option3, form.Option4}) {
        EXPECT_FALSE(option->isEnabled());
        EXPECT_FALSE(option->isChecked());
    }

    form.Command1->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form3Test, CorrectionWritesTheCopyAndTellsItsName) {
    prepare("12-06-2026.data");
    Form3& form = Windows::form3();
    QStringList corrected;
    QObject receiver; // ends the connection with the test
    QObject::connect(&form, &Form3::corrected, &receiver,
                     [&corrected](const QString& name) { corrected << name; });
    form.openWith(QStringLiteral("1.234E-02"), 25.04, 30.0);
    form.Option2->click();
    form.Text2->setText(QStringLiteral("50"));
    form.Text1->setText(QStringLiteral("999")); // not the chosen pair
    form.Command2->click();

    EXPECT_TRUE(messages.shown.empty())
        << (messages.shown.empty() ? "" : messages.shown[0].text.toStdString());
    std::optional<std::vector<std::string>> lines = textrec::readLines(dir / "12-06-2026.datC");
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 136u);
    EXPECT_EQ((*lines)[1], "2.468E-02") << "the ratio uses 2.50E+01 as shown, not 25.04";
    EXPECT_EQ(corrected, QStringList{QStringLiteral("12-06-2026.datC")});
    EXPECT_GE(pump.calls, 1);

    Form4& notice = Windows::form4();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.windowTitle(), QStringLiteral("　ファイル保存"));
    EXPECT_EQ(notice.Label1->text(), QStringLiteral("補正したデータは"));
    EXPECT_EQ(notice.Label2->text(), QStringLiteral("12-06-2026.datC"));
    EXPECT_EQ(notice.Label3->text(), QStringLiteral("に保存しました。（拡張子：datC）"));
    notice.Command1->click();
    EXPECT_FALSE(notice.isVisible());
}

TEST_F(Form3Test, DoseEquivalentChoiceUsesItsOwnPair) {
    prepare("run.data");
    Form3& form = Windows::form3();
    form.openWith(QStringLiteral("1.234E-02"), 25.0, 4.0);
    form.Option2->click();
    form.Option4->click();
    form.Text2->setText(QStringLiteral("1000"));
    form.Text3->setText(QStringLiteral("2 μSv/min"));
    form.Command2->click();
    std::optional<std::vector<std::string>> lines = textrec::readLines(dir / "run.datC");
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ((*lines)[1], "6.170E-03") << "ratio 2 / 4";
}

TEST_F(Form3Test, EmptyOrRefusedInputShowsAMessageAndWritesNothing) {
    prepare("run.data");
    std::map<std::string, std::string> before = snapshot(dir);
    Form3& form = Windows::form3();
    form.openWith(QStringLiteral("1.234E-02"), 25.0, 30.0);

    form.Command2->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("実測値を入力して下さい"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);

    form.Text1->setText(QStringLiteral("0"));
    form.Command2->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].icon, platform::MessageIcon::Exclamation);

    form.Label3->setText(QStringLiteral("0.000E+00"));
    form.Text1->setText(QStringLiteral("2"));
    form.Command2->click();
    EXPECT_EQ(messages.shown.size(), 3u);

    EXPECT_TRUE(form.isVisible()) << "the user may correct the input";
    EXPECT_FALSE(Windows::form4().isVisible());
    EXPECT_EQ(snapshot(dir), before);
}

TEST_F(Form3Test, OpensFromTheViewerStateAndUpdatesTheViewerAfterwards) {
    prepare("12-06-2026.data");
    Form1& viewer = Windows::form1();
    viewer.refreshFileList();
    ASSERT_EQ(viewer.File1->count(), 1);
    viewer.Text18->setText(QStringLiteral("1.234E-02"));
    viewer.gridsLoaded = true;
    viewer.kermaGrid.at(81, 301) = 25.04;
    viewer.kermaGrid.at(80, 301) = 99.0; // a neighbour is not the reference point
    viewer.doseEquivalentGrid.at(81, 301) = 31.449;
    viewer.Command4->setEnabled(true);

    Form3& form = Windows::form3();
    form.open();
    EXPECT_EQ(form.Label3->text(), QStringLiteral("1.234E-02"));
    EXPECT_EQ(form.Label8->text(), QStringLiteral("2.50E+01"));
    EXPECT_EQ(form.Label10->text(), QStringLiteral("3.14E+01"));
    EXPECT_TRUE(form.Option1->isChecked());

    form.Text1->setText(QStringLiteral("2.468E-02"));
    form.Command2->click();
    EXPECT_TRUE(fs::exists(dir / "12-06-2026.datC"));
    EXPECT_FALSE(viewer.Command4->isEnabled());
    QStringList listed;
    for (int row = 0; row < viewer.File1->count(); ++row)
        listed << viewer.File1->item(row)->text();
    EXPECT_TRUE(listed.contains(QStringLiteral("12-06-2026.datC")))
        << listed.join(' ').toStdString();
    viewer.hide();
}
