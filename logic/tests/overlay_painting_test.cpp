// The room dose overlay as painted: band colours of the map, where the map lies,
// the bed or table bar, and the order of drawing (masks over the map, the
// room over the masks).
#include "logic/DoseGrids.h"
#include "logic/OverlayPainting.h"
#include "overlay_rooms.h"

#include "GuiApplication.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::GuiApplicationEnvironment);

// Colours without their alpha, as the pixels are compared.
constexpr QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b) & 0xffffff;
}
const QRgb kWhite = rgb(255, 255, 255);
const QRgb kBlack = rgb(0, 0, 0);
const QRgb kMagenta = rgb(255, 0, 255);
const QRgb kRed = rgb(255, 0, 0);

// Thresholds 11, 10, ..., 1.
results::Thresholds descending() {
    results::Thresholds t{};
    for (std::size_t k = 0; k < t.size(); ++k)
        t[k] = 11.0 - double(k);
    return t;
}

results::DoseGrid filledGrid(double value) {
    results::DoseGrid grid;
    std::fill(grid.cells().begin(), grid.cells().end(), value);
    return grid;
}

// A painted overlay and the colour at a point of the room.
struct Painted {
    Module1::RoomLayout room;
    QImage image = overlay::blankPicture();
    int orientation = 0;

    Painted(const Module1::RoomLayout& r, int bodyPosition, const results::DoseGrid& grid,
            double fsd = 60)
        : room(r) {
        overlay::OverlayInputs inputs;
        inputs.room = r;
        inputs.bodyPosition = bodyPosition;
        inputs.focusSkinDistance = fsd;
        inputs.grid = &grid;
        inputs.thresholds = descending();
        orientation = overlay::paintOverlay(image, inputs);
    }
    QPoint pixel(double X, double Y) const {
        const overlay::PixelMapping m(overlay::roomScale(room.roomWidth, room.roomHeight),
                                      overlay::kPicturePixels);
        return {int(std::floor(m.deviceX(X))), int(std::floor(m.deviceY(Y)))};
    }
    // Colour at room point (X, Y).
    QRgb at(double X, double Y) const { return image.pixel(pixel(X, Y)) & 0xffffff; }
    // Colour at phantom point (u, v).
    QRgb atPhantom(double u, double v) const { return at(u + room.phantomX, v + room.phantomY); }
    // Whether any pixel within `reach` pixels of room point (X, Y) has `colour`.
    bool near(double X, double Y, QRgb colour, int reach = 1) const {
        const QPoint p = pixel(X, Y);
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                if ((image.pixel(p + QPoint(dx, dy)) & 0xffffff) == (colour & 0xffffff))
                    return true;
        return false;
    }
};

TEST(OverlayPainting, MapColoursOfTheBands) {
    const Module1::RoomLayout room = defaultRoom();
    struct Case {
        double value;
        QRgb colour;
    };
    const Case cases[] = {
        {11, kMagenta},          // equal to T1: band 1
        {10.99, kRed},           // band 2
        {7, rgb(164, 208, 80)},  // band 5: the map's green, not the legend's
        {1, rgb(200, 200, 200)}, // equal to T11: band 11
        {0.99, kWhite},          // below T11: band 12
    };
    for (const Case& c : cases) {
        const Painted p(room, 1, filledGrid(c.value));
        EXPECT_EQ(p.atPhantom(50, 150), c.colour) << c.value;
    }
}

TEST(OverlayPainting, HatchingOnlyOverTheFlaggedCells) {
    // Fine cells x = 140..159 cm, c = 40..59 cm flagged; the map is band 2 red.
    std::vector<bool> hatched(results::kGridCells, false);
    for (int i = 341; i <= 360; ++i)
        for (int j = 121; j <= 140; ++j)
            hatched[std::size_t(i - 1) * results::kGridColumns + std::size_t(j - 1)] = true;
    const Module1::RoomLayout room = defaultRoom();
    const results::DoseGrid grid = filledGrid(10.5);
    overlay::OverlayInputs inputs;
    inputs.room = room;
    inputs.grid = &grid;
    inputs.thresholds = descending();
    Painted painted(room, 1, grid);
    inputs.hatched = &hatched;
    painted.orientation = overlay::paintOverlay(painted.image, inputs);
    auto blackAround = [&](int i, int j) {
        const overlay::MapPoint m = overlay::mapPoint(painted.orientation, i, j);
        return painted.near(m.u + room.phantomX, m.v + room.phantomY, kBlack, 3);
    };
    EXPECT_TRUE(blackAround(350, 130));
    EXPECT_FALSE(blackAround(350, 150)); // x = 169 cm
    EXPECT_FALSE(blackAround(370, 130)); // c = 69 cm
}

