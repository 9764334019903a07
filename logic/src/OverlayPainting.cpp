#include "logic/OverlayPainting.h"

#include "logic/DoseGrids.h"
#include "logic/MapPainting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace overlay {

namespace {

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);
constexpr double kPi = std::numbers::pi;

// Bed, window, doors and texts: drawn before the map and again over the masks.
void paintFittings(OverlayCanvas& canvas, const OverlayInputs& inputs, int orientation) {
    canvas.box(bedFigure(inputs.room, inputs.bodyPosition, orientation));
    for (const Box& opening : openings(inputs.room))
        canvas.box(opening);
    for (const PlacedText& text : roomTexts(inputs.room))
        canvas.text(text.x, text.y, text.text);
}

void paintRoomOutline(OverlayCanvas& canvas, const Module1::RoomLayout& room) {
    canvas.setDrawWidth(4);
    canvas.box({0, 0, room.roomWidth, room.roomHeight});
}

// The phantom seen from above with the vertical beam end-on, or the standing
// phantom's race-track section with the focus, the beam axis and an arrow head
// at the phantom's surface.
void paintSketch(OverlayCanvas& canvas, int bodyPosition, int orientation, double fsd) {
    if (bodyPosition == 1) {
        canvas.box(orientation == 1 ? Box{-30, -15, 30, 15} : Box{-15, -30, 15, 30});
        canvas.setFillColour(kRed);
        canvas.setFillSolid(true);
        canvas.circle(0, 0, 6);
        return;
    }
    if (orientation == 1) {
        canvas.line(-10, -10, -10, 10);
        canvas.line(10, -10, 10, 10);
        canvas.arc(0, -10, 10, 0, kPi);
        canvas.arc(0, 10, 10, kPi, 0);
        canvas.setFillColour(kRed);
        canvas.setFillSolid(true);
        canvas.circle(10 + fsd, 0, 6);
        canvas.line(0, 0, 10 + fsd, 0);
        canvas.line(30, -10, 10, 0);
        canvas.line(10, 0, 30, 10);
        return;
    }
    canvas.line(-10, -10, 10, -10);
    canvas.line(-10, 10, 10, 10);
    canvas.arc(-10, 0, 10, kPi / 2, 3 * kPi / 2);
    canvas.arc(10, 0, 10, 3 * kPi / 2, kPi / 2);
    canvas.setFillColour(kRed);
    canvas.setFillSolid(true);
    canvas.circle(0, -(10 + fsd), 6, kRed);
    canvas.line(0, 0, 0, -(10 + fsd));
    canvas.line(-10, -30, 0, -10);
    canvas.line(0, -10, 10, -30);
}

} // namespace

QFont pictureFont() {
    QFont font(QStringLiteral("Meiryo"));
    font.setPixelSize(24);
    return font;
}

