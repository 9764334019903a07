// The layout editor window driven as a user would: element buttons, clicks,
// "設定終了", saving, loading and deleting layout files, with the message boxes
// and the input box answered by stand-ins.
#include "Windows.h"
#include "layout/Form5.h"
#include "layout/Form6.h"
#include "layout/LayoutWidgets.h"
#include "layout/Overlay.h"
#include "logic/FilePaths.h"
#include "logic/OverlayPainting.h"
#include "logic/RoomFile.h"
#include "platform/Platform.h"
#include "results/PictureBox.h"

#include "RecordingMessages.h"
#include "TestApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

using layout::Element;
using layout::MouseButton;

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);

using ScriptedMessages = testsupport::RecordingMessages;

class Form5Test : public testing::Test {
protected:
    void SetUp() override {
        platform::setServices({&messages});
        ASSERT_TRUE(dir.isValid());
        form.setFolder(dir.path());
        Module1::roomLayout.reset();
    }
    void TearDown() override { platform::resetServices(); }

    bool fileExists(const QString& name) const { return QFile::exists(dir.filePath(name)); }
    void select(const QString& name) {
        auto found = form.File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        form.File1->setCurrentItem(found.front());
    }

    ScriptedMessages messages;
    QTemporaryDir dir;
    Form5 form;
};

} // namespace

// The editor shows at once every element that a layout file will hold, none
// of them placed yet.
TEST_F(Form5Test, WindowLoadShowsEveryElementNotPlacedAndDisablesSaveAndShow) {
    EXPECT_EQ(form.windowTitle(), QStringLiteral("    透視室レイアウト"));
    EXPECT_FALSE(form.Command4->isEnabled());
    EXPECT_FALSE(form.Command6->isEnabled());
    EXPECT_TRUE(form.Text1->text().isEmpty());
    for (layout::MarkerShape* shape :
         {form.Shape1, form.Shape2, form.Shape3, form.Shape4, form.Shape5, form.Shape6}) {
        EXPECT_FALSE(shape->isHidden()) << shape->objectName().toStdString();
        EXPECT_EQ(shape->state(), layout::ElementState::NotPlaced);
    }
    EXPECT_FALSE(form.Label8->isHidden());
    EXPECT_FALSE(form.Label16->isHidden());
    for (Element e : layout::kElements) {
        EXPECT_EQ(form.ElementList1->stateLabel(e)->text(),
                  layout::stateText(layout::ElementState::NotPlaced));
        EXPECT_TRUE(form.ElementList1->drawnBox(e)->isChecked());
    }
}

TEST_F(Form5Test, FinishRightAfterOpeningCapturesTheDefaults) {
    form.open();
    form.Text1->setText(QStringLiteral("第1透視室"));
    form.Command2->click();
    ASSERT_TRUE(Module1::roomLayout);
    const Module1::RoomLayout& r = *Module1::roomLayout;
    EXPECT_FLOAT_EQ(r.roomWidth, 600);
    EXPECT_FLOAT_EQ(r.roomHeight, 600);
    EXPECT_FLOAT_EQ(r.bedWidth, 200);
    EXPECT_FLOAT_EQ(r.bedHeight, 90);
    EXPECT_FLOAT_EQ(r.bedLeft, 194);
    EXPECT_FLOAT_EQ(r.bedTop, 209);
    EXPECT_FLOAT_EQ(r.phantomX, 300);
    EXPECT_FLOAT_EQ(r.phantomY, 250);
    EXPECT_EQ(r.freeText, QStringLiteral("任意文字列"));
    EXPECT_TRUE(form.Command4->isEnabled());
    EXPECT_TRUE(form.Command6->isEnabled());
    EXPECT_TRUE(form.instructions().isEmpty());
    EXPECT_EQ(Windows::form6().Label10->text(), QStringLiteral("第1透視室"));
    form.hide();
}

