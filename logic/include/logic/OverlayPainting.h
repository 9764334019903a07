// Painting of the room dose overlay and its legend into images: the room with
// its fittings, the phantom and beam sketch, the dose map in colour bands, the
// 100 cm grid and the white masks, in the order that lets later figures cover
// earlier ones.
//
// For a saved or printed page the picture is painted `scale` times finer
// (kPicturePixels x scale pixels a side): lines, dots and text are scale
// times as wide. At scale 1 it is the window's picture.
//
// A painting covers a frame of the plane given in pixels of the window's
// picture from its top-left corner: the window's picture is the square
// {0, 0, kPicturePixels, kPicturePixels}; a page's picture takes more room
// around it where a text of the layout reaches out, at the same scale.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/LimitLines.h"
#include "logic/NamedPoints.h"
#include "logic/OverlayGeometry.h"
#include "logic/RoomLayout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <functional>
#include <optional>
#include <vector>

namespace results {
class DoseGrid;
}

namespace overlay {

// The legend picture: 855 x 5295 twips, 0..30 units across at 26.5 twips a unit
// and 0..110 down at 47.59 twips a unit.
inline constexpr int kLegendWidth = 57;
inline constexpr int kLegendHeight = 353;
inline constexpr double kLegendPixelsPerUnitX = 26.5 / 15;
inline constexpr double kLegendPixelsPerUnitY = 47.59 / 15;

// The font of the overlay picture: Meiryo 18 pt, 24 pixels on a 96 dpi screen.
QFont pictureFont();

// A white overlay picture, `scale` times finer than the window's.
QImage blankPicture(int scale = 1);

// The legend: boxes 1..10 in the legend colours of bands 1..10, band 1 at the
// top, and a grey box (200, 200, 200) under them.
QImage paintLegend(int scale = 1);

// The window's picture as a frame.
inline constexpr QRect kWindowFrame{0, 0, kPicturePixels, kPicturePixels};

// A picture surface with a user coordinate system, a drawing width in pixels
// (of the window's picture), a fill style and colour for circles, and a fore
// colour for outlines and text. The image holds `frame`, image.width() /
// frame.width() pixels to one of the window's picture.
class OverlayCanvas {
public:
    explicit OverlayCanvas(QImage& image, QFont font = pictureFont(), QRect frame = kWindowFrame);

    void clear();
    void setScale(const UserScale& scale) { scale_ = scale; }
    const UserScale& scale() const { return scale_; }
    PixelMapping mapping() const {
        return PixelMapping(scale_, kPicturePixels * pixelScale_, -frame_.left() * pixelScale_,
                            -frame_.top() * pixelScale_);
    }
    void setDrawWidth(int pixels) { drawWidth_ = pixels; }
    void setFillSolid(bool solid) { fillSolid_ = solid; }
    void setFillColour(QColor colour) { fillColour_ = colour; }

    void line(double x1, double y1, double x2, double y2, QColor colour = Qt::black);
    void box(const Box& box, QColor colour = Qt::black);
    // A box filled with `colour`; covers every pixel it touches, so that the
    // white masks leave nothing of a line that runs along or ends on their edge.
    void filledBox(const Box& box, QColor colour);
    // Circle of radius r, filled with the fill colour when the fill style is solid.
    void circle(double x, double y, double r, QColor outline = Qt::black);
    // Arc from angle `from` to `to` (radians), counter-clockwise on the screen
    // from the direction of growing X.
    void arc(double x, double y, double r, double from, double to, QColor outline = Qt::black);
    // Text in the fore colour with its top-left corner at (x, y).
    void text(double x, double y, const QString& text);

    QImage& image() { return image_; }

private:
    template <typename Paint> void paint(QColor outline, Paint&& paint);

