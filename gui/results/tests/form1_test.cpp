// The viewer window with stand-ins for message boxes and the merger's start:
// choosing a file, merging, loading, drawing, the quantity switch, the read-out
// and deleting.
#include "Windows.h"
#include "layout/Form6.h"
#include "platform/Platform.h"
#include "platform/ProgramNames.h"
#include "results/Form1.h"
#include "results/MapPainting.h"
#include "results/PictureBox.h"
#include "setup/Form2.h"
#include "viewer_files.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <memory>

namespace fs = std::filesystem;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "form1_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct ShownMessage {
    QString text;
    platform::MessageButtons buttons;
};

class RecordingMessages final : public platform::MessageBoxes {
public:
    platform::MessageResult show(QWidget*, const QString& text, const QString&,
                                 platform::MessageButtons buttons, platform::MessageIcon) override {
        shown.push_back({text, buttons});
        return answer;
    }
    bool input(QWidget*, const QString&, const QString&, const QString&, QString&) override {
        return false;
    }
    std::vector<ShownMessage> shown;
    platform::MessageResult answer = platform::MessageResult::Ok;
};

// Records the start of the merger; the test ends it when it wants to.
class RecordingLauncher final : public platform::ProgramLauncher {
public:
    bool startInConsole(const QString&, const QString&, QString&) override { return false; }
    bool startHidden(const QString& program, const QString& workDir,
                     std::function<void(bool)> onFinished, QString& error) override {
        started.push_back(program);
        folders.push_back(workDir);
        finishers.push_back(std::move(onFinished));
        if (!canStart)
            error = program;
        return canStart;
    }
    std::vector<QString> started;
    std::vector<QString> folders;
    std::vector<std::function<void(bool)>> finishers;
    bool canStart = true;
};

class NoEvents final : public platform::EventPump {
public:
    void processEvents() override {}
};

double kermaValue(int j, int i) {
    return 5000.0 / (j + 0.01 * i);
}
double doseValue(int j, int i) {
    return 8000.0 / (j + 0.01 * i);
}

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        folder_ = fs::temp_directory_path() /
                  (std::string("form1_") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(folder_.string()));
        platform::Services s;
        s.messages = &messages_;
        s.launcher = &launcher_;
        s.events = &events_;
        platform::setServices(s);
        viewer_files::writeResultHeader(folder_ / "lying.data", viewer_files::lyingHeader());
        form_ = std::make_unique<Form1>();
    }
    void TearDown() override {
        form_.reset();
        platform::resetServices();
        QDir::setCurrent(previousFolder_);
        fs::remove_all(folder_);
    }

    void select(const QString& name) {
        const auto items = form_->File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        form_->File1->setCurrentItem(items.front());
    }
    void writeMerged() {
        viewer_files::writeMergedFile(folder_ / "F2B.dat", kermaValue, doseValue);
    }
    // Select, merge, let the merger end, load.
    void mergeAndLoad(const QString& name) {
        select(name);
        form_->Command11->click();
        writeMerged();
        launcher_.finishers.back()(true);
        form_->Command2->click();
    }
    std::vector<QString> thresholdTexts() const {
        std::vector<QString> out;
        for (QLineEdit* field : form_->thresholdFields())
            out.push_back(field->text());
        return out;
    }
    QColor mapColourAt(int X, int Y) const {
        return QColor(form_->Picture1->image().pixel(results::mapPixel(X, Y)));
    }

    fs::path folder_;
    QString previousFolder_;
    RecordingMessages messages_;
    RecordingLauncher launcher_;
    NoEvents events_;
    std::unique_ptr<Form1> form_;
};

const QString kLoadFailed = QStringLiteral(" もう一度 データ読込 を押してください");

} // namespace

