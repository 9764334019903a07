// Limit lines of the ticked reference levels against a radial map whose
// crossings are known by hand, the workload that places a level of a period,
// what the list says of each level, where the lines land on the map picture
// (also in a vertical section whose rows run upwards), and the key and notes
// that pages write beside them.
#include "GuiApplication.h"
#include "radial_grid.h"
#include "logic/DoseNotes.h"
#include "logic/LimitLines.h"
#include "logic/MapPainting.h"
#include "logic/OverlayGeometry.h"
#include "logic/PicturePage.h"
#include "logic/ShownMap.h"

#include <QDate>
#include <QFont>

#include <gtest/gtest.h>

#include <cmath>
#include <set>

using limitlines::LimitLine;
using results::DoseGrid;

namespace {

// D(r) = A / r² about the phantom centre (μSv/min): level L lies at r = sqrt(A / L).
constexpr double kA = 1.0e6;
DoseGrid radialGrid() { return testsupport::radialGrid(kA); }

dose::ReferenceLevel userLevel(double value, dose::Prefix prefix, dose::Period period) {
    QString error;
    return *dose::makeUserLevel(QStringLiteral("L%1").arg(value), QString::number(value), prefix,
                                period, error);
}

textrec::planes::PlaneRecord standingSection() {
    textrec::planes::PlaneRecord record;
    record.position = textrec::planes::Position::Standing;
    record.kind = textrec::planes::PlaneKind::VerticalSection;
    record.centreHeight = 100;
    return record;
}

} // namespace

// A level reaches the map where the dose-equivalent rate equals the level
// divided by the minutes of fluoroscopy in its own period.
TEST(LimitLines, EachTickedLevelLiesOnTheCircleOfItsRate) {
    const DoseGrid grid = radialGrid();
    struct Case {
        dose::ReferenceLevel level;
        double minutesPerWeek;
        double radius; // cm: sqrt(A / (level in μSv / minutes in its period))
    };
    // 1.3 mSv / 3 months at 50 min a week: 1300 / 650 = 2 μSv/min, r = 707.1: beyond the map.
    // 1 mSv / week at 100 min a week: 10 μSv/min, r = 316.2.
    // 250 μSv / 3 months at 1 min a week: 250 / 13 = 19.23 μSv/min, r = 228.0.
    // 50 mSv / year at 10 min a week: 50000 / 520 = 96.15 μSv/min, r = 102.0.
    // 40 μSv per minute needs no workload: r = 158.1.
    const Case cases[] = {
        {*dose::builtInLevel(QStringLiteral("エックス線診療室の画壁等の外側")), 100,
         std::sqrt(kA / 10)},
        {*dose::builtInLevel(QStringLiteral("事業所境界・居住区域")), 1, std::sqrt(kA * 13 / 250)},
        {*dose::builtInLevel(QStringLiteral("放射線診療従事者（1年）")), 10,
         std::sqrt(kA * 520 / 50000)},
        {userLevel(40, dose::Prefix::Micro, dose::Period::PerMinute), 0, std::sqrt(kA / 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level.name.toStdString());
        const std::vector<LimitLine> lines =
            limitlines::traceLimitLines(grid, nullptr, {c.level}, {true}, c.minutesPerWeek);
        ASSERT_EQ(lines.size(), 1u);
        ASSERT_TRUE(lines[0].drawn());
        for (const contours::ContourLine& piece : lines[0].contour.lines)
            for (const contours::MapXY& p : piece.points)
                EXPECT_NEAR(std::hypot(p.x, p.c), c.radius, 0.1);
        ASSERT_TRUE(lines[0].contour.label);
    }
}

TEST(LimitLines, OnlyTickedLevelsAndOnlyThoseThatCanBePlaced) {
    const DoseGrid grid = radialGrid();
    const std::vector<dose::ReferenceLevel>& levels = dose::builtInLevels();
    std::vector<bool> ticked(levels.size(), false);
    ticked[0] = ticked[3] = true;
    // Without a workload a level of a period has no rate on the map.
    std::vector<LimitLine> lines = limitlines::traceLimitLines(grid, nullptr, levels, ticked, 0);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].level, levels[0]);
    EXPECT_EQ(lines[1].level, levels[3]);
    EXPECT_FALSE(lines[0].perMinute);
    EXPECT_FALSE(lines[0].drawn());
    EXPECT_TRUE(lines[0].contour.lines.empty());
    // Each level keeps the colour of its place in the list.
    EXPECT_EQ(lines[1].colour, limitlines::lineColour(3));
    EXPECT_NE(limitlines::lineColour(0), limitlines::lineColour(3));

    // A workload that is not one is no workload either.
    for (double minutes : {-5.0, 20000.0, std::nan("")})
        EXPECT_FALSE(limitlines::perMinuteOf(levels[0], minutes)) << minutes;
    // 1.3 mSv / 3 months at 4 min a week: 25 μSv/min, r = 200 cm.
    lines = limitlines::traceLimitLines(grid, nullptr, levels, ticked, 4);
    EXPECT_DOUBLE_EQ(*lines[0].perMinute, 1300.0 / (4 * 13));
    EXPECT_TRUE(lines[0].drawn());
}

