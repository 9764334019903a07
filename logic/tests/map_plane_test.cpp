// The plane a map lies in: the plane record beside a result as the viewer
// reads it, the rows of a vertical section in the map picture (height
// upwards, nothing below the floor), its sketch and read-out, and the
// refusal to lay a vertical section over a room plan.
#include "GuiApplication.h"
#include "TempFolderTest.h"
#include "logic/BandThresholds.h"
#include "logic/DoseGrids.h"
#include "logic/MapPainting.h"
#include "logic/MapPlane.h"
#include "logic/Readout.h"
#include "textrec/planes.h"

#include <QColor>
#include <QFont>

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
namespace planes = textrec::planes;
using namespace results;

namespace {

PlaneRecord section(planes::Position position, double centreHeight,
                    planes::Tube tube = planes::Tube::Above) {
    PlaneRecord record;
    record.position = position;
    record.tube = tube;
    record.centreHeight = centreHeight;
    record.kind = planes::PlaneKind::VerticalSection;
    return record;
}

PlaneRecord horizontal(planes::Position position, double height, double centreHeight = 100) {
    PlaneRecord record;
    record.position = position;
    record.centreHeight = centreHeight;
    record.kind = planes::PlaneKind::Horizontal;
    record.height = height;
    return record;
}

QColor at(const QImage& image, int X, int Y) {
    return QColor(image.pixel(mapPixel(X, Y)));
}

class PlaneRecordFolder : public testsupport::TempFolderTest {};

} // namespace

// The viewer's rows of a vertical section agree with the engine's: the fine
// row that holds engine row j (i = 10 (j - 1) + 1) lies at the height the
// engine gives that row, is drawn where the picture's height scale puts it,
// higher rows above lower ones, and only rows at or above the floor show.
TEST(PlaneView, SectionRowsAtTheEnginesHeights) {
    struct Case {
        planes::Position position;
        double centreHeight;
        planes::Tube tube;
    };
    const Case cases[] = {
        {planes::Position::Lying, 100, planes::Tube::Above},
        {planes::Position::Lying, 100, planes::Tube::Below},
        {planes::Position::Lying, 10, planes::Tube::Above},
        {planes::Position::Lying, 450, planes::Tube::Above},
        {planes::Position::Standing, 100, planes::Tube::Above},
        {planes::Position::Standing, 30, planes::Tube::Above},
    };
    for (const Case& c : cases) {
        const PlaneRecord record = section(c.position, c.centreHeight, c.tube);
        SCOPED_TRACE(planes::planeRecordText(record));
        const PlaneView view(record);
        ASSERT_TRUE(view.verticalSection());
        int shown = 0;
        for (int j = 1; j <= 61; ++j) {
            const int i = 10 * (j - 1) + 1;
            const double height = planes::sectionRowHeight(record, j);
            ASSERT_EQ(view.rowHeight(i), height) << "row " << j;
            const int Y = view.pictureY(i);
            EXPECT_EQ(view.heightAt(Y), height) << "row " << j;
            EXPECT_EQ(view.rowAt(Y), i);
            EXPECT_EQ(view.shows(i), height >= 0) << "row " << j;
            shown += view.shows(i);
        }
        // Every row within 300 cm above the floor, none below it.
        EXPECT_EQ(shown, std::min(61, 31 + static_cast<int>(c.centreHeight) / 10));
        for (int i = 1; i < kGridRows; ++i) {
            for (int other : {i + 1, i + 37}) {
                if (other <= kGridRows) {
                    EXPECT_EQ(view.pictureY(i) < view.pictureY(other),
                              *view.rowHeight(i) > *view.rowHeight(other));
                }
            }
        }
    }

    // Horizontal maps keep the written rows, all shown, with no height.
    for (const std::optional<PlaneRecord>& plane :
         {std::optional<PlaneRecord>(), std::optional(horizontal(planes::Position::Lying, 150)),
          std::optional(horizontal(planes::Position::Standing, 40))}) {
        const PlaneView view(plane);
        EXPECT_FALSE(view.verticalSection());
        for (int i : {1, 300, 601}) {
            EXPECT_EQ(view.pictureY(i), i - 1);
            EXPECT_TRUE(view.shows(i));
            EXPECT_FALSE(view.rowHeight(i));
        }
        EXPECT_FALSE(view.floorY());
    }
}