TEST_F(ViewerWindow, ControlsAtWindowLoad) {
    EXPECT_EQ(form_->windowTitle(), "Scattered dose distribution");
    EXPECT_FALSE(form_->Option1->isChecked());
    EXPECT_FALSE(form_->Option2->isChecked());
    EXPECT_EQ(form_->Label54->text(), "μGy/分");
    EXPECT_EQ(form_->File1->count(), 1);
    for (const char* name : {"File1", "Command1", "Command2", "Command3", "Command4", "Command5",
                             "Command6", "Command11", "Text1", "Text25", "Label44", "Label51",
                             "Option1", "Option2", "Picture1", "Picture7", "Line1", "Line2"})
        EXPECT_NE(form_->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(form_->Command2->text(), "データ読込");
    EXPECT_EQ(form_->Picture1->size(), QSize(529, 633));
    EXPECT_EQ(QColor(form_->Picture7->image().pixel(5, 5)), QColor(255, 0, 255));
}

TEST_F(ViewerWindow, ChoosingAFileShowsAndCopiesItsConditions) {
    auto lines = viewer_files::lyingHeader();
    lines[0] = "  2";
    lines[6] = "******";
    viewer_files::writeResultHeader(folder_ / "wide.datC", lines);
    std::ofstream(folder_ / "other.txt") << "not listed\n";
    form_->reset();
    ASSERT_EQ(form_->File1->count(), 2);
    EXPECT_FALSE(form_->Command11->isEnabled());

    select("lying.data");
    EXPECT_TRUE(form_->Command11->isEnabled());
    EXPECT_EQ(form_->Label44->text(), "臥位（垂直照射）");
    EXPECT_EQ(form_->Text18->text(), "2.345E-03");
    EXPECT_EQ(form_->Text2->text(), "90");
    EXPECT_EQ(form_->Text3->text(), "20");
    EXPECT_EQ(form_->Text4->text(), "15");
    EXPECT_EQ(form_->Text9->text(), "80");
    EXPECT_EQ(form_->Text1->text(), "1");
    EXPECT_EQ(form_->Text8->text(), "12");
    EXPECT_EQ(form_->Text12->text(), "2.5");
    EXPECT_EQ(form_->Text10->text(), "1.5");
    EXPECT_EQ(form_->Text11->text(), "0.1");
    EXPECT_EQ(form_->Text25->text(), "1.0E+09");
    EXPECT_EQ(form_->bodyPosition, 1);
    EXPECT_DOUBLE_EQ(form_->focusSkinDistance, 90);

    Form6& form6 = Windows::form6();
    EXPECT_EQ(form6.Label44->text(), "臥位（垂直照射）");
    EXPECT_EQ(form6.Text18->text(), "2.345E-03");
    EXPECT_EQ(form6.Text4->text(), "15");
    EXPECT_EQ(form6.Text11->text(), "0.1");

    select("wide.datC");
    EXPECT_EQ(form_->Label44->text(), "立位（水平照射）");
    EXPECT_EQ(form_->Text1->text(), "******");
    EXPECT_EQ(form6.Text1->text(), "******");
    EXPECT_EQ(form_->Text9->text(), "80");
    EXPECT_EQ(form_->bodyPosition, 2);
}

TEST_F(ViewerWindow, MergeWaitsForTheMergerBeforeLoading) {
    std::ofstream(folder_ / "F2B.dat") << "old";
    form_->reset();
    select("lying.data");
    form_->mapDrawn = 1;
    form_->Command11->click();

    EXPECT_FALSE(fs::exists(folder_ / "F2B.dat"));
    EXPECT_EQ(form_->mapDrawn, 0);
    auto request = textrec::readLines(folder_ / "FLname.txt");
    ASSERT_TRUE(request);
    ASSERT_EQ(request->size(), 1u);
    EXPECT_EQ(request->front(), "lying.data");
    std::ifstream raw(folder_ / "FLname.txt", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(raw)), {});
    EXPECT_EQ(bytes, "lying.data\r\n");
    ASSERT_EQ(launcher_.started.size(), 1u);
    EXPECT_EQ(launcher_.started[0],
              QString::fromStdString(platform::platformProgramName("quenro-3.exe")));
    EXPECT_EQ(launcher_.folders[0], QDir::currentPath());

    EXPECT_FALSE(form_->Command2->isEnabled());
    // A second merge before the first ends: only the second one's end counts.
    form_->Command11->click();
    ASSERT_EQ(launcher_.finishers.size(), 2u);
    launcher_.finishers[0](true);
    EXPECT_FALSE(form_->Command2->isEnabled());
    launcher_.finishers[1](false); // a failed merger still lets the user try the load
    EXPECT_TRUE(form_->Command2->isEnabled());
}

TEST_F(ViewerWindow, MergerThatCannotStartLeavesLoadToReport) {
    launcher_.canStart = false;
    form_->reset();
    select("lying.data");
    form_->Command11->click();
    EXPECT_TRUE(form_->Command2->isEnabled());
    form_->Command2->click();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kLoadFailed);
}

