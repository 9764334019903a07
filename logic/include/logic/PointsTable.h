// The table of named points beside the room overlay and on its pages: for
// each point its name, its map coordinates, the dose read there in the unit
// the map is shown in, its statistical uncertainty and its share of a chosen
// reference level. The window and the page take their rows from here, so that
// the page lists what the table shows.
#pragma once

#include "logic/DosePeriod.h"
#include "logic/NamedPoints.h"
#include "logic/ReferenceLevels.h"
#include "logic/RoomLayout.h"
#include "logic/ShownMap.h"

#include <QString>
#include <optional>
#include <vector>

namespace namedpoints {

// What the table needs beyond the points and the map.
struct TableSettings {
    // The scale the map is shown in (its period, workload and unit).
    dose::DisplayScale scale;
    // The level whose share is given; nothing for no share column.
    std::optional<dose::ReferenceLevel> level;
    // Minutes of fluoroscopy a week (0: none entered); a level in a period
    // needs it, a level per minute does not.
    double minutesPerWeek = 0;

    bool operator==(const TableSettings&) const = default;
};

// One row as shown.
struct PointRow {
    QString name;
    QString x; // cm from the phantom's mid-plane, never negative
    QString c; // cm along the mapped plane
    // The dose of the shown quantity in the table's unit (doseText), or
    // "地図の範囲外";
    // empty without a map.
    QString dose;
    // "± 3 %" as the read-out writes it; empty outside the map or for a
    // result without its relative errors.
    QString uncertainty;
    // "35 %"; empty outside the map, without a level, or for a level in a
    // period while no workload is entered.
    QString share;
    // "壁の遮へいは含まない" beyond the room's walls, else empty.
    QString note;
    bool onMap = false;
    bool outsideWalls = false;

    bool operator==(const PointRow&) const = default;
};

// The rows of `points` over `map` (over a map without a grid, the room
// alone, the rows give no dose). The dose is the map's value at the cell the read-out reads there
// (readPoint), in `settings.scale`, written by doseText; the share
// always comes from the dose-equivalent grid of the map.
std::vector<PointRow> tableRows(const Module1::RoomLayout& room,
                                const std::vector<NamedPoint>& points, const results::ShownMap& map,
                                const TableSettings& settings);

// A dose as the table writes it, as the viewer's read-out writes it: per
// minute the value as the merged grid holds it ("12.34"); in a period four
// significant digits without an exponent (dose::shownValueText: "9625").
QString doseText(double shown, const dose::DisplayScale& scale);

// A map coordinate, to a tenth of a cm: "150", "-35.5".
QString coordinateText(double cm);

// The headings of the columns.
struct TableHeadings {
    QString name;        // "名称"
    QString x;           // "x（cm）"
    QString c;           // "c（cm）"
    QString dose;        // "線量率（μGy/min）", "線量（mSv/3か月）"
    QString uncertainty; // "統計誤差"
    QString share;       // "割合（管理区域境界 1.3 mSv/3か月）"; empty without a level
    QString note;        // "注"
};
TableHeadings tableHeadings(results::Quantity quantity, const TableSettings& settings);

// What the table says under it when shares are asked for but cannot be
// given: a level in a period needs the minutes of fluoroscopy a week. Empty
// when the shares are given or no level is chosen.
QString shareNote(const TableSettings& settings);

} // namespace namedpoints
