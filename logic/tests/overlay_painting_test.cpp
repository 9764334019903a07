// The room dose overlay as painted: band colours of the map, where the map lies,
// the bed or table bar, and the order of drawing (masks over the map, the
// room over the masks).
#include "logic/DoseGrids.h"
#include "logic/LayoutPlan.h"
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

namespace {

// Bands 1..11 in stripes 40 cm wide across the phantom's side and 100 cm long
// along it, so that a point mirrored about the wrong axis shows another band.
results::DoseGrid stripedGrid() {
    results::DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            grid.at(j, i) = 11.0 - double(((j - 1) / 40 + (i - 1) / 100) % 11);
    return grid;
}

} // namespace

// With both sides, each cell appears on the other side of the phantom in its
// own colour, the walls cut the map off on both sides, and nothing but white
// lies outside the room.
TEST(OverlayPainting, BothSidesMirrorsTheMapInsideTheRoom) {
    struct Case {
        const char* what;
        float bedWidth, bedHeight; // along Y (orientation 2) or along X (1)
        float phantomX, phantomY;
        int bodyPosition;
    };
    const Case cases[] = {
        {"bed along Y, the left wall 350 cm away", 90, 200, 350, 400, 1},
        {"bed along X, the top wall 300 cm away", 200, 90, 500, 300, 1},
        {"standing, bed along Y", 90, 200, 350, 400, 2},
    };
    const results::DoseGrid grid = stripedGrid();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Module1::RoomLayout room = defaultRoom();
        room.roomWidth = 1000;
        room.roomHeight = 800;
        room.bedWidth = c.bedWidth;
        room.bedHeight = c.bedHeight;
        room.bedLeft = c.phantomX - c.bedWidth / 2;
        room.bedTop = c.phantomY - c.bedHeight / 2;
        room.phantomX = c.phantomX;
        room.phantomY = c.phantomY;
        room.controlRoomX = room.controlRoomY = 20;
        room.freeText.clear();
        overlay::OverlayInputs inputs;
        inputs.room = room;
        inputs.bodyPosition = c.bodyPosition;
        inputs.focusSkinDistance = 60;
        inputs.grid = &grid;
        inputs.thresholds = descending();
        Painted oneSide(room, c.bodyPosition, grid);
        Painted both = oneSide;
        inputs.bothSides = true;
        both.orientation = overlay::paintOverlay(both.image, inputs);
        const int orientation = both.orientation;
        ASSERT_EQ(orientation, c.bedWidth > c.bedHeight ? 1 : 2);

        int mirroredCells = 0;
        int maskedCells = 0;
        for (int x = 35; x <= 395; x += 40) {                 // the middle of each stripe across
            for (int mapC = -250; mapC <= 250; mapC += 100) { // ... and along
                const int i = mapC + 301;
                const int j = x - 19;
                const overlay::MapPoint p = overlay::mapPoint(orientation, i, j);
                const overlay::MapPoint m = overlay::mirrored(p, orientation);
                const QRgb painted = both.atPhantom(p.u, p.v);
                ASSERT_EQ(painted, oneSide.atPhantom(p.u, p.v)); // that side is unchanged
                ASSERT_EQ(oneSide.atPhantom(m.u, m.v), kWhite);  // one side left it white
                const double X = m.u + room.phantomX;
                const double Y = m.v + room.phantomY;
                if (X > 7 && Y > 7 && X < room.roomWidth - 7 && Y < room.roomHeight - 7) {
                    ASSERT_NE(painted, kWhite);
                    EXPECT_EQ(both.at(X, Y), painted) << x << ", " << mapC;
                    ++mirroredCells;
                } else {
                    EXPECT_EQ(both.at(X, Y), kWhite) << x << ", " << mapC;
                    ++maskedCells;
                }
            }
        }
        EXPECT_GT(mirroredCells, 30);
        EXPECT_GT(maskedCells, 3); // the near wall cuts the mirrored map off

        // Outside the room (beyond the 4-pixel wall line) everything is white.
        const QPoint topLeft = both.pixel(0, 0);
        const QPoint bottomRight = both.pixel(room.roomWidth, room.roomHeight);
        for (int y = 0; y < both.image.height(); ++y) {
            for (int x = 0; x < both.image.width(); ++x) {
                const bool outside = x < topLeft.x() - 3 || y < topLeft.y() - 3 ||
                                     x > bottomRight.x() + 3 || y > bottomRight.y() + 3;
                if (outside) {
                    ASSERT_EQ(both.image.pixel(x, y) & 0xffffff, kWhite) << x << ", " << y;
                }
            }
        }
    }
}

