#include "logic/LimitLines.h"

#include "logic/MapPainting.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>
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

// The point `fraction` of the way along a line's length.
contours::MapXY pointAlong(const contours::ContourLine& line, double fraction) {
    double left = fraction * line.length();
    for (std::size_t k = 1; k < line.points.size(); ++k) {
        const contours::MapXY& a = line.points[k - 1];
        const contours::MapXY& b = line.points[k];
        const double step = std::hypot(b.x - a.x, b.c - a.c);
        if (step > 0 && step >= left) {
            const double t = left / step;
            return {a.x + t * (b.x - a.x), a.c + t * (b.c - a.c)};
        }
        left -= step;
    }
    return line.points.empty() ? contours::MapXY{} : line.points.back();
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

    // The names, each where it covers no name drawn before.
    QFont labelFont = font;
    labelFont.setPixelSize(kLabelPixels * scale);
    labelFont.setBold(true);
    painter.setFont(labelFont);
    const QFontMetricsF metrics(labelFont);
    const QRectF device = painter.device()
                              ? QRectF(0, 0, painter.device()->width(), painter.device()->height())
                              : QRectF();
    const double pad = 2.0 * scale;
    auto boxAt = [&](const QPointF& at, const QString& name) {
        QRectF box(QPointF(0, 0),
                   metrics.size(Qt::TextSingleLine, name) + QSizeF(2 * pad, 2 * pad));
        box.moveCenter(at);
        if (!device.isEmpty()) {
            // Kept inside the picture, so that a name at an edge is read whole.
            box.moveLeft(
                std::max(device.left(), std::min(box.left(), device.right() - box.width())));
            box.moveTop(
                std::max(device.top(), std::min(box.top(), device.bottom() - box.height())));
        }
        return box;
    };
    // The strokes of the lines, which a name placed beside a line keeps clear of.
    std::vector<QPainterPath> strokes;
    QPainterPathStroker stroker;
    stroker.setWidth(2 * kLineWidth * scale);
    for (const LimitLine& line : lines)
        if (line.drawn())
            for (const contours::ContourLine& piece : line.contour.lines)
                strokes.push_back(stroker.createStroke(pathOf(piece.points, pixelOf)));
    std::vector<QRectF> placed;
    auto isFree = [&placed](const QRectF& tried) {
        return std::none_of(placed.begin(), placed.end(),
                            [&tried](const QRectF& other) { return other.intersects(tried); });
    };
    auto coversALine = [&strokes](const QRectF& tried) {
        return std::any_of(strokes.begin(), strokes.end(), [&tried](const QPainterPath& stroke) {
            return stroke.intersects(tried);
        });
    };
    for (const LimitLine& line : lines) {
        if (!line.drawn() || !line.contour.label)
            continue;
        const QString& name = line.level.name;
        const QPointF anchor = pixelOf(*line.contour.label);
        const QSizeF size = boxAt(anchor, name).size();
        // Where the line lies and how long it is in the picture.
        QRectF bounds;
        const contours::ContourLine* longest = nullptr;
        double longestPixels = 0;
        for (const contours::ContourLine& piece : line.contour.lines) {
            const QPainterPath path = pathOf(piece.points, pixelOf);
            bounds = bounds.united(path.boundingRect());
            if (path.length() > longestPixels) {
                longestPixels = path.length();
                longest = &piece;
            }
        }
        std::optional<QRectF> box;
        // On the line, where it is long enough to be read past its name: the
        // label point, then other places along it.
        if (longest && longestPixels >= 3 * size.width()) {
            std::vector<QPointF> candidates = {anchor};
            for (double fraction : {0.3, 0.7, 0.15, 0.85, 0.4, 0.6, 0.05, 0.95})
                candidates.push_back(pixelOf(pointAlong(*longest, fraction)));
            for (const QPointF& candidate : candidates)
                if (const QRectF tried = boxAt(candidate, name); isFree(tried)) {
                    box = tried;
                    break;
                }
        }
        // A short line (a small loop beside the phantom) or one whose places
        // are taken: the name beside it, right of it first, then above and
        // below, led to it by a thin line, so that the name hides none of it.
        bool leader = false;
        if (!box) {
            const double gap = 3 * pad;
            std::vector<QPointF> beside;
            for (int k = 0; k < 16; ++k) {
                const double shift = (k % 2 == 0 ? 1 : -1) * ((k + 1) / 2) * (size.height() + pad);
                beside.push_back(
                    QPointF(bounds.right() + gap + size.width() / 2, anchor.y() + shift));
            }
            for (int k = 0; k < 4; ++k) {
                beside.push_back(
                    QPointF(bounds.center().x(),
                            bounds.top() - gap - size.height() / 2 - k * (size.height() + pad)));
                beside.push_back(
                    QPointF(bounds.center().x(),
                            bounds.bottom() + gap + size.height() / 2 + k * (size.height() + pad)));
            }
            for (const QPointF& candidate : beside)
                if (const QRectF tried = boxAt(candidate, name);
                    isFree(tried) && !tried.intersects(bounds) && !coversALine(tried)) {
                    box = tried;
                    break;
                }
            leader = box.has_value();
            if (!box)
                box = boxAt(anchor, name);
        }
        placed.push_back(*box);
        painter.setPen(QPen(line.colour, scale));
        if (leader) {
            // From the line's label point to the nearest point of the name's box.
            const QPointF edge(std::clamp(anchor.x(), box->left(), box->right()),
                               std::clamp(anchor.y(), box->top(), box->bottom()));
            painter.drawLine(anchor, edge);
        }
        painter.setBrush(Qt::white);
        painter.drawRect(*box);
        painter.setBrush(Qt::NoBrush);
        painter.drawText(*box, Qt::AlignCenter, name);
    }
    painter.restore();
}