TEST_F(ViewerWindow, LoadBeforeTheMergerWroteItsFileThenAgain) {
    form_->reset();
    select("lying.data");
    form_->Command11->click();
    launcher_.finishers.back()(true);
    form_->Command2->click(); // no F2B.dat yet
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kLoadFailed);
    EXPECT_EQ(messages_.shown[0].buttons, platform::MessageButtons::Ok);
    EXPECT_FALSE(form_->gridsLoaded);
    EXPECT_FALSE(form_->Command1->isEnabled());
    EXPECT_EQ(form_->Label11->text(), "-");

    writeMerged();
    form_->Command2->click();
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(form_->gridsLoaded);
    EXPECT_TRUE(form_->Command1->isEnabled());
    // Maximum at j = 1, i = 1: 5000 / 1.01; minimum at j = 381, i = 601.
    EXPECT_EQ(form_->Label11->text(), "4.950E+03");
    EXPECT_EQ(form_->Label12->text(), "1.292E+01");
    EXPECT_EQ(form_->Label13->text(), "7.921E+03");
    EXPECT_EQ(form_->Label16->text(), "2.067E+01");
    EXPECT_NEAR(form_->kermaGrid.at(81, 301), 5000.0 / 84.01, 0.01);
    // 4950 -> 4000 (class 1); 7921 -> 7000.
    const std::vector<QString> kerma = {"3000", "2000", "1000", "400", "300", "200",
                                        "100",  "40",   "30",   "20",  "10"};
    EXPECT_EQ(thresholdTexts(), kerma);
    EXPECT_DOUBLE_EQ(form_->doseEquivalentThresholds[0], 5250);
    Form6& form6 = Windows::form6();
    EXPECT_EQ(form6.Text5->text(), "3000");
    EXPECT_EQ(form6.Text21->text(), "10");
}

TEST_F(ViewerWindow, FailedLoadKeepsTheGridsOfTheLastGoodOne) {
    form_->reset();
    mergeAndLoad("lying.data");
    ASSERT_TRUE(form_->gridsLoaded);
    const double before = form_->kermaGrid.at(1, 1);
    viewer_files::writeMergedFile(
        folder_ / "F2B.dat", [](int, int) { return 1.0; }, [](int, int) { return 1.0; },
        results::kGridRows + 10);
    form_->Command2->click();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, kLoadFailed);
    EXPECT_DOUBLE_EQ(form_->kermaGrid.at(1, 1), before);
    EXPECT_NEAR(form_->kermaGrid.at(5, 5), kermaValue(5, 5), 1e-3 * kermaValue(5, 5));
    EXPECT_EQ(form_->Label11->text(), "4.950E+03");
}

TEST_F(ViewerWindow, QuantitySwitchFillsThresholdsAndUnits) {
    form_->reset();
    mergeAndLoad("lying.data");
    Form6& form6 = Windows::form6();
    form_->Option2->click();
    EXPECT_EQ(form_->Text5->text(), "5250");
    EXPECT_EQ(form6.Text5->text(), "5250");
    EXPECT_EQ(form_->Label51->text(), "Sv/min");
    EXPECT_EQ(form6.Label51->text(), "Sv/min");
    EXPECT_EQ(form_->Label54->text(), "μSv/min");
    form_->Text5->setText("edited");
    form_->Option1->click();
    EXPECT_EQ(form_->Text5->text(), "3000");
    EXPECT_EQ(form6.Text21->text(), "10");
    EXPECT_EQ(form_->Label51->text(), "Gy/min");
    EXPECT_EQ(form_->Label54->text(), "μGy/min");
}

TEST_F(ViewerWindow, DrawingWithNeitherOptionDrawsTheDoseEquivalentGrid) {
    // A fresh window: neither option selected.
    select("lying.data");
    form_->Command11->click();
    writeMerged();
    launcher_.finishers.back()(true);
    form_->Command2->click();
    ASSERT_FALSE(form_->Option1->isChecked());
    ASSERT_FALSE(form_->Option2->isChecked());
    // The fields hold the air-kerma thresholds (4000 x 0.75 ...); cell (31, 41) holds
    // 159.2 uGy/min (band 7) but 254.7 uSv/min (band 6).
    form_->Command1->click();
    EXPECT_EQ(form_->mapDrawn, 1);
    const double dose = doseValue(31, 41);
    const int band = results::bandOf(dose, form_->kermaThresholds);
    const auto rgb = results::mapColour(band);
    EXPECT_EQ(mapColourAt(50, 40), QColor(rgb.r, rgb.g, rgb.b));
    const int kermaBand = results::bandOf(kermaValue(31, 41), form_->kermaThresholds);
    EXPECT_NE(band, kermaBand);

    // The read-out has no quantity to show.
    form_->showReadout(50, 40);
    EXPECT_EQ(form_->Text23->text(), " 50");
    EXPECT_EQ(form_->Text22->text(), "");
}

