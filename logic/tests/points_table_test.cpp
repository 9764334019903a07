// The table of named points and the points over the room overlay and its
// page: the dose in every period as the read-out reads it on both sides of
// both beds, the share of a level against a hand-computed dose, the points
// outside the map or the walls, the markers where the points stand, and the
// mouse's pick.
#include "GuiApplication.h"
#include "TempFolderTest.h"
#include "logic/OverlayPainting.h"
#include "logic/PicturePage.h"
#include "logic/PointsFile.h"
#include "logic/PointsTable.h"
#include "logic/Readout.h"
#include "logic/RoomFile.h"
#include "overlay_rooms.h"
#include "page_pixels.h"

#include <textrec/textrec.h>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace namedpoints;

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::GuiApplicationEnvironment);

Module1::RoomLayout roomFor(int orientation) { return squareRoomWithBed(orientation); }

// A map whose cells differ from each other: kerma 0.001 x (1000 i + j) μGy/min,
// dose equivalent 1.5 times that, relative errors growing along the rows.
results::ShownMap numberedMap(results::Quantity quantity) {
    results::DoseGrid kerma;
    results::DoseGrid doseEquivalent;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j) {
            kerma.at(j, i) = 0.001 * (1000.0 * i + j);
            doseEquivalent.at(j, i) = 1.5 * kerma.at(j, i);
        }
    results::RelativeErrors errors;
    for (std::size_t row = 0; row < errors.kerma.size(); ++row)
        for (std::size_t column = 0; column < errors.kerma[row].size(); ++column) {
            errors.kerma[row][column] = 0.002 * static_cast<double>(row + column);
            errors.doseEquivalent[row][column] = 0.003 * static_cast<double>(row + 1);
        }
    results::ShownMap map;
    map.quantity = quantity;
    if (quantity == results::Quantity::Kerma) {
        map.grid = kerma;
        map.doseEquivalent = doseEquivalent;
    } else {
        map.grid = doseEquivalent;
    }
    map.errors = errors;
    return map;
}

QString text(double value, int digits = 4) {
    return QString::fromStdString(textrec::plainNumber(value, digits));
}

using TableCase = std::tuple<int, bool, dose::Period, results::Quantity>;

class PointsTableInEveryPeriod : public testing::TestWithParam<TableCase> {};

} // namespace

