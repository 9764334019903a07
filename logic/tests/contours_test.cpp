// Lines of equal dose against maps whose crossings are known by hand: a
// radial map A / r², a hill, a saddle; the levels a map never reaches or
// exceeds everywhere; the dashed pieces over hatched cells; where the lines
// land on the viewer's picture and in the room overlay.
#include "logic/Contours.h"
#include "logic/MapPainting.h"
#include "logic/OverlayGeometry.h"
#include "logic/Uncertainty.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace contours;
using results::cOfRow;
using results::DoseGrid;
using results::xOfColumn;

namespace {

DoseGrid gridOf(const std::function<double(double x, double c)>& dose) {
    DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            grid.at(j, i) = dose(xOfColumn(j), cOfRow(i));
    return grid;
}

// D(r) = A / r² about the phantom centre: the level L is reached at r = sqrt(A / L).
constexpr double kA = 1.0e6; // μSv/min x cm²
DoseGrid radialGrid() {
    return gridOf([](double x, double c) { return kA / (x * x + c * c); });
}

double radius(const MapXY& p) {
    return std::hypot(p.x, p.c);
}

std::size_t segmentCount(const LevelContour& contour) {
    std::size_t n = 0;
    for (const ContourLine& line : contour.lines)
        n += line.uncertain.size();
    return n;
}

// A part of the grid: the lines end at its edges.
constexpr CellRange kInner{1, 376, 11, 591};

} // namespace

TEST(Contours, RadialMapGivesTheCircleOfItsLevel) {
    const DoseGrid grid = radialGrid();
    struct Case {
        double radius; // cm, the circle of level A / r²
        CellRange cells;
        bool endsOnLeftEdge; // else on the c edges
    };
    const Case cases[] = {
        {100, kWholeGrid, true},
        {150.5, kWholeGrid, true},
        {250, kInner, true},
        {280, kWholeGrid, true},
        {350, kWholeGrid, false}, // leaves through c = -300 and c = 300
        {350, kInner, false},     // through c = -290 and c = 290
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << "r = " << t.radius);
        const LevelContour contour =
            traceContour(grid, kA / (t.radius * t.radius), nullptr, t.cells);
        ASSERT_EQ(contour.reach, Reach::Crossed);
        ASSERT_EQ(contour.lines.size(), 1u);
        const ContourLine& line = contour.lines.front();
        EXPECT_FALSE(line.closed);
        double worst = 0;
        for (const MapXY& p : line.points)
            worst = std::max(worst, std::fabs(radius(p) - t.radius));
        // Well within the grid's 1 cm: the interpolation of logarithms follows
        // a power law closely.
        EXPECT_LT(worst, 0.05);

        // It runs from one edge of the map to the other along the arc.
        const double left = xOfColumn(t.cells.firstColumn);
        const double bottom = cOfRow(t.cells.firstRow);
        const double top = cOfRow(t.cells.lastRow);
        const MapXY& a = line.points.front();
        const MapXY& b = line.points.back();
        auto angle = [](const MapXY& p) { return std::atan2(p.c, p.x); };
        if (t.endsOnLeftEdge) {
            EXPECT_NEAR(a.x, left, 1e-9);
            EXPECT_NEAR(b.x, left, 1e-9);
        } else {
            EXPECT_NEAR(std::min(a.c, b.c), bottom, 1e-9);
            EXPECT_NEAR(std::max(a.c, b.c), top, 1e-9);
        }
        const double arc = t.radius * std::fabs(angle(b) - angle(a));
        EXPECT_NEAR(line.length(), arc, 0.002 * arc);

        // The label sits on the line, half way along it.
        ASSERT_TRUE(contour.label);
        EXPECT_NEAR(radius(*contour.label), t.radius, 0.05);
        EXPECT_NEAR(angle(*contour.label), 0.5 * (angle(a) + angle(b)), 0.5 / t.radius);
        for (const bool mark : line.uncertain)
            EXPECT_FALSE(mark);
    }
}

TEST(Contours, BetweenCellsTheLineFollowsTheMergersInterpolationOfLogarithms) {
    // The merger fills the fine grid between engine points by interpolating
    // logarithms, so a map falling by e^(1/2) a cm is log-linear between
    // cells: its level lies exactly at x0 = 2 ln(A / L), wherever between two
    // cells that is (interpolating the values themselves misses by up to a
    // tenth of a cm).
    const DoseGrid grid = gridOf([](double x, double) { return 1000 * std::exp(-x / 2); });
    for (double x0 : {20.25, 100.37, 100.5, 250.9, 398.01}) {
        const LevelContour contour = traceContour(grid, 1000 * std::exp(-x0 / 2));
        ASSERT_EQ(contour.lines.size(), 1u) << x0;
        const ContourLine& line = contour.lines.front();
        for (const MapXY& p : line.points)
            EXPECT_NEAR(p.x, x0, 1e-9);
        EXPECT_NEAR(line.length(), 600, 1e-9); // c = -300 to 300
    }
}

