// Named points on the room plan: their map coordinates through the overlay's
// geometry, the dose and uncertainty read there as the read-out reads them,
// the points outside the map or the walls, and the points file.
#include "TempFolderTest.h"
#include "logic/NamedPoints.h"
#include "logic/OverlayGeometry.h"
#include "logic/PointsFile.h"
#include "logic/Readout.h"
#include "logic/RoomFile.h"
#include "overlay_rooms.h"

#include <textrec/textrec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

using namespace namedpoints;
using results::GridCell;

namespace {

// A room whose bed lies along X (orientation 1) or along Y (orientation 2),
// the phantom centre in its middle.
Module1::RoomLayout roomFor(int orientation) {
    Module1::RoomLayout r = squareRoomWithBed(orientation);
    EXPECT_EQ(overlay::bedOrientation(r.bedWidth, r.bedHeight), orientation);
    return r;
}

// Every cell its own value, and every engine cell its own error.
results::DoseGrid numberedGrid() {
    results::DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i)
        for (int j = 1; j <= results::kGridColumns; ++j)
            grid.at(j, i) = 1000.0 * i + j;
    return grid;
}
results::RelativeErrors numberedErrors() {
    results::RelativeErrors errors;
    for (std::size_t row = 0; row < errors.kerma.size(); ++row)
        for (std::size_t column = 0; column < errors.kerma[row].size(); ++column) {
            errors.kerma[row][column] = 0.001 * static_cast<double>(row * 41 + column + 1);
            errors.doseEquivalent[row][column] = 2 * errors.kerma[row][column];
        }
    return errors;
}

// The room point the overlay paints cell (j, i) at, moved by (dx, dc) cm in
// map coordinates, on the drawn side or mirrored on the other: taken from
// the overlay's own placing of cells.
QPointF overlayRoomPoint(const Module1::RoomLayout& room, int j, int i, double dx, double dc,
                         bool otherSide) {
    const int o = overlay::bedOrientation(room.bedWidth, room.bedHeight);
    const overlay::MapPoint at = overlay::mapPoint(o, i, j);
    const overlay::MapPoint alongX = overlay::mapPoint(o, i, j + 1);
    const overlay::MapPoint alongC = overlay::mapPoint(o, i + 1, j);
    overlay::MapPoint p{at.u + dx * (alongX.u - at.u) + dc * (alongC.u - at.u),
                        at.v + dx * (alongX.v - at.v) + dc * (alongC.v - at.v)};
    if (otherSide)
        p = overlay::mirrored(p, o);
    return QPointF(room.phantomX + p.u, room.phantomY + p.v);
}

} // namespace

TEST(NamedPoints, DoseIsTheReadoutOfTheSamePlaceOnBothSidesOfBothBeds) {
    const results::DoseGrid grid = numberedGrid();
    const results::RelativeErrors errors = numberedErrors();
    struct Place {
        int j;
        int i;
        double dx;
        double dc;
    };
    // Cells of the viewer's map, with offsets up to the halves where the
    // read-out rounds to the even neighbour.
    const Place places[] = {
        {1, 11, 0, 0},         {376, 591, 0, 0},      {100, 300, 0.5, 0},
        {101, 300, 0.5, 0},    {50, 200, 0, 0.5},     {50, 201, 0, 0.5},
        {60, 400, -0.5, -0.5}, {200, 123, 0.3, -0.4}, {7, 301, 0.49, 0.51},
    };
    for (int orientation : {1, 2}) {
        const Module1::RoomLayout room = roomFor(orientation);
        for (bool otherSide : {false, true})
            for (const Place& p : places) {
                SCOPED_TRACE(testing::Message()
                             << "orientation " << orientation << (otherSide ? ", other side" : "")
                             << ", cell (" << p.j << ", " << p.i << ") + (" << p.dx << ", " << p.dc
                             << ")");
                const QPointF at = overlayRoomPoint(room, p.j, p.i, p.dx, p.dc, otherSide);
                const NamedPoint point{QStringLiteral("術者"), at.x(), at.y()};
                const PointReading reading = readPoint(room, point);

                const double x = results::xOfColumn(p.j) + p.dx;
                const double c = results::cOfRow(p.i) + p.dc;
                EXPECT_NEAR(reading.position.map.x, x, 1e-9);
                EXPECT_NEAR(reading.position.map.c, c, 1e-9);
                EXPECT_EQ(reading.position.otherSide, otherSide);
                EXPECT_EQ(roomPointOf(room, reading.position), at);

                // The viewer's read-out with the pointer on (x, c + 300).
                const std::optional<GridCell> shown = results::readoutCell(x, c + 300);
                ASSERT_TRUE(shown);
                ASSERT_TRUE(reading.cell);
                EXPECT_EQ(reading.cell->j, shown->j);
                EXPECT_EQ(reading.cell->i, shown->i);
                EXPECT_EQ(perMinuteAt(reading, grid), grid.at(shown->j, shown->i));
                for (results::Quantity q :
                     {results::Quantity::Kerma, results::Quantity::DoseEquivalent})
                    EXPECT_EQ(relativeErrorAt(reading, errors, q),
                              errors.at(q, shown->j, shown->i));
                EXPECT_FALSE(reading.outsideWalls);
            }
    }
}

