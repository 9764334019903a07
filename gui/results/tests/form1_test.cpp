// The viewer window with stand-ins for the message boxes and the merger's start.
#include "DoseSettings.h"
#include "Windows.h"
#include "layout/Form5.h"
#include "layout/Form6.h"
#include "layout/Overlay.h"
#include "logic/Captions.h"
#include "logic/MapPainting.h"
#include "logic/NumberText.h"
#include "logic/ProgramNames.h"
#include "overlay_rooms.h"
#include "page_dialogs.h"
#include "page_pixels.h"
#include "platform/Platform.h"
#include "results/ConditionsPanel.h"
#include "results/Form1.h"
#include "results/Form3.h"
#include "results/LevelList.h"
#include "results/PictureBox.h"
#include "setup/Form2.h"
#include "textrec/planes.h"
#include "viewer_files.h"

#include "RecordingMessages.h"
#include "TempFolderTest.h"
#include "TestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>

namespace fs = std::filesystem;

namespace {

using testsupport::RecordingMessages;

// Records the merger's start; the test ends it when it wants to.
class RecordingLauncher final : public platform::ProgramLauncher {
public:
    bool startInConsole(const QString&, const QString&, const QString&, QString&) override {
        return false;
    }
    bool startHidden(const QString& program, const QString&, HiddenFinish onFinished,
                     QString&) override {
        started.push_back(program);
        finishers.push_back(std::move(onFinished));
        return canStart;
    }
    std::vector<QString> started;
    std::vector<HiddenFinish> finishers;
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

const QString kLoadFailed = QStringLiteral(" もう一度 データ読込 を押してください");

class ViewerWindow : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        testsupport::application();
        TempFolderTest::SetUp();
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.string()));
        platform::Services s;
        s.messages = &messages_;
        s.launcher = &launcher_;
        s.events = &events_;
        platform::setServices(s);
        viewer_files::writeResultHeader(dir / "lying.data", viewer_files::lyingHeader());
        // Per minute and no lines ticked, as a fresh program starts.
        Windows::doseSettings().reset();
        form_ = std::make_unique<Form1>();
    }
    void TearDown() override {
        form_.reset();
        Windows::doseSettings().reset();
        platform::resetServices();
        QDir::setCurrent(previousFolder_);
        TempFolderTest::TearDown();
    }

    void select(const QString& name) {
        const auto items = form_->File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        form_->File1->setCurrentItem(items.front());
    }
    // Select, merge, let the merger write its file and end, load.
    void mergeAndLoad(const QString& name) {
        select(name);
        form_->Command11->click();
        viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
        launcher_.finishers.back()(true, QString());
        form_->Command2->click();
    }
    QColor mapColourAt(int X, int Y) const {
        return QColor(form_->Picture1->image().pixel(results::mapPixel(X, Y)));
    }

    QString previousFolder_;
    RecordingMessages messages_;
    RecordingLauncher launcher_;
    NoEvents events_;
    std::unique_ptr<Form1> form_;
};

} // namespace

TEST_F(ViewerWindow, ChoosingAFileShowsAndCopiesItsConditions) {
    auto lines = viewer_files::lyingHeader();
    lines[0] = "  2";
    lines[6] = "******";
    viewer_files::writeResultHeader(dir / "wide.datC", lines);
    std::ofstream(dir / "other.txt") << "not listed\n";
    form_->reset();
    ASSERT_EQ(form_->File1->count(), 2);

    select("lying.data");
    EXPECT_TRUE(form_->Command11->isEnabled());
    EXPECT_EQ(form_->Label44->text(), "臥位（垂直照射）");
    const std::vector<std::pair<QLineEdit*, const char*>> shown = {
        {form_->Text18, "2.345E-03"}, {form_->Text2, "90"},      {form_->Text3, "20"},
        {form_->Text4, "15"},         {form_->Text9, "80"},      {form_->Text1, "1"},
        {form_->Text8, "12"},         {form_->Text12, "2.5"},    {form_->Text10, "1.5"},
        {form_->Text11, "0.1"},       {form_->Text25, "1.0E+09"}};
    for (const auto& [field, text] : shown)
        EXPECT_EQ(field->text(), QString::fromUtf8(text)) << field->objectName().toStdString();
    Form6& form6 = Windows::form6();
    EXPECT_EQ(form6.Label44->text(), "臥位（垂直照射）");
    EXPECT_EQ(form6.Text18->text(), "2.345E-03");
    EXPECT_EQ(form6.Text11->text(), "0.1");

    select("wide.datC");
    EXPECT_EQ(form_->Label44->text(), "立位（水平照射）");
    EXPECT_EQ(form_->Text1->text(), "******");
    EXPECT_EQ(form6.Text1->text(), "******");
    EXPECT_EQ(form_->bodyPosition, 2);

    // A listed file that can no longer be read shows no conditions, not those
    // of the last one, and cannot be merged.
    std::ofstream(dir / "gone.data") << "  1\r\n";
    form_->refreshFileList();
    fs::remove(dir / "gone.data");
    select("gone.data");
    EXPECT_FALSE(form_->Command11->isEnabled());
    EXPECT_EQ(form_->Label44->text() + form_->Text1->text() + form6.Text1->text(), "");
}

TEST_F(ViewerWindow, MergeWaitsForTheMergerBeforeLoading) {
    std::ofstream(dir / "F2B.dat") << "old";
    form_->reset();
    select("lying.data");
    form_->mapDrawn = 1;
    form_->Command11->click();
    EXPECT_FALSE(fs::exists(dir / "F2B.dat"));
    EXPECT_EQ(form_->mapDrawn, 0);
    std::ifstream request(dir / "FLname.txt", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(request)), {}), "lying.data\r\n");
    ASSERT_EQ(launcher_.started.size(), 1u);
    EXPECT_EQ(launcher_.started[0].toStdString(), platform::platformProgramName("quenro-3.exe"));
    EXPECT_FALSE(form_->Command2->isEnabled());

    // A second merge before the first ends: only the second one's end counts.
    form_->Command11->click();
    launcher_.finishers[0](true, QString());
    EXPECT_FALSE(form_->Command2->isEnabled());
    EXPECT_TRUE(messages_.shown.empty());

    // A merger that fails says which file and line stopped it; there is
    // nothing to load.
    launcher_.finishers[1](false, QStringLiteral("lying.data, line 20: unexpected end of file"));
    EXPECT_FALSE(form_->Command2->isEnabled());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("「lying.data」")));
    EXPECT_TRUE(
        messages_.shown[0].text.contains(QStringLiteral("line 20: unexpected end of file")));

    // A merger that cannot start is named, and there is nothing to load either.
    launcher_.canStart = false;
    form_->Command11->click();
    EXPECT_FALSE(form_->Command2->isEnabled());
    ASSERT_EQ(messages_.shown.size(), 2u);
    EXPECT_TRUE(messages_.shown[1].text.contains(
        QString::fromStdString(platform::platformProgramName("quenro-3.exe"))));
}