// What the list says agrees with the lines traced, for levels that the map
// crosses, never reaches and exceeds everywhere, also within a section's rows.
TEST(LimitLines, TheReachOfEveryLevelAgreesWithItsContour) {
    const DoseGrid grid = radialGrid();
    std::vector<dose::ReferenceLevel> levels;
    for (double value : {1e5, 2500.0, 100.0, 10.0, 5.0, 1.0, 0.5, 0.001})
        levels.push_back(userLevel(value, dose::Prefix::Micro, dose::Period::PerMinute));
    levels.push_back(*dose::builtInLevel(QStringLiteral("管理区域境界")));
    const results::PlaneView section{std::optional(standingSection())};
    for (const contours::CellRange& cells :
         {contours::kWholeGrid, limitlines::shownCells(section)}) {
        const std::vector<limitlines::LevelReach> reaches =
            limitlines::reachOfLevels(grid, levels, 0, cells);
        ASSERT_EQ(reaches.size(), levels.size());
        std::set<contours::Reach> seen;
        for (std::size_t k = 0; k + 1 < levels.size(); ++k) {
            SCOPED_TRACE(levels[k].value);
            ASSERT_TRUE(reaches[k].reach);
            EXPECT_EQ(*reaches[k].reach,
                      contours::traceContour(grid, levels[k].value, nullptr, cells).reach);
            seen.insert(*reaches[k].reach);
        }
        EXPECT_EQ(seen.size(), 3u);
        EXPECT_FALSE(reaches.back().reach); // 3 months: needs the workload
    }
}

// The standing patient's vertical section runs upwards, and its rows below
// the floor are neither painted nor traced.
TEST(LimitLines, PlacedOnTheMapPictureAsTheRowsAre) {
    const results::PlaneView horizontal;
    const results::PlaneView section{std::optional(standingSection())};
    for (const contours::MapXY p : {contours::MapXY{20, -300}, {100.25, 0}, {399.5, 299.5}}) {
        EXPECT_EQ(limitlines::mapPicturePixel(p, horizontal), contours::viewerPixel(p));
        EXPECT_EQ(limitlines::mapPicturePixel(p, horizontal, 2), contours::viewerPixel(p, 2));
        // Y = 300 - c: 300 cm below the centre at the bottom of the picture.
        const QPointF up = limitlines::mapPicturePixel(p, section);
        EXPECT_DOUBLE_EQ(up.y(), 300 - p.c - results::kMapPictureTop + 0.5);
        EXPECT_DOUBLE_EQ(up.x(), p.x - results::kMapPictureLeft + 0.5);
    }
    // The centre 100 cm above the floor: rows from c = -100 (the floor) up.
    const contours::CellRange cells = limitlines::shownCells(section);
    EXPECT_EQ(cells.firstRow, 201);
    EXPECT_EQ(cells.lastRow, results::kGridRows);
    EXPECT_EQ(cells.firstColumn, 1);
    const contours::CellRange whole = limitlines::shownCells(horizontal);
    EXPECT_EQ(whole.firstRow, 1);
    EXPECT_EQ(whole.lastRow, results::kGridRows);
}