TEST(NamedPoints, OutsideTheMapThereIsNoValue) {
    const results::DoseGrid grid = numberedGrid();
    struct Case {
        double x;
        double c;
        bool onMap;
    };
    // The map covers x = 20..400 and c = -300..300, each cell 1 cm about its
    // point; halves round as the read-out rounds (to the even cell).
    const Case cases[] = {
        {19.4, 0, false},     {19.5, 0, false},    {19.6, 0, true},    {0, 0, false},
        {399.6, 0, true},     {400.4, 0, true},    {400.5, 0, false},  {450, 0, false},
        {100, -300.5, false}, {100, -300.4, true}, {100, 300.4, true}, {100, 300.5, false},
        {100, 1000, false},
    };
    for (int orientation : {1, 2}) {
        const Module1::RoomLayout room = roomFor(orientation);
        for (const Case& t : cases)
            for (bool otherSide : {false, true}) {
                const QPointF at = roomPointOf(room, {{t.x, t.c}, otherSide});
                const PointReading reading =
                    readPoint(room, NamedPoint{QStringLiteral("扉の外"), at.x(), at.y()});
                EXPECT_EQ(reading.cell.has_value(), t.onMap)
                    << "orientation " << orientation << ", x " << t.x << ", c " << t.c;
                EXPECT_EQ(shownDoseAt(reading, grid, dose::perMinute()).has_value(), t.onMap);
            }
    }
    // Not a number is nowhere.
    EXPECT_FALSE(cellOf({std::numeric_limits<double>::quiet_NaN(), 0}));
    EXPECT_FALSE(cellOf({100, std::numeric_limits<double>::infinity()}));
}

TEST(NamedPoints, BeyondTheWallsTheMapIsReadAndMarked) {
    Module1::RoomLayout room = roomFor(2);
    room.phantomX = 100; // the map reaches through the left wall on the other side
    const results::DoseGrid grid = numberedGrid();
    struct Case {
        double x;
        double y;
        bool outside;
    };
    const Case cases[] = {
        {-50, 450, true},  {0, 450, false}, {900, 900, false},
        {900.5, 10, true}, {450, -1, true}, {120, 450, false},
    };
    for (const Case& t : cases) {
        const PointReading reading =
            readPoint(room, NamedPoint{QStringLiteral("操作卓"), t.x, t.y});
        EXPECT_EQ(reading.outsideWalls, t.outside) << t.x << ", " << t.y;
        EXPECT_EQ(outsideWalls(room, t.x, t.y), t.outside);
    }
    // 150 cm beyond the phantom's mid-plane through the wall: read, not hidden.
    const PointReading door = readPoint(room, NamedPoint{QStringLiteral("扉の外"), -50, 450});
    EXPECT_TRUE(door.outsideWalls);
    EXPECT_TRUE(door.position.otherSide);
    EXPECT_EQ(perMinuteAt(door, grid), grid.at(131, 301)); // x = 150, c = 0
}

