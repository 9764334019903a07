// Named positions on the room plan (術者, 看護師, 操作卓, 扉の外, ...): where
// each lies on the dose map, and the dose read there.
//
// A point is placed in the room plan's coordinates (cm, origin at the room's
// top-left inner corner, X to the right, Y downwards), as the layout file
// stores its elements. Its map coordinates come through the same geometry the
// overlay lays the map into the room with (OverlayGeometry.h): the map lies to
// the right of the phantom centre for bed orientation 2 and a quarter turn
// below it for orientation 1. The engines fold the two sides of the phantom
// together, so a point on the other side reads the same map, mirrored.
#pragma once

#include "logic/Contours.h"
#include "logic/DoseGrids.h"
#include "logic/DosePeriod.h"
#include "logic/Readout.h"
#include "logic/ReferenceLevels.h"
#include "logic/RoomLayout.h"
#include "logic/Uncertainty.h"

#include <QString>
#include <optional>

namespace namedpoints {

struct NamedPoint {
    QString name;
    double x = 0; // room plan, cm
    double y = 0;

    bool operator==(const NamedPoint&) const = default;
};

// The field named in the refusals of a point's name: "測定点の名称".
QString pointNameField();

// A point as the user places or renames it. Refused, with a message in
// `error`: a name that is empty (blanks alone count as empty), holds a control
// character, or that the points file's code page 932 cannot hold; a position
// that is not finite or beyond the layout file's ±100000 cm. The name is kept
// without leading and trailing blanks and with the look-alikes that code page
// 932 holds for what input methods type (roomfile::cp932Forms), as it will
// read back from the file.
std::optional<NamedPoint> makePoint(const QString& name, double x, double y, QString& error);

// Where a point of the room lies on the map.
struct MapPosition {
    contours::MapXY map; // x >= 0 whichever side, c along the mapped plane
    // On the other side of the phantom from the one the overlay draws the map
    // on without "両側に表示".
    bool otherSide = false;
};
MapPosition mapPositionOf(const Module1::RoomLayout& room, double x, double y);

// The room point of a map position: the inverse of mapPositionOf.
QPointF roomPointOf(const Module1::RoomLayout& room, const MapPosition& position);

// Whether a room point lies outside the room's walls (0..width, 0..height;
// the walls themselves count as inside). The map's value is then shown all
// the same, marked "壁の遮へいは含まない": walls are not modelled.
bool outsideWalls(const Module1::RoomLayout& room, double x, double y);

// "地図の範囲外" and "壁の遮へいは含まない".
QString outsideMapText();
QString notShieldedText();

// The cell a map position reads: the one the viewer's read-out reads for the
// pointer at the same place (readoutCell: j = x - 19 and i = (c + 300) + 1,
// rounded half to even), when it lies within `cells`; nothing outside: the
// point is outside the mapped area ("地図の範囲外") and has no value. The
// default is the part of the map the overlay paints, on which points are
// placed; within the viewer's map the cell is always the read-out's.
std::optional<results::GridCell> cellOf(const contours::MapXY& position,
                                        const contours::CellRange& cells = contours::kWholeGrid);

// What a table of points shows for one point.
struct PointReading {
    MapPosition position;
    std::optional<results::GridCell> cell; // nothing: "地図の範囲外"
    bool outsideWalls = false;             // "壁の遮へいは含まない"
};
PointReading readPoint(const Module1::RoomLayout& room, const NamedPoint& point,
                       const contours::CellRange& cells = contours::kWholeGrid);

// The value of a grid at the point's cell (μGy/min or μSv/min); nothing
// outside the map.
std::optional<double> perMinuteAt(const PointReading& reading, const results::DoseGrid& grid);

// The dose of the point in a scale (dose::toShown of perMinuteAt).
std::optional<double> shownDoseAt(const PointReading& reading, const results::DoseGrid& grid,
                                  const dose::DisplayScale& scale);

// The relative standard error of the point's cell, as the read-out shows it
// under the pointer (RelativeErrors::at; 0 for a cell never scored); nothing
// outside the map.
std::optional<double> relativeErrorAt(const PointReading& reading,
                                      const results::RelativeErrors& errors,
                                      results::Quantity quantity);

// The share of a reference level that the point receives with a workload,
// always from the dose-equivalent grid (the levels are dose equivalent,
// whichever quantity is shown); nothing outside the map.
std::optional<double> shareAt(const PointReading& reading, const results::DoseGrid& doseEquivalent,
                              const dose::ReferenceLevel& level, double minutesPerWeek);

} // namespace namedpoints