QImage blankPicture(int scale) {
    QImage image(kPicturePixels * scale, kPicturePixels * scale, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

QImage paintLegend(int scale) {
    QImage image(kLegendWidth * scale, kLegendHeight * scale, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    auto fillBox = [&](int k, QColor colour) {
        const QPointF topLeft(0, 10.0 * (k - 1) * kLegendPixelsPerUnitY);
        const QPointF bottomRight(30 * kLegendPixelsPerUnitX, 10.0 * k * kLegendPixelsPerUnitY);
        painter.fillRect(QRectF(topLeft, bottomRight), colour);
    };
    for (int k = 1; k <= 10; ++k) {
        const results::Rgb c = results::legendColour(k);
        fillBox(k, QColor(c.r, c.g, c.b));
    }
    fillBox(11, QColor(200, 200, 200));
    return image;
}

namespace {

// The font `scale` times as large.
QFont scaledFont(QFont font, int scale) {
    if (scale > 1) {
        if (font.pixelSize() > 0)
            font.setPixelSize(font.pixelSize() * scale);
        else
            font.setPointSizeF(font.pointSizeF() * scale);
    }
    return font;
}

} // namespace

OverlayCanvas::OverlayCanvas(QImage& image, QFont font, QRect frame)
    : image_(image), frame_(frame), pixelScale_(std::max(1, image.width() / frame.width())),
      font_(scaledFont(std::move(font), pixelScale_)) {}

void OverlayCanvas::clear() {
    image_.fill(kWhite);
}

template <typename Paint> void OverlayCanvas::paint(QColor outline, Paint&& paint) {
    QPainter painter(&image_);
    const PixelMapping m = mapping();
    const double s = m.deviceX(scale_.left + 1) - m.deviceX(scale_.left);
    const double t = m.deviceY(scale_.top + 1) - m.deviceY(scale_.top);
    painter.setTransform(QTransform(s, 0, 0, t, m.deviceX(0), m.deviceY(0)));
    QPen pen(outline);
    pen.setWidth(drawWidth_ * pixelScale_);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(fillSolid_ ? QBrush(fillColour_) : QBrush(Qt::NoBrush));
    paint(painter);
}

void OverlayCanvas::line(double x1, double y1, double x2, double y2, QColor colour) {
    paint(colour, [&](QPainter& p) { p.drawLine(QPointF(x1, y1), QPointF(x2, y2)); });
}

void OverlayCanvas::box(const Box& b, QColor colour) {
    paint(colour, [&](QPainter& p) {
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(QPointF(b.x1, b.y1), QPointF(b.x2, b.y2)).normalized());
    });
}

void OverlayCanvas::filledBox(const Box& b, QColor colour) {
    const PixelMapping m = mapping();
    const double ax = m.deviceX(std::min(b.x1, b.x2));
    const double bx = m.deviceX(std::max(b.x1, b.x2));
    const double ay = m.deviceY(std::min(b.y1, b.y2));
    const double by = m.deviceY(std::max(b.y1, b.y2));
    const QRect pixels(QPoint(PixelMapping::firstTouched(ax), PixelMapping::firstTouched(ay)),
                       QPoint(PixelMapping::lastTouched(bx), PixelMapping::lastTouched(by)));
    const QRect visible = pixels.intersected(image_.rect());
    if (visible.isEmpty())
        return;
    QPainter painter(&image_);
    painter.fillRect(visible, colour);
}

void OverlayCanvas::circle(double x, double y, double r, QColor outline) {
    paint(outline, [&](QPainter& p) { p.drawEllipse(QPointF(x, y), r, r); });
}

void OverlayCanvas::arc(double x, double y, double r, double from, double to, QColor outline) {
    double span = to - from;
    if (span < 0)
        span += 2 * kPi;
    const auto sixteenths = [](double radians) {
        return static_cast<int>(std::lround(radians * 180 / kPi * 16));
    };
    paint(outline, [&](QPainter& p) {
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(x - r, y - r, 2 * r, 2 * r), sixteenths(from), sixteenths(span));
    });
}

void OverlayCanvas::text(double x, double y, const QString& text) {
    const PixelMapping m = mapping();
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font_, &image_);
    painter.drawText(QPointF(m.deviceX(x), m.deviceY(y) + metrics.ascent()), text);
}

void paintMap(QImage& image, const PixelMapping& mapping, int orientation,
              const results::DoseGrid& grid, const results::Thresholds& thresholds,
              const std::function<void(int)>& afterRow, const std::vector<bool>* hatched,
              bool bothSides) {
    const std::array<QRgb, results::kBandCount> colours = results::mapColourTable();
    const int scale = mapping.pixelScale();
    const int dot = 2 * scale;

    // Each row i lands on one picture column (orientation 1) or one picture line
    // (orientation 2); each column j on one line or column across it, and on
    // the other side of the phantom on its mirror.
    std::array<int, kMapRows + 1> alongRow{};
    std::array<int, kMapColumns + 1> acrossRow{};
    std::array<int, kMapColumns + 1> acrossMirrored{};
    for (int i = 1; i <= kMapRows; ++i) {
        const MapPoint p = mapPoint(orientation, i, 1);
        alongRow[static_cast<std::size_t>(i)] = PixelMapping::dotStart(
            orientation == 1 ? mapping.deviceX(p.u) : mapping.deviceY(p.v), dot);
    }
    for (int j = 1; j <= kMapColumns; ++j) {
        const MapPoint p = mapPoint(orientation, 1, j);
        const MapPoint m = mirrored(p, orientation);
        acrossRow[static_cast<std::size_t>(j)] = PixelMapping::dotStart(
            orientation == 1 ? mapping.deviceY(p.v) : mapping.deviceX(p.u), dot);
        acrossMirrored[static_cast<std::size_t>(j)] = PixelMapping::dotStart(
            orientation == 1 ? mapping.deviceY(m.v) : mapping.deviceX(m.u), dot);
    }

    const int width = image.width();
    const int height = image.height();
    auto setDot = [&](int x0, int y0, QRgb colour, bool hatch) {
        for (int y = std::max(y0, 0); y < std::min(y0 + dot, height); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = std::max(x0, 0); x < std::min(x0 + dot, width); ++x)
                line[x] =
                    hatch && results::onHatchLine(x, y, scale) ? results::kHatchColour : colour;
        }
    };
    for (int i = 1; i <= kMapRows; ++i) {
        const double* row = &grid.cells()[static_cast<std::size_t>(i - 1) * results::kGridColumns];
        const int along = alongRow[static_cast<std::size_t>(i)];
        for (int j = 1; j <= kMapColumns; ++j) {
            const int band = results::bandOf(row[j - 1], thresholds);
            const QRgb colour = colours[static_cast<std::size_t>(band - 1)];
            const bool hatch =
                hatched && (*hatched)[static_cast<std::size_t>(i - 1) * results::kGridColumns +
                                      static_cast<std::size_t>(j - 1)];
            const int across = acrossRow[static_cast<std::size_t>(j)];
            if (orientation == 1)
                setDot(along, across, colour, hatch);
            else
                setDot(across, along, colour, hatch);
            if (bothSides) {
                const int other = acrossMirrored[static_cast<std::size_t>(j)];
                if (orientation == 1)
                    setDot(along, other, colour, hatch);
                else
                    setDot(other, along, colour, hatch);
            }
        }
        if (afterRow)
            afterRow(i);
    }
}

