#include "logic/MapPainting.h"

#include "logic/DoseGrids.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <utility>

namespace results {

namespace {

QRgb toQRgb(Rgb c) {
    return qRgb(c.r, c.g, c.b);
}

void paintLying(QPainter& painter, const QPen& outline) {
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(-15, 270, 30, 60)); // the phantom seen from above
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPointF(0, 300), 10, 10); // the beam
}

void paintStanding(QPainter& painter, const QPen& outline, double focusSkinDistance) {
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    // Race-track cross-section, 40 across and 20 deep.
    painter.drawLine(QPointF(-10, 290), QPointF(10, 290));
    painter.drawLine(QPointF(-10, 310), QPointF(10, 310));
    painter.drawArc(QRectF(-20, 290, 20, 20), 90 * 16, 180 * 16);
    painter.drawArc(QRectF(0, 290, 20, 20), 270 * 16, 180 * 16);
    // The focal spot and the beam with its arrow head at the phantom's surface.
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPointF(0, 290 - focusSkinDistance), 10, 10);
    QPen red = outline;
    red.setColor(QColor(255, 0, 0));
    painter.setPen(red);
    painter.drawLine(QPointF(0, 300 - focusSkinDistance), QPointF(0, 290));
    painter.drawLine(QPointF(-5, 280), QPointF(0, 290));
    painter.drawLine(QPointF(0, 290), QPointF(5, 280));
}

// The axis labels, clear of the grid: the x labels centred over their
// vertical lines in the strip above the map, the c labels right-aligned
// before the horizontal lines (which start at X = -50) and centred on them.
// A font taller than the strip above the map is made smaller.
void paintAxisLabels(QPainter& painter, const QFont& font) {
    constexpr double strip = -kMapPictureTop - 1; // above the line Y = 0
    QFont labelFont = font;
    for (int pixels = QFontInfo(font).pixelSize();
         pixels > 6 && QFontMetricsF(labelFont).height() > strip; --pixels)
        labelFont.setPixelSize(pixels - 1);
    painter.setFont(labelFont);
    const double height = QFontMetricsF(labelFont).height();

    const std::pair<int, const char*> xLabels[] = {
        {0, "0"}, {100, "100"}, {200, "200"}, {300, "300 cm"}, {400, "400"}};
    for (const auto& [X, text] : xLabels)
        painter.drawText(QRectF(X - 40, kMapPictureTop, 80, strip),
                         Qt::AlignHCenter | Qt::AlignBottom, QString::fromUtf8(text));
    const std::pair<int, const char*> cLabels[] = {{0, "-300"},    {100, "-200"}, {200, "-100"},
                                                   {300, "0"},     {400, "100"},  {500, "200"},
                                                   {600, "300 cm"}};
    for (const auto& [Y, text] : cLabels)
        painter.drawText(QRectF(kMapPictureLeft, Y - height / 2, -54 - kMapPictureLeft, height),
                         Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8(text));
}

// How many pixels a unit takes in a map picture.
int scaleOf(const QImage& image) {
    return std::max(1, image.width() / kMapPictureWidth);
}

} // namespace

QImage blankMapImage(int scale) {
    QImage image(kMapPictureWidth * scale, kMapPictureHeight * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

std::array<QRgb, kBandCount> mapColourTable() {
    std::array<QRgb, kBandCount> colours{};
    for (int band = 1; band <= kBandCount; ++band)
        colours[static_cast<std::size_t>(band - 1)] = toQRgb(mapColour(band));
    return colours;
}

void paintBands(QImage& image, const DoseGrid& grid, const Thresholds& thresholds,
                const std::vector<bool>* hatched) {
    const std::array<QRgb, kBandCount> colours = mapColourTable();

    const int scale = scaleOf(image);
    const int firstColumn = 20 - kMapPictureLeft; // unit pixel of X = 20
    for (int i = 1; i <= kGridRows; ++i) {
        const double* row = &grid.cells()[static_cast<std::size_t>(i - 1) * kGridColumns];
        const std::size_t rowStart = static_cast<std::size_t>(i - 1) * kGridColumns;
        for (int dy = 0; dy < scale; ++dy) {
            const int y = (i - 1 - kMapPictureTop) * scale + dy;
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int j = 1; j <= kGridColumns; ++j) {
                const int band = bandOf(row[j - 1], thresholds);
                const bool hatch =
                    hatched && (*hatched)[rowStart + static_cast<std::size_t>(j - 1)];
                for (int dx = 0; dx < scale; ++dx) {
                    const int x = (firstColumn + j - 1) * scale + dx;
                    line[x] = hatch && onHatchLine(x, y, scale)
                                  ? kHatchColour
                                  : colours[static_cast<std::size_t>(band - 1)];
                }
            }
        }
    }
}

void paintMapFrame(QImage& image, int bodyPosition, double focusSkinDistance, const QFont& font) {
    QPainter painter(&image);
    const int scale = scaleOf(image);
    painter.scale(scale, scale);
    // A line of width 1 at X fills the pixel from X to X + 1; painted finer it
    // is centred on X + 0.5 so that it lies where the window shows it.
    if (scale > 1)
        painter.translate(0.5, 0.5);
    painter.translate(-kMapPictureLeft, -kMapPictureTop);

    QPen thin(Qt::black);
    thin.setWidth(1);
    painter.setPen(thin);
    for (int X = 0; X <= 400; X += 100)
        painter.drawLine(X, 0, X, 600);
    for (int Y = 0; Y <= 600; Y += 100)
        painter.drawLine(-50, Y, 400, Y);

    QPen thick(Qt::black);
    thick.setWidth(2);
    if (bodyPosition == 1)
        paintLying(painter, thick);
    else
        paintStanding(painter, thick, focusSkinDistance);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(thin);
    paintAxisLabels(painter, font);
}

QImage paintMap(const ShownMap& map, const QFont& font, int scale) {
    QImage image = blankMapImage(scale);
    if (map.grid)
        paintBands(image, *map.grid, map.thresholds, map.hatched ? &*map.hatched : nullptr);
    paintMapFrame(image, map.bodyPosition, map.focusSkinDistance, font);
    return image;
}

QImage paintLegend(int scale) {
    QImage image(kLegendWidth * scale, kLegendHeight * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.setPen(Qt::NoPen);
    for (int k = 1; k <= kThresholdCount; ++k) {
        const QPointF topLeft(0, 10.0 * (k - 1) * kLegendPixelsPerUnitY);
        const QPointF bottomRight(30 * kLegendPixelsPerUnitX, 10.0 * k * kLegendPixelsPerUnitY);
        const Rgb c = legendColour(k);
        painter.fillRect(QRectF(topLeft, bottomRight), QColor(c.r, c.g, c.b));
    }
    return image;
}

} // namespace results
