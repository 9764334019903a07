// Painting of the dose map picture and of the colour legend into images.
//
// The map picture is 529 x 633 pixels with one unit of its coordinates per pixel
// (1 cm of the room): X runs from -100 at the left edge to 429, Y from -14 at the
// top edge to 619. X is the distance from the phantom's mid-plane and Y = c + 300,
// so the phantom centre is at (0, 300). A vertical section is drawn with the
// height above the floor upwards: Y = centre height + 300 - height (MapPlane.h).
//
// For a saved or printed page the pictures are painted `scale` times finer:
// each unit takes scale x scale pixels, and lines and text are scale times as
// wide. At scale 1 they are the window's pictures.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/MapPlane.h"
#include "logic/ShownMap.h"

#include <QImage>
#include <QPoint>
#include <array>
#include <vector>

class QFont;

namespace results {

class DoseGrid;

inline constexpr int kMapPictureWidth = 529;  // 7935 twips
inline constexpr int kMapPictureHeight = 633; // 9495 twips
inline constexpr int kMapPictureLeft = -100;  // X at the left edge
inline constexpr int kMapPictureTop = -14;    // Y at the top edge

// The legend picture: 855 x 3975 twips, 26.5 twips per unit across and 35.59
// down, so that eleven boxes of 30 x 10 units fill it.
inline constexpr int kLegendWidth = 57;
inline constexpr int kLegendHeight = 265;
inline constexpr double kLegendPixelsPerUnitX = 26.5 / 15;
inline constexpr double kLegendPixelsPerUnitY = 35.59 / 15;

// Pixel of picture point (X, Y).
inline QPoint mapPixel(double X, double Y) {
    return QPoint(static_cast<int>(X) - kMapPictureLeft, static_cast<int>(Y) - kMapPictureTop);
}

// An empty (white) map picture, `scale` pixels a unit.
QImage blankMapImage(int scale = 1);

// The map colour of each band, entry 0 for band 1, ready to be written into
// image pixels.
std::array<QRgb, kBandCount> mapColourTable();

// Hatching of cells of uncertain value: thin diagonal lines in this colour,
// every kHatchSpacing pixels (pixel x + y a multiple of it); in a picture
// painted `scale` times finer, as far apart and as thick in scale.
inline constexpr QRgb kHatchColour = 0xff000000;
inline constexpr int kHatchSpacing = 6;
inline bool onHatchLine(int x, int y, int scale = 1) {
    return (x + y) % (kHatchSpacing * scale) < scale;
}

// Sets one point per cell of the whole grid, i = 1..601 and j = 1..381
// (X = 20..400, Y = 0..600), in the map colour of the cell's band. One pass over the grid
// through a colour table. With `hatched` (one flag per cell, row by row),
// the flagged cells' points on the hatch lines are drawn in the hatch colour.
// `view` places the rows (a vertical section's upwards, its rows below the
// floor left white). The image's width gives the scale.
void paintBands(QImage& image, const DoseGrid& grid, const Thresholds& thresholds,
                const std::vector<bool>* hatched = nullptr, const PlaneView& view = PlaneView());

// The grid lines, the sketch of the phantom and the beam (lying for body position
// code 1, else standing with the focal spot `focusSkinDistance` cm from the
// phantom's surface) and the axis labels. The image's width gives the scale.
// A vertical section (`plane`) has its grid lines and labels at heights above
// the floor, every 100 cm, the floor drawn, and the phantom's cross-section
// in that plane as its sketch: lying, the race-track 30 cm across and 20 cm
// thick with the focus above it (or below, with the tube below the table);
// standing, the phantom as the tube sees it, 30 cm wide and 60 cm tall, with
// the beam end-on.
void paintMapFrame(QImage& image, int bodyPosition, double focusSkinDistance, const QFont& font,
                   const std::optional<PlaneRecord>& plane = std::nullopt);

// The whole map picture of a shown map: its bands (when it has a grid), then
// the frame.
QImage paintMap(const ShownMap& map, const QFont& font, int scale = 1);

// The legend: eleven boxes of 30 x 10 units in the legend colours, band 1 at the
// top.
QImage paintLegend(int scale = 1);

} // namespace results
