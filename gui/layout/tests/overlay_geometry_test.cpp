// Geometry of the room dose overlay: scale, bed orientation, bed or bar, phantom
// coordinates, map points, grid and masks, without any widget.
#include "layout/OverlayGeometry.h"

#include <gtest/gtest.h>

using overlay::Box;
using overlay::UserScale;

namespace {

// The editor's defaults: room 600 x 600, bed 200 x 90 at (194, 209), phantom
// centre (300, 250).
Module1::RoomLayout defaultRoom() {
    Module1::RoomLayout r;
    r.roomWidth = 600;
    r.roomHeight = 600;
    r.bedWidth = 200;
    r.bedHeight = 90;
    r.bedTop = 209;
    r.bedLeft = 194;
    r.phantomX = 300;
    r.phantomY = 250;
    r.windowWidth = 189;
    r.windowHeight = 29;
    r.windowLeft = 266;
    r.windowTop = 584;
    r.staffDoorWidth = 101;
    r.staffDoorHeight = 23;
    r.staffDoorLeft = 51;
    r.staffDoorTop = 586;
    r.entranceWidth = 180;
    r.entranceHeight = 20;
    r.entranceLeft = 22;
    r.entranceTop = -7;
    r.controlRoomText = QStringLiteral("操作室");
    r.controlRoomX = 252;
    r.controlRoomY = 669;
    r.freeText = QStringLiteral("任意文字列");
    r.freeTextX = 640;
    r.freeTextY = 554;
    return r;
}

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
    // The room's centre is the picture's centre.
    EXPECT_NEAR(s.left + s.width / 2, c.width / 2, 1e-9);
    EXPECT_NEAR(s.top + s.height / 2, c.height / 2, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Rooms, RoomScaleTest,
                         testing::Values(ScaleCase{600, 400, {-60, -160, 720, 720}},
                                         ScaleCase{400, 600, {-160, -60, 720, 720}},
                                         ScaleCase{500, 500, {-50, -50, 600, 600}},
                                         ScaleCase{601, 600, {-60.1, -60.6, 721.2, 721.2}}));

TEST(OverlayGeometry, BedOrientationFollowsTheLongerSideAndSquareIsAlongY) {
    EXPECT_EQ(overlay::bedOrientation(200, 90), 1);
    EXPECT_EQ(overlay::bedOrientation(90, 200), 2);
    EXPECT_EQ(overlay::bedOrientation(100, 100), 2);
    EXPECT_EQ(overlay::bedOrientation(100.5, 100), 1);
}

TEST(OverlayGeometry, PhantomCoordinatesOnlyMoveTheOrigin) {
    const UserScale room = overlay::roomScale(600, 400);
    const UserScale phantom = overlay::phantomScale(room, 600, 400, 450, 120);
    EXPECT_DOUBLE_EQ(phantom.left, -(450 + 60));
    EXPECT_DOUBLE_EQ(phantom.top, -(120 + 160));
    EXPECT_DOUBLE_EQ(phantom.width, 720);
    const overlay::PixelMapping inRoom(room, overlay::kPicturePixels);
    const overlay::PixelMapping inPhantom(phantom, overlay::kPicturePixels);
    for (double u : {-450.0, 0.0, 37.5, 150.0}) {
        EXPECT_NEAR(inPhantom.deviceX(u), inRoom.deviceX(u + 450), 1e-9);
        EXPECT_NEAR(inPhantom.deviceY(u), inRoom.deviceY(u + 120), 1e-9);
    }
    EXPECT_NEAR(inRoom.deviceX(-60), 0, 1e-9);
    EXPECT_NEAR(inRoom.deviceX(660), overlay::kPicturePixels, 1e-9);
}

TEST(OverlayGeometry, BedLyingOrTableBarStanding) {
    const Module1::RoomLayout r = defaultRoom();
    auto expectBox = [](const Box& b, Box e) {
        EXPECT_DOUBLE_EQ(b.x1, e.x1);
        EXPECT_DOUBLE_EQ(b.y1, e.y1);
        EXPECT_DOUBLE_EQ(b.x2, e.x2);
        EXPECT_DOUBLE_EQ(b.y2, e.y2);
    };
    // Lying: the bed itself whatever the orientation.
    expectBox(overlay::bedFigure(r, 1, 1), {194, 209, 394, 299});
    expectBox(overlay::bedFigure(r, 1, 2), {194, 209, 394, 299});
    // Standing along X: a bar from cx - 11 to cx - 9 over the bed's height.
    expectBox(overlay::bedFigure(r, 2, 1), {289, 209, 291, 299});
    // Standing along Y: a bar from cy + 9 to cy + 11 over the bed's width.
    expectBox(overlay::bedFigure(r, 0, 2), {194, 259, 394, 261});
}

TEST(OverlayGeometry, OpeningsAndTexts) {
    Module1::RoomLayout r = defaultRoom();
    const auto o = overlay::openings(r);
    EXPECT_DOUBLE_EQ(o[0].x1, 266); // viewing window
    EXPECT_DOUBLE_EQ(o[0].y2, 613);
    EXPECT_DOUBLE_EQ(o[1].x2, 152); // staff door
    EXPECT_DOUBLE_EQ(o[2].y1, -7);  // patient entrance
    EXPECT_DOUBLE_EQ(o[2].x2, 202);

    auto texts = overlay::roomTexts(r);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, QStringLiteral("操作室"));
    EXPECT_DOUBLE_EQ(texts[0].y, 669);
    EXPECT_EQ(texts[1].text, QStringLiteral("任意文字列"));
    EXPECT_DOUBLE_EQ(texts[1].x, 640);

