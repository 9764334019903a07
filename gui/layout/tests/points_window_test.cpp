// Named points in the overlay window, driven as a user would: placed, dragged
// and deleted with simulated mouse events, their dose in the table against the
// viewer's read-out at the same place, and their file saved, reloaded and
// deleted with the layout by the editor; and the window's own workload panel
// and list of levels, whose lines and period the picture and legend follow.
#include "DoseSettings.h"
#include "RoomPoints.h"
#include "Windows.h"
#include "layout/Form5.h"
#include "layout/Form6.h"
#include "logic/FilePaths.h"
#include "logic/OverlayPainting.h"
#include "logic/PointsFile.h"
#include "logic/RoomFile.h"
#include "overlay_rooms.h"
#include "platform/Platform.h"
#include "results/DosePanel.h"
#include "results/Form1.h"
#include "results/LevelList.h"
#include "results/PictureBox.h"
#include "setup/Module1.h"

#include "RecordingMessages.h"
#include "TempFolderTest.h"
#include "TestApplication.h"
#include "viewer_files.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <textrec/textrec.h>

#include <cmath>
#include <numbers>
#include <tuple>

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);

using testsupport::RecordingMessages;

class NoPump : public platform::EventPump {
public:
    void processEvents() override {}
};

// A mouse event on the overlay picture at a pixel of it.
void mouse(QEvent::Type type, QPointF pixel, Qt::MouseButton button = Qt::LeftButton) {
    PictureBox* picture = Windows::form6().Picture1;
    const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, pixel, picture->mapToGlobal(pixel), changed, held, Qt::NoModifier);
    QCoreApplication::sendEvent(picture, &event);
}
void click(QPointF pixel) {
    mouse(QEvent::MouseButtonPress, pixel);
    mouse(QEvent::MouseButtonRelease, pixel);
}

QString cell(int row, int column) {
    const QTableWidgetItem* item = Windows::form6().PointsTable->item(row, column);
    return item ? item->text() : QString();
}
enum Column { kName, kX, kC, kDose, kUncertainty, kShare, kNote };

// Values of at most four significant digits, as the merged grid holds them,
// different from cell to cell.
double cellValue(int j, int i, double factor) {
    return factor * (0.01 * ((7 * i + 3 * j) % 900) + 0.05);
}

class PointsWindowTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        platform::Services services;
        services.events = &pump;
        services.messages = &messages;
        platform::setServices(services);
        Windows::roomPoints().reset();
        Windows::doseSettings().reset();
        Module1::roomLayout = defaultRoom();
        Form1& viewer = Windows::form1();
        for (int i = 1; i <= results::kGridRows; ++i)
            for (int j = 1; j <= results::kGridColumns; ++j) {
                viewer.kermaGrid.at(j, i) = cellValue(j, i, 1);
                viewer.doseEquivalentGrid.at(j, i) = cellValue(j, i, 2);
            }
        results::RelativeErrors errors;
        for (std::size_t row = 0; row < errors.kerma.size(); ++row)
            for (std::size_t column = 0; column < errors.kerma[row].size(); ++column) {
                errors.kerma[row][column] = 0.01 * double((row + 2 * column) % 40);
                errors.doseEquivalent[row][column] = 0.01 * double((3 * row + column) % 40);
            }
        viewer.relativeErrors = errors;
        viewer.gridsLoaded = true;
        viewer.bodyPosition = 1;
        viewer.Option2->setChecked(true);
        const auto fields = viewer.thresholdFields();
        for (std::size_t k = 0; k < fields.size(); ++k)
            fields[k]->setText(QString::number(10 - int(k)));
        // The read-out reads a drawn map.
        viewer.mapDrawn = 1;
        Form6& form = Windows::form6();
        form.Check1->setChecked(false);
        if (form.PlacePoints->isChecked())
            form.PlacePoints->click();
    }
    void TearDown() override {
        platform::resetServices();
        Windows::roomPoints().reset();
        Windows::doseSettings().reset();
        Module1::roomLayout.reset();
        TempFolderTest::TearDown();
    }
    static void drawOverlay() {
        const Form1& viewer = Windows::form1();
        Windows::form6().drawOverlay(viewer.currentMap(), viewer.stillShowing());
    }
    static QPointF pixelOf(double x, double y) {
        return overlay::pixelOf(*Module1::roomLayout, x, y);
    }
    // Places a point by the mouse in placing mode, typing its name.
    void placeAt(QPointF pixel, const QString& name) {
        Form6& form = Windows::form6();
        if (!form.PlacePoints->isChecked())
            form.PlacePoints->click();
        messages.typed.push_back(name);
        click(pixel);
    }

    NoPump pump;
    RecordingMessages messages;
};

} // namespace