TEST_F(Form5Test, ButtonsAndClicksPlaceMarkers) {
    form.Command14->click();
    EXPECT_EQ(form.instructions(), (QStringList{QStringLiteral("室の大きさ"), QString(),
                                                QStringLiteral("部屋の右下位置を"),
                                                QStringLiteral("クリックして設定する")}));
    EXPECT_FALSE(form.Shape2->isHidden());
    form.mouseDownInPlan(MouseButton::Left, 398, 498);
    EXPECT_DOUBLE_EQ(form.plan().room.width, 400);
    EXPECT_DOUBLE_EQ(form.plan().room.height, 500);
    // The marker widget follows: 400 cm are about 223 pixels.
    EXPECT_NEAR(form.Shape2->width(), 400 * layout::kPixelsPerUnit, 1);

    form.Command13->click();
    form.mouseDownInPlan(MouseButton::Left, 300, 200);
    EXPECT_NEAR(form.Shape1->geometry().center().x(), layout::toPixel(300), 1.5);
    EXPECT_NEAR(form.Shape1->geometry().center().y(), layout::toPixel(200), 1.5);

    // The phantom centre cannot be left out: "削 除" says so and keeps it.
    form.Command16->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(layout::elementName(Element::PhantomCentre)));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(form.Shape1->state(), layout::ElementState::Placed);
    form.Command2->click();
    EXPECT_FLOAT_EQ(Module1::roomLayout->phantomX, 300);
    EXPECT_FLOAT_EQ(Module1::roomLayout->roomHeight, 500);
}

TEST_F(Form5Test, CursorReadoutInMetres) {
    form.mouseMoveInPlan(350, 120);
    EXPECT_EQ(form.Text2->text(), QStringLiteral("3.5"));
    EXPECT_EQ(form.Text3->text(), QStringLiteral("1.2"));
    form.mouseMoveInPlan(850, 850);
    EXPECT_EQ(form.Text2->text(), QStringLiteral("8.5"));
    form.mouseMoveInPlan(850.2, 100);
    EXPECT_TRUE(form.Text2->text().isEmpty());
    EXPECT_TRUE(form.Text3->text().isEmpty());
}

