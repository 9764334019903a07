// The overlay window and DrawLayoutOverlay with the viewer: what the drawing
// reads from the viewer, the window events it lets run, and a drawing the
// viewer's result outlives.
#include "Windows.h"
#include "layout/Form5.h"
#include "layout/Form6.h"
#include "layout/Overlay.h"
#include "logic/OverlayPainting.h"
#include "overlay_rooms.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/PictureBox.h"

#include "TestApplication.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_EQ(pump.calls, 600); // once after each map row
    EXPECT_EQ(Module1::bedOrientation, 1);
    EXPECT_EQ(overlayAt(50, 150), kMagenta);

    viewer.Option2->setChecked(true); // dose equivalent: 0.5 is below T11
    setThresholdFields();
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), kWhite);

    // A field that does not begin with a number counts as 0.
    for (QLineEdit* field : viewer.thresholdFields())
        field->setText(QStringLiteral("abc"));
    drawOverlay();
    EXPECT_EQ(overlayAt(50, 150), kMagenta);

    // "Close" only hides: the drawing stays.
    Form6& form = Windows::form6();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("  透視室内散乱線分布図"));
    form.show();
    form.Command1->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(overlayAt(50, 150), kMagenta);
}

TEST_F(DrawLayoutOverlayTest, ACallWhileItDrawsReturnsAtOnce) {
    int nested = 0;
    pump.probe = [&] {
        EXPECT_TRUE(Module1::layoutOverlayRunning());
        if (nested++ == 0)
            drawOverlay();
    };
    drawOverlay();
    EXPECT_EQ(pump.calls, 600);
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
    EXPECT_EQ(pump.calls, 600);
    const QImage& picture = Windows::form6().Picture1->image();
    EXPECT_EQ(picture, overlay::blankPicture());
}

} // namespace