// The line is drawn on the map picture where the read-out crosses its level:
// the pixel of the cell of the crossing takes the line's colour, and one
// 20 cm off it does not; over hatched cells the line is broken into dashes.
TEST(LimitLines, DrawnOverTheMapWhereTheMapCrossesTheLevel) {
    testsupport::guiApplication();
    const DoseGrid grid = radialGrid();
    results::ShownMap map;
    map.quantity = results::Quantity::Kerma;
    map.grid = grid;
    map.thresholds = results::defaultThresholds(grid.at(1, 301));
    map.bodyPosition = 1;
    // r = 200 cm: 25 μSv/min.
    const dose::ReferenceLevel level = userLevel(25, dose::Prefix::Micro, dose::Period::PerMinute);
    std::vector<bool> hatched(results::kGridCells, false);
    // Rows c >= 100 are hatched: the line runs dashed there.
    for (int i = 401; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            hatched[std::size_t(i - 1) * results::kGridColumns + std::size_t(j - 1)] = true;
    map.limitLines = limitlines::traceLimitLines(grid, &hatched, {level}, {true}, 0);
    ASSERT_TRUE(map.limitLines[0].drawn());
    const QColor colour = map.limitLines[0].colour;
    const QImage image = results::paintMap(map, QFont());
    auto lineNear = [&](double x, double c) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const QPoint pixel = results::mapPixel(x + dx, c + 300 + dy);
                if (QColor(image.pixel(pixel)) == colour)
                    return true;
            }
        return false;
    };
    // Where r = 200 crosses c = -60 and c = 30 (solid), and along x = 60 at c = 190.8 (dashed).
    EXPECT_TRUE(lineNear(std::sqrt(200.0 * 200 - 60 * 60), -60));
    EXPECT_TRUE(lineNear(std::sqrt(200.0 * 200 - 30 * 30), 30));
    EXPECT_FALSE(lineNear(220, 30));
    EXPECT_FALSE(lineNear(std::sqrt(200.0 * 200 - 30 * 30) - 20, 30));
    // Along the solid part every step of the circle shows the line (away
    // from its name at c = 0); along the dashed part some steps fall in a gap.
    int solid = 0;
    int dashed = 0;
    for (double angle = -80; angle <= -15; angle += 1)
        solid += lineNear(200 * std::cos(angle * M_PI / 180), 200 * std::sin(angle * M_PI / 180));
    for (double angle = 32; angle <= 70; angle += 0.5)
        dashed += lineNear(200 * std::cos(angle * M_PI / 180), 200 * std::sin(angle * M_PI / 180));
    EXPECT_EQ(solid, 66);
    EXPECT_GT(dashed, 10);
    EXPECT_LT(dashed, 77);
}

TEST(LimitLines, BandingThresholdsArePerMinute) {
    results::ShownMap map;
    map.thresholds = results::defaultThresholds(5432);
    EXPECT_EQ(results::bandingThresholds(map), map.thresholds); // per minute: as typed
    // 3 months at 60 min a week in mGy: a shown 1 mGy is 1000 / 780 μGy/min.
    map.scale = dose::displayScale(dose::Period::Quarter, 60, 5432);
    ASSERT_EQ(map.scale.prefix, dose::Prefix::Milli);
    map.thresholds.fill(1);
    for (double t : results::bandingThresholds(map))
        EXPECT_DOUBLE_EQ(t, 1000.0 / 780);
}