TEST_F(ViewerWindow, LoadAfterAMergerThatLeftNoFileThenAgain) {
    form_->reset();
    select("lying.data");
    form_->Command11->click();
    launcher_.finishers.back()(true, QString()); // ended without a merged file
    form_->Command2->click();
    EXPECT_EQ(messages_.texts(), QStringList{kLoadFailed});
    EXPECT_FALSE(form_->gridsLoaded);
    EXPECT_FALSE(form_->Command1->isEnabled());
    EXPECT_EQ(form_->Label11->text(), "-");

    // Merged again, the merger writes its file: the load succeeds.
    form_->Command11->click();
    viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
    launcher_.finishers.back()(true, QString());
    form_->Command2->click();
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(form_->Command1->isEnabled());
    // Maximum at cell (1, 1), minimum at cell (381, 601), as E11.4 wrote them.
    EXPECT_EQ(form_->Label11->text(), "4.950E+03");
    EXPECT_EQ(form_->Label12->text(), "1.292E+01");
    EXPECT_EQ(form_->Label13->text(), "7.921E+03");
    EXPECT_EQ(form_->Label16->text(), "2.067E+01");
    // 4950 has the top 4000; the fields of both windows get the air-kerma thresholds.
    EXPECT_EQ(form_->Text5->text(), "3000");
    EXPECT_EQ(form_->Text17->text(), "40");
    EXPECT_EQ(form_->Text21->text(), "10");
    EXPECT_EQ(Windows::form6().Text5->text(), "3000");
    EXPECT_DOUBLE_EQ(form_->doseEquivalentThresholds[0], 5250);

    // A merger that left a file cut short: the load replaces nothing in the
    // grids, and nothing of the last good load stays on screen as if it were
    // this file's.
    const double before = form_->kermaGrid.at(1, 1);
    form_->Command11->click();
    viewer_files::writeMergedFile(
        dir / "F2B.dat", [](int, int) { return 1.0; }, [](int, int) { return 1.0; },
        results::kGridRows + 10);
    launcher_.finishers.back()(true, QString());
    form_->Command2->click();
    EXPECT_EQ(messages_.shown.size(), 2u);
    EXPECT_DOUBLE_EQ(form_->kermaGrid.at(1, 1), before);
    EXPECT_NEAR(form_->kermaGrid.at(5, 5), kermaValue(5, 5), 0.01);
    EXPECT_EQ(form_->Label11->text(), "-");
    EXPECT_FALSE(form_->gridsLoaded);
    EXPECT_FALSE(form_->Command1->isEnabled());
    EXPECT_TRUE(form_->Command2->isEnabled()); // "press the load button once more"
}

// Another program shares the folder: a batch run merges its own result into
// F2B.dat, an engine run writes the chosen result again. Before loading,
// drawing or saving, the viewer finds that F2B.dat is not the merge of the
// chosen file as merged, says why in its status, merges the chosen file again
// and goes on when the merger has ended; nothing of the other grid is shown.
TEST_F(ViewerWindow, AForeignMergedFileOrARewrittenResultIsMergedAgain) {
    page_dialogs::AnsweringFileDialogs fileDialogs;
    platform::Services s;
    s.messages = &messages_;
    s.launcher = &launcher_;
    s.events = &events_;
    s.fileDialogs = &fileDialogs;
    platform::setServices(s);
    const auto foreignGrid = [this] {
        viewer_files::writeMergedFile(
            dir / "F2B.dat", [](int, int) { return 7.0; }, [](int, int) { return 9.0; });
    };
    const auto rerunResult = [this] {
        auto lines = viewer_files::lyingHeader();
        lines[11] = " 0.2E+10";
        viewer_files::writeResultHeader(dir / "lying.data", lines);
    };
    struct Case {
        const char* what;
        std::function<void()> change; // after the merge (and the load, when `loaded`)
        bool loaded;
        std::function<void()> act;
        const char* named; // in the status
    };
    const std::vector<Case> cases = {
        {"foreign F2B.dat before loading", foreignGrid, false, [&] { form_->Command2->click(); },
         "F2B.dat"},
        {"result rewritten before loading", rerunResult, false, [&] { form_->Command2->click(); },
         "lying.data"},
        {"foreign F2B.dat before drawing", foreignGrid, true, [&] { form_->Command1->click(); },
         "F2B.dat"},
        {"foreign F2B.dat before saving", foreignGrid, true, [&] { form_->SavePicture->trigger(); },
         "F2B.dat"},
    };
    const QString typedT7 = QStringLiteral("150");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        viewer_files::writeResultHeader(dir / "lying.data", viewer_files::lyingHeader());
        form_->reset();
        select("lying.data");
        form_->Command11->click();
        viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
        launcher_.finishers.back()(true, QString());
        if (c.loaded) {
            form_->Command2->click();
            form_->Text16->setText(typedT7); // T7, kept over a merge with the same defaults
            form_->Command1->click();
        }
        const std::size_t merges = launcher_.started.size();
        fileDialogs.offered.clear();
        fileDialogs.answers = {QString::fromStdString((dir / "saved.png").string())};
        fs::remove(dir / "saved.png");

        c.change();
        c.act();
        ASSERT_EQ(launcher_.started.size(), merges + 1); // merged again
        EXPECT_TRUE(form_->Status->text().contains(QString::fromUtf8(c.named)))
            << form_->Status->text().toStdString();
        // Nothing of the other grid, nor of the earlier load, is held or shown.
        EXPECT_FALSE(form_->gridsLoaded);
        EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));
        EXPECT_TRUE(fileDialogs.offered.empty());

        viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
        launcher_.finishers.back()(true, QString());
        ASSERT_TRUE(form_->gridsLoaded);
        EXPECT_NEAR(form_->kermaGrid.at(50, 300), kermaValue(50, 300), 0.01);
        EXPECT_EQ(form_->mapDrawn, c.loaded ? 1 : 0);
        if (c.loaded) {
            EXPECT_EQ(form_->Text16->text(), typedT7);
            const auto band = results::mapColour(
                results::bandOf(form_->kermaGrid.at(31, 41), form_->currentMap().thresholds));
            EXPECT_EQ(mapColourAt(50, 40), QColor(band.r, band.g, band.b));
        }
        EXPECT_EQ(fs::exists(dir / "saved.png"), std::string(c.what).ends_with("saving"));
        // Drawing again finds everything as merged: no merge more.
        if (c.loaded)
            form_->Command1->click();
        EXPECT_EQ(launcher_.started.size(), merges + 1);
    }
}