// The page's overlay painted twice as fine shows the same colours where the
// window's does.
TEST(OverlayPainting, AFinerPictureShowsTheSameMap) {
    const Module1::RoomLayout room = defaultRoom();
    const results::DoseGrid grid = stripedGrid();
    overlay::OverlayInputs inputs;
    inputs.room = room;
    inputs.bodyPosition = 2;
    inputs.focusSkinDistance = 60;
    inputs.grid = &grid;
    inputs.thresholds = descending();
    QImage window = overlay::blankPicture();
    QImage page = overlay::blankPicture(2);
    const int orientation = overlay::paintOverlay(window, inputs);
    overlay::paintOverlay(page, inputs);
    ASSERT_EQ(page.size(), window.size() * 2);
    const overlay::PixelMapping m(overlay::roomScale(room.roomWidth, room.roomHeight),
                                  overlay::kPicturePixels);
    int compared = 0;
    for (int x = 35; x <= 275; x += 40) {
        for (int mapC = -250; mapC <= 250; mapC += 50) {
            const overlay::MapPoint p = overlay::mapPoint(orientation, mapC + 301, x - 19);
            const double dx = m.deviceX(p.u + room.phantomX);
            const double dy = m.deviceY(p.v + room.phantomY);
            const QRgb shown = window.pixel(int(dx), int(dy)) & 0xffffff;
            if (shown == kWhite)
                continue; // masked along a wall
            EXPECT_EQ(page.pixel(int(2 * dx), int(2 * dy)) & 0xffffff, shown) << x << ", " << mapC;
            ++compared;
        }
    }
    EXPECT_GT(compared, 40);
}

// In a large room the picture reaches far beyond the walls; neither the ends
// of the 100 cm grid (500 cm from the phantom) nor its line through the
// phantom centre may show there.
TEST(OverlayPainting, NothingOfTheGridOutsideALargeRoom) {
    struct Case {
        const char* what;
        float bedWidth, bedHeight;
        float phantomX, phantomY;
        bool bothSides;
    };
    const Case cases[] = {
        {"bed along X, both sides, the top wall 400 cm away", 200, 90, 800, 400, true},
        {"bed along X, the bottom wall 400 cm away", 200, 90, 800, 800, false},
        {"bed along Y, the top wall 300 cm away", 90, 200, 413, 300, false},
        {"bed along Y, the bottom wall 300 cm away", 90, 200, 413, 900, false},
        {"bed along Y, both sides, the bottom wall 300 cm away", 90, 200, 413, 900, true},
    };
    const results::DoseGrid grid = filledGrid(100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Module1::RoomLayout room = defaultRoom();
        room.roomWidth = 1600;
        room.roomHeight = 1200;
        room.bedWidth = c.bedWidth;
        room.bedHeight = c.bedHeight;
        room.phantomX = c.phantomX;
        room.phantomY = c.phantomY;
        room.bedLeft = c.phantomX - c.bedWidth / 2;
        room.bedTop = c.phantomY - c.bedHeight / 2;
        room.controlRoomX = room.controlRoomY = 20;
        room.freeText.clear();
        overlay::OverlayInputs inputs;
        inputs.room = room;
        inputs.grid = &grid;
        inputs.thresholds = descending();
        inputs.bothSides = c.bothSides;
        Painted p(room, 1, grid);
        overlay::paintOverlay(p.image, inputs);
        const QPoint topLeft = p.pixel(0, 0);
        const QPoint bottomRight = p.pixel(room.roomWidth, room.roomHeight);
        int outside = 0;
        for (int y = 0; y < p.image.height(); ++y)
            for (int x = 0; x < p.image.width(); ++x)
                if ((x < topLeft.x() - 3 || y < topLeft.y() - 3 || x > bottomRight.x() + 3 ||
                     y > bottomRight.y() + 3) &&
                    (p.image.pixel(x, y) & 0xffffff) != kWhite)
                    ++outside;
        EXPECT_EQ(outside, 0);
    }
}

// An element marked absent is drawn as if it were not in the room at all:
// the picture is the one with the element moved far outside it.
TEST(OverlayPainting, AbsentElementsAreNotDrawn) {
    struct Case {
        const char* what;
        bool Module1::AbsentElements::*flag;
        float Module1::RoomLayout::*left; // moved far away to compare with
    };
    const Case cases[] = {
        {"viewing window", &Module1::AbsentElements::viewingWindow,
         &Module1::RoomLayout::windowLeft},
        {"staff door", &Module1::AbsentElements::staffDoor, &Module1::RoomLayout::staffDoorLeft},
        {"patient entrance", &Module1::AbsentElements::patientEntrance,
         &Module1::RoomLayout::entranceLeft},
        {"control-room text", &Module1::AbsentElements::controlRoomText,
         &Module1::RoomLayout::controlRoomX},
        {"free text", &Module1::AbsentElements::freeText, &Module1::RoomLayout::freeTextX},
    };
    // The editor's defaults, the texts inside the picture.
    Module1::RoomLayout room = layout::capture(layout::LayoutPlan{});
    room.controlRoomY = 520;
    room.freeTextX = 400;
    const results::DoseGrid grid = filledGrid(5);
    const QImage all = Painted(room, 1, grid).image;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Module1::RoomLayout absent = room;
        absent.absent.*c.flag = true;
        Module1::RoomLayout away = room;
        away.*c.left = -50000;
        const QImage withoutIt = Painted(absent, 1, grid).image;
        EXPECT_EQ(withoutIt, Painted(away, 1, grid).image);
        EXPECT_NE(withoutIt, all);
    }
}
