#include "logic/DoseNotes.h"

#include "logic/Captions.h"

#include <textrec/textrec.h>

#include <QPainter>

#include <algorithm>

namespace page {

namespace {

constexpr double kSampleWidth = 36;
constexpr double kSampleGap = 8;

QString fourDigits(double value) {
    return dose::shownValueText(value);
}

} // namespace

QString periodPhrase(dose::Period period) {
    switch (period) {
    case dose::Period::PerMinute:
        return dose::periodName(period);
    case dose::Period::Week:
        return QStringLiteral("1週間あたり");
    case dose::Period::Quarter:
    case dose::Period::Year:
        return QStringLiteral("%1（%2 週）あたり")
            .arg(dose::periodName(period))
            .arg(dose::weeksOf(period));
    }
    return {};
}

QString workloadLine(const results::ShownMap& map) {
    const QString unit = dose::unitText(map.quantity, map.scale);
    if (map.scale.period != dose::Period::PerMinute)
        return QStringLiteral("表示: %1の線量（%2）　%3")
            .arg(periodPhrase(map.scale.period), unit,
                 dose::workloadText(map.scale.minutesPerWeek));
    if (map.limitLines.empty())
        return {};
    if (!dose::isValidWorkload(map.minutesPerWeek))
        return QStringLiteral("表示: 毎分の線量率（%1）").arg(unit);
    return QStringLiteral("表示: 毎分の線量率（%1）　基準線の%2")
        .arg(unit, dose::workloadText(map.minutesPerWeek));
}

QString scatterOnlyNote() {
    return QStringLiteral("注: この分布は患者からの散乱線のみ。Ｘ線管の漏えい線、壁の遮へい、"
                          "防護具（防護衣・防護板など）は含まない。");
}

QString limitLinesSource(results::Quantity shown) {
    if (shown == results::Quantity::Kerma)
        return QStringLiteral("基準線: 実効線量 (H1cm) の分布から（表示中の空気カーマによらない）");
    return QStringLiteral("基準線: 実効線量 (H1cm) の分布から");
}

std::vector<KeyRow> limitLineKey(const results::ShownMap& map) {
    std::vector<KeyRow> rows;
    if (map.limitLines.empty())
        return rows;
    rows.push_back({false, {}, false, limitLinesSource(map.quantity)});
    bool anyDashed = false;
    for (const limitlines::LimitLine& line : map.limitLines) {
        QString text = line.level.name + QStringLiteral("　") + dose::levelText(line.level);
        // The level in the unit of the map, where that is another.
        if (line.perMinute &&
            (map.scale.period != line.level.period || map.scale.prefix != line.level.prefix)) {
            const double shown = dose::toShown(*line.perMinute, map.scale);
            text += QStringLiteral("（＝ %1 %2）")
                        .arg(fourDigits(shown),
                             dose::unitText(results::Quantity::DoseEquivalent, map.scale));
        }
        if (!line.drawn())
            text += QStringLiteral("　") +
                    limitlines::reachText(line.perMinute ? std::optional(line.contour.reach)
                                                         : std::nullopt);
        rows.push_back({line.drawn(), line.colour, false, text});
        if (line.drawn())
            for (const contours::ContourLine& piece : line.contour.lines)
                anyDashed = anyDashed || std::find(piece.uncertain.begin(), piece.uncertain.end(),
                                                   true) != piece.uncertain.end();
    }
    if (anyDashed)
        rows.push_back({true, Qt::black, true,
                        QStringLiteral("破線: 統計誤差 20 % 超のセル（網掛けの対象）を通る部分")});
    return rows;
}

void paintKey(QPainter& painter, const QPointF& topLeft, double width, double rowHeight,
              const std::vector<KeyRow>& rows) {
    painter.save();
    double y = topLeft.y();
    for (const KeyRow& row : rows) {
        double x = topLeft.x();
        if (row.sample) {
            const double middle = y + rowHeight / 2;
            limitlines::paintSample(painter, QPointF(x + 2, middle),
                                    QPointF(x + kSampleWidth - 2, middle), row.colour, row.dashed,
                                    1);
        }
        // Rows of lines are indented under their heading, with or without a sample.
        if (row.sample || &row != &rows.front())
            x += kSampleWidth + kSampleGap;
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x, y, std::max(0.0, topLeft.x() + width - x), rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, row.text);
        y += rowHeight;
    }
    painter.restore();
}

} // namespace page