// From the moment another file is chosen, and after any failed load, nothing of
// the previous result is on screen and nothing can draw, correct or overlay it,
// until a load of the chosen file succeeds.
TEST_F(ViewerWindow, AnotherFileOrAFailedLoadLeavesNoEarlierResultOnScreen) {
    viewer_files::writeResultHeader(dir / "second.data", viewer_files::lyingHeader());
    auto writeCutShortMergedFile = [this] {
        viewer_files::writeMergedFile(
            dir / "F2B.dat", [](int, int) { return 1.0; }, [](int, int) { return 1.0; }, 100);
    };
    struct Case {
        const char* what;
        std::function<void()> act;
        bool canLoad; // the load button is on afterwards
    };
    const Case cases[] = {
        {"another file chosen", [&] { select("second.data"); }, false},
        {"another file merged",
         [&] {
             select("second.data");
             form_->Command11->click();
             launcher_.finishers.back()(true, QString());
         },
         true},
        {"another file's load failed",
         [&] {
             select("second.data");
             form_->Command11->click();
             writeCutShortMergedFile();
             launcher_.finishers.back()(true, QString());
             form_->Command2->click();
         },
         true},
        {"the same file merged again into a broken F2B.dat",
         [&] {
             form_->Command11->click();
             writeCutShortMergedFile();
             launcher_.finishers.back()(true, QString());
             form_->Command2->click();
         },
         true},
    };
    Form6& form6 = Windows::form6();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form_->reset();
        mergeAndLoad("lying.data");
        form_->Option2->click();
        form_->Command1->click();
        form_->Command4->click(); // the correction window, with this result's values
        ASSERT_TRUE(Windows::form3().isVisible());

        c.act();
        for (QPushButton* b : {form_->Command1, form_->Command4, form_->Command6})
            EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(form_->Command2->isEnabled(), c.canLoad);
        EXPECT_FALSE(Windows::form3().isVisible());
        EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));
        form_->showReadout(100, 300);
        EXPECT_EQ(form_->Text22->text() + form_->Text23->text(), "");
        EXPECT_TRUE(form_->Line1->isHidden());
        EXPECT_EQ(form_->Label11->text() + form_->Label13->text(), "--");
        EXPECT_EQ(form_->Text5->text() + form6.Text5->text(), "");
        EXPECT_EQ(form6.Label51->text(), "Sv/min"); // the switch itself is kept

        // A load of the chosen file brings everything back, in the unit chosen.
        form_->Command11->click();
        viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
        launcher_.finishers.back()(true, QString());
        form_->Command2->click();
        EXPECT_TRUE(form_->gridsLoaded);
        EXPECT_TRUE(form_->Command1->isEnabled());
        EXPECT_EQ(form_->Text5->text(), "5250");
        EXPECT_EQ(form6.Text5->text(), "5250");
    }
}

// A row that is only current (the list was tabbed into, or its empty part
// clicked) is not a choice: nothing is shown, merged or deleted.
TEST_F(ViewerWindow, ARowThatIsOnlyCurrentIsNotChosen) {
    form_->reset();
    QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form_->File1, &tabbedIn);
    ASSERT_NE(form_->File1->currentItem(), nullptr); // what a user meets
    EXPECT_EQ(form_->selectedFileName(), "");
    EXPECT_EQ(form_->Text2->text(), "");
    EXPECT_FALSE(form_->Command11->isEnabled());
    form_->startMerge();
    form_->Command5->click();
    EXPECT_FALSE(fs::exists(dir / "FLname.txt"));
    EXPECT_TRUE(launcher_.started.empty());
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(fs::exists(dir / "lying.data"));
}

TEST_F(ViewerWindow, QuantitySwitchAndDrawingWithNeitherOption) {
    mergeAndLoad("lying.data"); // a fresh window: neither option selected
    // Cell (31, 41) holds 159.2 uGy/min (band 7) but 254.7 uSv/min (band 6).
    form_->Command1->click();
    const auto band6 = results::mapColour(6);
    EXPECT_EQ(mapColourAt(50, 40), QColor(band6.r, band6.g, band6.b));
    form_->showReadout(50, 40);
    EXPECT_EQ(form_->Text23->text(), " 50");
    EXPECT_EQ(form_->Text22->text(), ""); // no quantity chosen

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
    EXPECT_EQ(form6.Label51->text(), "Gy/min");
    EXPECT_EQ(form_->Label54->text(), "μGy/min");
    form_->Command1->click();
    const auto band7 = results::mapColour(7);
    EXPECT_EQ(mapColourAt(50, 40), QColor(band7.r, band7.g, band7.b));
    // Thresholds retyped with a Japanese input method band alike.
    form_->Text16->setText(QStringLiteral("１５０"));     // T7: 159.2 reaches it, band 7
    form_->Text15->setText(QStringLiteral("１５９．３")); // T6: 159.2 does not
    form_->Command1->click();
    EXPECT_EQ(mapColourAt(50, 40), QColor(band7.r, band7.g, band7.b));
    form_->Text15->setText(QStringLiteral("１５９．１"));
    form_->Command1->click();
    EXPECT_EQ(mapColourAt(50, 40), QColor(band6.r, band6.g, band6.b));
}

// Switching the quantity paints the drawn map again at once, and the room
// overlay when it shows this result: colours, thresholds, unit and read-out
// tell one quantity.
TEST_F(ViewerWindow, SwitchingTheQuantityRepaintsTheMapAndTheOverlay) {
    form_->reset(); // air kerma chosen
    mergeAndLoad("lying.data");
    form_->Command1->click();
    // Cell (116, 311), x = 135 cm and c = 10 cm: 41.98 uGy/min is band 8 of the
    // air-kerma thresholds, 67.16 uSv/min band 9 of the dose-equivalent ones.
    const int X = 135, Y = 310;
    const auto colourOf = [](int band) {
        const results::Rgb c = results::mapColour(band);
        return QColor(c.r, c.g, c.b);
    };
    const int kermaBand = results::bandOf(form_->kermaGrid.at(116, 311), form_->kermaThresholds);
    const int doseBand =
        results::bandOf(form_->doseEquivalentGrid.at(116, 311), form_->doseEquivalentThresholds);
    ASSERT_NE(kermaBand, doseBand);
    EXPECT_EQ(mapColourAt(X, Y), colourOf(kermaBand));

    Module1::roomLayout = defaultRoom();
    Form6& overlay = Windows::form6();
    overlay.drawOverlay(form_->currentMap(), form_->stillShowing());
    const QImage kermaOverlay = overlay.Picture1->image();

    form_->Option2->click(); // no press of the draw button
    EXPECT_EQ(mapColourAt(X, Y), colourOf(doseBand));
    form_->showReadout(X, Y);
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->doseEquivalentGrid.at(116, 311)));
    EXPECT_EQ(form_->currentMap().quantity, results::Quantity::DoseEquivalent);
    const QImage doseOverlay = overlay.Picture1->image();
    EXPECT_NE(doseOverlay, kermaOverlay);
    overlay.drawOverlay(form_->currentMap(), form_->stillShowing());
    EXPECT_EQ(overlay.Picture1->image(), doseOverlay);
    EXPECT_EQ(overlay.Text5->text(), form_->Text5->text());
    Module1::roomLayout.reset();
}

