// The request for maps in other planes (the job file's lines after line 6),
// the names of their result files and the plane record beside each.
#include <gtest/gtest.h>

#include "textrec/exchange_files.h"
#include "textrec/planes.h"
#include "textrec/textrec.h"

#include "TempFolderTest.h"

#include <algorithm>
#include <cmath>

namespace fs = std::filesystem;
using namespace textrec::planes;

namespace {

class Planes : public testsupport::TempFolderTest {
protected:
    // B2F.txt of six lines (result name `name`, FSD `fsd`) followed by `more`,
    // read to its end as the engine reads it.
    std::optional<PlaneRequest> readJob(const std::string& more, Position position,
                                        const std::string& name = "walk1.data", double fsd = 60) {
        write("B2F.txt", "2.259E-03\r\n" + textrec::plainNumber(fsd) + "\r\n20.0\r\n20.0\r\n" +
                             "1.000E+08\r\n" + name + "\r\n" + more);
        textrec::LineReader reader(dir / "B2F.txt");
        for (int line = 1; line <= 6; ++line)
            reader.next();
        return readJobFileLines(reader, {name, position, fsd});
    }
};

bool same(const PlaneRequest& a, const PlaneRequest& b) {
    return a.centreHeight == b.centreHeight && a.heights == b.heights &&
           a.verticalSection == b.verticalSection && a.tube == b.tube;
}

} // namespace

TEST_F(Planes, RequestsWrittenIntoTheJobFileReadBackAsTheyWere) {
    const PlaneRequest requests[] = {
        {100, {150, 170, 0}, false, Tube::Above},
        {90, {}, true, Tube::Below},
        {100, {100, 400}, true, Tube::Below},
        {1000, {700, 1300, 999}, false, Tube::Above},
        {95, {}, false, Tube::Below}, // the tube below alone
    };
    for (const PlaneRequest& request : requests) {
        const std::string lines = jobFileLines(request);
        ASSERT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4) << lines;
        const auto read = readJob(lines, Position::Lying, "walk1.data", 60);
        ASSERT_TRUE(read.has_value()) << lines;
        EXPECT_TRUE(same(*read, request)) << lines << jobFileLines(*read);
    }
    // The standing patient's request, any order of the lines, blanks and tabs.
    const auto standing = readJob(
        "\r\ntube above\r\nheights\t150  170 \r\n\r\ncentre-height 100\r\n", Position::Standing);
    ASSERT_TRUE(standing.has_value());
    EXPECT_TRUE(same(*standing, {100, {150, 170}, false, Tube::Above}));
}

TEST_F(Planes, NothingAskedKeepsTheSixLinesOfTheJob) {
    EXPECT_EQ(jobFileLines({}), "");
    EXPECT_EQ(jobFileLines({85, {}, false, Tube::Above}), "");
    EXPECT_FALSE(readJob("", Position::Lying).has_value());
    EXPECT_FALSE(readJob("\r\n   \r\n\t\r\n", Position::Standing).has_value());
}