// Placing asks the name and puts the point where the mouse is; a refused name
// places nothing and says which field; a drag moves the point and the table
// follows it as it goes; Escape takes a drag back; the chosen point is
// deleted.
TEST_F(PointsWindowTest, PlacingDraggingAndDeletingWithTheMouse) {
    Form6& form = Windows::form6();
    const RoomPoints& points = Windows::roomPoints();
    drawOverlay();

    placeAt(pixelOf(350, 330), QStringLiteral(" 術者 "));
    ASSERT_EQ(points.points().size(), 1u);
    EXPECT_EQ(points.points()[0], (namedpoints::NamedPoint{QStringLiteral("術者"), 350, 330}));
    EXPECT_EQ(form.PointsTable->rowCount(), 1);
    EXPECT_EQ(cell(0, kName), QStringLiteral("術者"));
    // Bed along X: the map lies below the phantom at (300, 250).
    EXPECT_EQ(cell(0, kX), QStringLiteral("80"));
    EXPECT_EQ(cell(0, kC), QStringLiteral("-50"));
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("|").toStdString();
    // The marker is on the picture where the point stands.
    EXPECT_EQ(form.Picture1->image().pixel(pixelOf(350, 330).toPoint()) & 0xffffff, 0xff0000u);

    // Refused names: empty, blanks only, a control character; cancelled: nothing.
    for (const QString& bad : {QString(), QStringLiteral("  "), QStringLiteral("看護\t師")}) {
        messages.shown.clear();
        placeAt(pixelOf(200, 400), bad);
        ASSERT_EQ(messages.shown.size(), 1u) << bad.toStdString();
        EXPECT_TRUE(messages.shown[0].text.contains(namedpoints::pointNameField()));
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    }
    messages.shown.clear();
    click(pixelOf(200, 400)); // no name typed: the box is cancelled
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("|").toStdString();
    EXPECT_EQ(points.points().size(), 1u);

    placeAt(pixelOf(150, 200), QStringLiteral("看護師"));
    ASSERT_EQ(points.points().size(), 2u);
    form.PlacePoints->click(); // out of placing: a click elsewhere places nothing
    EXPECT_EQ(form.pointMouse(), Form6::PointMouse::Idle);
    click(pixelOf(500, 500));
    EXPECT_EQ(points.points().size(), 2u);

    // Dragging the surgeon, taken 3 pixels off its centre, 120 pixels to
    // the right and 40 down.
    const QPointF grab = pixelOf(350, 330) + QPointF(3, -2);
    mouse(QEvent::MouseButtonPress, grab);
    EXPECT_EQ(form.pointMouse(), Form6::PointMouse::Dragging);
    EXPECT_EQ(form.chosenPoint(), 0u);
    mouse(QEvent::MouseMove, grab + QPointF(60, 20));
    const QString halfway = cell(0, kC);
    EXPECT_NE(halfway, QStringLiteral("-50")); // the table follows the drag
    EXPECT_EQ(points.points()[0].x, 350);      // saved only when it is let go
    mouse(QEvent::MouseMove, grab + QPointF(120, 40));
    mouse(QEvent::MouseButtonRelease, grab + QPointF(120, 40));
    EXPECT_EQ(form.pointMouse(), Form6::PointMouse::Idle);
    const QPointF expected =
        overlay::roomPointAt(*Module1::roomLayout, pixelOf(350, 330) + QPointF(120, 40));
    EXPECT_EQ(points.points()[0].x, std::round(expected.x()));
    EXPECT_EQ(points.points()[0].y, std::round(expected.y()));
    EXPECT_EQ(points.points()[1].name, QStringLiteral("看護師")); // the other stays

    // Escape during a drag puts the point back.
    const namedpoints::NamedPoint before = points.points()[1];
    mouse(QEvent::MouseButtonPress, pixelOf(150, 200));
    mouse(QEvent::MouseMove, pixelOf(150, 200) + QPointF(50, 50));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &escape);
    EXPECT_EQ(form.pointMouse(), Form6::PointMouse::Idle);
    mouse(QEvent::MouseButtonRelease, pixelOf(150, 200) + QPointF(50, 50));
    EXPECT_EQ(points.points()[1], before);

    // Deleting the chosen one.
    form.choosePoint(0);
    form.DeletePoint->click();
    ASSERT_EQ(points.points().size(), 1u);
    EXPECT_EQ(points.points()[0].name, QStringLiteral("看護師"));
    EXPECT_EQ(form.PointsTable->rowCount(), 1);
    EXPECT_FALSE(form.DeletePoint->isEnabled()); // nothing chosen now
    form.choosePoint(0);
    messages.typed = {QStringLiteral("看護師 2")};
    form.RenamePoint->click();
    EXPECT_EQ(points.points()[0].name, QStringLiteral("看護師 2"));
    EXPECT_EQ(cell(0, kName), QStringLiteral("看護師 2"));
}