// Thresholds that cannot band a map are refused when drawing, with a message
// that names the field; nothing is drawn.
TEST_F(ViewerWindow, ThresholdsThatCannotBandAMapAreRefused) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Command1->click();
    const QImage drawn = form_->Picture1->image();
    struct Case {
        int field; // 1..11, from the top
        const char* text;
        const char* said; // in the message
    };
    // The air-kerma defaults: 3000, 2000, 1000, 400, 300, 200, 100, 40, 30, 20, 10.
    const Case cases[] = {
        {3, "0,3", "正の数ではありません"},    // read as 0 before
        {8, "－４０", "正の数ではありません"}, // full-width, as every field reads it
        {9, "４１", "「40」より大きく"},       // above T8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages_.shown.clear();
        QLineEdit* field = form_->thresholdFields()[static_cast<std::size_t>(c.field - 1)];
        const QString defaultText = field->text();
        field->setText(QString::fromUtf8(c.text));
        form_->Command1->click();
        ASSERT_EQ(messages_.shown.size(), 1u);
        const QString text = messages_.shown[0].text;
        EXPECT_TRUE(text.contains(QStringLiteral("上から %1 番目").arg(c.field)))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.said))) << text.toStdString();
        EXPECT_EQ(messages_.shown[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(form_->Picture1->image(), drawn);
        field->setText(defaultText);
    }
}

TEST_F(ViewerWindow, DrawingEnablesTheNextStepsAndTheReadout) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->showReadout(20, 10); // before drawing: off
    EXPECT_EQ(form_->Text23->text(), "");
    for (QLineEdit* field : form_->thresholdFields())
        field->setText("1"); // equal neighbours: every value is band 1
    form_->Command1->click();
    EXPECT_EQ(mapColourAt(395, 590), QColor(255, 0, 255));
    EXPECT_EQ(mapColourAt(0, 300), QColor(255, 0, 0)); // lying: the beam
    EXPECT_TRUE(form_->Command4->isEnabled());
    EXPECT_TRUE(form_->Command6->isEnabled());
    form_->Command4->click();
    EXPECT_TRUE(Windows::form3().isVisible());
    form_->Command6->click();
    EXPECT_TRUE(Windows::form5().isVisible());
    Windows::form3().hide();
    Windows::form5().hide();

    form_->showReadout(20, 10);
    EXPECT_EQ(form_->Text23->text(), " 20");
    EXPECT_EQ(form_->Text24->text(), "-290");
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->kermaGrid.at(1, 11)));
    EXPECT_FALSE(form_->Line1->isHidden());
    EXPECT_EQ(form_->Line1->y(), 10 + 14);
    EXPECT_EQ(form_->Line2->x(), 20 + 100);
    form_->Option2->click();
    form_->showReadout(395, 590);
    EXPECT_EQ(form_->Text24->text(), " 290");
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->doseEquivalentGrid.at(376, 591)));
    // The map and its read-out run to the grid's edges: x = 400 cm, c = +-300 cm.
    form_->showReadout(400, 600);
    EXPECT_EQ(form_->Text23->text() + form_->Text24->text(), " 400 300");
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->doseEquivalentGrid.at(381, 601)));
    form_->showReadout(400, 0);
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->doseEquivalentGrid.at(381, 1)));
    // Beside the grid lines X = 400 and Y = 600, the corner cells are painted.
    const auto edgeBand = results::mapColour(
        results::bandOf(form_->doseEquivalentGrid.at(380, 600), form_->currentMap().thresholds));
    EXPECT_NE(edgeBand.b, 255);
    EXPECT_EQ(mapColourAt(399, 599), QColor(edgeBand.r, edgeBand.g, edgeBand.b));
    form_->showReadout(19.9, 300);
    EXPECT_EQ(form_->Text22->text() + form_->Text23->text() + form_->Text24->text(), "");
    EXPECT_TRUE(form_->Line1->isHidden());
    EXPECT_TRUE(form_->Line2->isHidden());
    // The mouse leaving the picture takes the cross-hair and the read-out with it.
    form_->showReadout(200, 300);
    ASSERT_FALSE(form_->Line1->isHidden());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form_->Picture1, &leave);
    EXPECT_TRUE(form_->Line1->isHidden());
    EXPECT_TRUE(form_->Line2->isHidden());
    EXPECT_EQ(form_->Text22->text() + form_->Text23->text(), "");

    // A corrected file leaves Command4 as it was.
    viewer_files::writeResultHeader(dir / "lyingC.datC", viewer_files::lyingHeader());
    form_->reset();
    mergeAndLoad("lyingC.datC");
    form_->Command1->click();
    EXPECT_FALSE(form_->Command4->isEnabled());
    EXPECT_TRUE(form_->Command6->isEnabled());
    // A merge clears the map and turns the read-out off.
    form_->Command11->click();
    form_->showReadout(100, 300);
    EXPECT_EQ(form_->Text23->text(), "");
    EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));
}

