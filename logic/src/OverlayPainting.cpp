#include "logic/OverlayPainting.h"

#include "logic/DoseGrids.h"
#include "logic/MapPainting.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

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

QImage blankPicture() {
    QImage image(kPicturePixels, kPicturePixels, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

QImage paintLegend() {
    QImage image(kLegendWidth, kLegendHeight, QImage::Format_RGB32);
    image.fill(kWhite);
    QPainter painter(&image);
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

OverlayCanvas::OverlayCanvas(QImage& image, QFont font) : image_(image), font_(std::move(font)) {}

void OverlayCanvas::clear() {
    image_.fill(kWhite);
}

template <typename Paint> void OverlayCanvas::paint(QColor outline, Paint&& paint) {
    QPainter painter(&image_);
    const double s = image_.width() / scale_.width;
    const double t = image_.height() / scale_.height;
    painter.setTransform(QTransform(s, 0, 0, t, -scale_.left * s, -scale_.top * t));
    QPen pen(outline);
    pen.setWidth(drawWidth_);
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
    const QRect pixels(QPoint(PixelMapping::firstInside(ax), PixelMapping::firstInside(ay)),
                       QPoint(PixelMapping::lastInside(bx), PixelMapping::lastInside(by)));
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
              const std::function<void(int)>& afterRow, const std::vector<bool>* hatched) {
    const std::array<QRgb, results::kBandCount> colours = results::mapColourTable();

    // Each row i lands on one picture column (orientation 1) or one picture line
    // (orientation 2); each column j on one line or column across it.
    std::array<int, kMapRows + 1> alongRow{};
    std::array<int, kMapColumns + 1> acrossRow{};
    for (int i = 1; i <= kMapRows; ++i) {
        const MapPoint p = mapPoint(orientation, i, 1);
        alongRow[static_cast<std::size_t>(i)] =
            PixelMapping::dotStart(orientation == 1 ? mapping.deviceX(p.u) : mapping.deviceY(p.v));
    }
    for (int j = 1; j <= kMapColumns; ++j) {
        const MapPoint p = mapPoint(orientation, 1, j);
        acrossRow[static_cast<std::size_t>(j)] =
            PixelMapping::dotStart(orientation == 1 ? mapping.deviceY(p.v) : mapping.deviceX(p.u));
    }

    const int width = image.width();
    const int height = image.height();
    auto setPixel = [&](int x, int y, QRgb colour, bool hatch) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] =
                hatch && results::onHatchLine(x, y) ? results::kHatchColour : colour;
    };
    for (int i = 1; i <= kMapRows; ++i) {
        const double* row = &grid.cells()[static_cast<std::size_t>(i - 1) * results::kGridColumns];
        const int along = alongRow[static_cast<std::size_t>(i)];
        for (int j = 1; j <= kMapColumns; ++j) {
            const int band = results::bandOf(row[j - 1], thresholds);
            const QRgb colour = colours[static_cast<std::size_t>(band - 1)];
            const int across = acrossRow[static_cast<std::size_t>(j)];
            const int x = orientation == 1 ? along : across;
            const int y = orientation == 1 ? across : along;
            const bool hatch =
                hatched && (*hatched)[static_cast<std::size_t>(i - 1) * results::kGridColumns +
                                      static_cast<std::size_t>(j - 1)];
            setPixel(x, y, colour, hatch);
            setPixel(x + 1, y, colour, hatch);
            setPixel(x, y + 1, colour, hatch);
            setPixel(x + 1, y + 1, colour, hatch);
        }
        if (afterRow)
            afterRow(i);
    }
}

int paintOverlay(QImage& image, const OverlayInputs& inputs,
                 const std::function<void(int)>& afterRow, QFont font) {
    const Module1::RoomLayout& room = inputs.room;
    const double W = room.roomWidth;
    const double H = room.roomHeight;
    OverlayCanvas canvas(image, std::move(font));

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
                 inputs.hatched);

    // 11: 100 cm grid.
    canvas.setDrawWidth(1);
    for (const Segment& s : gridLines(orientation))
        canvas.line(s.x1, s.y1, s.x2, s.y2);

    // 12: white outside the room and along the walls the map reaches.
    for (const Box& mask : whiteMasks(room, orientation))
        canvas.filledBox(mask, kWhite);

    // 13: the room and its fittings again, over the masks.
    canvas.setScale(roomScale(W, H));
    paintRoomOutline(canvas, room);
    canvas.setDrawWidth(2);
    paintFittings(canvas, inputs, orientation);
    return orientation;
}

} // namespace overlay