    QImage& image_;
    QRect frame_;
    int pixelScale_; // pixels of the image to one of the window's picture
    QFont font_;
    UserScale scale_{0, 0, double(kPicturePixels), double(kPicturePixels)};
    int drawWidth_ = 1;
    bool fillSolid_ = false;
    QColor fillColour_ = Qt::black;
};

// Everything one overlay drawing reads.
struct OverlayInputs {
    Module1::RoomLayout room;
    int bodyPosition = 1;                    // 1 lying, anything else standing
    double focusSkinDistance = 0;            // cm
    const results::DoseGrid* grid = nullptr; // no map is drawn without one
    results::Thresholds thresholds{};
    const std::vector<bool>* hatched = nullptr; // cells to hatch, row by row
    // The map also on the other side of the phantom, mirrored: the engines
    // fold both sides together, so the dose there is the same.
    bool bothSides = false;
    // The limit lines over the map (traced over the dose-equivalent map of
    // the same result and plane), on both sides with bothSides, seen where
    // the map is (limitlines::paintOverRoom); none when null.
    const std::vector<limitlines::LimitLine>* limitLines = nullptr;
};

// Paints the map points: for each cell (j, i) of rows 1..601 and columns 1..381 a
// 2-pixel dot (of the window's picture, mapping.pixelScale() pixels of the
// image to one) in the map colour of its band, at the
// cell's phantom coordinates in `mapping`, and with `bothSides` at the mirrored
// point too. Calls `afterRow(i)` after each row when given. With `hatched`,
// the flagged cells' pixels on the hatch lines take the hatch colour.
void paintMap(QImage& image, const PixelMapping& mapping, int orientation,
              const results::DoseGrid& grid, const results::Thresholds& thresholds,
              const std::function<void(int)>& afterRow = {},
              const std::vector<bool>* hatched = nullptr, bool bothSides = false);

// The whole overlay into a picture of `frame` (kPicturePixels a side for the
// window's, or a multiple of it for a page); returns the bed orientation. The
// room must have a width or a height above 0. With inputs.bothSides the map,
// its grid, the white masks and the limit lines are on both sides of the
// phantom.
int paintOverlay(QImage& image, const OverlayInputs& inputs,
                 const std::function<void(int)>& afterRow = {}, QFont font = pictureFont(),
                 QRect frame = kWindowFrame);

// The frame that holds the window's picture and every text of the layout
// whole in `font`, reaching at most kMaxFrameReach pixels beyond the
// window's picture on any side (a text placed farther off stays cut).
inline constexpr int kMaxFrameReach = kPicturePixels / 2;
QRect frameForTexts(const Module1::RoomLayout& room, const QFont& font);

// Named points over the overlay picture. Each is drawn where it stands in
// the room (on the side of the phantom it stands on, whether or not the map
// is drawn there too): a white ring with a dot, and its name beside it on a
// white ground that keeps it legible over the colour bands.
inline constexpr double kPointRadius = 6; // pixels of the window's picture
// The mouse takes a point within this many pixels of its centre.
inline constexpr double kPointPickRadius = 9;

// The font of the points' names: bold, 15 pixels on a 96 dpi screen.
QFont pointFont();

// The room point (cm of the plan) at a position of the window's picture, in
// its pixels from the top-left corner (pixel k spans k..k+1), and back.
QPointF roomPointAt(const Module1::RoomLayout& room, QPointF pixel);
QPointF pixelOf(const Module1::RoomLayout& room, double x, double y);

// The point whose marker is at `pixel` of the window's picture: the nearest
// within kPointPickRadius; nothing when none is.
std::optional<std::size_t> pointAt(const Module1::RoomLayout& room,
                                   const std::vector<namedpoints::NamedPoint>& points,
                                   QPointF pixel);

// Paints the points into a picture of `frame` as paintOverlay paints it,
// `highlighted` (the one chosen in the table) with a red ring. The room must
// have a width or a height above 0.
void paintPoints(QImage& image, const Module1::RoomLayout& room,
                 const std::vector<namedpoints::NamedPoint>& points,
                 std::optional<std::size_t> highlighted = std::nullopt, QFont font = pointFont(),
                 QRect frame = kWindowFrame);

} // namespace overlay