TEST(DoseNotes, WhatAPageWritesOfThePeriodAndTheLines) {
    results::ShownMap map;
    map.quantity = results::Quantity::Kerma;
    EXPECT_TRUE(page::workloadLine(map).isEmpty());
    EXPECT_TRUE(page::limitLineKey(map).empty());
    EXPECT_FALSE(results::showsDoseJudgement(map));

    map.scale = dose::displayScale(dose::Period::Quarter, 4, 5);
    map.minutesPerWeek = 4;
    EXPECT_TRUE(results::showsDoseJudgement(map));
    const QString workload = page::workloadLine(map);
    EXPECT_TRUE(workload.contains(dose::unitText(results::Quantity::Kerma, map.scale)));
    EXPECT_TRUE(workload.contains(dose::workloadText(4)));
    EXPECT_TRUE(workload.contains(page::periodPhrase(dose::Period::Quarter)));

    // Two levels: one crossed, with pieces over hatched cells, one not reached.
    const DoseGrid grid = radialGrid();
    std::vector<bool> hatched(results::kGridCells, true);
    const std::vector<dose::ReferenceLevel> levels = {
        *dose::builtInLevel(QStringLiteral("管理区域境界")),
        userLevel(1e6, dose::Prefix::Milli, dose::Period::Week)};
    map.limitLines = limitlines::traceLimitLines(grid, &hatched, levels, {true, true}, 4);
    const std::vector<page::KeyRow> key = page::limitLineKey(map);
    ASSERT_EQ(key.size(), 4u); // the source, two levels, the dashes
    EXPECT_EQ(key[0].text, page::limitLinesSource(results::Quantity::Kerma));
    EXPECT_TRUE(key[1].sample);
    EXPECT_EQ(key[1].colour, map.limitLines[0].colour);
    EXPECT_TRUE(key[1].text.startsWith(levels[0].name));
    // The level also in the map's unit: the map in μSv a quarter.
    EXPECT_TRUE(key[1].text.contains(QStringLiteral("＝ 1300 μSv/3か月")))
        << key[1].text.toStdString();
    EXPECT_FALSE(key[2].sample);
    EXPECT_TRUE(key[2].text.contains(contours::reachText(contours::Reach::NotReached)));
    EXPECT_TRUE(key[3].dashed);

    // Shown per minute, a level of a period is also written as the rate it stands for.
    map.scale = dose::perMinute();
    const std::vector<page::KeyRow> perMinute = page::limitLineKey(map);
    EXPECT_TRUE(perMinute[1].text.contains(QStringLiteral("＝ 25 μSv/min"))) // 1300 / 52
        << perMinute[1].text.toStdString();
    EXPECT_TRUE(page::workloadLine(map).contains(dose::workloadText(4)));
}

// A page with a period or limit lines writes the workload and the note of
// what the map leaves out, and a key with a sample of each line in its
// colour; the line is on the page's picture where the map crosses its level.
TEST(DoseNotes, APageWithAPeriodOrLinesSaysWhatTheMapLeavesOut) {
    testsupport::guiApplication();
    const DoseGrid grid = radialGrid();
    page::PageContent content;
    content.map.quantity = results::Quantity::DoseEquivalent;
    content.map.grid = grid;
    content.map.thresholds = results::defaultThresholds(grid.at(1, 301));
    content.map.bodyPosition = 1;
    content.date = QDate(2026, 1, 5);
    const int plain = page::pageLayout(content).footerLines;

    content.map.scale = dose::displayScale(dose::Period::Quarter, 4, grid.at(1, 301));
    content.map.minutesPerWeek = 4;
    content.map.thresholds = dose::defaultThresholds(grid.at(1, 301), content.map.scale);
    EXPECT_EQ(page::pageLayout(content).footerLines, plain + 2); // the workload, the note

    // 1 mSv a week at 4 minutes a week: 250 μSv/min, r = 63.2 cm.
    const std::vector<dose::ReferenceLevel>& levels = dose::builtInLevels();
    content.map.limitLines = limitlines::traceLimitLines(grid, nullptr, levels, {false, true}, 4);
    ASSERT_TRUE(content.map.limitLines[0].drawn());
    const QColor colour = content.map.limitLines[0].colour;
    const page::PageLayout layout = page::pageLayout(content);
    EXPECT_EQ(layout.footerLines, plain + 2);
    // Under them the key: its heading and its line.
    EXPECT_EQ(page::limitLineKey(content.map).size(), 2u);
    EXPECT_GT(layout.key.height(), 0);
    EXPECT_GE(layout.key.top(), layout.picture.bottom());
    EXPECT_LE(layout.key.bottom(), layout.size.height());
    const QImage image = page::pageImage(content, 1);

    // The sample of the key under the picture.
    int samplePixels = 0;
    for (int y = int(layout.picture.bottom()); y < image.height(); ++y)
        for (int x = 0; x < 80; ++x)
            samplePixels += QColor(image.pixel(x, y)) == colour;
    EXPECT_GE(samplePixels, 20);
    // The line in the picture, 63 cm from the centre at c = -40 cm.
    const double x = std::sqrt(kA / 250 - 40.0 * 40);
    bool onLine = false;
    for (int dx = -1; dx <= 1; ++dx) {
        const QPointF p = limitlines::mapPicturePixel({x + dx, -40}, results::PlaneView());
        onLine = onLine || QColor(image.pixel((layout.picture.topLeft() + p).toPoint())) == colour;
    }
    EXPECT_TRUE(onLine);
}