TEST_F(ViewerWindow, DrawUsesTheFieldsAndEnablesTheNextSteps) {
    form_->reset();
    mergeAndLoad("lying.data");
    EXPECT_FALSE(form_->Command4->isEnabled());
    EXPECT_FALSE(form_->Command6->isEnabled());
    for (QLineEdit* field : form_->thresholdFields())
        field->setText("abc"); // no leading number: 0
    form_->Command1->click();
    EXPECT_EQ(mapColourAt(395, 590), QColor(255, 0, 255)); // every value is band 1
    EXPECT_EQ(mapColourAt(20, 10), QColor(255, 0, 255));
    EXPECT_EQ(mapColourAt(0, 300), QColor(255, 0, 0)); // lying: the beam
    EXPECT_TRUE(form_->Command4->isEnabled());
    EXPECT_TRUE(form_->Command6->isEnabled());

    // A corrected file leaves Command4 as it was.
    viewer_files::writeResultHeader(folder_ / "lyingC.datC", viewer_files::lyingHeader());
    form_->reset();
    mergeAndLoad("lyingC.datC");
    form_->Command1->click();
    EXPECT_FALSE(form_->Command4->isEnabled());
    EXPECT_TRUE(form_->Command6->isEnabled());
}

TEST_F(ViewerWindow, ReadoutAtTheEdgesAndOutside) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->showReadout(20, 10); // before drawing: off
    EXPECT_EQ(form_->Text23->text(), "");
    EXPECT_TRUE(form_->Line1->isHidden());

    form_->Command1->click();
    form_->showReadout(20, 10);
    EXPECT_EQ(form_->Text23->text(), " 20");
    EXPECT_EQ(form_->Text24->text(), "-290");
    EXPECT_EQ(form_->Text22->text(),
              QString::fromStdString(textrec::plainNumber(form_->kermaGrid.at(1, 11))));
    EXPECT_FALSE(form_->Line1->isHidden());
    EXPECT_FALSE(form_->Line2->isHidden());
    EXPECT_EQ(form_->Line1->y(), 10 + 14);
    EXPECT_EQ(form_->Line2->x(), 20 + 100);
    EXPECT_EQ(form_->Line1->width(), form_->Picture1->width());
    EXPECT_EQ(form_->Line2->height(), form_->Picture1->height());

    form_->Option2->click();
    form_->showReadout(395, 590);
    EXPECT_EQ(form_->Text23->text(), " 395");
    EXPECT_EQ(form_->Text24->text(), " 290");
    EXPECT_EQ(form_->Text22->text(),
              QString::fromStdString(textrec::plainNumber(form_->doseEquivalentGrid.at(376, 591))));

    form_->showReadout(19.9, 300);
    EXPECT_EQ(form_->Text22->text(), "");
    EXPECT_EQ(form_->Text23->text(), "");
    EXPECT_EQ(form_->Text24->text(), "");
    EXPECT_TRUE(form_->Line1->isHidden());
    EXPECT_TRUE(form_->Line2->isHidden());

    // A merge clears the map and turns the read-out off.
    form_->Command11->click();
    form_->showReadout(100, 300);
    EXPECT_EQ(form_->Text23->text(), "");
    EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));
}

TEST_F(ViewerWindow, DeleteAsksFirst) {
    viewer_files::writeResultHeader(folder_ / "second.data", viewer_files::lyingHeader());
    form_->reset();
    form_->Command5->click(); // nothing selected: no question
    EXPECT_TRUE(messages_.shown.empty());

    select("lying.data");
    messages_.answer = platform::MessageResult::Cancel;
    form_->Command5->click();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, QStringLiteral(" このファイルを削除していいですか？ "));
    EXPECT_EQ(messages_.shown[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_TRUE(fs::exists(folder_ / "lying.data"));
    EXPECT_EQ(form_->File1->count(), 2);
    EXPECT_EQ(form_->selectedFileName(), "lying.data");
    EXPECT_TRUE(form_->Command11->isEnabled());

    messages_.answer = platform::MessageResult::Ok;
    form_->Command5->click();
    EXPECT_FALSE(fs::exists(folder_ / "lying.data"));
    EXPECT_EQ(form_->File1->count(), 1);
    EXPECT_FALSE(form_->Command11->isEnabled());
}

TEST_F(ViewerWindow, ResetAndLeave) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Command1->click();
    form_->Option2->click();
    form_->reset();
    for (std::size_t n = 1; n <= 25; ++n)
        EXPECT_EQ(form_->texts[n]->text(), "") << "Text" << n;
    EXPECT_EQ(form_->Label11->text(), "-");
    EXPECT_EQ(form_->Label16->text(), "-");
    EXPECT_EQ(form_->Label44->text(), "");
    EXPECT_TRUE(form_->Option1->isChecked());
    EXPECT_EQ(form_->Label51->text(), "Gy/min");
    EXPECT_EQ(form_->mapDrawn, 0);
    for (QPushButton* b :
         {form_->Command1, form_->Command2, form_->Command4, form_->Command6, form_->Command11})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(form_->Command3->isEnabled());
    EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));

    form_->show();
    form_->Command3->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(Windows::form2().isVisible());
    Windows::form2().hide();
    form_->show();
    form_->close();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(Windows::form2().isVisible());
    Windows::form2().hide();
}