namespace {

// A copy of the lines with each name on the longest part of its line that
// `seen` holds: its own place when that is seen, else the middle of the
// longest run of seen points; no name when no part is seen.
std::vector<LimitLine> labelledWhereSeen(const std::vector<LimitLine>& lines,
                                         const std::function<bool(const contours::MapXY&)>& seen) {
    std::vector<LimitLine> placed = lines;
    for (LimitLine& line : placed) {
        if (line.contour.label && seen(*line.contour.label))
            continue;
        std::optional<contours::MapXY> best;
        double bestLength = -1;
        for (const contours::ContourLine& piece : line.contour.lines) {
            std::size_t k = 0;
            while (k < piece.points.size()) {
                if (!seen(piece.points[k])) {
                    ++k;
                    continue;
                }
                const std::size_t start = k;
                double length = 0;
                while (k + 1 < piece.points.size() && seen(piece.points[k + 1])) {
                    length += std::hypot(piece.points[k + 1].x - piece.points[k].x,
                                         piece.points[k + 1].c - piece.points[k].c);
                    ++k;
                }
                if (length > bestLength) {
                    bestLength = length;
                    best = piece.points[(start + k) / 2];
                }
                ++k;
            }
        }
        line.contour.label = best;
    }
    return placed;
}

} // namespace

void paintOverRoom(QImage& image, const overlay::PixelMapping& phantomMapping,
                   const Module1::RoomLayout& room, bool bothSides,
                   const std::vector<LimitLine>& lines, const QFont& font) {
    if (lines.empty())
        return;
    const int orientation = overlay::bedOrientation(room.bedWidth, room.bedHeight);
    // The room 5 cm inside its walls, in phantom coordinates, then in pixels.
    constexpr double kStrip = 5;
    const double left = kStrip - room.phantomX;
    const double top = kStrip - room.phantomY;
    const double right = room.roomWidth - kStrip - room.phantomX;
    const double bottom = room.roomHeight - kStrip - room.phantomY;
    const QRectF clip(QPointF(phantomMapping.deviceX(left), phantomMapping.deviceY(top)),
                      QPointF(phantomMapping.deviceX(right), phantomMapping.deviceY(bottom)));
    QPainter painter(&image);
    painter.setClipRect(clip.normalized());
    for (bool otherSide : {false, true}) {
        if (otherSide && !bothSides)
            break;
        // Each name where its line is seen on this side.
        const std::vector<LimitLine> placed =
            labelledWhereSeen(lines, [&](const contours::MapXY& p) {
                const overlay::MapPoint at = contours::phantomPoint(p, orientation, otherSide);
                return at.u >= left && at.u <= right && at.v >= top && at.v <= bottom;
            });
        paintLines(
            painter, placed,
            [&phantomMapping, orientation, otherSide](const contours::MapXY& p) {
                const overlay::MapPoint at = contours::phantomPoint(p, orientation, otherSide);
                return QPointF(phantomMapping.deviceX(at.u), phantomMapping.deviceY(at.v));
            },
            phantomMapping.pixelScale(), font);
    }
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
