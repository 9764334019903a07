#include "logic/NamedPoints.h"

#include "logic/NameText.h"
#include "logic/OverlayGeometry.h"
#include "logic/RoomFile.h"

#include <textrec/textrec.h>

#include <cmath>

namespace namedpoints {

QString pointNameField() {
    return QStringLiteral("測定点の名称");
}

std::optional<NamedPoint> makePoint(const QString& name, double x, double y, QString& error) {
    const QString trimmed = roomfile::cp932Forms(name.trimmed());
    if (trimmed.isEmpty()) {
        error = QStringLiteral("「%1」を入力して下さい。").arg(pointNameField());
        return std::nullopt;
    }
    if (const std::optional<char32_t> c = nametext::controlCharacter(trimmed)) {
        error = QStringLiteral("「%1」に制御文字（%2）は使えません。")
                    .arg(pointNameField(), nametext::codePointText(*c));
        return std::nullopt;
    }
    QString why;
    if (!roomfile::encodeCp932(trimmed, why)) {
        error = QStringLiteral("「%1」：%2").arg(pointNameField(), why);
        return std::nullopt;
    }
    for (double v : {x, y})
        if (!std::isfinite(v) || std::fabs(v) > roomfile::kNumberLimit) {
            error =
                QStringLiteral("測定点「%1」の位置 %2 cm は -100000 ～ 100000 cm の範囲外です。")
                    .arg(trimmed, QString::fromStdString(textrec::plainNumber(v, 7)));
            return std::nullopt;
        }
    return NamedPoint{trimmed, x, y};
}

MapPosition mapPositionOf(const Module1::RoomLayout& room, double x, double y) {
    const double u = x - room.phantomX;
    const double v = y - room.phantomY;
    // The overlay lays cell (x, c) at (u, v) = (x, c) for orientation 2 and
    // (-c, x) for orientation 1; the other side mirrors u or v.
    if (overlay::bedOrientation(room.bedWidth, room.bedHeight) == 1)
        return {{std::fabs(v), -u}, v < 0};
    return {{std::fabs(u), v}, u < 0};
}

QPointF roomPointOf(const Module1::RoomLayout& room, const MapPosition& position) {
    const int orientation = overlay::bedOrientation(room.bedWidth, room.bedHeight);
    const overlay::MapPoint p =
        contours::phantomPoint(position.map, orientation, position.otherSide);
    return QPointF(room.phantomX + p.u, room.phantomY + p.v);
}

bool outsideWalls(const Module1::RoomLayout& room, double x, double y) {
    return !(x >= 0 && x <= room.roomWidth && y >= 0 && y <= room.roomHeight);
}

QString outsideMapText() {
    return QStringLiteral("地図の範囲外");
}

QString notShieldedText() {
    return QStringLiteral("壁の遮へいは含まない");
}

std::optional<results::GridCell> cellOf(const contours::MapXY& position,
                                        const contours::CellRange& cells) {
    // The read-out's picture coordinates of the point: X = x, Y = c + 300.
    const double X = position.x;
    const double Y = position.c + 300;
    // Far outside (or not a number): no cell, before any rounding.
    if (!(X >= results::xOfColumn(cells.firstColumn) - 1 &&
          X <= results::xOfColumn(cells.lastColumn) + 1 && Y + 1 >= cells.firstRow - 1 &&
          Y + 1 <= cells.lastRow + 1))
        return std::nullopt;
    const results::GridCell cell{results::roundHalfEven(X - 19), results::roundHalfEven(Y + 1)};
    if (!cells.contains(cell.j, cell.i))
        return std::nullopt;
    return cell;
}

PointReading readPoint(const Module1::RoomLayout& room, const NamedPoint& point,
                       const contours::CellRange& cells) {
    PointReading reading;
    reading.position = mapPositionOf(room, point.x, point.y);
    reading.cell = cellOf(reading.position.map, cells);
    reading.outsideWalls = outsideWalls(room, point.x, point.y);
    return reading;
}

std::optional<double> perMinuteAt(const PointReading& reading, const results::DoseGrid& grid) {
    if (!reading.cell)
        return std::nullopt;
    return grid.at(reading.cell->j, reading.cell->i);
}

std::optional<double> shownDoseAt(const PointReading& reading, const results::DoseGrid& grid,
                                  const dose::DisplayScale& scale) {
    const std::optional<double> perMinute = perMinuteAt(reading, grid);
    if (!perMinute)
        return std::nullopt;
    return dose::toShown(*perMinute, scale);
}

std::optional<double> relativeErrorAt(const PointReading& reading,
                                      const results::RelativeErrors& errors,
                                      results::Quantity quantity) {
    if (!reading.cell)
        return std::nullopt;
    return errors.at(quantity, reading.cell->j, reading.cell->i);
}

std::optional<double> shareAt(const PointReading& reading, const results::DoseGrid& doseEquivalent,
                              const dose::ReferenceLevel& level, double minutesPerWeek) {
    const std::optional<double> perMinute = perMinuteAt(reading, doseEquivalent);
    if (!perMinute)
        return std::nullopt;
    return dose::shareOfLevel(*perMinute, level, minutesPerWeek);
}

} // namespace namedpoints