// The dose of a point is the value the viewer's read-out shows with the
// pointer on the same place of the map, scaled to the period: whichever side
// of whichever bed the point stands on, whichever quantity is shown. Its
// uncertainty is the read-out's, and its share comes from the dose-equivalent
// map in the level's own period.
TEST_P(PointsTableInEveryPeriod, DoseUncertaintyAndShareAreThoseOfTheReadout) {
    const auto [orientation, otherSide, period, quantity] = GetParam();
    const Module1::RoomLayout room = roomFor(orientation);
    const results::ShownMap map = numberedMap(quantity);
    const double minutesPerWeek = 40;
    TableSettings settings;
    settings.minutesPerWeek = minutesPerWeek;
    settings.scale =
        dose::displayScale(period, minutesPerWeek, results::findExtremes(*map.grid).maximum);
    settings.level = dose::builtInLevels()[0];

    // Places on the map (x, c), halves included where the read-out rounds.
    const contours::MapXY places[] = {{20, -300},     {400, 300}, {57.5, 12.5},
                                      {120.4, -33.6}, {300, 0},   {21.5, 299.5}};
    std::vector<NamedPoint> points;
    for (const contours::MapXY& at : places) {
        const QPointF p = roomPointOf(room, {at, otherSide});
        points.push_back({QStringLiteral("点"), p.x(), p.y()});
    }
    const std::vector<PointRow> rows = tableRows(room, points, map, settings);
    ASSERT_EQ(rows.size(), points.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(testing::Message() << "x " << places[k].x << ", c " << places[k].c);
        // The read-out with the pointer on X = x, Y = c + 300.
        const std::optional<results::GridCell> cell =
            results::readoutCell(places[k].x, places[k].c + 300);
        ASSERT_TRUE(cell);
        const double perMinute = map.grid->at(cell->j, cell->i);
        // Written as the read-out writes it: per minute as held, in a
        // period to four digits.
        EXPECT_EQ(rows[k].dose, period == dose::Period::PerMinute
                                    ? text(perMinute, 15)
                                    : dose::shownValueText(perMinute * settings.scale.factor()));
        EXPECT_EQ(rows[k].uncertainty, QString::fromStdString(results::relativeErrorText(
                                           map.errors->at(quantity, cell->j, cell->i))));
        // 管理区域境界: 1.3 mSv in 13 weeks of 40 minutes.
        const double doseEquivalent = results::doseEquivalentOf(map)->at(cell->j, cell->i);
        EXPECT_EQ(rows[k].share, dose::shareText(doseEquivalent * 40 * 13 / 1300));
        EXPECT_EQ(rows[k].x, text(places[k].x, 7));
        EXPECT_EQ(rows[k].c, text(places[k].c, 7));
        EXPECT_TRUE(rows[k].onMap);
        EXPECT_TRUE(rows[k].note.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothBedsBothSides, PointsTableInEveryPeriod,
    testing::Combine(testing::Values(1, 2), testing::Bool(),
                     testing::Values(dose::Period::PerMinute, dose::Period::Week,
                                     dose::Period::Quarter, dose::Period::Year),
                     testing::Values(results::Quantity::Kerma, results::Quantity::DoseEquivalent)));

// Worked by hand: 2 μSv/min at 60 minutes a week is 120 μSv a week, 1.56 mSv
// in 3 months (120 % of 1.3 mSv) and 6.24 mSv a year; a 1 mSv-a-week wall
// takes 12 %. The unit turns to milli where the map's largest value reaches
// 1000 μSv in the period.
TEST(PointsTable, DosesAndSharesWorkedByHand) {
    const Module1::RoomLayout room = roomFor(1);
    results::ShownMap map;
    map.quantity = results::Quantity::DoseEquivalent;
    map.grid.emplace();
    for (double& v : map.grid->cells())
        v = 2;
    const NamedPoint nurse{QStringLiteral("看護師"), room.phantomX, room.phantomY + 100};
    struct Case {
        dose::Period period;
        const char* level;
        const char* dose;
        const char* share;
    };
    const Case cases[] = {
        {dose::Period::PerMinute, "管理区域境界", "2", "120 %"},
        {dose::Period::Week, "エックス線診療室の画壁等の外側", "120", "12 %"},
        {dose::Period::Quarter, "管理区域境界", "1.56", "120 %"},
        {dose::Period::Year, "放射線診療従事者（1年）", "6.24", "12 %"},
    };
    for (const Case& t : cases) {
        TableSettings settings;
        settings.minutesPerWeek = 60;
        settings.scale = dose::displayScale(t.period, 60, 2);
        settings.level = dose::builtInLevel(QString::fromUtf8(t.level));
        ASSERT_TRUE(settings.level);
        const PointRow row = tableRows(room, {nurse}, map, settings).at(0);
        EXPECT_EQ(row.dose, QString::fromUtf8(t.dose)) << t.level;
        EXPECT_EQ(row.share, QString::fromUtf8(t.share)) << t.level;
        EXPECT_TRUE(shareNote(settings).isEmpty());
    }

    // Without a workload a level in a period gives no share, and the table
    // says what it needs; a level per minute needs none.
    TableSettings noWorkload;
    noWorkload.level = dose::builtInLevels()[0];
    const PointRow row = tableRows(room, {nurse}, map, noWorkload).at(0);
    EXPECT_EQ(row.dose, QStringLiteral("2"));
    EXPECT_TRUE(row.share.isEmpty());
    EXPECT_TRUE(shareNote(noWorkload).contains(dose::minutesPerWeekField()));
    QString error;
    noWorkload.level = dose::makeUserLevel(QStringLiteral("測定器の上限"), QStringLiteral("4"),
                                           dose::Prefix::Micro, dose::Period::PerMinute, error);
    ASSERT_TRUE(noWorkload.level) << error.toStdString();
    EXPECT_EQ(tableRows(room, {nurse}, map, noWorkload).at(0).share, QStringLiteral("50 %"));
    EXPECT_TRUE(shareNote(noWorkload).isEmpty());
}

// Outside the mapped area no number is given; beyond the walls the map's
// value is given and marked; over the room alone (no map) nothing is read.
TEST(PointsTable, OutsideTheMapOrTheWalls) {
    for (int orientation : {1, 2}) {
        Module1::RoomLayout room = roomFor(orientation);
        room.roomWidth = 600; // the phantom at 450: the right wall 150 cm away
        room.roomHeight = 600;
        const results::ShownMap map = numberedMap(results::Quantity::DoseEquivalent);
        TableSettings settings;
        settings.minutesPerWeek = 40;
        settings.level = dose::builtInLevels()[0];
        struct Case {
            contours::MapXY at;
            bool otherSide;
            bool onMap;
        };
        const Case cases[] = {
            {{10, 0}, false, false},    // beside the phantom, inside the map's inner edge
            {{405, 0}, true, false},    // beyond the map's far edge
            {{100, 350}, false, false}, // beyond its end along the bed
            {{100, -120}, true, true},  {{300, 200}, false, true},
        };
        for (const Case& t : cases) {
            const QPointF p = roomPointOf(room, {t.at, t.otherSide});
            const PointRow row =
                tableRows(room, {{QStringLiteral("扉の外"), p.x(), p.y()}}, map, settings).at(0);
            SCOPED_TRACE(testing::Message()
                         << "orientation " << orientation << ", x " << t.at.x << ", c " << t.at.c);
            EXPECT_EQ(row.onMap, t.onMap);
            EXPECT_EQ(row.dose == outsideMapText(), !t.onMap);
            EXPECT_EQ(row.uncertainty.isEmpty(), !t.onMap);
            EXPECT_EQ(row.share.isEmpty(), !t.onMap);
            EXPECT_EQ(row.outsideWalls, outsideWalls(room, p.x(), p.y()));
            EXPECT_EQ(row.note == notShieldedText(), row.outsideWalls);
        }
        // 300 cm from the mid-plane on the side the map is drawn lies beyond
        // the wall 150 cm away: the point still reads the map.
        const QPointF beyond = roomPointOf(room, {{300, 0}, false});
        ASSERT_TRUE(outsideWalls(room, beyond.x(), beyond.y()));
        const PointRow marked =
            tableRows(room, {{QStringLiteral("扉の外"), beyond.x(), beyond.y()}}, map, settings)
                .at(0);
        EXPECT_TRUE(marked.onMap);
        EXPECT_NE(marked.dose, outsideMapText());

        const PointRow roomAlone =
            tableRows(room, {{QStringLiteral("術者"), beyond.x(), beyond.y()}}, results::ShownMap{},
                      settings)
                .at(0);
        EXPECT_TRUE(roomAlone.dose.isEmpty());
        EXPECT_TRUE(roomAlone.share.isEmpty());
        EXPECT_EQ(roomAlone.x, QStringLiteral("300"));
    }
}

namespace {

struct PickCase {
    Module1::RoomLayout room;
    QPointF point; // cm of the plan
};

std::vector<PickCase> pickCases() {
    Module1::RoomLayout wide = defaultRoom();
    wide.roomWidth = 900;
    wide.roomHeight = 400;
    Module1::RoomLayout tall = defaultRoom();
    tall.roomWidth = 350;
    tall.roomHeight = 820;
    return {{defaultRoom(), {300, 350}},
            {defaultRoom(), {-40, 610}},
            {wide, {700, 20}},
            {tall, {10, 800}}};
}

} // namespace

// The mouse's pixel and the plan's cm go both ways; a point is taken within
// its pick radius, the nearest when two are near.
TEST(PointsOverTheOverlay, PixelsAndPicking) {
    for (const PickCase& t : pickCases()) {
        const QPointF pixel = overlay::pixelOf(t.room, t.point.x(), t.point.y());
        const QPointF back = overlay::roomPointAt(t.room, pixel);
        EXPECT_NEAR(back.x(), t.point.x(), 1e-9);
        EXPECT_NEAR(back.y(), t.point.y(), 1e-9);

        const std::vector<NamedPoint> points = {
            {QStringLiteral("術者"), t.point.x(), t.point.y()},
            {QStringLiteral("看護師"), t.point.x() + 200, t.point.y()},
        };
        EXPECT_EQ(overlay::pointAt(t.room, points, pixel), 0u);
        EXPECT_EQ(overlay::pointAt(t.room, points, pixel + QPointF(6, -6)), 0u);
        EXPECT_FALSE(overlay::pointAt(t.room, points, pixel + QPointF(8, 8)));
        const QPointF other = overlay::pixelOf(t.room, t.point.x() + 200, t.point.y());
        EXPECT_EQ(overlay::pointAt(t.room, points, other + QPointF(0, 3)), 1u);
    }
    // Two points 4 pixels apart: the nearer one is taken.
    const Module1::RoomLayout room = defaultRoom();
    const QPointF a = overlay::pixelOf(room, 300, 300);
    const QPointF b = a + QPointF(4, 0);
    const QPointF bRoom = overlay::roomPointAt(room, b);
    const std::vector<NamedPoint> close = {{QStringLiteral("a"), 300, 300},
                                           {QStringLiteral("b"), bRoom.x(), bRoom.y()}};
    EXPECT_EQ(overlay::pointAt(room, close, a + QPointF(1, 0)), 0u);
    EXPECT_EQ(overlay::pointAt(room, close, a + QPointF(3, 0)), 1u);
}

// A point is drawn where it stands, on the window's picture and, as many
// times finer, in the wider frame of a page; only there.
TEST(PointsOverTheOverlay, MarkersWhereThePointsStand) {
    for (const PickCase& t : pickCases()) {
        const std::vector<NamedPoint> points = {{QStringLiteral("術者"), t.point.x(), t.point.y()}};
        for (int scale : {1, 2}) {
            const QRect frame(-60, -40, overlay::kPicturePixels + 140,
                              overlay::kPicturePixels + 90);
            QImage image(frame.size() * scale, QImage::Format_RGB32);
            image.fill(Qt::white);
            const QImage blank = image;
            overlay::paintPoints(image, t.room, points, std::nullopt, overlay::pointFont(), frame);
            const QPointF centre =
                (overlay::pixelOf(t.room, t.point.x(), t.point.y()) - QPointF(frame.topLeft())) *
                scale;
            // The dot in the middle, the white ring around it, the black rim.
            EXPECT_EQ(page_pixels::rgbAt(image, centre), 0u);
            const QPointF ring = centre + QPointF(0, 3.5 * scale);
            EXPECT_EQ(page_pixels::rgbAt(image, ring), 0xffffffu);
            bool rim = false;
            for (double dy = 5; dy <= 7.5; dy += 0.5)
                rim = rim || page_pixels::rgbAt(image, centre + QPointF(0, dy * scale)) == 0u;
            EXPECT_TRUE(rim);
            // Nothing drawn far from it.
            const QPointF far = centre + QPointF(-40 * scale, 40 * scale);
            if (QRectF(image.rect()).contains(far)) {
                EXPECT_EQ(page_pixels::rgbAt(image, far), 0xffffffu);
            }
            EXPECT_NE(image, blank);
        }
    }
    // The chosen point's ring is red.
    const Module1::RoomLayout room = defaultRoom();
    QImage image = overlay::blankPicture();
    overlay::paintPoints(image, room, {{QStringLiteral("a"), 200, 500}}, 0);
    EXPECT_EQ(page_pixels::rgbAt(image, overlay::pixelOf(room, 200, 500)), 0xff0000u);
}

namespace {

class PointsPage : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        content.picture = page::Picture::RoomOverlay;
        content.map = numberedMap(results::Quantity::DoseEquivalent);
        for (std::size_t k = 0; k < content.map.thresholds.size(); ++k)
            content.map.thresholds[k] = 600.0 - 50.0 * double(k);
        content.map.bodyPosition = 1;
        content.room = defaultRoom();
        content.pictureFont = overlay::pictureFont();
        content.date = QDate(2026, 1, 5);
    }
    page::PageContent content;
};

} // namespace