TEST(DoseNotes, DosesAreWrittenToFourDigitsWithoutAnExponent) {
    const std::pair<double, const char*> cases[] = {
        {1950, "1950"},   {0.0277777, "0.02778"},    {12345.6, "12350"},
        {999.95, "1000"}, {6178.38, "6178"},         {0.5, "0.5"},
        {0, "0"},         {1.23456e-7, "1.235E-07"}, {4.2e9, "4200000000"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(dose::shownValueText(value), QString::fromUtf8(text)) << value;
}

// Over the room overlay: the line where the overlay lays the cells of its
// level, on both sides of the phantom when the map is, and nothing of it
// beyond the room's walls.
TEST(LimitLines, DrawnOverTheRoomWhereTheOverlayLaysTheMap) {
    testsupport::guiApplication();
    Module1::RoomLayout room; // bed along X: the map below the phantom
    room.roomWidth = room.roomHeight = 600;
    room.bedWidth = 200;
    room.bedHeight = 90;
    room.phantomX = 300;
    room.phantomY = 250;
    const overlay::PixelMapping mapping(
        overlay::phantomScale(overlay::roomScale(600, 600), 600, 600, 300, 250),
        overlay::kPicturePixels);
    const DoseGrid grid = radialGrid();
    // r = 200 cm inside the room; r = 380 cm reaches past the wall at 350 cm below.
    const std::vector<dose::ReferenceLevel> levels = {
        userLevel(kA / (200.0 * 200), dose::Prefix::Micro, dose::Period::PerMinute),
        userLevel(kA / (380.0 * 380), dose::Prefix::Micro, dose::Period::PerMinute)};
    const std::vector<LimitLine> lines =
        limitlines::traceLimitLines(grid, nullptr, levels, {true, true}, 0);
    for (bool bothSides : {false, true}) {
        SCOPED_TRACE(bothSides);
        QImage image(overlay::kPicturePixels, overlay::kPicturePixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        limitlines::paintOverRoom(image, mapping, room, bothSides, lines, QFont());
        auto lineNear = [&](double u, double v, const QColor& colour) {
            const QPoint at(int(mapping.deviceX(u)), int(mapping.deviceY(v)));
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    if (QColor(image.pixel(at + QPoint(dx, dy))) == colour)
                        return true;
            return false;
        };
        // x = 200 cos a below the phantom (v = x), c = 200 sin a across it (u = -c).
        for (double angle : {-60.0, -30.0, 30.0, 60.0}) {
            const double x = 200 * std::cos(angle * M_PI / 180);
            const double c = 200 * std::sin(angle * M_PI / 180);
            EXPECT_TRUE(lineNear(-c, x, lines[0].colour)) << angle;
            EXPECT_EQ(lineNear(-c, -x, lines[0].colour), bothSides) << angle;
        }
        // Nothing below the wall, 5 cm inside it: v > 345.
        for (int y = int(mapping.deviceY(346)); y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_NE(QColor(image.pixel(x, y)), lines[1].colour) << x << ", " << y;
    }
}
