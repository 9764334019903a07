// The conditions window's fields for maps in other planes, read and checked
// without a window: the list of heights as people type it, and which field
// each refusal names.
#include <gtest/gtest.h>

#include "logic/PlaneFields.h"

#include <string>
#include <vector>

using namespace planefields;
using textrec::planes::Position;
using textrec::planes::Tube;

TEST(HeightList, CommasBlanksAndFullWidthForms) {
    struct Case {
        const char* typed;
        std::vector<double> heights;
        const char* notANumber; // "" when every entry reads
    };
    const Case cases[] = {
        {"", {}, ""},
        {"   ", {}, ""},
        {"100, 150, 170", {100, 150, 170}, ""},
        {"150,170", {150, 170}, ""},
        {"１５０，１７０", {150, 170}, ""},
        {"１５０　１７０", {150, 170}, ""}, // the ideographic blank
        {"150、170、", {150, 170}, ""},
        {" 50\t80 ,, 120 ", {50, 80, 120}, ""},
        {"－５０", {-50}, ""}, // a number: refused later as below the floor
        {"1.5e2", {150}, ""},
        {"150.5", {150.5}, ""}, // a number: refused later as not whole
        {"150cm", {}, "150cm"},
        {"150, abc, 170", {150}, "abc"},
        {"150-170", {}, "150-170"},
        {"1.5.0", {}, "1.5.0"},
        {"1e999", {}, "1e999"},
        {"150;170", {}, "150;170"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const HeightList list = readHeightList(QString::fromUtf8(c.typed));
        EXPECT_EQ(list.notANumber, QString::fromUtf8(c.notANumber));
        if (list.notANumber.isEmpty()) {
            EXPECT_EQ(list.heights, c.heights);
        }
    }
}

namespace {

struct Typed {
    const char* centre = "100";
    const char* heights = "";
    bool section = false;
    bool below = false;
    Position position = Position::Lying;
    double fsd = 90;
    std::string name = "walk1.data";
};

PlaneReading read(const Typed& t) {
    return readPlanes(
        {QString::fromUtf8(t.centre), QString::fromUtf8(t.heights), t.section, t.below}, t.position,
        t.fsd, t.name);
}

std::string xs(int n) {
    return std::string(std::size_t(n), 'x');
}

} // namespace

// Every row the refusal (or none) and the field it names: what the window
// shows and where it puts the focus.
TEST(PlaneFields, EachRefusalNamesItsField) {
    const Position standing = Position::Standing;
    struct Case {
        const char* what;
        Typed typed;
        Field field;
    };
    const Case cases[] = {
        {"defaults", {}, Field::None},
        {"three heights", {.heights = "100, 150, 170"}, Field::None},
        {"centre not a number", {.centre = "abc"}, Field::CentreHeight},
        {"centre empty", {.centre = ""}, Field::CentreHeight},
        {"centre with a unit", {.centre = "100cm", .heights = "150"}, Field::CentreHeight},
        {"centre not whole", {.centre = "100.5"}, Field::CentreHeight},
        {"phantom through the floor", {.centre = "9"}, Field::CentreHeight},
        {"phantom on the floor", {.centre = "10", .heights = "0"}, Field::None},
        {"standing phantom through the floor",
         {.centre = "29", .position = standing},
         Field::CentreHeight},
        {"standing phantom on the floor", {.centre = "30", .position = standing}, Field::None},
        {"centre above any room", {.centre = "1001"}, Field::CentreHeight},
        {"height not a number", {.heights = "150, abc"}, Field::Heights},
        {"height below the floor", {.heights = "-10"}, Field::Heights},
        {"floor itself", {.heights = "0"}, Field::None},
        {"300 cm above the centre", {.heights = "400"}, Field::None},
        {"more than 300 cm above", {.heights = "401"}, Field::Heights},
        {"more than 300 cm below a high centre",
         {.centre = "500", .heights = "199"},
         Field::Heights},
        {"height not whole", {.heights = "150.5"}, Field::Heights},
        {"height twice", {.heights = "150, 150"}, Field::Heights},
        {"eight heights", {.heights = "0 20 40 60 80 120 140 160"}, Field::None},
        {"nine heights", {.heights = "0 20 40 60 80 120 140 160 180"}, Field::Heights},
        {"focus on the floor", {.below = true, .fsd = 90}, Field::None},
        {"focus under the floor", {.below = true, .fsd = 91}, Field::Tube},
        {"standing: the tube is above",
         {.below = true, .position = standing, .fsd = 200},
         Field::None},
        {"longest name of 30", {.heights = "150", .name = xs(20) + ".data"}, Field::None},
        {"longest name of 31", {.heights = "150", .name = xs(21) + ".data"}, Field::ResultName},
        {"section name of 30", {.section = true, .name = xs(22) + ".data"}, Field::None},
        {"section name of 31", {.section = true, .name = xs(23) + ".data"}, Field::ResultName},
        {"the centre's own height adds no file",
         {.heights = "100", .name = xs(25) + ".data"},
         Field::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PlaneReading reading = read(c.typed);
        EXPECT_EQ(reading.field, c.field) << reading.refusal.toStdString();
        EXPECT_EQ(reading.ok(), reading.refusal.isEmpty());
        if (c.field != Field::None) {
            EXPECT_TRUE(reading.refusal.contains(fieldName(c.field)))
                << reading.refusal.toStdString();
        }
    }
}

// What a run that passes asks of the engine, and what two refusals say
// beyond the field.
TEST(PlaneFields, TheRequestAsTypedAndTheTubeAboveForTheStandingPatient) {
    const PlaneReading lying = read(
        {.centre = "１２０", .heights = "170, 50", .section = true, .below = true, .fsd = 100});
    ASSERT_TRUE(lying.ok()) << lying.refusal.toStdString();
    EXPECT_EQ(lying.request.centreHeight, 120);
    EXPECT_EQ(lying.request.heights, (std::vector<double>{170, 50})); // in the order typed
    EXPECT_TRUE(lying.request.verticalSection);
    EXPECT_EQ(lying.request.tube, Tube::Below);

    // The standing patient has no tube below the table, whatever the fields say.
    const PlaneReading standing =
        read({.heights = "150", .below = true, .position = Position::Standing});
    ASSERT_TRUE(standing.ok()) << standing.refusal.toStdString();
    EXPECT_EQ(standing.request.tube, Tube::Above);

    // A focus under the floor names both fields the user may change.
    const PlaneReading focus = read({.centre = "80", .below = true, .fsd = 90});
    EXPECT_EQ(focus.field, Field::Tube);
    EXPECT_TRUE(focus.refusal.contains(fieldName(Field::CentreHeight)))
        << focus.refusal.toStdString();
    EXPECT_TRUE(focus.refusal.contains(QStringLiteral(" 20 cm"))) << focus.refusal.toStdString();

    // A name too long for the merger names the longest result file.
    const PlaneReading name =
        read({.heights = "50, 150", .section = true, .name = "透視室A_" + xs(10) + ".data"});
    EXPECT_EQ(name.field, Field::ResultName);
    EXPECT_TRUE(name.refusal.contains(QStringLiteral("「透視室A_xxxxxxxxxx_h150.data」")))
        << name.refusal.toStdString();
}
