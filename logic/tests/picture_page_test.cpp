// Pages of the map and of the room overlay as written to PNG and PDF files:
// the legend's colours and the map's bands where the page puts them, the
// hatching, and a write that fails leaving nothing behind.
#include "GuiApplication.h"
#include "TempFolderTest.h"
#include "logic/OverlayPainting.h"
#include "logic/PicturePage.h"
#include "overlay_rooms.h"
#include "page_pixels.h"
#include "viewer_files.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using page_pixels::rgbOf;

results::Thresholds descending() {
    results::Thresholds t{};
    for (std::size_t k = 0; k < t.size(); ++k)
        t[k] = 11.0 - double(k);
    return t;
}

// Bands 1..11 in stripes 40 cm wide across, the same along c.
double stripeValue(int j) {
    return 11.0 - double((j - 1) / 40 % 11);
}

class PicturePage : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        testsupport::guiApplication();
        TempFolderTest::SetUp();
        viewer_files::writeResultHeader(dir / "walk1.data", viewer_files::lyingHeader());
        content.map.header = results::readResultHeader(dir / "walk1.data");
        content.map.resultFileName = QStringLiteral("walk1.data");
        content.map.grid.emplace();
        for (int i = 1; i <= results::kGridRows; ++i)
            for (int j = 1; j <= results::kGridColumns; ++j)
                content.map.grid->at(j, i) = stripeValue(j);
        content.map.thresholds = descending();
        content.map.bodyPosition = 1;
        content.map.focusSkinDistance = 90;
        content.room = defaultRoom();
        content.pictureFont = overlay::pictureFont();
        content.date = QDate(2026, 1, 5);
    }

    // The saved PNG, and the PDF rendered at the same two pixels a page unit.
    std::vector<QImage> savedImages(const char* stem) {
        const fs::path png = dir / (std::string(stem) + ".png");
        const fs::path pdf = dir / (std::string(stem) + ".pdf");
        QString error;
        EXPECT_TRUE(page::savePage(png, page::FileFormat::Png, content, error))
            << error.toStdString();
        EXPECT_TRUE(page::savePage(pdf, page::FileFormat::Pdf, content, error))
            << error.toStdString();
        return {QImage(QString::fromStdString(png.string())), page_pixels::renderPdf(pdf, 192)};
    }

    page::PageContent content;
};

} // namespace

TEST_F(PicturePage, MapPagesShowTheLegendAndTheBandsWhereTheWindowDoes) {
    const page::PageLayout layout = page::pageLayout(content);
    for (const QImage& image : savedImages("map")) {
        ASSERT_FALSE(image.isNull());
        EXPECT_NEAR(image.width(), 2 * layout.size.width(), 1);
        page_pixels::expectLegend(image, layout, 2);
        for (int x = 45; x <= 365; x += 40) { // inside each stripe, off the grid lines
            const QRgb band = rgbOf(
                results::mapColour(results::bandOf(stripeValue(x - 19), content.map.thresholds)));
            for (int c : {-250, -50, 150})
                EXPECT_EQ(page_pixels::mapPageColour(image, layout, 2, x, c + 300), band)
                    << "x " << x << ", c " << c;
        }
        // The edge rows (c = -295 cm), and the beam of the lying sketch.
        EXPECT_EQ(page_pixels::mapPageColour(image, layout, 2, 165, 5),
                  rgbOf(results::mapColour(
                      results::bandOf(stripeValue(165 - 19), content.map.thresholds))));
        EXPECT_EQ(page_pixels::mapPageColour(image, layout, 2, 0, 300), 0xff0000u);
    }
}

TEST_F(PicturePage, OverlayPagesShowTheRoomsMapOnBothSides) {
    content.picture = page::Picture::RoomOverlay;
    content.bothSides = true;
    content.layoutName = QStringLiteral("透視室A");
    const page::PageLayout layout = page::pageLayout(content);
    const Module1::RoomLayout& room = content.room; // bed along X: the map below the phantom
    for (const QImage& image : savedImages("room")) {
        ASSERT_FALSE(image.isNull());
        page_pixels::expectLegend(image, layout, 2);
        for (int x = 45; x <= 205; x += 40) {
            const QRgb band = rgbOf(
                results::mapColour(results::bandOf(stripeValue(x - 19), content.map.thresholds)));
            for (double side : {1.0, -1.0})
                EXPECT_EQ(page_pixels::roomPageColour(image, layout, 2, room, room.phantomX - 150,
                                                      room.phantomY + side * x),
                          band)
                    << "x " << x << " on side " << side;
        }
        // Beyond the room's right wall.
        EXPECT_EQ(page_pixels::roomPageColour(image, layout, 2, room, room.roomWidth + 20, 300),
                  0xffffffu);
    }
}

