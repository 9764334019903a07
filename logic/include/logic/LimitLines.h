// Limit lines: the reference levels the user ticked, traced as lines of equal
// dose equivalent over a map and drawn over its picture, and what the list of
// levels says of each level on the map shown.
//
// The levels are dose equivalent at 1 cm depth, so their lines always come
// from the dose-equivalent map of the result and plane shown, whichever
// quantity the colours show. A level for a period needs the unit's workload
// (minutes of fluoroscopy a week) to become a rate per minute on the map.
#pragma once

#include "logic/Contours.h"
#include "logic/DoseGrids.h"
#include "logic/MapPlane.h"
#include "logic/OverlayGeometry.h"
#include "logic/ReferenceLevels.h"
#include "logic/RoomLayout.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QImage;
class QPainter;

namespace limitlines {

// The colour of the line of the level at `levelIndex` in the list of levels
// (the built-in levels first, as the program lists them): dark colours, told
// apart by the key and the labels, each drawn on a white casing so that it
// stands out on every band.
QColor lineColour(std::size_t levelIndex);

// The dose-equivalent rate (μSv/min) at which a place reaches the level with
// a workload of `minutesPerWeek`; nothing for a level of a period while no
// valid workload is given (a level per minute needs none).
std::optional<double> perMinuteOf(const dose::ReferenceLevel& level, double minutesPerWeek);

// The rows of a map that are painted and read: the whole grid, or in a
// vertical section the rows at or above the floor. Lines are traced there only.
contours::CellRange shownCells(const results::PlaneView& view);

// One ticked level on one map.
struct LimitLine {
    dose::ReferenceLevel level;
    QColor colour;
    // The level as a rate per minute; nothing when it needs a workload that
    // is not given: then it has no line.
    std::optional<double> perMinute;
    contours::LevelContour contour;

    bool drawn() const { return perMinute && contour.reach == contours::Reach::Crossed; }
};

// The lines of the ticked levels of `levels` (`ticked` holds one flag per
// level), in the list's order, traced over `doseEquivalent` (μSv/min) within
// `cells`; with `hatched` (one flag per cell, the cells the hatching marks)
// the segments through hatched cells are marked to be dashed.
std::vector<LimitLine> traceLimitLines(const results::DoseGrid& doseEquivalent,
                                       const std::vector<bool>* hatched,
                                       const std::vector<dose::ReferenceLevel>& levels,
                                       const std::vector<bool>& ticked, double minutesPerWeek,
                                       const contours::CellRange& cells = contours::kWholeGrid);

// How each level of a list meets a map, ticked or not: what the list says.
struct LevelReach {
    dose::ReferenceLevel level;
    // Nothing: the level needs a workload that is not given.
    std::optional<contours::Reach> reach;
};
// One pass over the map's cells: a level is reached by a cell whose value is
// at least the level, as traceContour decides.
std::vector<LevelReach> reachOfLevels(const results::DoseGrid& doseEquivalent,
                                      const std::vector<dose::ReferenceLevel>& levels,
                                      double minutesPerWeek,
                                      const contours::CellRange& cells = contours::kWholeGrid);

// What the list and the pages say of a level without a line:
// "地図の範囲内では到達しない", "地図の全域で超える", or for a level that
// needs a workload "透視時間（分/週）の入力が必要"; empty for a level with a line.
QString reachText(const std::optional<contours::Reach>& reach);
QString needsWorkloadText();

// A map point in the viewer's map picture painted `scale` times finer, its
// rows laid out by `view`: the middle of the square the picture paints cell
// (x - 19, c + 301) into, as contours::viewerPixel gives it for a horizontal
// map; in the standing patient's vertical section the rows run upwards.
QPointF mapPicturePixel(const contours::MapXY& p, const results::PlaneView& view, int scale = 1);

// Where a map point lands in a picture.
using PixelOf = std::function<QPointF(const contours::MapXY&)>;

// The pen width of a line in the window's pixels; its white casing is twice
// as wide.
inline constexpr double kLineWidth = 2;

// Draws `lines` with `painter` (device pixels): for each drawn line a white
// casing, then the line in its colour, solid, and dashed where it runs
// through hatched cells; then each line's name in its colour on a white
// ground at its label point, kept inside the device. `scale` is the device
// pixels to one of the window's picture. The overlay lays the map into the
// room with pixelOf = its mapping of contours::phantomPoint (both sides when
// the map is drawn on both).
void paintLines(QPainter& painter, const std::vector<LimitLine>& lines, const PixelOf& pixelOf,
                int scale, const QFont& font);

// The lines over the viewer's map picture (MapPainting.h), whose width gives
// the scale, the rows placed by `view`.
void paintOnMap(QImage& image, const std::vector<LimitLine>& lines, const results::PlaneView& view,
                const QFont& font);

// The lines over the room overlay's picture (OverlayPainting.h) of `room`:
// each map point where the overlay centres its cell's dot
// (contours::phantomPoint through `phantomMapping`, the overlay's mapping of
// phantom coordinates, OverlayCanvas::mapping() from its step 8 on), also on
// the other side of the phantom with `bothSides`; kept within the room,
// 5 cm inside its walls, as the white masks keep the map. Painted after the
// overlay, over its room and fittings; each name on the longest part of its
// line that is seen there, on each side.
void paintOverRoom(QImage& image, const overlay::PixelMapping& phantomMapping,
                   const Module1::RoomLayout& room, bool bothSides,
                   const std::vector<LimitLine>& lines, const QFont& font);

// A short sample of a line as the key of a page shows it: solid, or dashed
// as over hatched cells, in the line's colour on its casing, from `from` to
// `to` (device pixels).
void paintSample(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& colour,
                 bool dashed, int scale);

} // namespace limitlines
