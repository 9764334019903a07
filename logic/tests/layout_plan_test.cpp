// Placing rules, capture and read-out of the layout editor, without a window.
#include "logic/LayoutPlan.h"

#include <gtest/gtest.h>

using layout::Element;
using layout::LayoutPlan;
using layout::MouseButton;

TEST(PlacingRules, RoomCornerLandsTwoCentimetresBeyondTheClick) {
    LayoutPlan plan;
    layout::selectElement(plan, Element::Room);
    layout::place(plan, MouseButton::Left, 398, 498);
    EXPECT_DOUBLE_EQ(plan.room.width, 400);
    EXPECT_DOUBLE_EQ(plan.room.height, 500);
    EXPECT_DOUBLE_EQ(plan.room.left, 0);
    EXPECT_DOUBLE_EQ(plan.room.top, 0);
    // Any button stretches the room; a click left of its corner keeps the width.
    layout::place(plan, MouseButton::Right, -10, 98);
    EXPECT_DOUBLE_EQ(plan.room.width, 400);
    EXPECT_DOUBLE_EQ(plan.room.height, 100);
    // A click exactly 2 cm above-left of the corner would give zero: unchanged.
    layout::place(plan, MouseButton::Left, -2, -2);
    EXPECT_DOUBLE_EQ(plan.room.width, 400);
    EXPECT_DOUBLE_EQ(plan.room.height, 100);
}

TEST(PlacingRules, RightClickAboveTheBedCornerChangesOnlyTheWidth) {
    LayoutPlan plan;
    layout::selectElement(plan, Element::Bed);
    layout::place(plan, MouseButton::Right, 500, 100); // right of 194, above 209
    EXPECT_DOUBLE_EQ(plan.bed.width, 306);
    EXPECT_DOUBLE_EQ(plan.bed.height, 90);
    EXPECT_DOUBLE_EQ(plan.bed.left, 194);
    EXPECT_DOUBLE_EQ(plan.bed.top, 209);
    // On the corner itself both would be zero: nothing changes.
    layout::place(plan, MouseButton::Middle, 194, 209);
    EXPECT_DOUBLE_EQ(plan.bed.width, 306);
    EXPECT_DOUBLE_EQ(plan.bed.height, 90);
}

TEST(PlacingRules, LeftClickMovesRectangleKeepingItsSize) {
    for (Element e :
         {Element::Bed, Element::StaffDoor, Element::ViewingWindow, Element::PatientEntrance}) {
        LayoutPlan plan;
        layout::selectElement(plan, e);
        const layout::Marker before = *plan.markerOf(e);
        layout::place(plan, MouseButton::Left, 120.5, 333);
        const layout::Marker& after = *plan.markerOf(e);
        EXPECT_DOUBLE_EQ(after.left, 120.5) << int(e);
        EXPECT_DOUBLE_EQ(after.top, 333) << int(e);
        EXPECT_DOUBLE_EQ(after.width, before.width) << int(e);
        EXPECT_DOUBLE_EQ(after.height, before.height) << int(e);
        layout::place(plan, MouseButton::Right, 200.5, 343);
        EXPECT_DOUBLE_EQ(after.width, 80) << int(e);
        EXPECT_DOUBLE_EQ(after.height, 10) << int(e);
    }
}

TEST(PlacingRules, PhantomMarkerCentredOnTheClickAndTextsAtTheClick) {
    LayoutPlan plan;
    layout::selectElement(plan, Element::PhantomCentre);
    layout::place(plan, MouseButton::Right, 412, 133);
    EXPECT_DOUBLE_EQ(plan.phantom.left, 397);
    EXPECT_DOUBLE_EQ(plan.phantom.top, 118);
    Module1::RoomLayout r = layout::capture(plan);
    EXPECT_FLOAT_EQ(r.phantomX, 412);
    EXPECT_FLOAT_EQ(r.phantomY, 133);

    layout::selectElement(plan, Element::ControlRoomText);
    layout::place(plan, MouseButton::Left, 610, 20);
    EXPECT_DOUBLE_EQ(plan.controlRoomLabel.left, 610);
    EXPECT_DOUBLE_EQ(plan.controlRoomLabel.top, 20);
    ASSERT_TRUE(layout::acceptFreeText(plan, QStringLiteral("CT室")));
    layout::place(plan, MouseButton::Right, -40, 800);
    EXPECT_DOUBLE_EQ(plan.freeTextLabel.left, -40);
    EXPECT_DOUBLE_EQ(plan.freeTextLabel.top, 800);
}

