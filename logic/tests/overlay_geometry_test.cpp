// Geometry of the room dose overlay without any widget: scale, bed orientation,
// bed or bar, phantom coordinates, map points, grid, masks and texts.
#include "logic/OverlayGeometry.h"
#include "overlay_rooms.h"

#include <gtest/gtest.h>

using overlay::Box;
using overlay::UserScale;

namespace {

struct ScaleCase {
    double width, height;
    UserScale expected;
};

class RoomScaleTest : public testing::TestWithParam<ScaleCase> {};

TEST_P(RoomScaleTest, FitsTheRoomWithATenthMarginCentredAlongTheSmallerSide) {
    const ScaleCase& c = GetParam();
    const UserScale s = overlay::roomScale(c.width, c.height);
    EXPECT_NEAR(s.left, c.expected.left, 1e-9);
    EXPECT_NEAR(s.top, c.expected.top, 1e-9);
    EXPECT_NEAR(s.width, c.expected.width, 1e-9);
    EXPECT_NEAR(s.height, c.expected.height, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Rooms, RoomScaleTest,
                         testing::Values(ScaleCase{600, 400, {-60, -160, 720, 720}},
                                         ScaleCase{400, 600, {-160, -60, 720, 720}},
                                         ScaleCase{500, 500, {-50, -50, 600, 600}},
                                         ScaleCase{601, 600, {-60.1, -60.6, 721.2, 721.2}}),
                         [](const testing::TestParamInfo<ScaleCase>& info) {
                             return "Room" + std::to_string(int(info.param.width)) + "x" +
                                    std::to_string(int(info.param.height));
                         });

TEST(OverlayGeometry, BedOrientationFollowsTheLongerSideAndSquareIsAlongY) {
    EXPECT_EQ(overlay::bedOrientation(200, 90), 1);
    EXPECT_EQ(overlay::bedOrientation(90, 200), 2);
    EXPECT_EQ(overlay::bedOrientation(100, 100), 2);
}

void expectBox(const Box& b, Box e) {
    EXPECT_DOUBLE_EQ(b.x1, e.x1);
    EXPECT_DOUBLE_EQ(b.y1, e.y1);
    EXPECT_DOUBLE_EQ(b.x2, e.x2);
    EXPECT_DOUBLE_EQ(b.y2, e.y2);
}

TEST(OverlayGeometry, BedLyingOrTableBarStanding) {
    const Module1::RoomLayout r = defaultRoom();
    expectBox(overlay::bedFigure(r, 1, 1), {194, 209, 394, 299});
    expectBox(overlay::bedFigure(r, 1, 2), {194, 209, 394, 299});
    expectBox(overlay::bedFigure(r, 2, 1), {289, 209, 291, 299}); // cx - 11 .. cx - 9
    expectBox(overlay::bedFigure(r, 0, 2), {194, 259, 394, 261}); // cy + 9 .. cy + 11
}

TEST(OverlayGeometry, AnEmptyFreeTextIsLeftOut) {
    Module1::RoomLayout r = defaultRoom();
    auto texts = overlay::roomTexts(r);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, QStringLiteral("操作室"));
    EXPECT_EQ(texts[1].text, QStringLiteral("任意文字列"));
    EXPECT_DOUBLE_EQ(texts[1].x, 640);
    r.freeText.clear();
    texts = overlay::roomTexts(r);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, QStringLiteral("操作室"));
}

TEST(OverlayGeometry, MapBesideThePhantomOrTurnedBelowItWithItsGrid) {
    using overlay::mapPoint;
    EXPECT_DOUBLE_EQ(mapPoint(2, 1, 1).u, 20); // along Y: to the right
    EXPECT_DOUBLE_EQ(mapPoint(2, 1, 1).v, -300);
    EXPECT_DOUBLE_EQ(mapPoint(2, 600, 380).u, 399);
    EXPECT_DOUBLE_EQ(mapPoint(2, 600, 380).v, 299);
    EXPECT_DOUBLE_EQ(mapPoint(1, 1, 1).u, 300); // along X: below, columns downwards
    EXPECT_DOUBLE_EQ(mapPoint(1, 1, 1).v, 20);
    EXPECT_DOUBLE_EQ(mapPoint(1, 600, 380).u, -299);
    EXPECT_DOUBLE_EQ(mapPoint(1, 600, 380).v, 399);

    const auto along = overlay::gridLines(1);
    ASSERT_EQ(along.size(), 9u + 5u);
    EXPECT_DOUBLE_EQ(along.front().x1, -400);
    EXPECT_DOUBLE_EQ(along.front().y2, 500);
    EXPECT_DOUBLE_EQ(along.back().y1, 400);
    const auto across = overlay::gridLines(2);
    ASSERT_EQ(across.size(), 5u + 9u);
    EXPECT_DOUBLE_EQ(across.front().y1, -400);
    EXPECT_DOUBLE_EQ(across.back().x1, 0);
    EXPECT_DOUBLE_EQ(across.back().y1, 400);
}

bool masked(const std::array<Box, 3>& masks, overlay::MapPoint p) {
    for (const Box& b : masks)
        if (b.contains(p.u, p.v))
            return true;
    return false;
}

TEST(OverlayGeometry, MasksCoverTheMapFrom5cmInsideTheWalls) {
    Module1::RoomLayout r = defaultRoom();
    // Bed along X, centre (300, 250): left, right and bottom strips.
    auto masks = overlay::whiteMasks(r, 1);
    EXPECT_TRUE(masked(masks, {-296, 100}));
    EXPECT_FALSE(masked(masks, {-294, 100}));
    EXPECT_TRUE(masked(masks, {296, 100}));
    EXPECT_TRUE(masked(masks, {0, 346}));
    EXPECT_FALSE(masked(masks, {0, 344}));
    EXPECT_FALSE(masked(masks, {0, -2})); // nothing above the map

    // Bed along Y, centre 100 cm from the right wall: from u = 95 outwards.
    r.phantomX = 500;
    r.phantomY = 300;
    masks = overlay::whiteMasks(r, 2);
    for (int i = 7; i <= 595; ++i) { // rows more than 5 cm inside the top and bottom walls
        for (int j = 1; j <= overlay::kMapColumns; ++j) {
            const overlay::MapPoint p = overlay::mapPoint(2, i, j);
            ASSERT_EQ(masked(masks, p), p.u >= 95) << p.u << ", " << p.v;
        }
    }
    EXPECT_TRUE(masked(masks, {50, -296}));
    EXPECT_TRUE(masked(masks, {50, 296}));
}

} // namespace