TEST_F(ViewerWindow, DeleteAsksFirst) {
    viewer_files::writeResultHeader(dir / "second.data", viewer_files::lyingHeader());
    viewer_files::writeResultHeader(dir / "lying.datC", viewer_files::lyingHeader());
    for (const char* name : {"lying.data.unc", "second.data.unc"})
        viewer_files::writeUncertaintyFile(dir / name, viewer_files::lyingHeader(),
                                           [](int, int) { return 0.1; });
    form_->reset();
    form_->Command5->click(); // nothing selected: no question
    EXPECT_TRUE(messages_.shown.empty());
    select("lying.data");
    messages_.answer = platform::MessageResult::Cancel;
    form_->Command5->click();
    // The question names the file, and the uncertainty file that goes with it.
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("「lying.data」を削除")));
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("「lying.data.unc」")));
    EXPECT_EQ(messages_.shown.back().buttons, platform::MessageButtons::OkCancel);
    EXPECT_TRUE(fs::exists(dir / "lying.data"));
    EXPECT_EQ(form_->File1->count(), 3);
    EXPECT_TRUE(form_->Command11->isEnabled());

    // A corrected copy goes alone; its source and the source's errors stay.
    messages_.answer = platform::MessageResult::Ok;
    select("lying.datC");
    form_->Command5->click();
    EXPECT_TRUE(messages_.shown.back().text.contains(QStringLiteral("「lying.datC」")));
    EXPECT_FALSE(messages_.shown.back().text.contains(QStringLiteral(".unc")));
    EXPECT_FALSE(fs::exists(dir / "lying.datC"));
    EXPECT_TRUE(fs::exists(dir / "lying.data.unc"));
    // A result takes its uncertainty file with it.
    select("lying.data");
    form_->Command5->click();
    EXPECT_FALSE(fs::exists(dir / "lying.data"));
    EXPECT_FALSE(fs::exists(dir / "lying.data.unc"));
    EXPECT_TRUE(fs::exists(dir / "second.data.unc"));
    EXPECT_EQ(form_->File1->count(), 1);
    EXPECT_FALSE(form_->Command11->isEnabled());
}

TEST_F(ViewerWindow, ResetAndLeave) {
    EXPECT_FALSE(form_->Option1->isChecked() || form_->Option2->isChecked());
    mergeAndLoad("lying.data");
    form_->Command1->click();
    form_->Option2->click();
    form_->reset();
    // Air kerma is selected as a click selects it: every unit label follows.
    EXPECT_EQ(form_->Label54->text(), "μGy/min");
    EXPECT_EQ(Windows::form6().Label51->text(), "Gy/min");
    for (std::size_t n = 1; n <= 25; ++n)
        EXPECT_EQ(form_->texts[n]->text(), "") << "Text" << n;
    EXPECT_EQ(form_->Label11->text() + form_->Label16->text(), "--");
    EXPECT_TRUE(form_->Option1->isChecked());
    EXPECT_EQ(form_->Label51->text(), "Gy/min");
    EXPECT_EQ(form_->mapDrawn, 0);
    for (QPushButton* b :
         {form_->Command1, form_->Command2, form_->Command4, form_->Command6, form_->Command11})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(mapColourAt(100, 300), QColor(Qt::white));

    form_->show();
    form_->Command3->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(Windows::form2().isVisible());
    Windows::form2().hide();
    form_->show();
    form_->close();
    EXPECT_TRUE(Windows::form2().isVisible());
    Windows::form2().hide();
}

TEST_F(ViewerWindow, RelativeErrorsUnderTheMouseAndHatchedCells) {
    // Engine cells at c = 50 cm (row 36): x = 150 cm 10 %, x = 250 cm 30 %,
    // x = 350 cm never scored; 5 % everywhere else (away from the grid lines).
    viewer_files::writeUncertaintyFile(
        dir / "lying.data.unc", viewer_files::lyingHeader(), [](int column, int row) {
            if (row != 36)
                return 0.05;
            return column == 16 ? 0.1 : column == 26 ? 0.3 : column == 36 ? 0.0 : 0.05;
        });
    viewer_files::writeResultHeader(dir / "lying.datC", viewer_files::lyingHeader());
    viewer_files::writeResultHeader(dir / "bare.data", viewer_files::lyingHeader());
    // Whether an engine cell's area (x +-4 cm, c +-4 cm around it) holds a hatch pixel.
    auto hatchedAt = [&](int x, int c) {
        for (int X = x - 4; X <= x + 4; ++X)
            for (int Y = c + 296; Y <= c + 304; ++Y)
                if (mapColourAt(X, Y) == QColor(Qt::black))
                    return true;
        return false;
    };
    struct Case {
        const char* file;
        bool hasErrors;
    };
    for (const Case& c :
         {Case{"lying.data", true}, Case{"lying.datC", true}, Case{"bare.data", false}}) {
        SCOPED_TRACE(c.file);
        form_->reset();
        mergeAndLoad(c.file);
        EXPECT_FALSE(form_->Check1->isChecked());
        EXPECT_EQ(form_->Check1->isEnabled(), c.hasErrors);
        form_->Command1->click();
        form_->showReadout(150, 350);
        EXPECT_EQ(form_->Text26->text(), c.hasErrors ? "± 10 %" : "");
        form_->showReadout(254, 346); // still nearest to x = 250, c = 50
        EXPECT_EQ(form_->Text26->text(), c.hasErrors ? "± 30 %" : "");
        form_->showReadout(350, 354);
        EXPECT_EQ(form_->Text26->text(), c.hasErrors ? "—" : "");
        EXPECT_FALSE(hatchedAt(250, 50)); // no hatching until asked for
        form_->Check1->setChecked(true);
        EXPECT_EQ(hatchedAt(250, 50), c.hasErrors);
        EXPECT_EQ(hatchedAt(350, 50), c.hasErrors);
        EXPECT_FALSE(hatchedAt(150, 50));
        EXPECT_FALSE(hatchedAt(260, 50)); // the neighbours of a hatched cell stay clear
        EXPECT_FALSE(hatchedAt(250, 60));
    }
    // Another file chosen: no errors of the previous one remain.
    select("bare.data");
    EXPECT_FALSE(form_->relativeErrors.has_value());
    EXPECT_FALSE(form_->Check1->isEnabled());
}

