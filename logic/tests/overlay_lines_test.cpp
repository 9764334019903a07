// Limit lines over the room overlay: against a radial map whose crossing is
// known by hand, the line lies on its circle where the overlay lays the map,
// on the other side too when the map is drawn on both, and dashed where the
// cells are hatched.
#include "GuiApplication.h"
#include "radial_grid.h"
#include "logic/LimitLines.h"
#include "logic/NamedPoints.h"
#include "logic/OverlayPainting.h"
#include "overlay_rooms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::GuiApplicationEnvironment);

// D(r) = A / r² about the phantom centre (μSv/min): the level L lies on the
// circle r = sqrt(A / L).
constexpr double kA = 1.0e6;
constexpr double kLevel = 25; // μSv/min: r = 200 cm
constexpr double kRadius = 200;

results::DoseGrid radialGrid() { return testsupport::radialGrid(kA); }

// The level as the second of a list, so that its line takes the list's
// second colour (navy), which no band has.
std::vector<limitlines::LimitLine> linesOf(const results::DoseGrid& grid,
                                           const std::vector<bool>* hatched) {
    QString error;
    const dose::ReferenceLevel level =
        *dose::makeUserLevel(QStringLiteral("境界"), QString::number(kLevel), dose::Prefix::Micro,
                             dose::Period::PerMinute, error);
    return limitlines::traceLimitLines(grid, hatched, {level, level}, {false, true}, 0);
}

QRgb navy() {
    return limitlines::lineColour(1).rgb() & 0xffffff;
}

struct Overlay {
    Module1::RoomLayout room;
    QImage image = overlay::blankPicture();
    int orientation = 0;

    Overlay(const Module1::RoomLayout& r, const results::DoseGrid& grid,
            const std::vector<limitlines::LimitLine>& lines, bool bothSides)
        : room(r) {
        overlay::OverlayInputs inputs;
        inputs.room = r;
        inputs.bodyPosition = 1;
        inputs.grid = &grid;
        for (std::size_t k = 0; k < inputs.thresholds.size(); ++k)
            inputs.thresholds[k] = 1000.0 / double(k + 1);
        inputs.bothSides = bothSides;
        inputs.limitLines = &lines;
        orientation = overlay::paintOverlay(image, inputs);
    }
    // Whether the line's colour is within `reach` pixels of map point (x, c).
    bool lineNear(double x, double c, bool otherSide, int reach = 2) const {
        const overlay::MapPoint p = contours::phantomPoint({x, c}, orientation, otherSide);
        const QPoint at =
            overlay::pixelOf(room, room.phantomX + p.u, room.phantomY + p.v).toPoint();
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx) {
                const QPoint q = at + QPoint(dx, dy);
                if (image.rect().contains(q) && (image.pixel(q) & 0xffffff) == navy())
                    return true;
            }
        return false;
    }
};

// A room large enough for the whole circle on both sides: 1000 x 1000 cm,
// the phantom in the middle.
Module1::RoomLayout largeRoom(int orientation) {
    Module1::RoomLayout r = defaultRoom();
    r.roomWidth = r.roomHeight = 1000;
    r.phantomX = r.phantomY = 500;
    r.controlRoomText.clear();
    r.freeText.clear();
    if (orientation == 2)
        std::swap(r.bedWidth, r.bedHeight);
    return r;
}

} // namespace

// The line runs on the circle of its level, on the side the map is drawn and,
// with both sides, mirrored on the other; nowhere off the circle.
TEST(OverlayLines, OnTheCircleOfTheLevelOnBothSides) {
    const results::DoseGrid grid = radialGrid();
    const std::vector<limitlines::LimitLine> lines = linesOf(grid, nullptr);
    ASSERT_TRUE(lines.at(0).drawn());
    for (int orientation : {1, 2})
        for (bool bothSides : {false, true}) {
            const Overlay painted(largeRoom(orientation), grid, lines, bothSides);
            ASSERT_EQ(painted.orientation, orientation);
            // Angles away from the label, which sits at the largest x.
            for (double degrees : {-75.0, -50.0, -20.0, 30.0, 60.0}) {
                const double a = degrees * std::numbers::pi / 180;
                const double x = kRadius * std::cos(a);
                const double c = kRadius * std::sin(a);
                SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", " << degrees
                                                << "°, both sides " << bothSides);
                EXPECT_TRUE(painted.lineNear(x, c, false));
                EXPECT_EQ(painted.lineNear(x, c, true), bothSides);
                // Well inside and well outside the circle: none of it.
                EXPECT_FALSE(painted.lineNear(0.7 * x, 0.7 * c, false));
                EXPECT_FALSE(painted.lineNear(1.3 * x, 1.3 * c, false));
            }
        }
}

// Over the cells the hatching marks (here those with c > 0) the line is
// dashed: along that half of the circle the colour has gaps, along the other
// it has none.
TEST(OverlayLines, DashedOverHatchedCells) {
    const results::DoseGrid grid = radialGrid();
    std::vector<bool> hatched(results::kGridCells, false);
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            hatched[std::size_t(i - 1) * results::kGridColumns + std::size_t(j - 1)] =
                results::cOfRow(i) > 0;
    const std::vector<limitlines::LimitLine> lines = linesOf(grid, &hatched);
    for (int orientation : {1, 2}) {
        const Overlay painted(largeRoom(orientation), grid, lines, true);
        // The pixels of the line's colour near the circle, between 10° and
        // 70° from c = 0, by side and by half.
        int count[2][2] = {{0, 0}, {0, 0}}; // [other side][hatched half]
        for (int y = 0; y < painted.image.height(); ++y)
            for (int x = 0; x < painted.image.width(); ++x) {
                if ((painted.image.pixel(x, y) & 0xffffff) != navy())
                    continue;
                const QPointF at = overlay::roomPointAt(painted.room, QPointF(x + 0.5, y + 0.5));
                const namedpoints::MapPosition p =
                    namedpoints::mapPositionOf(painted.room, at.x(), at.y());
                const double r = std::hypot(p.map.x, p.map.c);
                const double degrees =
                    std::atan2(std::fabs(p.map.c), p.map.x) * 180 / std::numbers::pi;
                if (std::fabs(r - kRadius) < 6 && degrees > 10 && degrees < 70)
                    ++count[p.otherSide][p.map.c > 0];
            }
        for (bool otherSide : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "orientation " << orientation << ", other side " << otherSide);
            const int solid = count[otherSide][0];
            const int dashed = count[otherSide][1];
            // Dashes of 6 pixels and gaps of 4, and the ends of dashes soft.
            EXPECT_GT(solid, 60);
            EXPECT_LT(dashed, solid * 8 / 10);
            EXPECT_GT(dashed, solid * 3 / 10);
        }
    }
}