namespace {

// Records the merger's start; the test ends it.
class RecordingLauncher final : public platform::ProgramLauncher {
public:
    bool startInConsole(const QString&, const QString&, const QString&, QString&) override {
        return false;
    }
    bool startHidden(const QString&, const QString&, HiddenFinish onFinished, QString&) override {
        finishers.push_back(std::move(onFinished));
        return true;
    }
    std::vector<HiddenFinish> finishers;
};

using ReadoutCase = std::tuple<int, bool>; // bed orientation, a period chosen

// The viewer with a result chosen, merged, loaded and drawn as a user does,
// from files in the working folder.
class PointsAgainstTheReadout : public PointsWindowTest,
                                public testing::WithParamInterface<ReadoutCase> {
protected:
    void SetUp() override {
        PointsWindowTest::SetUp();
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.string()));
        platform::Services services = platform::services();
        services.launcher = &launcher_;
        platform::setServices(services);
        viewer_files::writeResultHeader(dir / "lying.data", viewer_files::lyingHeader());
        viewer_files::writeUncertaintyFile(
            dir / "lying.data.unc", viewer_files::lyingHeader(),
            [](int column, int row) { return 0.01 * double((3 * row + column) % 40); });
    }
    void TearDown() override {
        Windows::form1().reset();
        QDir::setCurrent(previousFolder_);
        PointsWindowTest::TearDown();
    }
    void mergeLoadAndDraw() {
        Form1& viewer = Windows::form1();
        viewer.reset();
        const auto items = viewer.File1->findItems(QStringLiteral("lying.data"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        viewer.File1->setCurrentItem(items.front());
        viewer.Command11->click();
        viewer_files::writeMergedFile(
            dir / "F2B.dat", [](int j, int i) { return cellValue(j, i, 1); },
            [](int j, int i) { return cellValue(j, i, 2); });
        ASSERT_FALSE(launcher_.finishers.empty());
        launcher_.finishers.back()(true, QString());
        viewer.Command2->click();
        ASSERT_TRUE(viewer.gridsLoaded);
        viewer.Option2->click();
        viewer.Command1->click();
        ASSERT_EQ(viewer.mapDrawn, 1);
        ASSERT_TRUE(messages.shown.empty()) << messages.texts().join("|").toStdString();
    }

    QString previousFolder_;
    RecordingLauncher launcher_;
};

} // namespace