// The map as drawn, saved and printed: the page shows the window's picture,
// hatching included, and not thresholds retyped after the drawing; a name the
// page cannot be written under gets a message and leaves no file.
TEST_F(ViewerWindow, SavesAndPrintsTheMapAsDrawn) {
    page_dialogs::AnsweringFileDialogs fileDialogs;
    page_dialogs::PrintToPdf printDialog;
    platform::Services s;
    s.messages = &messages_;
    s.launcher = &launcher_;
    s.events = &events_;
    s.fileDialogs = &fileDialogs;
    s.printDialogs = &printDialog;
    platform::setServices(s);
    viewer_files::writeUncertaintyFile(
        dir / "lying.data.unc", viewer_files::lyingHeader(),
        [](int column, int row) { return row == 36 && column == 26 ? 0.3 : 0.05; });

    mergeAndLoad("lying.data");
    EXPECT_FALSE(form_->SavePicture->isEnabled()); // nothing drawn, nothing to save
    form_->Check1->setChecked(true);
    form_->Command1->click();
    ASSERT_TRUE(form_->SavePicture->isEnabled());
    const QImage window = form_->Picture1->image();
    form_->Text5->setText(QStringLiteral("0")); // not drawn: the page keeps the drawing's T1

    auto path = [this](const char* name) { return QString::fromStdString((dir / name).string()); };
    fileDialogs.answers = {path("walk1"), path("walk1.pdf"), path("walk1.jpg"),
                           path("no such folder/walk1.png")};
    for (int k = 0; k < 4; ++k)
        form_->SavePicture->trigger();
    printDialog.path = path("printed.pdf");
    form_->PrintPicture->trigger();

    EXPECT_TRUE(fileDialogs.offered.front().endsWith(QStringLiteral("/lying.png")));
    ASSERT_EQ(messages_.shown.size(), 2u); // the extension, then the missing folder
    EXPECT_NE(messages_.shown[0].text.indexOf(QStringLiteral("walk1.jpg")), -1);
    // The folder that is missing is named, with the reason.
    EXPECT_TRUE(messages_.shown[1].text.contains(path("no such folder")))
        << messages_.shown[1].text.toStdString();
    EXPECT_TRUE(messages_.shown[1].text.contains(QStringLiteral("フォルダがありません")));
    EXPECT_FALSE(fs::exists(dir / "walk1.jpg"));
    EXPECT_FALSE(fs::exists(dir / "no such folder"));

    // Where the window's picture is one colour around a point, the page shows
    // that colour there; the hatched engine cell (x = 250, c = 50) is hatched.
    const page::PageLayout layout = page::pageLayout(page::PageContent{});
    std::set<QRgb> bandColours;
    for (const QImage& saved :
         {QImage(path("walk1.png")), page_pixels::renderPdf(dir / "walk1.pdf", 192)}) {
        ASSERT_FALSE(saved.isNull());
        page_pixels::expectLegend(saved, layout, 2);
        int compared = 0;
        for (int Y = 12; Y <= 588; Y += 6) {
            for (int X = 22; X <= 393; X += 5) {
                const QRgb shown = window.pixel(results::mapPixel(X, Y)) & 0xffffff;
                bool uniform = true;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        uniform = uniform && (window.pixel(results::mapPixel(X + dx, Y + dy)) &
                                              0xffffff) == shown;
                if (!uniform)
                    continue;
                bandColours.insert(shown);
                ASSERT_EQ(page_pixels::mapPageColour(saved, layout, 2, X, Y), shown)
                    << X << ", " << Y;
                ++compared;
            }
        }
        EXPECT_GT(compared, 4000);
        int hatch = 0;
        for (int Y = 346; Y <= 354; ++Y)
            for (int X = 246; X <= 254; ++X)
                hatch += page_pixels::mapPageColour(saved, layout, 2, X + 0.25, Y + 0.25) == 0;
        EXPECT_GT(hatch, 4);
    }
    EXPECT_GE(bandColours.size(), 4u);
    page_pixels::expectColoursShown(page_pixels::renderPdf(dir / "printed.pdf", 96), bandColours,
                                    40);
}

namespace {

namespace planes = textrec::planes;

// The plane record the engine writes beside a result of a job with plane
// lines: the vertical section, or the horizontal plane at `height`.
planes::PlaneRecord planeRecord(planes::Position position, std::optional<double> height,
                                double centreHeight = 100) {
    planes::PlaneRecord record;
    record.position = position;
    record.centreHeight = centreHeight;
    record.kind = height ? planes::PlaneKind::Horizontal : planes::PlaneKind::VerticalSection;
    record.height = height.value_or(centreHeight);
    return record;
}

void writePlaneRecord(const fs::path& result, const planes::PlaneRecord& record) {
    std::ofstream(planes::planeRecordPath(result), std::ios::binary)
        << planes::planeRecordText(record);
}

} // namespace

// A vertical section: its plane named beside the conditions, in the window's
// overlay panel and over the map; drawn with the height upwards and nothing
// below the floor; read out by height; refused for the room overlay.
TEST_F(ViewerWindow, AVerticalSectionByHeightAboveTheFloor) {
    for (const planes::Position position : {planes::Position::Lying, planes::Position::Standing}) {
        SCOPED_TRACE(static_cast<int>(position));
        const QString name = position == planes::Position::Lying ? QStringLiteral("walk_vs.data")
                                                                 : QStringLiteral("stand_vs.data");
        auto header = viewer_files::lyingHeader();
        if (position == planes::Position::Standing)
            header[0] = "  2";
        viewer_files::writeResultHeader(dir / name.toStdString(), header);
        const planes::PlaneRecord record = planeRecord(position, std::nullopt, 120);
        writePlaneRecord(dir / name.toStdString(), record);
        form_->reset();
        messages_.shown.clear();

        select(name);
        EXPECT_TRUE(form_->Command11->isEnabled());
        const auto* panel = form_->findChild<ConditionsPanel*>();
        ASSERT_TRUE(panel);
        EXPECT_FALSE(panel->PlaneLabel->text().isEmpty());
        EXPECT_EQ(Windows::form6().findChild<ConditionsPanel*>()->PlaneLabel->toolTip(),
                  panel->PlaneLabel->toolTip());
        mergeAndLoad(name);
        ASSERT_TRUE(form_->gridsLoaded);
        for (QLineEdit* field : form_->thresholdFields())
            field->setText("1"); // every value is band 1
        form_->Command1->click();
        EXPECT_EQ(form_->PlaneCaption->text(), captions::mapPlane(record));
        EXPECT_FALSE(form_->ReadoutPlane->text().isEmpty());
        EXPECT_EQ(form_->currentMap().plane->kind, planes::PlaneKind::VerticalSection);
        // The centre at Y = 300 is 120 cm above the floor, at Y = 420.
        EXPECT_EQ(mapColourAt(150, 100), QColor(255, 0, 255));
        EXPECT_EQ(mapColourAt(150, 415), QColor(255, 0, 255)); // 5 cm above the floor
        EXPECT_EQ(mapColourAt(150, 420), QColor(Qt::black));   // the floor
        EXPECT_EQ(mapColourAt(150, 421), QColor(Qt::white));
        EXPECT_EQ(mapColourAt(150, 590), QColor(Qt::white));

        // 270 cm above the floor: lying, the row 150 cm towards the tube
        // (c = -150, +z pointing to the floor); standing, c = +150.
        form_->showReadout(100, 150);
        EXPECT_EQ(form_->Text24->text(), " 270");
        const int row = position == planes::Position::Lying ? 151 : 451;
        EXPECT_EQ(form_->Text22->text().toStdString(),
                  textrec::plainNumber(form_->kermaGrid.at(81, row)));
        form_->showReadout(100, 450); // 30 cm below the floor: no value
        EXPECT_EQ(form_->Text24->text(), "-30");
        EXPECT_EQ(form_->Text22->text(), "");
        EXPECT_FALSE(form_->Line1->isHidden());

        // No room plan under a vertical section: refused, naming the file.
        form_->Command6->click();
        EXPECT_FALSE(Windows::form5().isVisible());
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_TRUE(messages_.shown[0].text.contains(name));
        EXPECT_EQ(messages_.shown[0].icon, platform::MessageIcon::Exclamation);
    }

    // A horizontal map at another height is drawn and read as the written
    // one, and may go over a room plan.
    viewer_files::writeResultHeader(dir / "walk_h150.data", viewer_files::lyingHeader());
    writePlaneRecord(dir / "walk_h150.data", planeRecord(planes::Position::Lying, 150));
    form_->reset();
    messages_.shown.clear();
    mergeAndLoad("walk_h150.data");
    form_->Command1->click();
    form_->showReadout(100, 150);
    EXPECT_EQ(form_->Text24->text(), "-150");
    EXPECT_EQ(form_->Text22->text().toStdString(),
              textrec::plainNumber(form_->kermaGrid.at(81, 151)));
    form_->Command6->click();
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(Windows::form5().isVisible());
    Windows::form5().hide();

    // A result without a record keeps the written caption and read-out.
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Command1->click();
    EXPECT_EQ(form_->PlaneCaption->text(), captions::mapPlane());
    EXPECT_EQ(form_->ReadoutPlane->text(), "");
    EXPECT_FALSE(form_->currentMap().plane);
}