TEST(PlacingRules, NothingHappensBeforeAnElementIsChosen) {
    LayoutPlan plan;
    layout::place(plan, MouseButton::Left, 100, 100);
    layout::place(plan, MouseButton::Right, 700, 700);
    EXPECT_EQ(layout::capture(plan), layout::capture(LayoutPlan{}));
}

TEST(FreeText, EmptyTextKeepsTheActiveElementAndATextTakesTheLabelBack) {
    LayoutPlan plan;
    ASSERT_TRUE(layout::setAbsent(plan, Element::FreeText, true));
    layout::selectElement(plan, Element::Bed);
    EXPECT_FALSE(layout::acceptFreeText(plan, QString()));
    EXPECT_EQ(plan.currentElement, Element::Bed);
    EXPECT_EQ(plan.freeTextCaption, QStringLiteral("任意文字列"));
    EXPECT_TRUE(plan.absent.freeText);
    EXPECT_TRUE(layout::acceptFreeText(plan, QStringLiteral("a, \"b")));
    EXPECT_EQ(plan.currentElement, Element::FreeText);
    EXPECT_FALSE(plan.absent.freeText);
    // Its place is still the default until a click.
    EXPECT_EQ(layout::stateOf(plan, Element::FreeText), layout::ElementState::NotPlaced);
}

TEST(Capture, DefaultsInFieldOrder) {
    LayoutPlan plan;
    Module1::RoomLayout r = layout::capture(plan);
    EXPECT_FLOAT_EQ(r.roomWidth, 600);
    EXPECT_FLOAT_EQ(r.roomHeight, 600);
    EXPECT_EQ(r.roomTop, 0);
    EXPECT_EQ(r.roomLeft, 0);
    EXPECT_FLOAT_EQ(r.bedWidth, 200);
    EXPECT_FLOAT_EQ(r.bedHeight, 90);
    EXPECT_FLOAT_EQ(r.bedTop, 209);
    EXPECT_FLOAT_EQ(r.bedLeft, 194);
    EXPECT_FLOAT_EQ(r.phantomX, 300);
    EXPECT_FLOAT_EQ(r.phantomY, 250);
    EXPECT_FLOAT_EQ(r.windowWidth, 189);
    EXPECT_FLOAT_EQ(r.windowHeight, 29);
    EXPECT_FLOAT_EQ(r.windowLeft, 266);
    EXPECT_FLOAT_EQ(r.windowTop, 584);
    EXPECT_FLOAT_EQ(r.staffDoorWidth, 101);
    EXPECT_FLOAT_EQ(r.staffDoorHeight, 23);
    EXPECT_FLOAT_EQ(r.staffDoorLeft, 51);
    EXPECT_FLOAT_EQ(r.staffDoorTop, 586);
    EXPECT_FLOAT_EQ(r.entranceWidth, 180);
    EXPECT_FLOAT_EQ(r.entranceHeight, 20);
    EXPECT_FLOAT_EQ(r.entranceLeft, 22);
    EXPECT_FLOAT_EQ(r.entranceTop, -7);
    EXPECT_EQ(r.controlRoomText, QStringLiteral("操作室"));
    EXPECT_FLOAT_EQ(r.controlRoomX, 252);
    EXPECT_FLOAT_EQ(r.controlRoomY, 669);
    EXPECT_EQ(r.freeText, QStringLiteral("任意文字列"));
    EXPECT_FLOAT_EQ(r.freeTextX, 640);
    EXPECT_FLOAT_EQ(r.freeTextY, 554);
}

TEST(Capture, AbsentElementKeepsItsGeometryAndLoadedLabelTextIsNotKept) {
    LayoutPlan plan;
    layout::selectElement(plan, Element::ViewingWindow);
    layout::place(plan, MouseButton::Left, 100, 120);
    EXPECT_TRUE(layout::deleteCurrent(plan));
    EXPECT_EQ(plan.currentElement, Element::ViewingWindow);
    Module1::RoomLayout r = layout::capture(plan);
    EXPECT_FLOAT_EQ(r.windowLeft, 100);
    EXPECT_FLOAT_EQ(r.windowTop, 120);
    EXPECT_EQ(r.absent, (Module1::AbsentElements{.viewingWindow = true}));

    // A loaded file may label the control room otherwise; capture stores "操作室".
    r.controlRoomText = QStringLiteral("控室");
    r.absent = {.staffDoor = true, .freeText = true};
    layout::applyLayout(plan, r);
    EXPECT_EQ(plan.controlRoomCaption, QStringLiteral("控室"));
    for (Element e : layout::kElements) {
        const bool absent = e == Element::StaffDoor || e == Element::FreeText;
        EXPECT_EQ(layout::stateOf(plan, e),
                  absent ? layout::ElementState::Absent : layout::ElementState::Placed)
            << int(e);
    }
    Module1::RoomLayout again = layout::capture(plan);
    EXPECT_EQ(again.controlRoomText, QStringLiteral("操作室"));
    again.controlRoomText = r.controlRoomText;
    EXPECT_EQ(again, r);
}