// A vertical section is painted with the height upwards: a row known to lie
// above the phantom's centre is drawn above it for either patient (for the
// lying patient +z, the beam, points to the floor; for the standing one +y
// points up), and below the floor nothing is painted.
TEST(MapPainting, VerticalSectionUpwardsAndNothingBelowTheFloor) {
    const Thresholds thresholds = defaultThresholds(5432);
    const QColor magenta(255, 0, 255), grey(200, 200, 200), white(Qt::white);
    for (const planes::Position position : {planes::Position::Lying, planes::Position::Standing}) {
        SCOPED_TRACE(static_cast<int>(position));
        // High dose in the rows above the centre, low below it.
        DoseGrid grid;
        for (int i = 1; i <= kGridRows; ++i) {
            const int c = cOfRow(i);
            const bool above = position == planes::Position::Lying ? c < 0 : c > 0;
            for (int j = 1; j <= kGridColumns; ++j)
                grid.at(j, i) = above ? 5000 : 14;
        }
        const PlaneRecord record = section(position, 120);
        QImage image = blankMapImage();
        paintBands(image, grid, thresholds, nullptr, PlaneView(record));
        // The centre at Y = 300 (120 cm), the floor at Y = 420.
        EXPECT_EQ(at(image, 100, 200), magenta); // 220 cm above the floor
        EXPECT_EQ(at(image, 100, 0), magenta);   // 420 cm
        EXPECT_EQ(at(image, 100, 350), grey);    // 70 cm
        EXPECT_EQ(at(image, 100, 420), grey);    // the floor itself
        EXPECT_EQ(at(image, 100, 421), white);   // 1 cm below it
        EXPECT_EQ(at(image, 395, 600), white);

        // Painted twice as fine: the same rows, the same blank.
        QImage fine = blankMapImage(2);
        paintBands(fine, grid, thresholds, nullptr, PlaneView(record));
        EXPECT_EQ(QColor(fine.pixel(mapPixel(100, 200) * 2)), magenta);
        EXPECT_EQ(QColor(fine.pixel(mapPixel(100, 421) * 2 + QPoint(1, 1))), white);

        // The horizontal map of the same grid keeps the written order.
        QImage flat = blankMapImage();
        paintBands(flat, grid, thresholds, nullptr, PlaneView(horizontal(position, 150, 120)));
        const bool upperIsHigh = position == planes::Position::Lying;
        EXPECT_EQ(at(flat, 100, 200), upperIsHigh ? magenta : grey);
        EXPECT_EQ(at(flat, 100, 500), upperIsHigh ? grey : magenta);
    }
}

// The lying patient's section shows the focus on the side of the tube: above
// the phantom (FSD from its top surface) with the tube above the table,
// below it with the tube below; the floor is drawn and the grid stops there.
// The standing patient's shows the beam end-on at the centre.
TEST(MapPainting, SectionSketchShowsTheTubeAboveOrBelow) {
    testsupport::guiApplication();
    const QColor red(255, 0, 0);
    QImage above = blankMapImage();
    paintMapFrame(above, 1, 60, QFont(), section(planes::Position::Lying, 100));
    EXPECT_EQ(at(above, 0, 230), red); // the focus 60 cm above the top surface (Y = 290)
    EXPECT_EQ(at(above, 0, 260), red); // the beam
    EXPECT_NE(at(above, 0, 370), red);
    QImage below = blankMapImage();
    paintMapFrame(below, 1, 60, QFont(),
                  section(planes::Position::Lying, 100, planes::Tube::Below));
    EXPECT_EQ(at(below, 0, 370), red); // 60 cm below the underside (Y = 310)
    EXPECT_EQ(at(below, 0, 340), red);
    EXPECT_NE(at(below, 0, 230), red);
    for (const QImage* image : {&above, &below}) {
        EXPECT_EQ(at(*image, 250, 400), QColor(Qt::black)); // the floor, 100 cm below the centre
        EXPECT_EQ(at(*image, 100, 450), QColor(Qt::white)); // no grid below it
        EXPECT_EQ(at(*image, 100, 350), QColor(Qt::black)); // the grid above it
    }

    QImage standing = blankMapImage();
    paintMapFrame(standing, 2, 60, QFont(), section(planes::Position::Standing, 100));
    EXPECT_EQ(at(standing, 0, 300), red);
    for (int Y : {240, 360})
        EXPECT_NE(at(standing, 0, Y), red);
    EXPECT_EQ(at(standing, 15, 320), QColor(Qt::black)); // the phantom's side, 60 cm tall
}