int paintOverlay(QImage& image, const OverlayInputs& inputs,
                 const std::function<void(int)>& afterRow, QFont font, QRect frame) {
    const Module1::RoomLayout& room = inputs.room;
    const double W = room.roomWidth;
    const double H = room.roomHeight;
    OverlayCanvas canvas(image, font, frame);

    // 1, 2: a clear picture scaled to the room.
    canvas.clear();
    canvas.setFillSolid(false);
    canvas.setScale(roomScale(W, H));

    // 3: the room and the phantom centre.
    paintRoomOutline(canvas, room);
    canvas.setDrawWidth(2);
    canvas.circle(room.phantomX, room.phantomY, 2, kRed);

    // 4 to 7: bed or table bar, window and doors, texts.
    const int orientation = bedOrientation(room.bedWidth, room.bedHeight);
    paintFittings(canvas, inputs, orientation);

    // 8: origin at the phantom centre, the scale unchanged.
    canvas.setDrawWidth(1);
    canvas.setScale(phantomScale(canvas.scale(), W, H, room.phantomX, room.phantomY));

    // 9: phantom and beam.
    paintSketch(canvas, inputs.bodyPosition, orientation, inputs.focusSkinDistance);

    // 10: the dose map, when there is one.
    canvas.setDrawWidth(2);
    canvas.setFillSolid(false);
    if (inputs.grid)
        paintMap(image, canvas.mapping(), orientation, *inputs.grid, inputs.thresholds, afterRow,
                 inputs.hatched, inputs.bothSides);

    // 11: 100 cm grid.
    canvas.setDrawWidth(1);
    for (const Segment& s : gridLines(orientation, inputs.bothSides))
        canvas.line(s.x1, s.y1, s.x2, s.y2);

    // 12: white outside the room and along the walls the map reaches.
    for (const Box& mask : whiteMasks(room, orientation))
        canvas.filledBox(mask, kWhite);
    if (inputs.bothSides)
        for (const Box& mask : otherSideMasks(room, orientation))
            canvas.filledBox(mask, kWhite);

    // 13: the room and its fittings again, over the masks.
    const PixelMapping phantomMapping = canvas.mapping();
    canvas.setScale(roomScale(W, H));
    paintRoomOutline(canvas, room);
    canvas.setDrawWidth(2);
    paintFittings(canvas, inputs, orientation);

    // The limit lines over it all, where the map is seen.
    if (inputs.grid && inputs.limitLines)
        limitlines::paintOverRoom(image, phantomMapping, room, inputs.bothSides, *inputs.limitLines,
                                  font);
    return orientation;
}

