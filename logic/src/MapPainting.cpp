#include "logic/MapPainting.h"

#include "logic/DoseGrids.h"

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

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

// The focal spot `focusSkinDistance` cm beyond the phantom's surface at
// picture Y `surface`, on the side `towards` (-1 up, +1 down), and the beam
// with its arrow head at that surface.
void paintFocusAndBeam(QPainter& painter, const QPen& outline, double focusSkinDistance,
                       double surface, int towards) {
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPointF(0, surface + towards * focusSkinDistance), 10, 10);
    QPen red = outline;
    red.setColor(QColor(255, 0, 0));
    painter.setPen(red);
    painter.drawLine(QPointF(0, surface + towards * (focusSkinDistance - 10)), QPointF(0, surface));
    painter.drawLine(QPointF(-5, surface + towards * 10), QPointF(0, surface));
    painter.drawLine(QPointF(0, surface), QPointF(5, surface + towards * 10));
}

// The vertical section's sketch: the phantom cut by the plane of the map.
void paintSection(QPainter& painter, const QPen& outline, double focusSkinDistance,
                  const PlaneRecord& plane) {
    painter.setPen(outline);
    painter.setBrush(Qt::NoBrush);
    if (plane.position == textrec::planes::Position::Standing) {
        // The plane z = 0 faces the tube: the phantom 30 wide and 60 tall,
        // the horizontal beam end-on.
        painter.drawRect(QRectF(-15, 270, 30, 60));
        painter.setBrush(QColor(255, 0, 0));
        painter.drawEllipse(QPointF(0, 300), 10, 10);
        return;
    }
    // Lying, the plane across the table: the race-track 30 across and 20
    // thick, the beam coming down from the tube above (or up from below).
    painter.drawLine(QPointF(-5, 290), QPointF(5, 290));
    painter.drawLine(QPointF(-5, 310), QPointF(5, 310));
    painter.drawArc(QRectF(-15, 290, 20, 20), 90 * 16, 180 * 16);
    painter.drawArc(QRectF(-5, 290, 20, 20), 270 * 16, 180 * 16);
    if (plane.tube == textrec::planes::Tube::Below)
        paintFocusAndBeam(painter, outline, focusSkinDistance, 310, 1);
    else
        paintFocusAndBeam(painter, outline, focusSkinDistance, 290, -1);
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

// A line of a vertical section's grid: every 100 cm above the floor that
// lies in the picture, the floor included.
struct SectionLine {
    int Y;
    int height; // cm above the floor
};

std::vector<SectionLine> sectionLines(const PlaneView& view) {
    std::vector<SectionLine> lines;
    if (!view.verticalSection())
        return lines;
    const int floorY = *view.floorY();
    for (int height = (floorY / 100) * 100; height >= 0; height -= 100) {
        const int Y = floorY - height;
        if (Y >= 0 && Y <= 600)
            lines.push_back({Y, height});
    }
    return lines;
}

// The axis labels, clear of the grid: the x labels centred over their
// vertical lines in the strip above the map, the c labels right-aligned
// before the horizontal lines (which start at X = -50) and centred on them.
// A font taller than the strip above the map is made smaller.
void paintAxisLabels(QPainter& painter, const QFont& font,
                     const std::vector<SectionLine>& sectionLines) {
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
    std::vector<std::pair<int, QString>> rowLabels;
    if (sectionLines.empty()) {
        for (const auto& [Y, text] : {std::pair{0, "-300"},
                                      {100, "-200"},
                                      {200, "-100"},
                                      {300, "0"},
                                      {400, "100"},
                                      {500, "200"},
                                      {600, "300 cm"}})
            rowLabels.emplace_back(Y, QString::fromUtf8(text));
    } else {
        // Heights above the floor under their heading, the floor named.
        for (const SectionLine& line : sectionLines)
            rowLabels.emplace_back(line.Y, line.height == 0 ? QStringLiteral("床 0")
                                                            : QString::number(line.height));
        painter.drawText(QRectF(kMapPictureLeft, kMapPictureTop, -50 - kMapPictureLeft, strip),
                         Qt::AlignRight | Qt::AlignBottom, QStringLiteral("高さ cm"));
    }
    for (const auto& [Y, text] : rowLabels)
        painter.drawText(QRectF(kMapPictureLeft, Y - height / 2, -54 - kMapPictureLeft, height),
                         Qt::AlignRight | Qt::AlignVCenter, text);
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
                const std::vector<bool>* hatched, const PlaneView& view) {
    const std::array<QRgb, kBandCount> colours = mapColourTable();

    const int scale = scaleOf(image);
    const int firstColumn = 20 - kMapPictureLeft; // unit pixel of X = 20
    for (int i = 1; i <= kGridRows; ++i) {
        if (!view.shows(i))
            continue; // below the floor
        const double* row = &grid.cells()[static_cast<std::size_t>(i - 1) * kGridColumns];
        const std::size_t rowStart = static_cast<std::size_t>(i - 1) * kGridColumns;
        for (int dy = 0; dy < scale; ++dy) {
            const int y = (view.pictureY(i) - kMapPictureTop) * scale + dy;
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

void paintMapFrame(QImage& image, int bodyPosition, double focusSkinDistance, const QFont& font,
                   const std::optional<PlaneRecord>& plane) {
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
    QPen thick(Qt::black);
    thick.setWidth(2);
    const PlaneView view(plane);
    const std::vector<SectionLine> lines = sectionLines(view);
    if (view.verticalSection()) {
        // Nothing below the floor: the grid ends there, and the floor is drawn.
        const int bottom = std::min(600, *view.floorY());
        for (int X = 0; X <= 400; X += 100)
            painter.drawLine(X, 0, X, bottom);
        for (const SectionLine& line : lines) {
            painter.setPen(line.height == 0 ? thick : thin);
            painter.drawLine(-50, line.Y, 400, line.Y);
        }
        paintSection(painter, thick, focusSkinDistance, *plane);
    } else {
        for (int X = 0; X <= 400; X += 100)
            painter.drawLine(X, 0, X, 600);
        for (int Y = 0; Y <= 600; Y += 100)
            painter.drawLine(-50, Y, 400, Y);
        if (bodyPosition == 1)
            paintLying(painter, thick);
        else
            paintStanding(painter, thick, focusSkinDistance);
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(thin);
    paintAxisLabels(painter, font, lines);
}

QImage paintMap(const ShownMap& map, const QFont& font, int scale) {
    QImage image = blankMapImage(scale);
    if (map.grid)
        paintBands(image, *map.grid, bandingThresholds(map), map.hatched ? &*map.hatched : nullptr,
                   PlaneView(map.plane));
    paintMapFrame(image, map.bodyPosition, map.focusSkinDistance, font, map.plane);
    // The limit lines over everything, so that grid lines and the sketch do
    // not cut them.
    if (map.grid)
        limitlines::paintOnMap(image, map.limitLines, PlaneView(map.plane), font);
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