// A point's dose in the table is what the viewer's read-out shows with the
// pointer on the same place of the map, on both sides of the phantom and for
// either bed, per minute and with a period chosen; so is its uncertainty.
TEST_P(PointsAgainstTheReadout, TheTableShowsTheReadoutOfThePlace) {
    const auto [orientation, period] = GetParam();
    Module1::RoomLayout room = defaultRoom();
    room.roomWidth = room.roomHeight = 900;
    room.phantomX = room.phantomY = 450;
    if (orientation == 2)
        std::swap(room.bedWidth, room.bedHeight);
    Module1::roomLayout = room;
    DoseSettings& settings = Windows::doseSettings();
    if (period) {
        settings.setMinutesPerWeek(45);
        settings.setPeriod(dose::Period::Year);
    }
    mergeLoadAndDraw();
    Form6& form = Windows::form6();
    form.Check1->setChecked(true);
    drawOverlay();

    const contours::MapXY places[] = {{35, -210}, {96, 0}, {250, 133}, {380, -280}};
    int placed = 0;
    for (bool otherSide : {false, true})
        for (const contours::MapXY& at : places) {
            const QPointF p = namedpoints::roomPointOf(room, {at, otherSide});
            placeAt(overlay::pixelOf(room, p.x(), p.y()), QStringLiteral("点%1").arg(placed++));
        }
    ASSERT_EQ(form.PointsTable->rowCount(), placed);
    ASSERT_TRUE(messages.shown.empty());

    Form1& viewer = Windows::form1();
    EXPECT_EQ(viewer.Label54->text().endsWith(QStringLiteral("/min")), !period);
    for (int row = 0; row < placed; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        // The pointer where the table says the point lies on the map.
        viewer.showReadout(cell(row, kX).toDouble(), cell(row, kC).toDouble() + 300);
        ASSERT_FALSE(viewer.Text22->text().isEmpty());
        EXPECT_EQ(cell(row, kDose), viewer.Text22->text());
        EXPECT_EQ(cell(row, kUncertainty), viewer.Text26->text());
    }
    // The table's unit is the read-out's.
    EXPECT_TRUE(
        form.PointsTable->horizontalHeaderItem(kDose)->text().contains(viewer.Label54->text()));
}

INSTANTIATE_TEST_SUITE_P(BothBeds, PointsAgainstTheReadout,
                         testing::Combine(testing::Values(1, 2), testing::Bool()));

// The table follows the settings at once: the period and the workload change
// the doses, the level chosen above the table the shares.
TEST_F(PointsWindowTest, TheTableFollowsTheSettingsAtOnce) {
    Form6& form = Windows::form6();
    drawOverlay();
    placeAt(pixelOf(300, 400), QStringLiteral("看護師")); // x = 150, c = 0
    const QString perMinute = cell(0, kDose);
    EXPECT_TRUE(cell(0, kShare).isEmpty()); // no workload yet
    EXPECT_FALSE(form.PointsNote->text().isEmpty());

    DoseSettings& settings = Windows::doseSettings();
    settings.setMinutesPerWeek(100);
    settings.setPeriod(dose::Period::Week);
    const double value = Windows::form1().doseEquivalentGrid.at(131, 301);
    const dose::DisplayScale week =
        settings.scaleFor(results::findExtremes(Windows::form1().doseEquivalentGrid).maximum);
    EXPECT_EQ(cell(0, kDose), namedpoints::doseText(dose::toShown(value, week), week));
    EXPECT_NE(cell(0, kDose), perMinute);
    const QString quarterShare = dose::shareText(value * 100 * 13 / 1300);
    EXPECT_EQ(cell(0, kShare), quarterShare);

    // The wall outside a room, 1 mSv a week.
    ASSERT_GE(form.ShareLevel->count(), 2);
    form.ShareLevel->setCurrentIndex(1);
    emit form.ShareLevel->activated(1);
    EXPECT_EQ(settings.shareLevel(), 1u);
    EXPECT_EQ(cell(0, kShare), dose::shareText(value * 100 / 1000));

    // A level the user adds can be chosen.
    QString error;
    const auto own = dose::makeUserLevel(QStringLiteral("隣室"), QStringLiteral("0.5"),
                                         dose::Prefix::Milli, dose::Period::Week, error);
    ASSERT_TRUE(own);
    settings.setShareLevel(settings.addUserLevel(*own));
    EXPECT_EQ(form.ShareLevel->count(), int(settings.levels().size()));
    EXPECT_EQ(form.ShareLevel->currentIndex(), int(settings.levels().size()) - 1);
    EXPECT_EQ(cell(0, kShare), dose::shareText(value * 100 / 500));

    // A new map: the table reads it at once.
    Form1& viewer = Windows::form1();
    viewer.doseEquivalentGrid.at(131, 301) = 2 * value;
    drawOverlay();
    EXPECT_EQ(cell(0, kShare), dose::shareText(2 * value * 100 / 500));
}

