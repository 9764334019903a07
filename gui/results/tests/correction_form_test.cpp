#include <gtest/gtest.h>

#include "Windows.h"
#include "correction_files.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/Form3.h"
#include "results/Form4.h"
#include "textrec/planes.h"

#include "RecordingMessages.h"
#include "TempFolderTest.h"
#include "TestApplication.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

using namespace correction_files;

namespace {

using testsupport::RecordingMessages;

class NoPump final : public platform::EventPump {
public:
    void processEvents() override {}
};

using testsupport::application;

class Form3Test : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        platform::Services standIns;
        standIns.messages = &messages;
        standIns.events = &pump;
        platform::setServices(standIns);
        TempFolderTest::SetUp();
        previousFolder = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.string()));
        writeFile(dir / "12-06-2026.data", joinLines(engineLines()));
        writeFile(dir / "FLname.txt", "12-06-2026.data\r\n");
    }
    void TearDown() override {
        // Every message of the correction window is a warning.
        for (const testsupport::ShownMessage& m : messages.shown)
            EXPECT_EQ(m.icon, platform::MessageIcon::Exclamation) << m.text.toStdString();
        for (QWidget* window : {(QWidget*)&form, (QWidget*)&Windows::form4(), (QWidget*)&viewer})
            window->hide();
        QDir::setCurrent(previousFolder);
        TempFolderTest::TearDown();
        platform::resetServices();
    }

    RecordingMessages messages;
    NoPump pump;
    QString previousFolder;
    QApplication& app = application(); // before any window
    Form1& viewer = Windows::form1();
    Form3& form = Windows::form3();
};

} // namespace

TEST_F(Form3Test, OpeningResetsTheFieldsAndTheOptionsFollowTheirRules) {
    for (QLineEdit* field : {form.Text1, form.Text2, form.Text3})
        field->setText(QStringLiteral("old"));
    form.Option2->setChecked(true);
    form.openWith(QStringLiteral("1.234E-02"), 25.04, std::nullopt);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("   実測値による産卵線量率の補正"));
    EXPECT_TRUE(form.Option1->isChecked());
    EXPECT_EQ(form.Label8->text(), QStringLiteral("2.50E+01"));
    EXPECT_TRUE(form.Label10->text().isEmpty()) << "nothing loaded";
    for (QLineEdit* field : {form.Text1, form.Text2, form.Text3})
        EXPECT_TRUE(field->text().isEmpty());

    auto mapChoice = [this] {
        return std::make_tuple(form.Option3->isEnabled(), form.Option3->isChecked(),
                               form.Option4->isEnabled(), form.Option4->isChecked());
    };
    EXPECT_EQ(mapChoice(), std::make_tuple(false, false, false, false));
    form.Option2->click();
    EXPECT_EQ(mapChoice(), std::make_tuple(true, true, true, false));
    form.Option4->click();
    EXPECT_EQ(mapChoice(), std::make_tuple(true, false, true, true));
    form.Option1->click();
    EXPECT_EQ(mapChoice(), std::make_tuple(false, false, false, false));

    form.Command1->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Form3Test, CorrectionFromTheViewerWritesTheCopyAndUpdatesTheViewer) {
    viewer.refreshFileList();
    const auto chosen =
        viewer.File1->findItems(QStringLiteral("12-06-2026.data"), Qt::MatchExactly);
    ASSERT_EQ(chosen.size(), 1);
    viewer.File1->setCurrentItem(chosen.front());
    viewer.Text18->setText(QStringLiteral("1.234E-02"));
    viewer.gridsLoaded = true;
    viewer.kermaGrid.at(81, 301) = 25.04;
    viewer.kermaGrid.at(80, 301) = 99.0; // a neighbour, not the reference point
    viewer.doseEquivalentGrid.at(81, 301) = 4.0;
    viewer.Command4->setEnabled(true);

    viewer.Command4->click(); // opens the correction window
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.Label3->text(), QStringLiteral("1.234E-02"));
    EXPECT_EQ(form.Label10->text(), QStringLiteral("4.00E+00"));
    form.Option2->click();
    // Typed full-width, against 2.50E+01 as shown, not 25.04.
    form.Text2->setText(QStringLiteral("５０"));
    form.Text1->setText(QStringLiteral("999")); // not the chosen pair
    form.Command2->click();

    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join(' ').toStdString();
    std::vector<std::string> lines =
        textrec::readLines(dir / "12-06-2026.datC").value_or(std::vector<std::string>{});
    ASSERT_EQ(lines.size(), 136u);
    EXPECT_EQ(lines[1], "2.468E-02");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(viewer.Command4->isEnabled());
    EXPECT_EQ(viewer.File1->findItems(QStringLiteral("12-06-2026.datC"), Qt::MatchExactly).size(),
              1);
    // The list keeps the file that was chosen, so its OK merges that file.
    EXPECT_EQ(viewer.selectedFileName(), QStringLiteral("12-06-2026.data"));
    EXPECT_TRUE(viewer.Command11->isEnabled());

    Form4& notice = Windows::form4();
    EXPECT_TRUE(notice.isVisible());
    EXPECT_EQ(notice.windowTitle(), QStringLiteral("　ファイル保存"));
    EXPECT_EQ(notice.Label1->text() + notice.Label2->text() + notice.Label3->text(),
              QStringLiteral("補正したデータは12-06-2026.datCに保存しました。（拡張子：datC）"));
    notice.Command1->click();
    EXPECT_FALSE(notice.isVisible());

    // The dose-equivalent pair: 2 against 4.00E+00 halves.
    writeFile(dir / "FLname.txt", "12-06-2026.data\r\n");
    viewer.openCorrection();
    form.Option2->click();
    form.Option4->click();
    form.Text3->setText(QStringLiteral("2 μSv/min"));
    form.Command2->click();
    lines = textrec::readLines(dir / "12-06-2026.datC").value_or(std::vector<std::string>{});
    ASSERT_EQ(lines.size(), 136u);
    EXPECT_EQ(lines[1], "6.170E-03");
}