// A plane record that cannot be read: the file is not shown, with a message
// naming the record and its line, whether it was so when the file was chosen
// or became so before the load.
TEST_F(ViewerWindow, AnUnreadablePlaneRecordIsRefused) {
    const std::string unsound =
        "position lying\r\ntube above\r\ncentre-height 100\r\nplane horizontal 999\r\n";
    viewer_files::writeResultHeader(dir / "walk_h999.data", viewer_files::lyingHeader());
    std::ofstream(dir / "walk_h999.data.plane", std::ios::binary) << unsound;
    form_->reset();
    select("walk_h999.data");
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("walk_h999.data.plane")));
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("4 行目")));
    EXPECT_FALSE(form_->Command11->isEnabled());
    EXPECT_EQ(form_->Label44->text(), "");
    EXPECT_EQ(form_->Text2->text(), "");

    // Sound when chosen and merged, spoilt before the load.
    writePlaneRecord(dir / "walk_h999.data", planeRecord(planes::Position::Lying, 150));
    form_->reset();
    messages_.shown.clear();
    select("walk_h999.data");
    EXPECT_TRUE(messages_.shown.empty());
    form_->Command11->click();
    viewer_files::writeMergedFile(dir / "F2B.dat", kermaValue, doseValue);
    launcher_.finishers.back()(true, QString());
    std::ofstream(dir / "walk_h999.data.plane", std::ios::binary) << unsound;
    form_->Command2->click();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("walk_h999.data.plane")));
    EXPECT_FALSE(form_->gridsLoaded);
    EXPECT_FALSE(form_->Command1->isEnabled());
    EXPECT_EQ(form_->Label11->text(), "-");
}

TEST_F(ViewerWindow, DeleteTakesThePlaneRecord) {
    viewer_files::writeResultHeader(dir / "walk_vs.data", viewer_files::lyingHeader());
    viewer_files::writeResultHeader(dir / "walk_vs.datC", viewer_files::lyingHeader());
    writePlaneRecord(dir / "walk_vs.data", planeRecord(planes::Position::Lying, std::nullopt));
    writePlaneRecord(dir / "walk_vs.datC", planeRecord(planes::Position::Lying, std::nullopt));
    form_->reset();
    messages_.answer = platform::MessageResult::Cancel;
    select("walk_vs.datC");
    form_->Command5->click();
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("「walk_vs.datC.plane」")));
    EXPECT_TRUE(fs::exists(dir / "walk_vs.datC.plane"));

    // The corrected copy's own record goes with it; its source's stays.
    messages_.answer = platform::MessageResult::Ok;
    form_->Command5->click();
    EXPECT_FALSE(fs::exists(dir / "walk_vs.datC"));
    EXPECT_FALSE(fs::exists(dir / "walk_vs.datC.plane"));
    EXPECT_TRUE(fs::exists(dir / "walk_vs.data.plane"));
    select("walk_vs.data");
    form_->Command5->click();
    EXPECT_TRUE(messages_.shown.back().text.contains(QStringLiteral("「walk_vs.data.plane」")));
    EXPECT_FALSE(fs::exists(dir / "walk_vs.data"));
    EXPECT_FALSE(fs::exists(dir / "walk_vs.data.plane"));
    // A result without a record: the question names none.
    select("lying.data");
    form_->Command5->click();
    EXPECT_FALSE(messages_.shown.back().text.contains(QStringLiteral(".plane")));
}

namespace {

std::string fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file of a folder with its content.
std::map<std::string, std::string> folderContent(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = fileBytes(entry.path());
    return files;
}

double fieldValue(const QLineEdit* field) {
    bool ok = false;
    const double value = numbertext::asciiForms(field->text()).toDouble(&ok);
    EXPECT_TRUE(ok) << field->text().toStdString();
    return value;
}

} // namespace