TEST(OverlayPainting, MapAndSketchAlongXAndAlongY) {
    Module1::RoomLayout room = defaultRoom();
    const Painted lying(room, 1, filledGrid(100));
    const Painted standing(room, 2, results::DoseGrid{}, 60);
    // Along X the map lies below the phantom from v = 20.
    EXPECT_EQ(lying.orientation, 1);
    EXPECT_EQ(lying.atPhantom(-150, 150), kMagenta);
    EXPECT_EQ(lying.atPhantom(150, 15), kWhite);
    EXPECT_EQ(lying.atPhantom(150, -150), kWhite);
    // The bed's left edge, where neither map nor sketch reach: only when lying.
    EXPECT_TRUE(lying.near(194, 254, kBlack));
    EXPECT_FALSE(standing.near(194, 254, kBlack));
    // Standing: the bar from cx - 11 to cx - 9 over the bed's height and the focus
    // disc 10 + FSD to the right; lying: the beam end-on, a red disc at the centre.
    EXPECT_TRUE(standing.near(290, 215, kBlack));
    EXPECT_FALSE(lying.near(290, 215, kBlack));
    EXPECT_EQ(standing.at(300 + 70, 253), kRed);
    EXPECT_EQ(lying.at(300 + 70, 253), kWhite);
    EXPECT_EQ(lying.at(303, 247), kRed);

    room.bedWidth = 90; // along Y: the map to the right, the focus above
    room.bedHeight = 200;
    const Painted lyingY(room, 1, filledGrid(100));
    const Painted standingY(room, 2, results::DoseGrid{}, 100);
    EXPECT_EQ(lyingY.orientation, 2);
    EXPECT_EQ(lyingY.atPhantom(150, -150), kMagenta);
    EXPECT_EQ(lyingY.atPhantom(-150, 150), kWhite);
    EXPECT_EQ(lyingY.atPhantom(15, 150), kWhite);
    EXPECT_EQ(standingY.atPhantom(3, -110), kRed);
    EXPECT_TRUE(standingY.near(room.bedLeft + 45, room.phantomY + 10, kBlack)); // the bar
    EXPECT_FALSE(standingY.near(room.bedLeft, room.phantomY + 40, kBlack));     // no bed
}

TEST(OverlayPainting, MasksCoverTheMapAndTheRoomIsDrawnOverTheMasks) {
    // A small room for 2 pixels a cm; the centre 100 cm from the right wall, the
    // bed along Y.
    Module1::RoomLayout room = defaultRoom();
    room.roomWidth = 300;
    room.roomHeight = 300;
    room.phantomX = 200;
    room.phantomY = 150;
    room.bedWidth = 60;
    room.bedHeight = 200;
    room.bedLeft = 170;
    room.bedTop = 50;
    room.freeTextX = 10;
    const Painted p(room, 1, filledGrid(100));
    ASSERT_EQ(p.orientation, 2);
    for (double v : {-120.0, -30.0, 30.0, 130.0}) {
        EXPECT_EQ(p.atPhantom(90, v), kMagenta) << v; // inside, short of the strip
        EXPECT_EQ(p.atPhantom(96, v), kWhite) << v;   // the map under the mask
        EXPECT_EQ(p.atPhantom(100, v), kBlack) << v;  // the right wall over the mask
        EXPECT_EQ(p.atPhantom(110, v), kWhite) << v;  // outside the room
    }
    // Along the bottom wall: the strip is white, the wall black.
    EXPECT_EQ(p.atPhantom(50, 140), kMagenta);
    EXPECT_EQ(p.atPhantom(50, 146.5), kWhite);
    EXPECT_EQ(p.atPhantom(50, 150), kBlack);
    // The grid over the map; masked with it beyond the strip's edge.
    EXPECT_TRUE(p.near(250, 150, kBlack));
    EXPECT_FALSE(p.near(297, 150, kBlack));
}

TEST(OverlayPainting, LegendTenBandBoxesAndTheGreyOne) {
    const QImage legend = overlay::paintLegend();
    ASSERT_EQ(legend.size(), QSize(overlay::kLegendWidth, overlay::kLegendHeight));
    auto boxColour = [&](int k) {
        const int y = int((10.0 * k - 5) * overlay::kLegendPixelsPerUnitY);
        return legend.pixel(20, y) & 0xffffff;
    };
    EXPECT_EQ(boxColour(1), kMagenta);
    EXPECT_EQ(boxColour(5), rgb(146, 208, 80));
    EXPECT_EQ(boxColour(10), rgb(126, 126, 126));
    EXPECT_EQ(boxColour(11), rgb(200, 200, 200));
}

} // namespace