TEST(NamedPoints, ShareOfALevelInTheLevelsOwnPeriod) {
    // 2.5 μSv/min everywhere; 病室 at 40 min a week allows 1300 / 520 = 2.5.
    results::DoseGrid doseEquivalent;
    for (double& v : doseEquivalent.cells())
        v = 2.5;
    const Module1::RoomLayout room = roomFor(1);
    const dose::ReferenceLevel ward = *dose::builtInLevel(QStringLiteral("病室"));
    const PointReading near =
        readPoint(room, NamedPoint{QStringLiteral("看護師"), room.phantomX, room.phantomY + 100});
    ASSERT_TRUE(near.cell);
    EXPECT_NEAR(*shareAt(near, doseEquivalent, ward, 40), 1.0, 1e-12);
    EXPECT_NEAR(*shareAt(near, doseEquivalent, ward, 10), 0.25, 1e-12);
    // The dose shown for a quarter: 2.5 x 40 x 13 = 1300 μSv = 1.3 mSv.
    const dose::DisplayScale quarter = dose::displayScale(dose::Period::Quarter, 40, 2.5);
    EXPECT_NEAR(*shownDoseAt(near, doseEquivalent, quarter), 1.3, 1e-12);
    const PointReading far =
        readPoint(room, NamedPoint{QStringLiteral("看護師"), room.phantomX, room.phantomY + 5});
    EXPECT_FALSE(shareAt(far, doseEquivalent, ward, 40));
}

namespace {

std::string cp932(const char* utf8) {
    QString error;
    return roomfile::encodeCp932(QString::fromUtf8(utf8), error).value();
}

std::vector<NamedPoint> samplePoints() {
    return {
        {QStringLiteral("術者"), 352.25, 410},
        {QStringLiteral("看護師 2"), -12.5, 0.1},
        {QStringLiteral("\"扉の外\", 東側"), 100000, -100000},
        {QStringLiteral("操作卓～"), 1.0 / 3.0, 2.0 / 3.0},
        {QStringLiteral("1番"), 1e-7, -0.0},
    };
}

class PointsFileTest : public testsupport::TempFolderTest {};

} // namespace