TEST(Contours, HillGivesAClosedLineLabelledOnItsOuterSide) {
    // 100 exp(-d² / (2 s²)) about (200, 0): the level 50 at d = s sqrt(2 ln 2).
    const double s = 30;
    const DoseGrid grid = gridOf([s](double x, double c) {
        return 100 * std::exp(-((x - 200) * (x - 200) + c * c) / (2 * s * s));
    });
    const double d = s * std::sqrt(2 * std::log(2.0));
    const LevelContour contour = traceContour(grid, 50);
    ASSERT_EQ(contour.reach, Reach::Crossed);
    ASSERT_EQ(contour.lines.size(), 1u);
    const ContourLine& line = contour.lines.front();
    EXPECT_TRUE(line.closed);
    EXPECT_EQ(line.points.front(), line.points.back());
    for (const MapXY& p : line.points)
        EXPECT_NEAR(std::hypot(p.x - 200, p.c), d, 0.02);
    EXPECT_NEAR(line.length(), 2 * std::numbers::pi * d, 0.01 * d);
    ASSERT_TRUE(contour.label);
    EXPECT_NEAR(contour.label->x, 200 + d, 0.05);
    EXPECT_NEAR(contour.label->c, 0, 2);
}

TEST(Contours, SaddlesAreDecidedByTheirCentre) {
    // Two diagonal cells of 100 in a map of 1. Their square's centre, the mean
    // of the logarithms, is ln 10: a level below 10 joins them into one line,
    // a level above keeps two.
    struct Case {
        bool rising; // (j, i) and (j + 1, i + 1), else (j + 1, i) and (j, i + 1)
        double level;
        std::size_t lines;
    };
    const Case cases[] = {{true, 5, 1}, {true, 20, 2}, {false, 5, 1}, {false, 20, 2}};
    for (const Case& t : cases) {
        DoseGrid grid = gridOf([](double, double) { return 1.0; });
        const int j = 150;
        const int i = 300;
        grid.at(t.rising ? j : j + 1, i) = 100;
        grid.at(t.rising ? j + 1 : j, i + 1) = 100;
        const LevelContour contour = traceContour(grid, t.level);
        ASSERT_EQ(contour.reach, Reach::Crossed);
        EXPECT_EQ(contour.lines.size(), t.lines)
            << (t.rising ? "rising" : "falling") << " diagonal, level " << t.level;
        for (const ContourLine& line : contour.lines)
            EXPECT_TRUE(line.closed);
    }
}

TEST(Contours, LevelsNotReachedOrExceededEverywhereOnTheMap) {
    const DoseGrid flat = gridOf([](double, double) { return 5.0; });
    // One high cell outside the inner range (x = 397 cm).
    DoseGrid beyondViewer = gridOf([](double, double) { return 1.0; });
    beyondViewer.at(378, 300) = 100;
    struct Case {
        const DoseGrid* grid;
        double level;
        CellRange cells;
        Reach reach;
    };
    const Case cases[] = {
        {&flat, 10, kWholeGrid, Reach::NotReached},
        {&flat, 5, kWholeGrid, Reach::ExceededEverywhere}, // equal reaches it
        {&flat, 1, kInner, Reach::ExceededEverywhere},
        {&beyondViewer, 10, kInner, Reach::NotReached},
        {&beyondViewer, 10, kWholeGrid, Reach::Crossed},
        {&beyondViewer, 0.5, kWholeGrid, Reach::ExceededEverywhere},
    };
    for (const Case& t : cases) {
        const LevelContour contour = traceContour(*t.grid, t.level, nullptr, t.cells);
        EXPECT_EQ(contour.reach, t.reach) << "level " << t.level;
        EXPECT_EQ(contour.lines.empty(), t.reach != Reach::Crossed);
        EXPECT_EQ(contour.label.has_value(), t.reach == Reach::Crossed);
        EXPECT_EQ(reachText(contour.reach).isEmpty(), t.reach == Reach::Crossed);
    }
    // A radial map over the inner range: its values run from about 4.2 to
    // 2500 μSv/min.
    const std::vector<LevelContour> radial =
        traceContours(radialGrid(), {1, 100, 5000}, nullptr, kInner);
    ASSERT_EQ(radial.size(), 3u);
    EXPECT_EQ(radial[0].reach, Reach::ExceededEverywhere);
    EXPECT_EQ(radial[1].reach, Reach::Crossed);
    EXPECT_EQ(radial[2].reach, Reach::NotReached);
}