TEST_F(Planes, UnsoundLinesAreRefusedNamingTheLine) {
    struct Case {
        std::string more;
        Position position;
        int line;
        std::string says;
        std::string name = "walk1.data";
        double fsd = 60;
    };
    const std::string centre = "centre-height 100\r\n";
    const std::vector<Case> cases = {
        {centre + "heights -10", Position::Lying, 8, "-10 cm lies below the floor"},
        {centre + "heights 150.5", Position::Lying, 8, "not a whole number"},
        {centre + "heights 401", Position::Lying, 8, "more than 300 cm from the phantom centre"},
        {"centre-height 300\r\nheights 0 600 601", Position::Standing, 8,
         "601 cm lies more than 300 cm"},
        {centre + "heights 1 2 3 4 5 6 7 8 9", Position::Lying, 8, "9 heights are asked"},
        {centre + "heights 150 170 150", Position::Lying, 8, "150 cm is asked twice"},
        {centre + "heights 150,170", Position::Lying, 8, "\"150,170\""},
        {centre + "heights 150 abc", Position::Lying, 8, "\"abc\""},
        {centre + "heights 1e999", Position::Lying, 8, "\"1e999\""},
        {"centre-height 5\r\nheights 50", Position::Lying, 7, "at least 10 cm"},
        {"centre-height 25\r\nvertical-section yes", Position::Standing, 7, "at least 30 cm"},
        {"centre-height 1001\r\nvertical-section yes", Position::Lying, 7, "at most 1000 cm"},
        {"centre-height 99.5\r\nvertical-section yes", Position::Lying, 7, "not a whole number"},
        {"centre-height\r\nvertical-section yes", Position::Lying, 7, "one number"},
        {"centre-height 100 cm\r\nvertical-section yes", Position::Lying, 7, "one number"},
        {"heights 150", Position::Lying, 7, "phantom centre's height"},
        {"\r\nvertical-section yes\r\ncentre-height nan", Position::Lying, 9, "one number"},
        {centre + "vertical-section maybe", Position::Lying, 8, "\"yes\" or \"no\""},
        {centre + "tube sideways", Position::Lying, 8, "\"above\" or \"below\""},
        {centre + "tube below", Position::Standing, 8, "only for the lying patient"},
        // 100 - 10 - 95: the focus 5 cm under the floor.
        {centre + "tube below", Position::Lying, 8, "focus lies 5 cm below the floor", "a.data",
         95},
        {centre + "tube above\r\ntube above", Position::Lying, 9, "given twice (first on line 8)"},
        {centre + "colour red", Position::Lying, 8, "\"colour red\" is no line of a job"},
        {centre + "heights 150\x01", Position::Lying, 8, "\\x01"},
        // 25 characters typed, ".data" added: the height's suffix makes 30 too few.
        {centre + "heights 150\r\nvertical-section no", Position::Lying, 8,
         "\"abcdefghijklmnopqrstuvwxy_h150.data\" would have a name of 35 characters",
         "abcdefghijklmnopqrstuvwxy.data"},
        {centre + "heights 100\r\nvertical-section yes", Position::Lying, 9,
         "abcdefghijklmnopqrstuvwxy_vs.data", "abcdefghijklmnopqrstuvwxy.data"},
        {centre + "heights 50 1\r\nvertical-section yes", Position::Lying, 8,
         "abcdefghijklmnopqrstuv_h50.data", "abcdefghijklmnopqrstuv.data"},
    };
    for (const Case& c : cases) {
        try {
            readJob(c.more, c.position, c.name, c.fsd);
            ADD_FAILURE() << "accepted: " << c.more;
        } catch (const textrec::InputError& e) {
            EXPECT_EQ(e.file(), "B2F.txt");
            EXPECT_EQ(e.line(), c.line) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << e.what() << "\n  expected: " << c.says;
        }
    }
}

TEST_F(Planes, ChecksForTheWindowsAgreeWithTheReader) {
    struct Case {
        double centre;
        std::initializer_list<double> heights;
        bool section;
        Tube tube;
        Position position;
        double fsd;
        std::string name;
        Problem problem;
        double value;
    };
    const Case cases[] = {
        {100, {150, 170}, true, Tube::Below, Position::Lying, 90, "a.data", Problem::None, 0},
        {100,
         {150, 170},
         true,
         Tube::Below,
         Position::Lying,
         91,
         "a.data",
         Problem::FocusBelowFloor,
         -1},
        {100,
         {std::nan("")},
         false,
         Tube::Above,
         Position::Lying,
         60,
         "a.data",
         Problem::NotANumber,
         0},
        {100, {-0.0, 50, 400}, false, Tube::Above, Position::Lying, 60, "a.data", Problem::None, 0},
        {29, {}, true, Tube::Above, Position::Standing, 60, "a.data", Problem::CentreTooLow, 29},
        {100,
         {},
         true,
         Tube::Below,
         Position::Standing,
         60,
         "a.data",
         Problem::TubeBelowStanding,
         0},
        // The height of the centre itself is the written map: no longer name.
        {100,
         {100},
         false,
         Tube::Above,
         Position::Lying,
         60,
         "abcdefghijklmnopqrstuvwxy.data",
         Problem::None,
         0},
        {100,
         {1000},
         false,
         Tube::Above,
         Position::Lying,
         60,
         "a.data",
         Problem::TooFarFromCentre,
         1000},
    };
    for (const Case& c : cases) {
        const PlaneRequest request{c.centre, c.heights, c.section, c.tube};
        const Check check = checkRequest(request, c.position, c.fsd, c.name);
        EXPECT_EQ(check.problem, c.problem) << problemText(check, c.position);
        EXPECT_EQ(check.value, c.value) << problemText(check, c.position);
    }
}