TEST_F(PicturePage, HatchingOnThePageAsInTheWindow) {
    std::vector<bool> hatched(results::kGridCells, false);
    for (int i = 301; i <= 340; ++i)
        for (int j = 61; j <= 100; ++j) // x = 80..119 cm, c = 0..39 cm
            hatched[std::size_t(i - 1) * results::kGridColumns + std::size_t(j - 1)] = true;
    content.map.hatched = hatched;
    const page::PageLayout layout = page::pageLayout(content);
    const QImage image = page::pageImage(content);
    auto blackIn = [&](int X0, int Y0) {
        int black = 0;
        for (int Y = Y0; Y < Y0 + 10; ++Y)
            for (int X = X0; X < X0 + 10; ++X)
                black += page_pixels::mapPageColour(image, layout, 2, X + 0.25, Y + 0.25) == 0;
        return black;
    };
    EXPECT_GT(blackIn(85, 310), 5);
    EXPECT_EQ(blackIn(125, 310), 0);
}

TEST_F(PicturePage, AWriteThatFailsLeavesNoFile) {
    fs::create_directory(dir / "taken.png"); // a folder where the file would go
    QString error;
    for (page::FileFormat format : {page::FileFormat::Png, page::FileFormat::Pdf}) {
        EXPECT_FALSE(page::savePage(dir / "taken.png", format, content, error));
        EXPECT_NE(error.indexOf(QStringLiteral("taken.png")), -1) << error.toStdString();
        EXPECT_FALSE(page::savePage(dir / "no such folder" / "map.pdf", format, content, error));
    }
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"taken.png", "walk1.data"}));
}

TEST(PictureFileNames, FormatByExtensionPngWhenThereIsNone) {
    struct Case {
        const char* typed;
        const char* saved;
        std::optional<page::FileFormat> format;
    };
    const Case cases[] = {
        {"walk1", "walk1.png", page::FileFormat::Png},
        {"walk1.PNG", "walk1.PNG", page::FileFormat::Png},
        {"walk1.pdf", "walk1.pdf", page::FileFormat::Pdf},
        {"room.v2/walk1", "room.v2/walk1.png", page::FileFormat::Png},
        {"walk1.jpg", "walk1.jpg", std::nullopt},
        {"walk1.data", "walk1.data", std::nullopt},
    };
    for (const Case& c : cases) {
        const QString saved = page::withDefaultExtension(QString::fromUtf8(c.typed));
        EXPECT_EQ(saved.toStdString(), c.saved);
        EXPECT_EQ(page::formatOf(saved), c.format) << c.typed;
    }
}

// The editor's default texts lie partly or wholly outside the window's square
// picture: the free text at its right edge, the control-room text below it.
// On the page the picture takes the room they need, at the window's scale,
// and each is drawn to its last character.
TEST_F(PicturePage, OverlayPagesDrawEveryLabelWhole) {
    content.picture = page::Picture::RoomOverlay;
    content.room.controlRoomX = 252;
    content.room.controlRoomY = 669;
    const page::PageLayout layout = page::pageLayout(content);
    const overlay::PixelMapping m(
        overlay::roomScale(content.room.roomWidth, content.room.roomHeight),
        overlay::kPicturePixels);
    const QImage probe(1, 1, QImage::Format_RGB32);
    const QFontMetricsF metrics(content.pictureFont, &probe);
    for (const QImage& image : savedImages("labels")) {
        ASSERT_FALSE(image.isNull());
        for (const overlay::PlacedText& text : overlay::roomTexts(content.room)) {
            SCOPED_TRACE(text.text.toStdString());
            const QRectF label(layout.windowPicture.topLeft() +
                                   QPointF(m.deviceX(text.x), m.deviceY(text.y)),
                               QSizeF(metrics.horizontalAdvance(text.text), metrics.height()));
            EXPECT_TRUE(layout.picture.contains(label));
            // Ink in the label's last character.
            const double lastCharacter = metrics.horizontalAdvance(text.text.right(1));
            int dark = 0;
            for (double y = label.top(); y < label.bottom(); y += 0.5)
                for (double x = label.right() - lastCharacter; x < label.right(); x += 0.5)
                    dark += qGray(image.pixel(int(2 * x), int(2 * y))) < 96;
            EXPECT_GT(dark, 20);
        }
    }
    // A text placed far off does not make the page any larger than that.
    content.room.freeTextX = 50000;
    EXPECT_LE(page::pageLayout(content).picture.width(),
              overlay::kPicturePixels + 2 * overlay::kMaxFrameReach);
}

// A page leaves out what the layout marks absent, and is laid out as if the
// element were not there: marked absent, the free text makes the same page as
// an empty one; the patient entrance as one far outside the picture.
TEST_F(PicturePage, OverlayPagesLeaveOutAbsentElements) {
    content.picture = page::Picture::RoomOverlay;
    content.room.entranceLeft = 22;
    content.room.entranceTop = -7;
    content.room.entranceWidth = 180;
    content.room.entranceHeight = 20;
    page::PageContent absent = content;
    absent.room.absent.freeText = true;
    absent.room.absent.patientEntrance = true;
    page::PageContent without = content;
    without.room.freeText.clear();
    without.room.entranceLeft = -50000;
    EXPECT_EQ(page::pageImage(absent), page::pageImage(without));
    EXPECT_NE(page::pageImage(absent), page::pageImage(content));
}