TEST_F(Form3Test, EmptyOrRefusedInputShowsAMessageAndWritesNothing) {
    auto before = snapshot(dir);
    form.openWith(QStringLiteral("0.000E+00"), 25.0, 30.0);
    form.Command2->click();
    form.Text1->setText(QStringLiteral("2"));
    form.Command2->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("実測値を入力して下さい"));
    EXPECT_TRUE(form.isVisible()) << "the user may correct the input";
    EXPECT_FALSE(Windows::form4().isVisible());
    EXPECT_EQ(snapshot(dir), before);
}

// The correction scales the file "FLname.txt" names by a ratio formed from the
// viewer's values: when another program has merged another result since, or
// the chosen result was run again, it writes nothing and says why.
TEST_F(Form3Test, AnotherFileMergedSinceTheViewerLoadedIsNotCorrected) {
    writeFile(dir / "other.data", joinLines(engineLines()));
    viewer.refreshFileList();
    const auto chosen =
        viewer.File1->findItems(QStringLiteral("12-06-2026.data"), Qt::MatchExactly);
    ASSERT_EQ(chosen.size(), 1);
    viewer.File1->setCurrentItem(chosen.front());
    viewer.Text18->setText(QStringLiteral("1.234E-02"));
    viewer.Command4->setEnabled(true);
    viewer.Command4->click();
    form.Text1->setText(QStringLiteral("2.468E-02"));

    writeFile(dir / "FLname.txt", "other.data\r\n"); // a batch run merged its result
    const auto before = snapshot(dir);
    form.Command2->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("other.data")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("12-06-2026.data")));
    EXPECT_EQ(snapshot(dir), before) << "neither file corrected";
    EXPECT_TRUE(form.isVisible());

    writeFile(dir / "FLname.txt", "12-06-2026.data\r\n");
    form.Command2->click();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(dir / "12-06-2026.datC"));
}

// A map at another height: the window tells the height of the point the
// measurement stands for, and the corrected copy keeps the source's plane
// record; a result without one says nothing of heights.
TEST_F(Form3Test, AMapAtAnotherHeightIsCorrectedInItsPlane) {
    namespace planes = textrec::planes;
    planes::PlaneRecord record;
    record.centreHeight = 90;
    record.height = 165;
    writeFile(dir / "h.data", joinLines(engineLines()));
    writeFile(dir / "h.data.plane", planes::planeRecordText(record));
    writeFile(dir / "FLname.txt", "h.data\r\n");
    viewer.refreshFileList();
    const auto chosen = viewer.File1->findItems(QStringLiteral("h.data"), Qt::MatchExactly);
    ASSERT_EQ(chosen.size(), 1);
    viewer.File1->setCurrentItem(chosen.front());
    viewer.gridsLoaded = true;
    viewer.loadedPlane = record;
    viewer.kermaGrid.at(81, 301) = 25.04;
    viewer.openCorrection();
    EXPECT_FALSE(form.PointHeight->isHidden());
    EXPECT_TRUE(form.PointHeight->text().contains(QStringLiteral("165")));
    EXPECT_FALSE(form.PointHeight->text().contains(QStringLiteral("90")));
    form.Option2->click();
    form.Text2->setText(QStringLiteral("50"));
    form.Command2->click();
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join(' ').toStdString();
    const auto copied = planes::readPlaneRecordBeside(dir / "h.datC");
    ASSERT_TRUE(copied);
    EXPECT_EQ(planes::planeRecordText(*copied), planes::planeRecordText(record));

    viewer.loadedPlane.reset();
    viewer.openCorrection();
    EXPECT_TRUE(form.PointHeight->isHidden());
}