// The overlay's page draws the points where the window does and lists them
// under the picture; a page without points has no table.
TEST_F(PointsPage, ThePageDrawsAndListsThePoints) {
    const page::PageLayout without = page::pageLayout(content);
    EXPECT_TRUE(without.pointsTable.isEmpty());

    content.points = {{QStringLiteral("術者"), 300, 300},
                      {QStringLiteral("操作卓"), 300, 640},
                      {QStringLiteral("扉の外"), -30, 100}};
    TableSettings settings;
    settings.level = dose::builtInLevels()[0];
    content.pointRows = tableRows(content.room, content.points, content.map, settings);
    content.pointHeadings = tableHeadings(content.map.quantity, settings);
    content.pointsNote = shareNote(settings);
    const page::PageLayout layout = page::pageLayout(content);
    // Heading, three rows and the note: two rows more than with one point.
    page::PageContent onePoint = content;
    onePoint.points.resize(1);
    onePoint.pointRows.resize(1);
    const double row =
        (layout.pointsTable.height() - page::pageLayout(onePoint).pointsTable.height()) / 2;
    EXPECT_GT(row, 14);
    EXPECT_NEAR(layout.pointsTable.height(), 5 * row, 1e-9);
    EXPECT_GT(layout.size.height(), without.size.height() + 5 * row);
    EXPECT_GE(layout.pointsTable.top(), layout.picture.bottom());
    EXPECT_LE(layout.pointsTable.right(), layout.size.width());

    const QImage image = page::pageImage(content, 2);
    for (const NamedPoint& p : content.points) {
        const overlay::PixelMapping m(
            overlay::roomScale(content.room.roomWidth, content.room.roomHeight),
            overlay::kPicturePixels);
        const QPointF at = layout.windowPicture.topLeft() + QPointF(m.deviceX(p.x), m.deviceY(p.y));
        EXPECT_EQ(page_pixels::rgbAt(image, at * 2), 0u) << p.name.toStdString();
        EXPECT_EQ(page_pixels::rgbAt(image, (at + QPointF(0, 3.5)) * 2), 0xffffffu)
            << p.name.toStdString();
    }
    // The table's rows hold ink; below the last line the page is white.
    auto inkIn = [&image](const QRectF& area) {
        int dark = 0;
        for (int y = int(area.top() * 2); y < int(area.bottom() * 2); ++y)
            for (int x = int(area.left() * 2); x < int(area.right() * 2); ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    ++dark;
        return dark;
    };
    for (int k = 0; k < 5; ++k)
        EXPECT_GT(inkIn(QRectF(layout.pointsTable.left(), layout.pointsTable.top() + k * row,
                               layout.pointsTable.width(), row)),
                  20)
            << "line " << k;
    EXPECT_EQ(inkIn(QRectF(0, layout.pointsTable.bottom() + 2, layout.size.width(),
                           layout.size.height() - layout.pointsTable.bottom() - 4)),
              0);
}

// A layout saved with no points has no points file: an older one of its name
// is removed rather than lending its points to the new layout.
TEST_F(PointsPage, ALayoutWithoutPointsHasNoPointsFile) {
    const std::filesystem::path roomFile = dir / "plan.Room";
    QString error;
    ASSERT_TRUE(pointsfile::save(roomFile, {{QStringLiteral("術者"), 1, 2}}, error));
    ASSERT_TRUE(std::filesystem::exists(roomfile::pointsPath(roomFile)));
    ASSERT_TRUE(pointsfile::save(roomFile, {}, error)) << error.toStdString();
    EXPECT_FALSE(std::filesystem::exists(roomfile::pointsPath(roomFile)));
    ASSERT_TRUE(pointsfile::save(roomFile, {}, error)) << error.toStdString(); // none to remove
    const auto none = pointsfile::load(roomFile, error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}
