// Geometry of the room dose overlay without any widget: the picture scale that
// fits the room, the bed orientation, the bed or table bar, the phantom
// coordinates, where each map cell lands, the 100 cm grid, the white masks and
// the conversion of picture coordinates to pixels.
//
// Room coordinates are those of the layout plan: cm, origin at the room's
// top-left inner corner, X to the right and Y downwards. Phantom coordinates
// (u, v) are the same axes with the origin moved to the phantom centre.
#pragma once

#include "logic/DoseGrids.h"
#include "logic/RoomLayout.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace overlay {

// The overlay picture: 10695 x 10695 twips, 713 pixels at 15 twips a pixel.
inline constexpr int kPicturePixels = 713;

// A user coordinate system of a picture: the coordinates of its top-left corner
// and the extent it spans.
struct UserScale {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The room scale: a square of 1.2 times the room's larger side, so that a tenth
// of that side is left free beyond the room, centred along the smaller side.
UserScale roomScale(double roomWidth, double roomHeight);

// 1 when the bed lies along X (wider than high), otherwise 2 (also for a square
// bed).
int bedOrientation(double bedWidth, double bedHeight);

// The same scale with its origin moved to the phantom centre (cx, cy), read
// back from the picture's extent as the drawing does.
UserScale phantomScale(const UserScale& room, double roomWidth, double roomHeight, double cx,
                       double cy);

// A rectangle from corner (x1, y1) to corner (x2, y2), corners in any order.
struct Box {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;

    bool contains(double x, double y) const {
        return x >= std::min(x1, x2) && x <= std::max(x1, x2) && y >= std::min(y1, y2) &&
               y <= std::max(y1, y2);
    }
};

// What stands for the bed, in room coordinates: the bed itself for a lying
// patient (body position code 1); for a standing one a bar 2 cm thick, 9 to 11 cm
// from the phantom centre on the side away from the focus, as long as the bed's
// short side.
Box bedFigure(const Module1::RoomLayout& room, int bodyPosition, int orientation);

// The viewing window, the staff door and the patient entrance, in room
// coordinates; those marked absent are left out.
std::vector<Box> openings(const Module1::RoomLayout& room);

// A text with its top-left corner at (x, y) in room coordinates.
struct PlacedText {
    QString text;
    double x = 0;
    double y = 0;
};

// The control-room text, then the free text unless it is empty; either is left
// out when marked absent.
std::vector<PlacedText> roomTexts(const Module1::RoomLayout& room);

// Phantom coordinates of map cell (j, i): to the right of the phantom for
// orientation 2, turned a quarter turn below it for orientation 1.
struct MapPoint {
    double u = 0;
    double v = 0;
};
inline MapPoint mapPoint(int orientation, int i, int j) {
    const int x = results::xOfColumn(j);
    const int c = results::cOfRow(i);
    if (orientation == 1)
        return {double(-c), double(x)};
    return {double(x), double(c)};
}

// The same point on the other side of the phantom. The engines fold the two
// sides together (a photon crossing x = -d scores like one crossing x = +d),
// so each cell stands for both: mirrored across the bed's axis, u -> -u for
// orientation 2 and v -> -v for orientation 1.
inline MapPoint mirrored(MapPoint p, int orientation) {
    if (orientation == 1)
        return {p.u, -p.v};
    return {-p.u, p.v};
}

// The drawn part of the map: the whole fine grid, cells j = 1..381 of rows
// i = 1..601 (20..400 cm from the phantom's mid-plane, -300..300 cm along the bed).
inline constexpr int kMapRows = 601;
inline constexpr int kMapColumns = 381;

// A line segment.
struct Segment {
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
};

// The 100 cm grid over the map, in phantom coordinates; with `bothSides`, over
// the map mirrored on the other side of the phantom too.
std::vector<Segment> gridLines(int orientation, bool bothSides = false);

// The white boxes, in phantom coordinates, that clear what the map paints outside
// the room and in a 5 cm strip inside the walls it can reach.
std::array<Box, 3> whiteMasks(const Module1::RoomLayout& room, int orientation);
// The same for the map mirrored on the other side of the phantom: the strips
// along the walls that side reaches (for orientation 1 the left, right and top
// walls above the phantom; for 2 the left wall and the top and bottom walls
// left of the phantom).
std::array<Box, 3> otherSideMasks(const Module1::RoomLayout& room, int orientation);

// Conversion of picture coordinates to pixels for a square picture of `pixels`
// pixels a side, its top-left corner at pixel (originX, originY) of the image
// painted (a page's picture may reach beyond the square). Pixel k covers
// device coordinates k..k+1.
class PixelMapping {
public:
    PixelMapping(const UserScale& scale, int pixels, double originX = 0, double originY = 0)
        : left_(scale.left), top_(scale.top), perUnitX_(pixels / scale.width),
          perUnitY_(pixels / scale.height), originX_(originX), originY_(originY), pixels_(pixels) {}
    double deviceX(double x) const { return originX_ + (x - left_) * perUnitX_; }
    double deviceY(double y) const { return originY_ + (y - top_) * perUnitY_; }
    // Pixels of the image to one of the window's picture.
    int pixelScale() const { return std::max(1, pixels_ / kPicturePixels); }
    // The first pixel of a dot of `size` pixels centred on x: the pixels whose
    // centres lie within size / 2 of it.
    static int dotStart(double device, int size = 2) {
        return static_cast<int>(std::floor(device - 0.5 * size + 0.5));
    }
    // The pixels that device extent [a, b] touches: a line drawn along its
    // edge or ending on it lies in them, whichever pixel the line took.
    static int firstTouched(double a) { return static_cast<int>(std::floor(a)); }
    static int lastTouched(double b) { return static_cast<int>(std::ceil(b)) - 1; }

private:
    double left_;
    double top_;
    double perUnitX_;
    double perUnitY_;
    double originX_;
    double originY_;
    int pixels_;
};

} // namespace overlay