// With a workload and a period, the read-out, the extremes and the bands are
// doses in the period (per minute x minutes a week x weeks), in mSv as the
// unit rule gives for this map; the result, F2B.dat and every other file stay
// as they were, per minute.
TEST_F(ViewerWindow, APeriodScalesWhatIsShownAndNoFile) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Option2->click();
    form_->Command1->click();
    const auto before = folderContent(dir);
    DoseSettings& settings = Windows::doseSettings();
    settings.setMinutesPerWeek(60);
    // The largest value, 7921 μSv/min at cell (1, 1), is above 1000 μSv in every period.
    const double maximum = form_->doseEquivalentGrid.at(1, 1);
    const std::pair<dose::Period, int> periods[] = {
        {dose::Period::Week, 1}, {dose::Period::Quarter, 13}, {dose::Period::Year, 52}};
    for (const auto& [period, weeks] : periods) {
        SCOPED_TRACE(weeks);
        settings.setPeriod(period);
        const double milliPerMinute = 60.0 * weeks / 1000; // mSv in the period for 1 μSv/min
        // Cells off the grid lines of the picture.
        for (const auto& [j, i] : {std::pair(2, 3), std::pair(82, 302), std::pair(300, 550)}) {
            form_->showReadout(19 + j, i - 1);
            const double expected = form_->doseEquivalentGrid.at(j, i) * milliPerMinute;
            EXPECT_NEAR(fieldValue(form_->Text22), expected, 5e-4 * expected) << j << ", " << i;
            // The band of the dose against the thresholds as the fields show them.
            results::Thresholds shown{};
            const auto fields = form_->thresholdFields();
            for (std::size_t k = 0; k < shown.size(); ++k)
                shown[k] = fieldValue(fields[k]);
            const auto band = results::mapColour(results::bandOf(expected, shown));
            EXPECT_EQ(mapColourAt(19 + j, i - 1), QColor(band.r, band.g, band.b));
        }
        EXPECT_NEAR(form_->Label13->text().toDouble(), maximum * milliPerMinute,
                    5e-4 * maximum * milliPerMinute);
        // The overlay's copy of the unit says the same prefix.
        EXPECT_EQ(Windows::form6().Label50->text(), form_->Label50->text());
        EXPECT_EQ(Windows::form6().Label51->text(), form_->Label51->text());
    }
    // Per minute again: as written.
    settings.setPeriod(dose::Period::PerMinute);
    form_->showReadout(100, 300);
    EXPECT_EQ(form_->Text22->text(),
              QString::fromStdString(textrec::plainNumber(form_->doseEquivalentGrid.at(81, 301))));
    EXPECT_EQ(folderContent(dir), before);
}

// Values typed into the threshold fields keep their meaning when the period
// or the workload changes: a dose stays that dose, a rate per minute becomes
// the dose for the workload. Fields that hold the defaults get the defaults
// of the new unit, round numbers of it.
TEST_F(ViewerWindow, TypedThresholdsAreConvertedWhenThePeriodOrWorkloadChanges) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Option2->click();
    DoseSettings& settings = Windows::doseSettings();
    struct Step {
        const char* what;
        std::function<void()> change;
        double t1; // T1 as the field then shows it
        double t2; // T2, which held a default when T1 was typed
    };
    const Step steps[] = {
        // 7921 μSv/min x 60 x 13 = 6178 mSv: the top 6000, T1 = 0.75 x 6000.
        {"defaults for 3 months",
         [&] {
             settings.setMinutesPerWeek(60);
             settings.setPeriod(dose::Period::Quarter);
         },
         4500, 3000},
        {"T1 typed", [&] { form_->Text5->setText(QStringLiteral("５０００")); }, 5000, 3000},
        {"a year: 52 / 13 times the dose", [&] { settings.setPeriod(dose::Period::Year); }, 20000,
         12000},
        {"another workload: the same dose a year", [&] { settings.setMinutesPerWeek(30); }, 20000,
         12000},
        {"per minute: the rate for 30 min a week",
         [&] { settings.setPeriod(dose::Period::PerMinute); }, 20000.0 * 1000 / (30 * 52),
         12000.0 * 1000 / (30 * 52)},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_NEAR(fieldValue(form_->Text5), step.t1, 1e-9 * step.t1);
        EXPECT_NEAR(fieldValue(form_->Text6), step.t2, 1e-9 * step.t2);
    }
    // A text that is no number stays as typed; the map then keeps the
    // thresholds of its drawing, in the new unit, and no message is shown.
    form_->Command1->click();
    form_->Text7->setText(QStringLiteral("abc"));
    settings.setPeriod(dose::Period::Week);
    EXPECT_EQ(form_->Text7->text(), QStringLiteral("abc"));
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_EQ(form_->mapDrawn, 1);

    // The switch back to the defaults, then a period: the defaults of its unit.
    form_->Option1->click();
    form_->Option2->click();
    settings.setPeriod(dose::Period::Year);
    // 7921 x 30 x 52 = 12357 mSv: the top 12000.
    EXPECT_EQ(form_->Text5->text(), QStringLiteral("9000"));
}

// A ticked level is drawn over the map where the read-out crosses it, from
// the dose-equivalent map whichever quantity is shown, and goes when it is
// cleared; the list says nothing of a level the map crosses.
TEST_F(ViewerWindow, ALimitLineLiesWhereTheReadoutCrossesItsLevel) {
    form_->reset();
    mergeAndLoad("lying.data");
    form_->Option2->click();
    form_->Command1->click();
    DoseSettings& settings = Windows::doseSettings();
    QString error;
    const std::size_t index = settings.addUserLevel(
        *dose::makeUserLevel(QStringLiteral("扉の外"), QStringLiteral("80"), dose::Prefix::Micro,
                             dose::Period::PerMinute, error));
    const QColor line = limitlines::lineColour(index);
    EXPECT_EQ(form_->Levels->reachTextOf(index), QString());

    for (int i : {101, 151, 451, 551}) {
        SCOPED_TRACE(i);
        const int Y = i - 1;
        // The last X along the row whose read-out reaches 80 μSv/min.
        form_->Option2->click();
        int reaching = 0;
        for (int X = 20; X <= 400; ++X) {
            form_->showReadout(X, Y);
            if (fieldValue(form_->Text22) >= 80)
                reaching = X;
        }
        ASSERT_GT(reaching, 20);
        for (results::Quantity quantity :
             {results::Quantity::DoseEquivalent, results::Quantity::Kerma}) {
            (quantity == results::Quantity::Kerma ? form_->Option1 : form_->Option2)->click();
            // The line passes between the last cell that reaches the level and
            // the first that does not.
            bool onLine = false;
            for (int X = reaching - 1; X <= reaching + 2; ++X)
                onLine = onLine || mapColourAt(X, Y) == line;
            EXPECT_TRUE(onLine) << "X " << reaching;
            EXPECT_NE(mapColourAt(reaching - 15, Y), line);
            EXPECT_NE(mapColourAt(reaching + 15, Y), line);
        }
    }
    EXPECT_FALSE(form_->LinesNote->text().isEmpty());

    settings.setTicked(index, false);
    for (int X = 100; X <= 130; ++X)
        EXPECT_NE(mapColourAt(X, 150), line) << X;
    EXPECT_TRUE(form_->LinesNote->text().isEmpty());
    // A level far above the map is named as never reached.
    settings.addUserLevel(*dose::makeUserLevel(QStringLiteral("高い基準"), QStringLiteral("9000"),
                                               dose::Prefix::Micro, dose::Period::PerMinute,
                                               error));
    EXPECT_EQ(form_->Levels->reachTextOf(index + 1),
              contours::reachText(contours::Reach::NotReached));
}