TEST(Contours, SegmentsOverHatchedCellsAreMarkedUncertain) {
    // Errors of 5 % everywhere but 30 % from the engine column at x = 200 cm
    // on: the hatching marks the fine cells from x = 195 cm (nearest engine
    // cell 200), so the mark changes at x = 194.5 cm.
    results::RelativeErrors errors;
    for (auto& row : errors.doseEquivalent)
        for (std::size_t column = 0; column < row.size(); ++column)
            row[column] = column >= 20 ? 0.3 : 0.05;
    const std::vector<bool> hatched =
        results::hatchedCells(errors, results::Quantity::DoseEquivalent);
    const double r = 250;
    const LevelContour contour = traceContour(radialGrid(), kA / (r * r), &hatched);
    ASSERT_EQ(contour.lines.size(), 1u);
    const ContourLine& line = contour.lines.front();
    ASSERT_EQ(line.uncertain.size() + 1, line.points.size());

    std::size_t marked = 0;
    std::size_t boundaryPoints = 0;
    for (std::size_t k = 0; k < line.uncertain.size(); ++k) {
        const MapXY& a = line.points[k];
        const MapXY& b = line.points[k + 1];
        // Each segment lies on one side of the boundary ...
        EXPECT_TRUE((a.x <= 194.5 && b.x <= 194.5) || (a.x >= 194.5 && b.x >= 194.5))
            << a.x << " to " << b.x;
        // ... and is marked when the cell under its middle is hatched.
        const int j = static_cast<int>(std::lround(0.5 * (a.x + b.x))) - 19;
        const int i = static_cast<int>(std::lround(0.5 * (a.c + b.c))) + 301;
        EXPECT_EQ(line.uncertain[k],
                  hatched[static_cast<std::size_t>(i - 1) * results::kGridColumns +
                          static_cast<std::size_t>(j - 1)]);
        marked += line.uncertain[k] ? 1 : 0;
        if (std::fabs(b.x - 194.5) < 1e-9)
            ++boundaryPoints;
    }
    EXPECT_GT(marked, 0u);
    EXPECT_LT(marked, line.uncertain.size());
    EXPECT_EQ(boundaryPoints, 2u); // out across the boundary and back
    // Cutting at the boundary keeps the line where it was.
    for (const MapXY& p : line.points)
        EXPECT_NEAR(radius(p), r, 0.05);
    const LevelContour plain = traceContour(radialGrid(), kA / (r * r));
    EXPECT_NEAR(line.length(), plain.lines.front().length(), 1e-9);
    EXPECT_EQ(segmentCount(contour), segmentCount(plain) + 2);

    // Drawn as three runs: solid, dashed beyond x = 194.5, solid again.
    const std::vector<ContourRun> runs = runsOf(line);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_FALSE(runs[0].uncertain);
    EXPECT_TRUE(runs[1].uncertain);
    EXPECT_FALSE(runs[2].uncertain);
    EXPECT_EQ(runs[0].points.back(), runs[1].points.front());
    EXPECT_EQ(runs[0].points.size() + runs[1].points.size() + runs[2].points.size(),
              line.points.size() + 2);
    for (const MapXY& p : runs[1].points)
        EXPECT_GE(p.x, 194.5 - 1e-9);
}

TEST(Contours, MapPointsLandWhereTheCellsArePainted) {
    struct Cell {
        int j;
        int i;
    };
    const Cell cells[] = {{1, 1}, {1, 11}, {376, 591}, {380, 600}, {137, 244}};
    for (const Cell& cell : cells) {
        const MapXY p{double(xOfColumn(cell.j)), double(cOfRow(cell.i))};
        // The viewer paints cell (j, i) into the pixel of (19 + j, i - 1).
        const QPoint pixel = results::mapPixel(19 + cell.j, cell.i - 1);
        EXPECT_EQ(viewerPixel(p), QPointF(pixel.x() + 0.5, pixel.y() + 0.5));
        EXPECT_EQ(viewerPixel(p, 4), QPointF(4 * pixel.x() + 2, 4 * pixel.y() + 2));
        // The overlay centres the cell's dot on its phantom point, on both sides.
        for (int orientation : {1, 2}) {
            const overlay::MapPoint painted = overlay::mapPoint(orientation, cell.i, cell.j);
            const overlay::MapPoint here = phantomPoint(p, orientation);
            EXPECT_EQ(here.u, painted.u);
            EXPECT_EQ(here.v, painted.v);
            const overlay::MapPoint other = phantomPoint(p, orientation, true);
            const overlay::MapPoint mirrored = overlay::mirrored(painted, orientation);
            EXPECT_EQ(other.u, mirrored.u);
            EXPECT_EQ(other.v, mirrored.v);
        }
    }
}
