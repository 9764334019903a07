#include "logic/PointsTable.h"

#include <textrec/textrec.h>

#include <cmath>

namespace namedpoints {

namespace {

// A level in a period needs the minutes of fluoroscopy a week to give a share.
bool sharesGiven(const TableSettings& settings) {
    return settings.level && (settings.level->period == dose::Period::PerMinute ||
                              dose::isValidWorkload(settings.minutesPerWeek));
}

} // namespace

QString doseText(double shown, const dose::DisplayScale& scale) {
    if (scale.period == dose::Period::PerMinute)
        return QString::fromStdString(textrec::plainNumber(shown));
    return dose::shownValueText(shown);
}

QString coordinateText(double cm) {
    // A tenth of a cm; -0 is written 0.
    const double tenths = std::round(cm * 10) / 10;
    return QString::fromStdString(textrec::plainNumber(tenths == 0 ? 0.0 : tenths, 7));
}

std::vector<PointRow> tableRows(const Module1::RoomLayout& room,
                                const std::vector<NamedPoint>& points, const results::ShownMap& map,
                                const TableSettings& settings) {
    const results::DoseGrid* doseEquivalent = results::doseEquivalentOf(map);
    const bool withShares = sharesGiven(settings);
    std::vector<PointRow> rows;
    rows.reserve(points.size());
    for (const NamedPoint& point : points) {
        const PointReading reading = readPoint(room, point);
        PointRow row;
        row.name = point.name;
        row.x = coordinateText(reading.position.map.x);
        row.c = coordinateText(reading.position.map.c);
        row.outsideWalls = reading.outsideWalls;
        if (reading.outsideWalls)
            row.note = notShieldedText();
        if (!map.grid) {
            rows.push_back(std::move(row)); // no map drawn: nothing to read
            continue;
        }
        const std::optional<double> shown = shownDoseAt(reading, *map.grid, settings.scale);
        if (!shown) {
            row.dose = outsideMapText();
            rows.push_back(std::move(row));
            continue;
        }
        row.onMap = true;
        row.dose = doseText(*shown, settings.scale);
        if (map.errors)
            if (const std::optional<double> error =
                    relativeErrorAt(reading, *map.errors, map.quantity))
                row.uncertainty = QString::fromStdString(results::relativeErrorText(*error));
        if (withShares && doseEquivalent)
            if (const std::optional<double> share =
                    shareAt(reading, *doseEquivalent, *settings.level, settings.minutesPerWeek))
                row.share = dose::shareText(*share);
        rows.push_back(std::move(row));
    }
    return rows;
}

TableHeadings tableHeadings(results::Quantity quantity, const TableSettings& settings) {
    TableHeadings headings;
    headings.name = QStringLiteral("名称");
    headings.x = QStringLiteral("x（cm）");
    headings.c = QStringLiteral("c（cm）");
    const QString unit = dose::unitText(quantity, settings.scale);
    headings.dose = settings.scale.period == dose::Period::PerMinute
                        ? QStringLiteral("線量率（%1）").arg(unit)
                        : QStringLiteral("線量（%1）").arg(unit);
    headings.uncertainty = QStringLiteral("統計誤差");
    if (settings.level)
        headings.share = QStringLiteral("割合（%1 %2）")
                             .arg(settings.level->name, dose::levelText(*settings.level));
    headings.note = QStringLiteral("注");
    return headings;
}

QString shareNote(const TableSettings& settings) {
    if (!settings.level || sharesGiven(settings))
        return {};
    return QStringLiteral("基準に対する割合には%1の入力が必要です。")
        .arg(dose::minutesPerWeekField());
}

} // namespace namedpoints
