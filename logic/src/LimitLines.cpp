#include "logic/LimitLines.h"

#include "logic/MapPainting.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <limits>

namespace limitlines {

namespace {

// Dark enough to read on the light bands, and each on a white casing for
// the dark ones.
constexpr std::array<QRgb, 8> kPalette = {
    0xff000000, // black
    0xff0000b4, // navy
    0xffb40000, // dark red
    0xff006400, // dark green
    0xff825000, // brown
    0xff6e008c, // purple
    0xff006e78, // teal
    0xff5a5a5a, // dark grey
};

constexpr int kLabelPixels = 12;

QPen casingPen(int scale) {
    QPen pen(Qt::white);
    pen.setWidthF(2 * kLineWidth * scale);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPen linePen(const QColor& colour, bool dashed, int scale) {
    QPen pen(colour);
    pen.setWidthF(kLineWidth * scale);
    if (dashed) {
        // In pen widths: dashes of 6 and gaps of 4 window pixels.
        pen.setDashPattern({3, 2});
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setCapStyle(Qt::RoundCap);
    }
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPainterPath pathOf(const std::vector<contours::MapXY>& points, const PixelOf& pixelOf) {
    QPainterPath path;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const QPointF p = pixelOf(points[k]);
        if (k == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

} // namespace

QColor lineColour(std::size_t levelIndex) {
    return QColor::fromRgb(kPalette[levelIndex % kPalette.size()]);
}

std::optional<double> perMinuteOf(const dose::ReferenceLevel& level, double minutesPerWeek) {
    if (level.period != dose::Period::PerMinute && !dose::isValidWorkload(minutesPerWeek))
        return std::nullopt;
    return dose::perMinuteLevel(level, minutesPerWeek);
}

contours::CellRange shownCells(const results::PlaneView& view) {
    contours::CellRange cells;
    if (!view.verticalSection())
        return cells;
    int first = results::kGridRows + 1;
    int last = 0;
    for (int i = 1; i <= results::kGridRows; ++i)
        if (view.shows(i)) {
            first = std::min(first, i);
            last = std::max(last, i);
        }
    // A section whose rows all lie below the floor shows none: an empty range.
    cells.firstRow = first;
    cells.lastRow = last;
    return cells;
}

std::vector<LimitLine> traceLimitLines(const results::DoseGrid& doseEquivalent,
                                       const std::vector<bool>* hatched,
                                       const std::vector<dose::ReferenceLevel>& levels,
                                       const std::vector<bool>& ticked, double minutesPerWeek,
                                       const contours::CellRange& cells) {
    std::vector<LimitLine> lines;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (k >= ticked.size() || !ticked[k])
            continue;
        LimitLine line;
        line.level = levels[k];
        line.colour = lineColour(k);
        line.perMinute = perMinuteOf(levels[k], minutesPerWeek);
        if (line.perMinute && cells.firstRow <= cells.lastRow)
            line.contour = contours::traceContour(doseEquivalent, *line.perMinute, hatched, cells);
        else if (line.perMinute)
            line.contour.level = *line.perMinute;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<LevelReach> reachOfLevels(const results::DoseGrid& doseEquivalent,
                                      const std::vector<dose::ReferenceLevel>& levels,
                                      double minutesPerWeek, const contours::CellRange& cells) {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();
    for (int i = cells.firstRow; i <= cells.lastRow; ++i)
        for (int j = cells.firstColumn; j <= cells.lastColumn; ++j) {
            const double v = doseEquivalent.at(j, i);
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
    std::vector<LevelReach> reaches;
    reaches.reserve(levels.size());
    for (const dose::ReferenceLevel& level : levels) {
        LevelReach reach{level, std::nullopt};
        if (const std::optional<double> perMinute = perMinuteOf(level, minutesPerWeek)) {
            if (!(highest >= *perMinute))
                reach.reach = contours::Reach::NotReached;
            else if (lowest >= *perMinute)
                reach.reach = contours::Reach::ExceededEverywhere;
            else
                reach.reach = contours::Reach::Crossed;
        }
        reaches.push_back(std::move(reach));
    }
    return reaches;
}

QString needsWorkloadText() {
    return QStringLiteral("透視時間（分/週）の入力が必要");
}

QString reachText(const std::optional<contours::Reach>& reach) {
    return reach ? contours::reachText(*reach) : needsWorkloadText();
}

QPointF mapPicturePixel(const contours::MapXY& p, const results::PlaneView& view, int scale) {
    // Picture rows are a straight function of the grid row: Y of row i is
    // pictureY(1) + (i - 1) x the step between two rows.
    const double i = p.c + 301;
    const double step = view.pictureY(2) - view.pictureY(1);
    const double Y = view.pictureY(1) + (i - 1) * step;
    return QPointF((p.x - results::kMapPictureLeft + 0.5) * scale,
                   (Y - results::kMapPictureTop + 0.5) * scale);
}

void paintSample(QPainter& painter, const QPointF& from, const QPointF& to, const QColor& colour,
                 bool dashed, int scale) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(casingPen(scale));
    painter.drawLine(from, to);
    painter.setPen(linePen(colour, dashed, scale));
    painter.drawLine(from, to);
    painter.restore();
}

void paintLines(QPainter& painter, const std::vector<LimitLine>& lines, const PixelOf& pixelOf,
                int scale, const QFont& font) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    // All casings first, so that where two lines meet both stay whole.
    painter.setPen(casingPen(scale));
    for (const LimitLine& line : lines)
        if (line.drawn())
            for (const contours::ContourLine& piece : line.contour.lines)
                painter.drawPath(pathOf(piece.points, pixelOf));
    for (const LimitLine& line : lines) {
        if (!line.drawn())
            continue;
        for (const contours::ContourLine& piece : line.contour.lines)
            for (const contours::ContourRun& run : contours::runsOf(piece)) {
                painter.setPen(linePen(line.colour, run.uncertain, scale));
                painter.drawPath(pathOf(run.points, pixelOf));
            }
    }

    // The names, each on its longest line.
    QFont labelFont = font;
    labelFont.setPixelSize(kLabelPixels * scale);
    labelFont.setBold(true);
    painter.setFont(labelFont);
    const QFontMetricsF metrics(labelFont);
    const QRectF device = painter.device()
                              ? QRectF(0, 0, painter.device()->width(), painter.device()->height())
                              : QRectF();
    for (const LimitLine& line : lines) {
        if (!line.drawn() || !line.contour.label)
            continue;
        const QPointF at = pixelOf(*line.contour.label);
        const double pad = 2.0 * scale;
        QRectF box(QPointF(0, 0),
                   metrics.size(Qt::TextSingleLine, line.level.name) + QSizeF(2 * pad, 2 * pad));
        box.moveCenter(at);
        if (!device.isEmpty()) {
            // Kept inside the picture, so that a name at an edge is read whole.
            box.moveLeft(
                std::max(device.left(), std::min(box.left(), device.right() - box.width())));
            box.moveTop(
                std::max(device.top(), std::min(box.top(), device.bottom() - box.height())));
        }
        painter.setPen(QPen(line.colour, scale));
        painter.setBrush(Qt::white);
        painter.drawRect(box);
        painter.setBrush(Qt::NoBrush);
        painter.drawText(box, Qt::AlignCenter, line.level.name);
    }
    painter.restore();
}

void paintOnMap(QImage& image, const std::vector<LimitLine>& lines, const results::PlaneView& view,
                const QFont& font) {
    if (lines.empty())
        return;
    const int scale = std::max(1, image.width() / results::kMapPictureWidth);
    QPainter painter(&image);
    paintLines(
        painter, lines,
        [&view, scale](const contours::MapXY& p) { return mapPicturePixel(p, view, scale); }, scale,
        font);
}

} // namespace limitlines