TEST_F(Form5Test, CancelledFreeTextWarnsAndKeepsTheActiveElement) {
    form.Command15->click();
    form.Command17->click(); // the input box is cancelled
    EXPECT_EQ(messages.prompts, QStringList{QStringLiteral("文字列を入力してください")});
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("文字列が入力されていません"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(form.instructions().isEmpty());
    form.mouseDownInPlan(MouseButton::Left, 50, 60); // still the bed
    EXPECT_DOUBLE_EQ(form.plan().bed.left, 50);
    EXPECT_DOUBLE_EQ(form.plan().bed.top, 60);

    messages.typed.push_back(QStringLiteral("準備室"));
    form.Command17->click();
    EXPECT_EQ(form.Label16->text(), QStringLiteral("準備室"));
    EXPECT_FALSE(form.Label16->isHidden());
    EXPECT_EQ(form.instructions().last(), QStringLiteral("文字列の位置をクリックで設定"));
    form.mouseDownInPlan(MouseButton::Right, 700, 20);
    EXPECT_DOUBLE_EQ(form.plan().freeTextLabel.left, 700);
    EXPECT_DOUBLE_EQ(form.plan().bed.left, 50);
}

TEST_F(Form5Test, SaveThenLoadRestoresMarkersNameAndTexts) {
    // Place something off the defaults, with a free text that has a comma and a
    // leading quote.
    form.Command15->click();
    form.mouseDownInPlan(MouseButton::Left, 120, 140);
    form.mouseDownInPlan(MouseButton::Right, 180, 340);
    form.Command10->click();
    form.mouseDownInPlan(MouseButton::Left, 400, 590);
    form.Command1->click();
    form.mouseDownInPlan(MouseButton::Right, 260, 10);
    form.Command11->click();
    form.mouseDownInPlan(MouseButton::Left, 100, 592.5);
    form.Command12->click();
    form.mouseDownInPlan(MouseButton::Left, 620, 300);
    messages.typed.push_back(QStringLiteral("\"検査室, 2"));
    form.Command17->click();
    form.mouseDownInPlan(MouseButton::Left, 30, 700);
    form.Text1->setText(QStringLiteral("room1"));
    form.Command2->click();
    const Module1::RoomLayout saved = *Module1::roomLayout;
    const layout::LayoutPlan placed = form.plan();

    messages.shown.clear();
    form.Command4->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("レイアウトデータを保存しました"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::None);
    ASSERT_TRUE(fileExists(QStringLiteral("room1.Room")));
    // Listed at once, without reopening the editor.
    EXPECT_EQ(form.File1->findItems(QStringLiteral("room1.Room"), Qt::MatchExactly).size(), 1);
    QFile written(dir.filePath(QStringLiteral("room1.Room")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 28);
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    // Line 23 holds "操作室" in Shift-JIS.
    EXPECT_TRUE(bytes.contains(" 590 \r\n 238 \r\n 17 \r\n 22 \r\n-7 \r\n"
                               "\x91\x80\x8D\xEC\x8E\xBA\r\n 620 \r\n 300 \r\n"))
        << bytes.toStdString();

    // A fresh editor loads it back.
    Form5 other;
    other.setFolder(dir.path());
    other.open();
    ASSERT_EQ(other.File1->count(), 1);
    Module1::roomLayout.reset();
    Windows::form6().Label10->clear();
    other.loadLayout(QStringLiteral("room1.Room"));
    ASSERT_TRUE(Module1::roomLayout);
    EXPECT_EQ(*Module1::roomLayout, saved);
    EXPECT_EQ(other.Text1->text(), QStringLiteral("room1"));
    EXPECT_EQ(Windows::form6().Label10->text(), QStringLiteral("room1"));
    EXPECT_EQ(other.Label16->text(), QStringLiteral("\"検査室, 2"));
    EXPECT_EQ(other.Label8->text(), QStringLiteral("操作室"));
    for (auto marker :
         {&layout::LayoutPlan::phantom, &layout::LayoutPlan::room, &layout::LayoutPlan::bed,
          &layout::LayoutPlan::staffDoor, &layout::LayoutPlan::viewingWindow,
          &layout::LayoutPlan::patientEntrance, &layout::LayoutPlan::controlRoomLabel,
          &layout::LayoutPlan::freeTextLabel}) {
        EXPECT_FLOAT_EQ(float((other.plan().*marker).left), float((placed.*marker).left));
        EXPECT_FLOAT_EQ(float((other.plan().*marker).top), float((placed.*marker).top));
        EXPECT_TRUE((other.plan().*marker).placed);
    }
    EXPECT_DOUBLE_EQ(other.plan().bed.width, 60);
    EXPECT_DOUBLE_EQ(other.plan().bed.height, 200);
    // Loading neither captures nor enables save and show.
    EXPECT_FALSE(other.Command4->isEnabled());
    EXPECT_FALSE(other.Shape3->isHidden());
    other.hide();
}

TEST_F(Form5Test, SavingTwiceKeepsTheSecondAndEmptyFreeTextRoundTrips) {
    // A layout with an empty free text, as another installation may write it.
    Module1::RoomLayout empty = layout::capture(layout::LayoutPlan{});
    empty.freeText.clear();
    QString error;
    ASSERT_TRUE(
        roomfile::save(files::toPath(dir.filePath(QStringLiteral("other.Room"))), empty, error));

    form.Text1->setText(QStringLiteral("same"));
    form.Command2->click();
    form.Command4->click();
    form.loadLayout(QStringLiteral("other.Room"));
    form.Text1->setText(QStringLiteral("same"));
    form.Command14->click();
    form.mouseDownInPlan(MouseButton::Left, 498, 398);
    form.Command4->click();

    form.loadLayout(QStringLiteral("same.Room"));
    EXPECT_FLOAT_EQ(Module1::roomLayout->roomWidth, 500);
    EXPECT_FLOAT_EQ(Module1::roomLayout->roomHeight, 400);
    EXPECT_TRUE(Module1::roomLayout->freeText.isEmpty());
    EXPECT_TRUE(form.Label16->text().isEmpty());
}

TEST_F(Form5Test, SaveWithoutNameOrWithRefusedNameWritesNothing) {
    form.Command2->click();
    form.Command4->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("ファイル名を入力して下さい"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);

    form.Text1->setText(QStringLiteral("sub/x"));
    form.Command4->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("sub/x.Room")));
    // A name longer than any file system allows.
    form.Text1->setText(QString(300, QLatin1Char('n')));
    form.Command4->click();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[2].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(messages.shown[2].text.contains(QStringLiteral("保存できません")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// A save that would alter its text or write a number the loader refuses is
// refused with the reason; the success message comes only for a file that
// holds exactly the layout.
TEST_F(Form5Test, SaveRefusesWhatCannotBeReadBackUnchanged) {
    struct Case {
        const char* freeText;
        float bedLeft;
        const char* reason; // nullptr: saved
    };
    const Case cases[] = {
        {"9〜17時 −1", 194, nullptr},
        {"検査室😀", 194, "「😀」"},
        {"検査室", 1e6f, "ベッドの左端"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.freeText);
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        messages.shown.clear();
        messages.typed.push_back(QString::fromUtf8(c.freeText));
        form.Command17->click();
        form.Text1->setText(QStringLiteral("r"));
        form.Command2->click();
        form.Command15->click();
        form.mouseDownInPlan(MouseButton::Left, c.bedLeft, 209);
        form.Command4->click();
        ASSERT_EQ(messages.shown.size(), 1u);
        if (!c.reason) {
            EXPECT_EQ(messages.shown[0].text, QStringLiteral("レイアウトデータを保存しました"));
            QFile saved(dir.filePath(QStringLiteral("r.Room")));
            ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
            EXPECT_TRUE(saved.readAll().contains("\r\n9\x81\x60"
                                                 "17\x8E\x9E \x81\x7C"
                                                 "1\r\n"));
            form.loadLayout(QStringLiteral("r.Room"));
            EXPECT_EQ(form.Label16->text(), QStringLiteral("9～17時 －1"));
        } else {
            EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
            EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(c.reason)))
                << messages.shown[0].text.toStdString();
            EXPECT_FALSE(fileExists(QStringLiteral("r.Room")));
        }
    }
}

TEST_F(Form5Test, BadFileIsReportedAndTheEditorKeepsWhatItHad) {
    QFile bad(dir.filePath(QStringLiteral("bad.Room")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(" 450 \r\n 300 \r\n 0 \r\n");
    bad.close();
    form.Text1->setText(QStringLiteral("kept"));
    form.Command2->click();
    const Module1::RoomLayout before = *Module1::roomLayout;

    form.loadLayout(QStringLiteral("bad.Room"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("bad.Room")));
    EXPECT_EQ(*Module1::roomLayout, before);
    EXPECT_DOUBLE_EQ(form.plan().room.width, 600);
    EXPECT_EQ(form.Text1->text(), QStringLiteral("kept"));

    form.loadLayout(QStringLiteral("gone.Room"));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(form.Text1->text(), QStringLiteral("kept"));

    // A number beyond 100000 cm is named with its file and line.
    form.Command4->click();
    QFile saved(dir.filePath(QStringLiteral("kept.Room")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    QByteArray content = saved.readAll();
    saved.close();
    content.replace(" 600 \r\n 600 \r\n 0 \r\n", " 600 \r\n 600 \r\n 1e20 \r\n");
    QFile huge(dir.filePath(QStringLiteral("huge.Room")));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(content);
    huge.close();
    messages.shown.clear();
    form.loadLayout(QStringLiteral("huge.Room"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("huge.Room の 3 行目")))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(*Module1::roomLayout, before);
}

TEST_F(Form5Test, DeleteAsksTwiceAndEitherCancelKeepsTheFile) {
    form.Text1->setText(QStringLiteral("del"));
    form.Command2->click();
    form.Command4->click();
    form.refreshFileList();
    messages.shown.clear();

    // Nothing selected: nothing asked, even when the list was tabbed into and
    // its first row became current without being highlighted.
    form.File1->setCurrentItem(nullptr);
    form.Command5->click();
    QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(form.File1, &tabbedIn);
    ASSERT_NE(form.File1->currentItem(), nullptr);
    messages.answers = {platform::MessageResult::Ok, platform::MessageResult::Ok};
    form.Command5->click();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(fileExists(QStringLiteral("del.Room")));
    messages.answers.clear();

    select(QStringLiteral("del.Room"));
    // Both questions name the file.
    messages.answers = {platform::MessageResult::Cancel};
    form.Command5->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("「del.Room」を削除")))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(messages.shown[0].buttons, platform::MessageButtons::OkCancel);
    EXPECT_TRUE(fileExists(QStringLiteral("del.Room")));

    messages.shown.clear();
    messages.answers = {platform::MessageResult::Ok, platform::MessageResult::Cancel};
    form.Command5->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("「del.Room」を本当に削除")))
        << messages.shown[1].text.toStdString();
    EXPECT_TRUE(fileExists(QStringLiteral("del.Room")));

    messages.answers = {platform::MessageResult::Ok, platform::MessageResult::Ok};
    form.Command5->click();
    EXPECT_FALSE(fileExists(QStringLiteral("del.Room")));
    EXPECT_EQ(form.File1->count(), 0);
    EXPECT_EQ(form.Text1->text(), QStringLiteral("del"));
}

TEST_F(Form5Test, ShowAndCancelHideTheEditor) {
    form.open();
    EXPECT_TRUE(form.isVisible());
    form.Command3->click();
    EXPECT_FALSE(form.isVisible());
    form.open();
    form.Command2->click();
    Module1::bedOrientation = 0;
    form.Command6->click();
    // The overlay was drawn from the captured layout: its bed 200 x 90 lies along X.
    EXPECT_EQ(Module1::bedOrientation, 1);
    EXPECT_TRUE(form.Command6->isEnabled());
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(Windows::form6().isVisible());
    Windows::form6().hide();
}

// The layout of a new user: only the room, the phantom, the bed, the
// control-room text and the staff door placed. The other three elements are
// listed as not placed; marked absent ("削 除" or the list), they are saved
// in the 28 lines all the same, marked beside the file, left out of the
// overlay, read back absent, and deleted with the file.
TEST_F(Form5Test, AbsentElementsAreSavedMarkedNotDrawnAndDeletedWithTheFile) {
    auto placeAt = [this](QPushButton* button, double x, double y) {
        button->click();
        form.mouseDownInPlan(MouseButton::Left, x, y);
    };
    placeAt(form.Command14, 698, 698); // room 700 x 700
    placeAt(form.Command13, 250, 200); // phantom centre
    placeAt(form.Command15, 150, 155); // bed
    placeAt(form.Command12, 200, 410); // control-room text
    placeAt(form.Command10, 380, 385); // staff door
    for (Element e : {Element::ViewingWindow, Element::PatientEntrance, Element::FreeText})
        EXPECT_EQ(form.ElementList1->stateLabel(e)->text(),
                  layout::stateText(layout::ElementState::NotPlaced));
    form.Command11->click(); // the viewing window, then "削 除"
    form.Command16->click();
    EXPECT_EQ(form.Shape5->state(), layout::ElementState::Absent);
    form.ElementList1->drawnBox(Element::PatientEntrance)->click();
    form.ElementList1->drawnBox(Element::FreeText)->click();
    EXPECT_EQ(form.ElementList1->stateLabel(Element::FreeText)->text(),
              layout::stateText(layout::ElementState::Absent));
    EXPECT_TRUE(messages.shown.empty());

    form.Text1->setText(QStringLiteral("plan"));
    form.Command2->click();
    form.Command4->click();
    QFile room(dir.filePath(QStringLiteral("plan.Room")));
    ASSERT_TRUE(room.open(QIODevice::ReadOnly));
    EXPECT_EQ(room.readAll().count("\r\n"), 28);
    QFile marks(dir.filePath(QStringLiteral("plan.Room.absent")));
    ASSERT_TRUE(marks.open(QIODevice::ReadOnly));
    EXPECT_EQ(marks.readAll(), QByteArray("viewing-window\r\npatient-entrance\r\nfree-text\r\n"));
    EXPECT_EQ(form.File1->count(), 1); // the marks are not a layout of the list

    // The overlay draws the room without them: the window's top edge at
    // y = 584 and the entrance's bottom edge at y = 13 are white.
    form.Command6->click();
    const QImage& picture = Windows::form6().Picture1->image();
    const overlay::PixelMapping m(overlay::roomScale(700, 700), overlay::kPicturePixels);
    auto colourAt = [&](double x, double y) {
        return picture.pixel(int(m.deviceX(x)), int(m.deviceY(y))) & 0xffffff;
    };
    EXPECT_EQ(colourAt(360, 584), 0xffffffu);
    EXPECT_EQ(colourAt(100, 13), 0xffffffu);
    EXPECT_EQ(colourAt(430, 385), 0u); // the staff door's top edge is there
    Windows::form6().hide();

    Form5 other;
    other.setFolder(dir.path());
    other.open();
    other.loadLayout(QStringLiteral("plan.Room"));
    EXPECT_EQ(Module1::roomLayout->absent,
              (Module1::AbsentElements{
                  .viewingWindow = true, .patientEntrance = true, .freeText = true}));
    EXPECT_EQ(other.Shape6->state(), layout::ElementState::Absent);
    EXPECT_FALSE(other.ElementList1->drawnBox(Element::FreeText)->isChecked());
    EXPECT_EQ(other.Shape4->state(), layout::ElementState::Placed);
    other.hide();

    messages.shown.clear();
    select(QStringLiteral("plan.Room"));
    messages.answers = {platform::MessageResult::Ok, platform::MessageResult::Ok};
    form.Command5->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("plan.Room.absent")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    form.hide();
}