QRect frameForTexts(const Module1::RoomLayout& room, const QFont& font) {
    if (std::max(room.roomWidth, room.roomHeight) <= 0)
        return kWindowFrame; // nothing is drawn
    QRectF frame(kWindowFrame);
    const PixelMapping m(roomScale(room.roomWidth, room.roomHeight), kPicturePixels);
    // Measured on an image, as OverlayCanvas::text draws.
    const QImage probe(1, 1, QImage::Format_RGB32);
    const QFontMetricsF metrics(font, &probe);
    constexpr double margin = 4;
    for (const PlacedText& text : roomTexts(room)) {
        const QRectF ink = metrics.boundingRect(text.text).translated(
            m.deviceX(text.x), m.deviceY(text.y) + metrics.ascent());
        // The line's full height, so that accents and descenders are inside.
        const QRectF line(ink.left(), m.deviceY(text.y), ink.width(),
                          std::max(ink.bottom() - m.deviceY(text.y), metrics.height()));
        frame |= line.adjusted(-margin, -margin, margin, margin);
    }
    const QRectF reach =
        QRectF(kWindowFrame)
            .adjusted(-kMaxFrameReach, -kMaxFrameReach, kMaxFrameReach, kMaxFrameReach);
    frame &= reach;
    return QRect(QPoint(int(std::floor(frame.left())), int(std::floor(frame.top()))),
                 QPoint(int(std::ceil(frame.right())) - 1, int(std::ceil(frame.bottom())) - 1));
}

QFont pointFont() {
    QFont font;
    font.setPixelSize(15);
    font.setBold(true);
    return font;
}

QPointF roomPointAt(const Module1::RoomLayout& room, QPointF pixel) {
    const UserScale scale = roomScale(room.roomWidth, room.roomHeight);
    return QPointF(scale.left + pixel.x() * scale.width / kPicturePixels,
                   scale.top + pixel.y() * scale.height / kPicturePixels);
}

QPointF pixelOf(const Module1::RoomLayout& room, double x, double y) {
    const PixelMapping m(roomScale(room.roomWidth, room.roomHeight), kPicturePixels);
    return QPointF(m.deviceX(x), m.deviceY(y));
}

std::optional<std::size_t> pointAt(const Module1::RoomLayout& room,
                                   const std::vector<namedpoints::NamedPoint>& points,
                                   QPointF pixel) {
    std::optional<std::size_t> nearest;
    double nearestDistance = kPointPickRadius;
    // The last drawn lies on top: it is taken among equals.
    for (std::size_t k = 0; k < points.size(); ++k) {
        const QPointF d = pixelOf(room, points[k].x, points[k].y) - pixel;
        const double distance = std::hypot(d.x(), d.y());
        if (distance <= nearestDistance) {
            nearest = k;
            nearestDistance = distance;
        }
    }
    return nearest;
}

void paintPoints(QImage& image, const Module1::RoomLayout& room,
                 const std::vector<namedpoints::NamedPoint>& points,
                 std::optional<std::size_t> highlighted, QFont font, QRect frame) {
    if (points.empty() || std::max(room.roomWidth, room.roomHeight) <= 0)
        return;
    OverlayCanvas canvas(image, font, frame);
    canvas.setScale(roomScale(room.roomWidth, room.roomHeight));
    const PixelMapping m = canvas.mapping();
    const double s = m.pixelScale();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(scaledFont(std::move(font), m.pixelScale()));
    const QFontMetricsF metrics(painter.font(), &image);
    for (std::size_t k = 0; k < points.size(); ++k) {
        const QPointF at(m.deviceX(points[k].x), m.deviceY(points[k].y));
        const QColor ring = highlighted == k ? kRed : QColor(Qt::black);
        painter.setPen(QPen(ring, 2 * s));
        painter.setBrush(kWhite);
        painter.drawEllipse(at, kPointRadius * s, kPointRadius * s);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ring);
        painter.drawEllipse(at, 2 * s, 2 * s);

        // The name to the right of the marker, on a white ground.
        const QRectF ink = metrics.boundingRect(points[k].name);
        const QPointF baseline(at.x() + (kPointRadius + 5) * s,
                               at.y() + (metrics.ascent() - metrics.descent()) / 2);
        const QRectF ground = QRectF(baseline.x() - 2 * s, baseline.y() - metrics.ascent() - s,
                                     ink.width() + 4 * s, metrics.height() + 2 * s);
        painter.setPen(QPen(ring, s));
        painter.setBrush(kWhite);
        painter.drawRect(ground);
        painter.setPen(ring);
        painter.drawText(baseline, points[k].name);
    }
}

} // namespace overlay
