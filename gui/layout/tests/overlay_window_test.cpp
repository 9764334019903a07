// The overlay window and DrawLayoutOverlay with the viewer: what the drawing
// reads from the viewer, the window events it lets run, and a drawing the
// viewer's result outlives.
#include "Windows.h"
#include "layout/Form5.h"
#include "layout/Form6.h"
#include "layout/Overlay.h"
#include "logic/Captions.h"
#include "logic/OverlayPainting.h"
#include "overlay_rooms.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/PictureBox.h"

#include "RecordingMessages.h"
#include "TempFolderTest.h"
#include "TestApplication.h"
#include "page_dialogs.h"
#include "page_pixels.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);

// Colours without their alpha, as the pixels are compared.
constexpr QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b) & 0xffffff;
}
const QRgb kWhite = rgb(255, 255, 255);
const QRgb kMagenta = rgb(255, 0, 255);

// What the layout editor's "散乱線分布表示" draws: the viewer's map over the room.
void drawOverlay() {
    const Form1& viewer = Windows::form1();
    Windows::form6().drawOverlay(viewer.currentMap(), viewer.stillShowing());
}

results::DoseGrid filledGrid(double value) {
    results::DoseGrid grid;
    std::fill(grid.cells().begin(), grid.cells().end(), value);
    return grid;
}

// Counts the event pumps and runs a probe at each.
class CountingPump : public platform::EventPump {
public:
    void processEvents() override {
        ++calls;
        if (probe)
            probe();
    }
    int calls = 0;
    std::function<void()> probe;
};

using testsupport::RecordingMessages;

class DrawLayoutOverlayTest : public testing::Test {
protected:
    void SetUp() override {
        platform::Services services;
        services.events = &pump;
        platform::setServices(services);
        Module1::roomLayout = defaultRoom();
        Form1& viewer = Windows::form1();
        viewer.kermaGrid = filledGrid(100);
        viewer.doseEquivalentGrid = filledGrid(0.5);
        viewer.gridsLoaded = true;
        viewer.bodyPosition = 1;
        viewer.Option1->setChecked(true);
        setThresholdFields();
    }
    // 11, 10, ..., 1 into the viewer's fields (switching the quantity overwrites
    // them).
    static void setThresholdFields() {
        const auto fields = Windows::form1().thresholdFields();
        for (std::size_t k = 0; k < fields.size(); ++k)
            fields[k]->setText(QString::number(11 - int(k)));
    }
    void TearDown() override {
        platform::resetServices();
        Module1::roomLayout.reset();
    }
    static QRgb overlayAt(double u, double v) {
        const Module1::RoomLayout& r = *Module1::roomLayout;
        const overlay::PixelMapping m(overlay::roomScale(r.roomWidth, r.roomHeight),
                                      overlay::kPicturePixels);
        return Windows::form6().Picture1->image().pixel(int(m.deviceX(u + r.phantomX)),
                                                        int(m.deviceY(v + r.phantomY))) &
               0xffffff;
    }

    CountingPump pump;
};

TEST_F(DrawLayoutOverlayTest, DrawsTheViewersChosenQuantityWithItsThresholdFields) {
    Form1& viewer = Windows::form1();
    drawOverlay();
    EXPECT_EQ(pump.calls, 601); // once after each map row
    EXPECT_EQ(Module1::bedOrientation, 1);
    EXPECT_EQ(overlayAt(50, 150), kMagenta);

    viewer.Option2->setChecked(true); // dose equivalent: 0.5 is below T11
    setThresholdFields();
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), kWhite);

    EXPECT_EQ(Windows::form6().Text5->text(), "11"); // the copies show what was drawn

    // Fields that cannot band a map do not paint it in one band: the
    // thresholds of the load are used, and the copies show them.
    viewer.doseEquivalentThresholds = {0.6, 0.55, 0.5, 0.4, 0.3, 0.2, 0.1, 0.1, 0.1, 0.1, 0.1};
    for (QLineEdit* field : viewer.thresholdFields())
        field->setText(QStringLiteral("abc"));
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), page_pixels::rgbOf(results::mapColour(3)));
    EXPECT_EQ(Windows::form6().Text5->text(), "0.6");
    EXPECT_TRUE(Windows::form6().Text5->isReadOnly());
    for (QLineEdit* field : viewer.thresholdFields())
        field->setText(QStringLiteral("0"));
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), page_pixels::rgbOf(results::mapColour(3)));

    // "Close" only hides: the drawing stays.
    Form6& form = Windows::form6();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("  透視室内散乱線分布図"));
    form.show();
    form.Command1->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(overlayAt(50, 150), page_pixels::rgbOf(results::mapColour(3)));
}

TEST_F(DrawLayoutOverlayTest, ACallWhileItDrawsReturnsAtOnce) {
    int nested = 0;
    pump.probe = [&] {
        EXPECT_TRUE(Module1::layoutOverlayRunning());
        if (nested++ == 0)
            drawOverlay();
    };
    drawOverlay();
    EXPECT_EQ(pump.calls, 601);
    EXPECT_FALSE(Module1::layoutOverlayRunning());
}

// The viewer lets its result go when another file is chosen or a load fails:
// a drawing then shows no map, and one under way when it happens is dropped.
TEST_F(DrawLayoutOverlayTest, NoMapOfAResultTheViewerLetGo) {
    Form1& viewer = Windows::form1();
    viewer.gridsLoaded = false;
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), kWhite); // thresholds 11..1: 100 would be magenta
    EXPECT_NE(Windows::form6().Picture1->image(), overlay::blankPicture()); // the room is there

    viewer.gridsLoaded = true;
    pump.probe = [&] {
        if (pump.calls == 300)
            viewer.reset();
    };
    drawOverlay();
    EXPECT_EQ(Windows::form6().Picture1->image(), overlay::blankPicture());
}

