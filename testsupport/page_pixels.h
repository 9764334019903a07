// What the tests read off a saved page: the PDF rendered by pdftoppm, the
// colour inside each legend box, and the colour at a point of the map or of
// the room, at the places the page's layout gives.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/MapPainting.h"
#include "logic/OverlayGeometry.h"
#include "logic/PicturePage.h"

#include <QImage>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace page_pixels {

// The colour without its alpha.
inline QRgb rgbAt(const QImage& image, QPointF p) {
    return image.pixel(static_cast<int>(p.x()), static_cast<int>(p.y())) & 0xffffff;
}

inline QRgb rgbOf(results::Rgb c) {
    return qRgb(c.r, c.g, c.b) & 0xffffff;
}

// The first page of a PDF file as pdftoppm (poppler-utils) renders it at
// `dotsPerInch`; a null image when it cannot.
inline QImage renderPdf(const std::filesystem::path& pdf, int dotsPerInch) {
    const std::filesystem::path stem = pdf.parent_path() / (pdf.stem().string() + "-rendered");
    const int status = QProcess::execute(QStringLiteral("pdftoppm"),
                                         {QStringLiteral("-r"), QString::number(dotsPerInch),
                                          QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                          QString::fromStdString(pdf.string()),
                                          QString::fromStdString(stem.string())});
    EXPECT_EQ(status, 0) << "pdftoppm (Debian's poppler-utils) could not render " << pdf;
    return QImage(QString::fromStdString(stem.string() + ".png"));
}

// Each of the eleven legend boxes shows its legend colour at its centre on a
// page image of `scale` pixels a page unit.
inline void expectLegend(const QImage& image, const page::PageLayout& layout, double scale) {
    for (int k = 1; k <= results::kThresholdCount; ++k) {
        const QPointF centre(layout.legend.center().x(),
                             layout.legend.top() + (k - 0.5) * layout.boxHeight);
        EXPECT_EQ(rgbAt(image, centre * scale), rgbOf(results::legendColour(k))) << "box " << k;
    }
}

// The colour at map picture point (X, Y) (X from the phantom's mid-plane, Y =
// c + 300) on a map page.
inline QRgb mapPageColour(const QImage& image, const page::PageLayout& layout, double scale,
                          double X, double Y) {
    const QPointF inPicture(X - results::kMapPictureLeft + 0.5, Y - results::kMapPictureTop + 0.5);
    return rgbAt(image, (layout.picture.topLeft() + inPicture) * scale);
}

// The colour at room point (X, Y) on a room overlay page.
inline QRgb roomPageColour(const QImage& image, const page::PageLayout& layout, double scale,
                           const Module1::RoomLayout& room, double X, double Y) {
    const overlay::PixelMapping m(overlay::roomScale(room.roomWidth, room.roomHeight),
                                  overlay::kPicturePixels);
    return rgbAt(image,
                 (layout.windowPicture.topLeft() + QPointF(m.deviceX(X), m.deviceY(Y))) * scale);
}

} // namespace page_pixels

namespace page_pixels {

// How many pixels of each colour an image holds.
inline std::map<QRgb, int> colourCounts(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) & 0xffffff];
    return counts;
}

// A page printed at an unknown place on the paper shows every legend colour
// and every colour in `mapColours`, each over a patch of at least `least`
// pixels.
inline void expectColoursShown(const QImage& image, const std::set<QRgb>& mapColours, int least) {
    const std::map<QRgb, int> counts = colourCounts(image);
    auto count = [&counts](QRgb c) {
        const auto it = counts.find(c);
        return it == counts.end() ? 0 : it->second;
    };
    for (int k = 1; k <= results::kThresholdCount; ++k)
        EXPECT_GE(count(rgbOf(results::legendColour(k))), least) << "legend box " << k;
    for (QRgb c : mapColours)
        EXPECT_GE(count(c), least) << "map colour " << std::hex << c;
}

} // namespace page_pixels