// Every element is saved; it counts as not placed until a click places it,
// and all but the three the map is laid out by may be marked absent ("削 除"),
// which its button takes back.
TEST(ElementStates, NotPlacedUntilClickedAbsentWhereAllowed) {
    struct Row {
        Element element;
        bool mayBeAbsent;
    };
    const Row rows[] = {
        {Element::Room, false},
        {Element::PhantomCentre, false},
        {Element::Bed, false},
        {Element::StaffDoor, true},
        {Element::ViewingWindow, true},
        {Element::PatientEntrance, true},
        {Element::ControlRoomText, true},
        {Element::FreeText, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.element));
        LayoutPlan plan;
        EXPECT_EQ(layout::stateOf(plan, row.element), layout::ElementState::NotPlaced);
        EXPECT_EQ(layout::canBeAbsent(row.element), row.mayBeAbsent);
        layout::selectElement(plan, row.element);
        EXPECT_EQ(layout::deleteCurrent(plan), row.mayBeAbsent);
        EXPECT_EQ(layout::stateOf(plan, row.element),
                  row.mayBeAbsent ? layout::ElementState::Absent : layout::ElementState::NotPlaced);
        EXPECT_EQ(layout::capture(plan).absent.any(), row.mayBeAbsent);
        // Only this element: the others stay as they were.
        for (Element other : layout::kElements) {
            if (other != row.element) {
                EXPECT_EQ(layout::stateOf(plan, other), layout::ElementState::NotPlaced);
            }
        }
        layout::selectElement(plan, row.element);
        EXPECT_FALSE(layout::capture(plan).absent.any());
        layout::place(plan, MouseButton::Left, 100, 100);
        EXPECT_EQ(layout::stateOf(plan, row.element), layout::ElementState::Placed);
    }
    LayoutPlan plan;
    EXPECT_FALSE(layout::deleteCurrent(plan)); // nothing chosen
    EXPECT_FALSE(layout::capture(plan).absent.any());
}

struct ReadoutRow {
    double x;
    double y;
    const char* textX;
    const char* textY;
};

void PrintTo(const ReadoutRow& row, std::ostream* os) {
    *os << "(" << row.x << ", " << row.y << ")";
}

class CursorReadout : public testing::TestWithParam<ReadoutRow> {};

TEST_P(CursorReadout, MetresWithOneDecimalInsideThePlan) {
    const ReadoutRow& row = GetParam();
    layout::Readout r = layout::cursorReadout(row.x, row.y);
    EXPECT_EQ(r.x.toStdString(), row.textX);
    EXPECT_EQ(r.y.toStdString(), row.textY);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CursorReadout,
    testing::Values(ReadoutRow{350, 100, "3.5", "1.0"}, ReadoutRow{850, 850, "8.5", "8.5"},
                    ReadoutRow{-50, -50, "-0.5", "-0.5"}, ReadoutRow{12.3, 0, "0.1", "0.0"},
                    ReadoutRow{850.01, 300, "", ""}, ReadoutRow{300, 850.01, "", ""},
                    ReadoutRow{-50.01, 300, "", ""}, ReadoutRow{300, -50.5, "", ""}));

TEST(PlanPixels, PlanEdgesAndRoundTrip) {
    EXPECT_DOUBLE_EQ(layout::toPixel(-50), layout::kPictureBorder);
    // 900 cm at 8.35 twips per cm and 15 twips per pixel span 501 pixels.
    EXPECT_NEAR(layout::toPixel(850) - layout::toPixel(-50), 501, 1e-9);
    for (double v : {-50.0, 0.0, 350.0, 849.5})
        EXPECT_NEAR(layout::toPlan(layout::toPixel(v)), v, 1e-9);
}

TEST(Instructions, EachElementPrintsItsTitleFirstThenAnEmptyLine) {
    QStringList bed = layout::instructionLines(Element::Bed);
    ASSERT_EQ(bed.size(), 4);
    EXPECT_EQ(bed[0], QStringLiteral("ベッド位置"));
    EXPECT_TRUE(bed[1].isEmpty());
    EXPECT_EQ(bed[3], QStringLiteral("右下端を右クリックで設定する"));
    EXPECT_EQ(layout::instructionLines(Element::PhantomCentre)[3],
              QStringLiteral("　クリックで設定する"));
    EXPECT_EQ(layout::instructionLines(Element::ControlRoomText).size(), 3);
    EXPECT_TRUE(layout::instructionLines(Element::None).isEmpty());
}