TEST_F(DrawLayoutOverlayTest, WithoutALayoutThePictureIsOnlyCleared) {
    drawOverlay();
    Module1::roomLayout.reset();
    drawOverlay();
    EXPECT_EQ(pump.calls, 601);
    const QImage& picture = Windows::form6().Picture1->image();
    EXPECT_EQ(picture, overlay::blankPicture());
}

// "両側に表示": off at start; on, the drawing is made again with the map
// mirrored above the phantom (bed along X); the drawing as a page in PNG, PDF
// and print shows the legend and the map on both sides; a write that fails
// leaves no file.
TEST_F(DrawLayoutOverlayTest, BothSidesAndThePageOfTheDrawing) {
    const std::filesystem::path folder = testsupport::uniqueTempPath("overlay-pages-test");
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    page_dialogs::AnsweringFileDialogs fileDialogs;
    page_dialogs::PrintToPdf printDialog;
    RecordingMessages messages;
    platform::Services services;
    services.events = &pump;
    services.messages = &messages;
    services.fileDialogs = &fileDialogs;
    services.printDialogs = &printDialog;
    platform::setServices(services);

    // Bands 1..11 in stripes 40 cm wide across the phantom's side.
    Form1& viewer = Windows::form1();
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            viewer.kermaGrid.at(j, i) = 11.0 - double((j - 1) / 40 % 11);
    auto band = [&](int x) {
        return page_pixels::rgbOf(results::mapColour(
            results::bandOf(viewer.kermaGrid.at(x - 19, 1), viewer.currentMap().thresholds)));
    };
    Form6& form = Windows::form6();
    EXPECT_FALSE(form.Check1->isChecked());
    EXPECT_FALSE(form.SavePicture->isEnabled());
    drawOverlay();
    const QImage oneSide = form.Picture1->image();
    EXPECT_EQ(overlayAt(-150, 125), band(125));
    EXPECT_EQ(overlayAt(-150, -125), kWhite);

    form.Check1->setChecked(true); // drawn again at once
    EXPECT_EQ(pump.calls, 1202);
    for (int x : {45, 85, 125, 165, 205})
        EXPECT_EQ(overlayAt(-150, -x), band(x)) << x;
    EXPECT_EQ(overlayAt(-150, -246), kWhite); // the strip along the top wall

    auto path = [&folder](const char* name) {
        return QString::fromStdString((folder / name).string());
    };
    fileDialogs.answers = {path("room.png"), path("room.pdf"), path("gone/room.png")};
    for (int k = 0; k < 3; ++k)
        form.SavePicture->trigger();
    printDialog.path = path("printed.pdf");
    form.PrintPicture->trigger();
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
    ASSERT_EQ(messages.shown.size(), 1u); // the write that failed
    EXPECT_NE(messages.shown[0].text.indexOf(QStringLiteral("room.png")), -1);

    // The page is laid out around the room's texts in the picture's font.
    const Module1::RoomLayout& room = *Module1::roomLayout;
    page::PageContent content;
    content.picture = page::Picture::RoomOverlay;
    content.room = room;
    content.pictureFont = form.Picture1->font();
    const page::PageLayout layout = page::pageLayout(content);
    std::set<QRgb> shown;
    for (const QImage& saved :
         {QImage(path("room.png")), page_pixels::renderPdf(folder / "room.pdf", 192)}) {
        ASSERT_FALSE(saved.isNull());
        page_pixels::expectLegend(saved, layout, 2);
        for (int x : {45, 85, 125, 165, 205}) {
            for (int side : {1, -1})
                EXPECT_EQ(page_pixels::roomPageColour(saved, layout, 2, room, room.phantomX - 150,
                                                      room.phantomY + side * x),
                          band(x))
                    << x << " on side " << side;
            shown.insert(band(x));
        }
    }
    page_pixels::expectColoursShown(page_pixels::renderPdf(folder / "printed.pdf", 96), shown, 40);

    form.Check1->setChecked(false); // one side again
    EXPECT_EQ(form.Picture1->image(), oneSide);
    std::filesystem::remove_all(folder);
}

} // namespace

// The room plan lies in a horizontal plane: the editor refuses to draw a
// vertical section over it (the viewer may have drawn one since the editor
// was opened), and draws a map at another height with its plane named.
TEST_F(DrawLayoutOverlayTest, OnlyHorizontalPlanesOverTheRoom) {
    RecordingMessages messages;
    platform::Services services = platform::services();
    services.messages = &messages;
    platform::setServices(services);
    Form1& viewer = Windows::form1();
    Form5& editor = Windows::form5();
    Form6& form = Windows::form6();
    form.forgetMap();
    form.hide();

    textrec::planes::PlaneRecord record;
    record.kind = textrec::planes::PlaneKind::VerticalSection;
    viewer.loadedPlane = record;
    editor.open();
    editor.showOverlay();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(pump.calls, 0); // nothing drawn
    EXPECT_EQ(form.Picture1->image(), overlay::blankPicture());
    EXPECT_TRUE(editor.isVisible());
    EXPECT_FALSE(form.isVisible());
    // Nor when the map reaches the window by another way.
    drawOverlay();
    EXPECT_EQ(form.Picture1->image(), overlay::blankPicture());

    record.kind = textrec::planes::PlaneKind::Horizontal;
    record.height = 150;
    viewer.loadedPlane = record;
    editor.showOverlay();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(overlayAt(50, 150), kMagenta);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(form.PictureCaption->text(), captions::roomPicture(record));
    form.hide();
    viewer.loadedPlane.reset();
    drawOverlay();
    EXPECT_EQ(form.PictureCaption->text(), captions::roomPicture());
}