    r.freeText.clear();
    texts = overlay::roomTexts(r);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, QStringLiteral("操作室"));
}

TEST(OverlayGeometry, MapBesideThePhantomOrTurnedBelowIt) {
    using overlay::mapPoint;
    // Along Y: to the right, x across and c down.
    EXPECT_DOUBLE_EQ(mapPoint(2, 1, 1).u, 20);
    EXPECT_DOUBLE_EQ(mapPoint(2, 1, 1).v, -300);
    EXPECT_DOUBLE_EQ(mapPoint(2, 600, 380).u, 399);
    EXPECT_DOUBLE_EQ(mapPoint(2, 600, 380).v, 299);
    // Along X: below, its columns running downwards from v = 20.
    EXPECT_DOUBLE_EQ(mapPoint(1, 1, 1).u, 300);
    EXPECT_DOUBLE_EQ(mapPoint(1, 1, 1).v, 20);
    EXPECT_DOUBLE_EQ(mapPoint(1, 1, 380).v, 399);
    EXPECT_DOUBLE_EQ(mapPoint(1, 600, 380).u, -299);
    EXPECT_DOUBLE_EQ(mapPoint(1, 301, 5).u, 0);
}

TEST(OverlayGeometry, GridEvery100cmOverTheMap) {
    const auto along = overlay::gridLines(1);
    ASSERT_EQ(along.size(), 9u + 5u);
    EXPECT_DOUBLE_EQ(along.front().x1, -400);
    EXPECT_DOUBLE_EQ(along.front().y2, 500);
    EXPECT_DOUBLE_EQ(along[8].x1, 400);
    EXPECT_DOUBLE_EQ(along[9].y1, 0);
    EXPECT_DOUBLE_EQ(along[9].x1, -400);
    EXPECT_DOUBLE_EQ(along.back().y1, 400);
    EXPECT_DOUBLE_EQ(along.back().x2, 400);

    const auto across = overlay::gridLines(2);
    ASSERT_EQ(across.size(), 5u + 9u);
    EXPECT_DOUBLE_EQ(across.front().y1, -400);
    EXPECT_DOUBLE_EQ(across[4].x1, 400);
    EXPECT_DOUBLE_EQ(across[5].y1, -400);
    EXPECT_DOUBLE_EQ(across[5].x1, 0);
    EXPECT_DOUBLE_EQ(across.back().y2, 400);
}

bool masked(const std::array<Box, 3>& masks, overlay::MapPoint p) {
    for (const Box& b : masks)
        if (b.contains(p.u, p.v))
            return true;
    return false;
}

TEST(OverlayGeometry, MasksCoverTheMapFrom5cmInsideTheRightWall) {
    Module1::RoomLayout r = defaultRoom();
    r.bedWidth = 90; // along Y: the map lies to the right
    r.bedHeight = 200;
    r.phantomX = 500; // 100 cm from the right wall
    r.phantomY = 300;
    const auto masks = overlay::whiteMasks(r, 2);
    for (int i = 7; i <= 595; ++i) { // rows more than 5 cm inside the top and bottom walls
        for (int j = 1; j <= overlay::kMapColumns; ++j) {
            const overlay::MapPoint p = overlay::mapPoint(2, i, j);
            EXPECT_EQ(masked(masks, p), p.u >= 95) << p.u << ", " << p.v;
        }
    }
    // The strips along the top and bottom walls and everything beyond them.
    EXPECT_TRUE(masked(masks, {50, -296}));
    EXPECT_TRUE(masked(masks, {50, 296}));
    EXPECT_FALSE(masked(masks, {50, 294}));
}

TEST(OverlayGeometry, MasksBelowThePhantomWhenTheBedLiesAlongX) {
    const Module1::RoomLayout r = defaultRoom(); // centre (300, 250) in 600 x 600
    const auto masks = overlay::whiteMasks(r, 1);
    EXPECT_TRUE(masked(masks, {-296, 100}));  // left wall strip
    EXPECT_FALSE(masked(masks, {-294, 100})); // inside
    EXPECT_TRUE(masked(masks, {296, 100}));   // right wall strip
    EXPECT_TRUE(masked(masks, {0, 346}));     // bottom wall strip
    EXPECT_FALSE(masked(masks, {0, 344}));
    EXPECT_FALSE(masked(masks, {0, -2})); // above the map nothing is masked
}

TEST(OverlayGeometry, PixelsOfDotsAndBoxes) {
    using overlay::PixelMapping;
    EXPECT_EQ(PixelMapping::dotStart(10.0), 9);  // pixels 9 and 10 around 10.0
    EXPECT_EQ(PixelMapping::dotStart(10.6), 10); // pixels 10 and 11
    EXPECT_EQ(PixelMapping::firstInside(9.5), 9);
    EXPECT_EQ(PixelMapping::firstInside(9.6), 10);
    EXPECT_EQ(PixelMapping::lastInside(12.5), 12);
    EXPECT_EQ(PixelMapping::lastInside(12.4), 11);
}

} // namespace