TEST_F(Planes, ExtraMapsAndTheirNames) {
    const PlaneRequest request{100, {150, 100, 0, 1300}, true, Tube::Above};
    const auto planes = extraPlanes(request);
    ASSERT_EQ(planes.size(), 4u);
    const std::pair<std::string, std::string> expected[] = {
        {"walk1_h150.data", "horizontal 150"},
        {"walk1_h0.data", "horizontal 0"},
        {"walk1_h1300.data", "horizontal 1300"},
        {"walk1_vs.data", "vertical-section"},
    };
    for (std::size_t n = 0; n < planes.size(); ++n) {
        EXPECT_EQ(planeResultName("walk1.data", planes[n].suffix), expected[n].first);
        const std::string record =
            planeRecordText(extraPlaneRecord(request, Position::Lying, planes[n]));
        EXPECT_NE(record.find("plane " + expected[n].second + "\r\n"), std::string::npos) << record;
    }
    EXPECT_EQ(longestResultName("walk1.data", request), "walk1_h1300.data");
    EXPECT_EQ(longestResultName("walk1.data", {}), "walk1.data");
    // A name without ".data" (a job written by hand) takes the suffix at its end.
    EXPECT_EQ(planeResultName("run.dat", "_vs"), "run.dat_vs");
    EXPECT_EQ(planeResultName(".data", "_vs"), "_vs.data");
}

TEST_F(Planes, RecordsReadBackAndCopyWithTheirResult) {
    const PlaneRecord records[] = {
        {Position::Lying, Tube::Below, 95, PlaneKind::Horizontal, 170},
        {Position::Standing, Tube::Above, 100, PlaneKind::VerticalSection, 100},
        {Position::Lying, Tube::Above, 100, PlaneKind::Horizontal, 100},
    };
    for (const PlaneRecord& record : records) {
        write("r.data.plane", planeRecordText(record));
        const auto read = readPlaneRecordBeside(dir / "r.data");
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(planeRecordText(*read), planeRecordText(record));
        EXPECT_EQ(read->kind, record.kind);
        EXPECT_EQ(read->height, record.height);
    }
    EXPECT_EQ(planeRecordPath(dir / "r.datC"), dir / "r.datC.plane");

    // A corrected copy keeps its source's record, and loses one left from an
    // earlier file of its name when the source has none.
    std::string error;
    ASSERT_TRUE(copyPlaneRecord(dir / "r.data", dir / "r.datC", &error)) << error;
    EXPECT_EQ(read("r.datC.plane"), read("r.data.plane"));
    fs::remove(dir / "r.data.plane");
    EXPECT_FALSE(readPlaneRecordBeside(dir / "r.data").has_value());
    ASSERT_TRUE(copyPlaneRecord(dir / "r.data", dir / "r.datC", &error)) << error;
    EXPECT_FALSE(fs::exists(dir / "r.datC.plane"));
    // An unsound source record is not copied.
    write("r.data.plane", "position lying\r\n");
    EXPECT_FALSE(copyPlaneRecord(dir / "r.data", dir / "r.datC", &error));
    EXPECT_NE(error.find("r.data.plane"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "r.datC.plane"));
}

TEST_F(Planes, UnsoundRecordsAreRefusedNamingTheLine) {
    const std::string sound = "position lying\r\ntube above\r\ncentre-height 100\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {sound, "no line \"plane\""},
        {sound + "plane horizontal", "plane takes"},
        {sound + "plane horizontal 401", "line 4: the height 401 cm lies more than 300 cm"},
        {sound + "plane vertical", "line 4: plane takes"},
        {sound + "plane vertical-section\r\nposition lying", "line 5: position is given twice"},
        {"position standing\r\ntube below\r\ncentre-height 100\r\nplane vertical-section",
         "line 2: the tube can be below the table only for the lying patient"},
        {"position sitting", "line 1: position takes \"lying\" or \"standing\""},
        {sound + "plane vertical-section\r\nheights 150", "line 5: \"heights 150\" is no line"},
    };
    for (const auto& [text, says] : cases) {
        write("r.data.plane", text);
        try {
            readPlaneRecord(dir / "r.data.plane");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const textrec::InputError& e) {
            EXPECT_NE(std::string(e.what()).find("r.data.plane"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos)
                << e.what() << "\n  expected: " << says;
        }
    }
}

TEST_F(Planes, RowsOfTheVerticalSectionStandAtTheirHeights) {
    // Lying: the rows run along the beam axis, which points to the floor;
    // standing: along the patient, upwards.
    PlaneRecord lying{Position::Lying, Tube::Below, 100, PlaneKind::VerticalSection, 100};
    EXPECT_EQ(sectionRowHeight(lying, 1), 400);
    EXPECT_EQ(sectionRowHeight(lying, 31), 100);
    EXPECT_EQ(sectionRowHeight(lying, 36), 50);
    EXPECT_EQ(sectionRowHeight(lying, 61), -200);
    PlaneRecord standing{Position::Standing, Tube::Above, 120, PlaneKind::VerticalSection, 120};
    EXPECT_EQ(sectionRowHeight(standing, 1), -180);
    EXPECT_EQ(sectionRowHeight(standing, 36), 170);
    EXPECT_EQ(sectionRowHeight(standing, 61), 420);
}
