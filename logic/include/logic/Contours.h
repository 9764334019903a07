// Lines of equal dose over the fine grid: where a map crosses a level, as
// polylines in map coordinates, each segment marked when it runs through a
// cell that the uncertainty hatching marks, so that it can be drawn dashed.
//
// Map coordinates are (x, c) in cm: x from the phantom's mid-plane, c along
// the mapped plane, 0 at the phantom centre. Cell (j, i) of the fine grid is
// the point (19 + j, i - 301) and stands for the square 1 cm around it, as
// the viewer paints it and as its read-out reads it.
#pragma once

#include "logic/DoseGrids.h"
#include "logic/OverlayGeometry.h"

#include <QPointF>
#include <QString>
#include <optional>
#include <vector>

namespace contours {

struct MapXY {
    double x = 0; // cm from the phantom's mid-plane
    double c = 0; // cm along the mapped plane

    bool operator==(const MapXY&) const = default;
};

// The cells a map covers, inclusive: columns j, rows i.
struct CellRange {
    int firstColumn = 1;
    int lastColumn = results::kGridColumns;
    int firstRow = 1;
    int lastRow = results::kGridRows;

    bool contains(int j, int i) const {
        return j >= firstColumn && j <= lastColumn && i >= firstRow && i <= lastRow;
    }
};
// The whole fine grid of F2B.dat: what the viewer's map and the room overlay
// paint (x = 20..400 cm, c = -300..300 cm) and what the read-out reads.
inline constexpr CellRange kWholeGrid{};

// One polyline. Segment k runs from points[k] to points[k + 1]; a closed line
// ends on its first point.
struct ContourLine {
    std::vector<MapXY> points;
    // Per segment: it runs through a cell that the hatching marks.
    std::vector<bool> uncertain;
    bool closed = false;

    double length() const;
};

// How a level meets the cells of a map.
enum class Reach {
    Crossed,            // some cells reach it and some do not: lines are drawn
    NotReached,         // no cell reaches it: "地図の範囲内では到達しない"
    ExceededEverywhere, // every cell reaches it: "地図の全域で超える"
};

// What the list of levels says of a level that has no line; empty when crossed.
QString reachText(Reach reach);

struct LevelContour {
    double level = 0; // in the grid's unit (μSv/min for the dose-equivalent map)
    Reach reach = Reach::NotReached;
    std::vector<ContourLine> lines;
    // Where the level's label goes: on its longest line (labelPoint), nothing
    // without lines.
    std::optional<MapXY> label;
};

// The lines where `grid` crosses `level` within `cells`. A cell reaches the
// level when its value is at least the level, as a value equal to a threshold
// takes the band above it.
//
// Marching squares between the cell centres. Along each edge between two
// neighbouring cells the crossing is found by interpolating the logarithm of
// the value, linearly in position: the merger forms the fine grid from the
// engine's 10 cm cells in exactly this way, so between two fine cells the line
// sits where the merged map itself crosses the level; and whatever the
// interpolation, the line passes between the centres of the cell that reaches
// the level and the one that does not, within half a cell of where the
// read-out's value crosses it. An edge with a value of 0 (never scored) is
// interpolated linearly. A square whose diagonal corners lie on opposite
// sides (a saddle) is decided by its centre, the mean of the four logarithms
// (of the four values when one is 0): when the centre reaches the level, the
// two corners that reach it are joined; otherwise they are kept apart. The
// decision uses only the square's own corners, so every square is decided
// once and the lines never cross.
//
// With `hatched` (one flag per cell, row by row as the grid: the cells the
// hatching marks), each segment is cut where it passes from one cell's square
// into another with a different flag, and marked uncertain when it lies in a
// marked cell.
LevelContour traceContour(const results::DoseGrid& grid, double level,
                          const std::vector<bool>* hatched = nullptr,
                          const CellRange& cells = kWholeGrid);

// The same for several levels.
std::vector<LevelContour> traceContours(const results::DoseGrid& grid,
                                        const std::vector<double>& levels,
                                        const std::vector<bool>* hatched = nullptr,
                                        const CellRange& cells = kWholeGrid);

// Where a line's label goes: on a line that ends at the edges of the map, the
// middle of its length, away from the edges where it would be cut off; on a
// closed line, its point farthest from the phantom's mid-plane (largest x),
// out in the open beside it.
MapXY labelPoint(const ContourLine& line);

// The pieces of a line drawn alike: consecutive segments of the same mark,
// each as its points (a piece of a closed line does not close by itself).
struct ContourRun {
    std::vector<MapXY> points;
    bool uncertain = false;
};
std::vector<ContourRun> runsOf(const ContourLine& line);

// A map point in the viewer's map picture (X = x, Y = c + 300). The picture
// paints cell (j, i) into the unit square from (X, Y) to (X + 1, Y + 1) and
// its read-out reads it for the pointer on that pixel; the point therefore
// lands in the middle of that square: pixel (X - left + 0.5, Y - top + 0.5),
// times `scale` for a picture painted scale times finer.
QPointF viewerPixel(const MapXY& p, int scale = 1);

// A map point in the overlay's phantom coordinates: to the right of the
// phantom for bed orientation 2, turned a quarter turn below it for 1, as the
// overlay lays each cell (overlay::mapPoint); with `otherSide`, mirrored onto
// the other side of the phantom as "両側に表示" draws it. The overlay centres
// each cell's dot on this point.
overlay::MapPoint phantomPoint(const MapXY& p, int orientation, bool otherSide = false);

} // namespace contours