namespace {

class PointsWithTheLayoutTest : public PointsWindowTest {
protected:
    void SetUp() override {
        PointsWindowTest::SetUp();
        editor.setFolder(QString::fromStdString(dir.string()));
    }
    void select(const QString& name) {
        editor.refreshFileList();
        const auto found = editor.File1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        editor.File1->setCurrentItem(found.front());
    }
    // The points file as the reader gives it back.
    std::vector<namedpoints::NamedPoint> pointsIn(const char* roomFile) {
        QString error;
        const auto points = pointsfile::load(dir / roomFile, error);
        EXPECT_TRUE(points) << error.toStdString();
        return points.value_or(std::vector<namedpoints::NamedPoint>{});
    }
    Form5 editor;
};

} // namespace

// Points placed before the layout has a file are written when it is saved,
// beside it; from then on each edit is written at once; a save under another
// name takes them along; loading the layout reads them back; deleting it
// deletes them with it.
TEST_F(PointsWithTheLayoutTest, SavedReloadedAndDeletedWithTheLayout) {
    const RoomPoints& points = Windows::roomPoints();
    editor.Command2->click(); // 設定終了: the editor's default room
    editor.Command6->click(); // drawn over the room
    placeAt(pixelOf(320, 420), QStringLiteral("術者"));
    placeAt(pixelOf(500, 120), QStringLiteral("扉の外"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plan.Room.points"));

    editor.Text1->setText(QStringLiteral("plan"));
    editor.Command4->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::None); // saved
    EXPECT_EQ(pointsIn("plan.Room"), points.points());
    // The layout file is the 28 lines as written.
    QString error;
    EXPECT_EQ(read("plan.Room"), roomfile::write(*Module1::roomLayout, error).value());
    EXPECT_TRUE(Windows::form6().PointsNote->text().contains(QStringLiteral("plan.Room.points")));

    // Each edit now goes to the file at once.
    const QPointF from = pixelOf(500, 120);
    mouse(QEvent::MouseButtonPress, from);
    mouse(QEvent::MouseMove, from + QPointF(0, 30));
    mouse(QEvent::MouseButtonRelease, from + QPointF(0, 30));
    EXPECT_EQ(pointsIn("plan.Room"), points.points());
    EXPECT_NE(pointsIn("plan.Room")[1].y, 120);
    placeAt(pixelOf(100, 100), QStringLiteral("操作卓"));
    EXPECT_EQ(pointsIn("plan.Room").size(), 3u);

    // Saved as "copy": the points go with it; later edits go to the copy.
    editor.Text1->setText(QStringLiteral("copy"));
    editor.Command4->click();
    EXPECT_EQ(pointsIn("copy.Room"), points.points());
    const std::string planPoints = read("plan.Room.points");
    Windows::form6().choosePoint(2);
    Windows::form6().DeletePoint->click();
    EXPECT_EQ(pointsIn("copy.Room").size(), 2u);
    EXPECT_EQ(read("plan.Room.points"), planPoints);

    // Loaded again in a fresh session: the points of "plan" come back.
    Windows::roomPoints().reset();
    Module1::roomLayout.reset();
    Form5 other;
    other.setFolder(QString::fromStdString(dir.string()));
    other.loadLayout(QStringLiteral("plan.Room"));
    EXPECT_EQ(points.points(), pointsIn("plan.Room"));
    EXPECT_EQ(points.points().size(), 3u);
    ASSERT_TRUE(points.roomFile());
    EXPECT_EQ(points.roomFile()->filename(), "plan.Room");
    EXPECT_EQ(Windows::form6().PointsTable->rowCount(), 3);

    // Deleted with the layout: the question names the points file.
    messages.shown.clear();
    select(QStringLiteral("plan.Room"));
    messages.answers = {platform::MessageResult::Ok, platform::MessageResult::Ok};
    editor.Command5->click();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("plan.Room.points")));
    EXPECT_FALSE(std::filesystem::exists(dir / "plan.Room"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plan.Room.points"));
    EXPECT_TRUE(std::filesystem::exists(dir / "copy.Room.points"));
    // The points stay with the layout in use, no longer written anywhere.
    EXPECT_FALSE(points.roomFile());
    placeAt(pixelOf(400, 400), QStringLiteral("看護師"));
    EXPECT_FALSE(std::filesystem::exists(dir / "plan.Room.points"));
}

// A points file that cannot be read is refused naming the file and the line,
// the layout still loads, and the file is left for the user to mend: edits do
// not write over it, nor does a save of the layout under its name.
TEST_F(PointsWithTheLayoutTest, AnUnreadablePointsFileIsToldAndKept) {
    editor.Command2->click();
    editor.Text1->setText(QStringLiteral("plan"));
    editor.Command4->click();
    QString error;
    const std::string surgeon =
        "250 310 " + roomfile::encodeCp932(QStringLiteral("術者"), error).value();
    const std::string broken = surgeon + "\r\n250 x " + surgeon.substr(8) + "\r\n";
    write("plan.Room.points", broken);
    Module1::roomLayout.reset();
    messages.shown.clear();

    Form5 other;
    other.setFolder(QString::fromStdString(dir.string()));
    other.loadLayout(QStringLiteral("plan.Room"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("plan.Room.points")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("2 行目")));
    // The layout is loaded all the same.
    ASSERT_TRUE(Module1::roomLayout);
    EXPECT_EQ(other.Text1->text(), QStringLiteral("plan"));
    EXPECT_TRUE(Windows::roomPoints().points().empty());
    EXPECT_TRUE(Windows::roomPoints().keepsUnreadableFile());

    other.Command2->click();
    other.Command6->click();
    messages.shown.clear();
    placeAt(pixelOf(320, 420), QStringLiteral("看護師"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(read("plan.Room.points"), broken);
    other.Command4->click(); // saved under the same name
    EXPECT_EQ(read("plan.Room.points"), broken);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_TRUE(messages.shown.back().text.contains(QStringLiteral("plan.Room.points")));
    // Under another name the points placed meanwhile are written.
    other.Text1->setText(QStringLiteral("mended"));
    other.Command4->click();
    EXPECT_EQ(pointsIn("mended.Room").size(), 1u);
    EXPECT_FALSE(Windows::roomPoints().keepsUnreadableFile());
}

// The overlay window's own panel and list: a workload typed there and a level
// ticked there draw the level's line over the room at once, where the map
// crosses it (a radial map, crossed on a circle known by hand), on both sides
// with "両側に表示"; a period turns the legend and its thresholds into the
// period's unit, keeping each threshold's meaning; the list says when a level
// is nowhere reached.
TEST_F(PointsWindowTest, LimitLinesAndTheLegendFollowTheSettings) {
    Form1& viewer = Windows::form1();
    constexpr double kA = 1e5; // D = A / r² μSv/min about the phantom centre
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j) {
            const double x = results::xOfColumn(j);
            const double c = results::cOfRow(i);
            viewer.doseEquivalentGrid.at(j, i) = kA / (x * x + c * c);
        }
    viewer.relativeErrors.reset(); // no cell hatched: the lines run solid
    Form6& form = Windows::form6();
    drawOverlay();
    const double perMinuteTop = form.Text5->text().toDouble();
    const Module1::RoomLayout& room = *Module1::roomLayout;
    const QRgb navy = limitlines::lineColour(1).rgb() & 0xffffff;
    auto lineNear = [&](double x, double c, bool otherSide) {
        const overlay::MapPoint p = contours::phantomPoint({x, c}, 1, otherSide);
        const QPoint at = pixelOf(room.phantomX + p.u, room.phantomY + p.v).toPoint();
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if ((form.Picture1->image().pixel(at + QPoint(dx, dy)) & 0xffffff) == navy)
                    return true;
        return false;
    };
    // エックス線診療室の画壁等の外側, 1 mSv a week: at 130 minutes a week the
    // map reaches it where A / r² = 1000 / 130.
    const double radius = std::sqrt(kA / (1000.0 / 130));
    auto onCircle = [&](bool otherSide) {
        int found = 0;
        // Away from c = 0, where the name lies on the line.
        for (double degrees : {-70.0, -50.0, 50.0, 70.0}) {
            const double a = degrees * std::numbers::pi / 180;
            found += lineNear(radius * std::cos(a), radius * std::sin(a), otherSide);
        }
        return found;
    };

    DoseSettings& settings = Windows::doseSettings();
    QListWidgetItem* wall = form.Levels->Levels->item(1);
    ASSERT_NE(wall, nullptr);
    wall->setCheckState(Qt::Checked);
    EXPECT_TRUE(settings.isTicked(1));
    EXPECT_EQ(onCircle(false), 0); // no workload yet: no line
    form.Dose->MinutesPerWeek->setText(QStringLiteral("130"));
    form.Dose->Apply->click();
    ASSERT_EQ(settings.minutesPerWeek(), 130);
    EXPECT_EQ(onCircle(false), 4);
    EXPECT_EQ(onCircle(true), 0);
    EXPECT_FALSE(lineNear(0.7 * radius, 0, false));
    form.Check1->setChecked(true);
    EXPECT_EQ(onCircle(false), 4);
    EXPECT_EQ(onCircle(true), 4);

    // Three months: the legend in mSv (the map's top, 250 μSv/min, is far
    // above 1000 μSv in a quarter of 130-minute weeks), each threshold the
    // same dose rate as before, and the bands where they were.
    const QRgb bandBefore =
        form.Picture1->image().pixel(pixelOf(room.phantomX + 60, room.phantomY + 150).toPoint());
    form.Dose->Period->setCurrentIndex(2);
    ASSERT_EQ(settings.period(), dose::Period::Quarter);
    EXPECT_EQ(form.Label50->text(), dose::prefixText(dose::Prefix::Milli));
    EXPECT_NEAR(form.Text5->text().toDouble(), perMinuteTop * 130 * 13 / 1000,
                1e-9 * perMinuteTop * 130 * 13);
    EXPECT_EQ(
        form.Picture1->image().pixel(pixelOf(room.phantomX + 60, room.phantomY + 150).toPoint()),
        bandBefore);
    EXPECT_EQ(onCircle(true), 4);

    // A level above the map's top is nowhere reached; unticked, the line goes.
    QString error;
    const auto high = dose::makeUserLevel(QStringLiteral("上限"), QStringLiteral("300"),
                                          dose::Prefix::Micro, dose::Period::PerMinute, error);
    ASSERT_TRUE(high);
    const std::size_t added = settings.addUserLevel(*high);
    EXPECT_EQ(form.Levels->reachTextOf(added), contours::reachText(contours::Reach::NotReached));
    wall = form.Levels->Levels->item(1); // the rows were made again
    ASSERT_NE(wall, nullptr);
    wall->setCheckState(Qt::Unchecked);
    EXPECT_EQ(onCircle(false), 0);
    EXPECT_EQ(onCircle(true), 0);
}