TEST(PointsFile, RoundTripIsExact) {
    QString error;
    const std::optional<std::string> content = pointsfile::write(samplePoints(), error);
    ASSERT_TRUE(content) << error.toStdString();
    // One point a line, CR LF, the name in code page 932 after the numbers.
    EXPECT_EQ(content->substr(0, content->find("\r\n")), "352.25 410 " + cp932("術者"));
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content->size();) {
        const std::size_t end = content->find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(content->substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(lines.size(), samplePoints().size());
    const auto back = pointsfile::parse(lines, QStringLiteral("plan.Room.points"), error);
    ASSERT_TRUE(back) << error.toStdString();
    ASSERT_EQ(back->size(), samplePoints().size());
    for (std::size_t k = 0; k < back->size(); ++k) {
        EXPECT_EQ((*back)[k].name, samplePoints()[k].name);
        // Bit for bit, the sign of zero included.
        EXPECT_EQ(std::signbit((*back)[k].x), std::signbit(samplePoints()[k].x));
        EXPECT_EQ((*back)[k].x, samplePoints()[k].x);
        EXPECT_EQ((*back)[k].y, samplePoints()[k].y);
        EXPECT_EQ(std::signbit((*back)[k].y), std::signbit(samplePoints()[k].y));
    }
}

TEST(PointsFile, ReadingRefusesNamingFileAndLine) {
    const std::string surgeon = "250 310 " + cp932("術者");
    struct Case {
        std::vector<std::string> lines;
        int refusedLine; // 0: read, with `points` points
        std::size_t points;
    };
    const Case cases[] = {
        {{surgeon, "", "  ", "-1.5\t2 " + cp932("看護師") + "  "}, 0, 2}, // blank lines passed over
        {{}, 0, 0},
        {{surgeon, "abc def"}, 2, 0},
        {{"250 " + cp932("術者")}, 1, 0}, // one number
        {{"250 310"}, 1, 0},              // no name
        {{"250 310   "}, 1, 0},
        {{"nan 310 a"}, 1, 0},
        {{"250 inf a"}, 1, 0},
        {{"1e400 0 a"}, 1, 0},             // not finite
        {{surgeon, "100000.5 0 a"}, 2, 0}, // beyond the layout file's limit
        {{"0 -100001 a"}, 1, 0},
        {{"0 0 a\x01"
          "b"},
         1,
         0}, // control character
        {{"0 0 a\x7f"}, 1, 0},
        {{surgeon, surgeon, "0 0 \x82"}, 3, 0}, // a cut double-byte character
        {{"0 0 \xff\xfe"}, 1, 0},               // not code page 932
        {{"250,310," + cp932("術者")}, 1, 0},
    };
    for (const Case& t : cases) {
        QString error;
        const auto points = pointsfile::parse(t.lines, QStringLiteral("plan.Room.points"), error);
        if (t.refusedLine == 0) {
            ASSERT_TRUE(points) << error.toStdString();
            EXPECT_EQ(points->size(), t.points);
            continue;
        }
        EXPECT_FALSE(points) << t.lines.back();
        EXPECT_TRUE(error.contains(QStringLiteral("plan.Room.points"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("%1 行目").arg(t.refusedLine)))
            << error.toStdString();
    }
}

TEST(PointsFile, WritingRefusesWhatCouldNotBeReadBack) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const NamedPoint refused[] = {
        {QString(), 0, 0},
        {QStringLiteral("  "), 0, 0},
        {QStringLiteral("a\tb"), 0, 0},
        {QStringLiteral("a\u2029b"), 0, 0},
        {QStringLiteral("한국"), 0, 0}, // not in code page 932
        {QStringLiteral("術者"), nan, 0},
        {QStringLiteral("術者"), 0, std::numeric_limits<double>::infinity()},
        {QStringLiteral("術者"), 100000.001, 0},
        {QStringLiteral("術者"), 0, -1e6},
    };
    for (const NamedPoint& bad : refused) {
        QString error;
        std::vector<NamedPoint> points = samplePoints();
        points.insert(points.begin() + 2, bad);
        EXPECT_FALSE(pointsfile::write(points, error)) << bad.name.toStdString() << " " << bad.x;
        EXPECT_TRUE(error.contains(QStringLiteral("3 番目"))) << error.toStdString();
        QString why;
        EXPECT_FALSE(makePoint(bad.name, bad.x, bad.y, why));
        EXPECT_FALSE(why.isEmpty());
    }
    // What makePoint accepts is kept as the file will give it back.
    QString error;
    const auto typed = makePoint(QStringLiteral(" 操作卓〜 "), 1, 2, error);
    ASSERT_TRUE(typed) << error.toStdString();
    EXPECT_EQ(typed->name, QStringLiteral("操作卓～"));
}

TEST_F(PointsFileTest, SavedBesideTheLayoutWhichStaysAsWritten) {
    const std::filesystem::path roomFile = dir / "plan.Room";
    QString error;
    ASSERT_TRUE(roomfile::save(roomFile, defaultRoom(), error)) << error.toStdString();
    const std::string layoutBytes = read("plan.Room");

    // No points file yet: no points, and no refusal.
    auto none = pointsfile::load(roomFile, error);
    ASSERT_TRUE(none) << error.toStdString();
    EXPECT_TRUE(none->empty());

    ASSERT_TRUE(pointsfile::save(roomFile, samplePoints(), error)) << error.toStdString();
    EXPECT_TRUE(std::filesystem::exists(roomfile::pointsPath(roomFile)));
    EXPECT_EQ(roomfile::pointsPath(roomFile).filename(), "plan.Room.points");
    EXPECT_EQ(read("plan.Room"), layoutBytes);
    const auto back = pointsfile::load(roomFile, error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, samplePoints());
    const auto layout = roomfile::load(roomFile, error);
    ASSERT_TRUE(layout) << error.toStdString();

    // A refused save writes nothing: the earlier points stay whole, and no
    // temporary file is left.
    std::vector<NamedPoint> bad = samplePoints();
    bad.push_back({QStringLiteral("a\nb"), 0, 0});
    const std::string before = read("plan.Room.points");
    EXPECT_FALSE(pointsfile::save(roomFile, bad, error));
    EXPECT_EQ(read("plan.Room.points"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              2);

    // The points file goes with the layout file.
    const auto companions = roomfile::companionFiles(roomFile);
    EXPECT_NE(std::find(companions.begin(), companions.end(), roomfile::pointsPath(roomFile)),
              companions.end());

    // A damaged points file is refused naming it and its line; the layout
    // itself still loads.
    write("plan.Room.points", "10 20 " + cp932("術者") + "\r\n10 x\r\n");
    EXPECT_FALSE(pointsfile::load(roomFile, error));
    EXPECT_TRUE(error.contains(QStringLiteral("plan.Room.points")));
    EXPECT_TRUE(error.contains(QStringLiteral("2 行目")));
    EXPECT_TRUE(roomfile::load(roomFile, error));
}