// The read-out of a vertical section reads the cell drawn under the pointer
// and gives its height; below the floor the cell is not read.
TEST(Readout, VerticalSectionReadsTheCellDrawnThere) {
    DoseGrid grid;
    for (int i = 1; i <= kGridRows; ++i)
        for (int j = 1; j <= kGridColumns; ++j)
            grid.at(j, i) = i;
    for (const planes::Position position : {planes::Position::Lying, planes::Position::Standing}) {
        SCOPED_TRACE(static_cast<int>(position));
        const PlaneView view(section(position, 100));
        for (const double Y : {0.0, 137.0, 250.4, 399.6, 400.0}) {
            const auto cell = readoutCell(150, Y, view);
            ASSERT_TRUE(cell);
            EXPECT_EQ(view.pictureY(cell->i), std::lround(Y)) << Y;
            EXPECT_NEAR(*view.rowHeight(cell->i), *view.heightAt(Y), 0.5) << Y;
            EXPECT_TRUE(view.shows(cell->i)) << Y;
        }
        const auto underground = readoutCell(150, 450, view);
        ASSERT_TRUE(underground);
        EXPECT_FALSE(view.shows(underground->i));
        EXPECT_EQ(view.heightAt(450), -50);
        EXPECT_FALSE(readoutCell(150, 601, view));
    }
    // A horizontal map reads as written.
    for (const double Y : {10.5, 11.5, 300.0})
        EXPECT_EQ(readoutCell(20, Y, PlaneView())->i, readoutCell(20, Y)->i);
}

TEST(OverlayRefusal, OnlyTheVerticalSection) {
    const QString refusal =
        overlayRefusal(section(planes::Position::Lying, 100), QStringLiteral("walk_vs.data"));
    EXPECT_TRUE(refusal.contains(QStringLiteral("walk_vs.data"))) << refusal.toStdString();
    EXPECT_TRUE(overlayRefusal(std::nullopt, QStringLiteral("walk.data")).isEmpty());
    EXPECT_TRUE(overlayRefusal(horizontal(planes::Position::Standing, 150),
                               QStringLiteral("walk_h150.data"))
                    .isEmpty());
}

// The record beside a result: none for a result without one; a sound one
// read; an unsound one refused with a message naming its file and line.
TEST_F(PlaneRecordFolder, ReadBesideTheResult) {
    const fs::path result = dir / "walk_h150.data";
    EXPECT_TRUE(readPlaneOf(result).ok());
    EXPECT_FALSE(readPlaneOf(result).plane);

    const PlaneRecord record = horizontal(planes::Position::Lying, 150, 95);
    std::ofstream(dir / "walk_h150.data.plane", std::ios::binary)
        << planes::planeRecordText(record);
    const PlaneReading sound = readPlaneOf(result);
    ASSERT_TRUE(sound.ok()) << sound.error.toStdString();
    ASSERT_TRUE(sound.plane);
    EXPECT_EQ(planes::planeRecordText(*sound.plane), planes::planeRecordText(record));

    struct Case {
        const char* text;
        int line;
    };
    const Case unsound[] = {
        {"position lying\r\ntube above\r\ncentre-height 100\r\nplane horizontal 450\r\n", 4},
        {"position lying\r\ntube sideways\r\ncentre-height 100\r\nplane vertical-section\r\n", 2},
        {"position standing\r\ntube below\r\ncentre-height 100\r\nplane horizontal 150\r\n", 2},
        {"position lying\r\ntube above\r\nplane vertical-section\r\n", 0},
    };
    for (const Case& c : unsound) {
        SCOPED_TRACE(c.text);
        std::ofstream(dir / "walk_h150.data.plane", std::ios::binary) << c.text;
        const PlaneReading reading = readPlaneOf(result);
        EXPECT_FALSE(reading.ok());
        EXPECT_FALSE(reading.plane);
        EXPECT_TRUE(reading.error.contains(QStringLiteral("walk_h150.data.plane")));
        if (c.line > 0) {
            EXPECT_TRUE(reading.error.contains(QStringLiteral("line %1").arg(c.line)))
                << reading.error.toStdString();
        }
    }
}
