// What the layout editor holds without any widget: the geometry of its eight
// element markers, which of them the user has placed and which are marked as
// not in the room, the active element and the rules by which clicks in the
// plan place them. Form5 draws this state and forwards its events here.
#pragma once

#include "logic/RoomLayout.h"

#include <QString>
#include <QStringList>
#include <array>

namespace layout {

// The element the clicks in the plan place; the values are the editor's codes.
enum class Element {
    None = 0, // nothing chosen yet: clicks do nothing
    PhantomCentre = 1,
    Room = 2,
    Bed = 3,
    StaffDoor = 4,
    ViewingWindow = 5,
    ControlRoomText = 6,
    FreeText = 7,
    PatientEntrance = 44,
};

// The elements in the order the editor lists them.
inline constexpr std::array<Element, 8> kElements = {Element::Room,
                                                     Element::PhantomCentre,
                                                     Element::Bed,
                                                     Element::StaffDoor,
                                                     Element::ViewingWindow,
                                                     Element::PatientEntrance,
                                                     Element::ControlRoomText,
                                                     Element::FreeText};

// The element's name in the editor's list.
QString elementName(Element element);

enum class MouseButton { Left, Right, Middle };

// A marker in plan units (cm). Labels use only left and top.
struct Marker {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    // Set by a click that placed it or by a loaded file. Until then the marker
    // stands where it was (at first its default) and is saved there.
    bool placed = false;
};

// What the editor shows of an element: every element is saved, placed or
// not; an absent one is saved but not drawn over the map.
enum class ElementState { NotPlaced, Placed, Absent };

// Half the phantom marker: the marker is centred on the phantom centre.
inline constexpr double kPhantomMarkerOffset = 15;
// The room's lower-right corner lands this far beyond the click.
inline constexpr double kRoomClickMargin = 2;
// The plan shows -50..850 cm both ways.
inline constexpr double kPlanMin = -50;
inline constexpr double kPlanMax = 850;

// The plan's picture is 7575 twips square at 8.35 twips per cm, its top-left
// corner at (-50, -50) cm; a pixel is 15 twips.
inline constexpr double kPixelsPerUnit = 8.35 / 15.0;
inline constexpr int kPictureBorder = 2;
inline constexpr int kPictureSize = 505; // pixels, border included

// Plan units (cm) to the picture's pixels and back.
double toPixel(double planValue);
double toPlan(double pixel);

inline const QString kControlRoomText = QStringLiteral("操作室");
inline const QString kInitialFreeText = QStringLiteral("任意文字列");

struct LayoutPlan {
    Marker phantom{285, 235, 30.5, 30.5};    // Shape1
    Marker room{0, 0, 600, 600};             // Shape2
    Marker bed{194, 209, 200, 90};           // Shape3
    Marker staffDoor{51, 586, 101, 23};      // Shape4
    Marker viewingWindow{266, 584, 189, 29}; // Shape5
    Marker patientEntrance{22, -7, 180, 20}; // Shape6
    Marker controlRoomLabel{252, 669};       // Label8
    QString controlRoomCaption = kControlRoomText;
    Marker freeTextLabel{640, 554}; // Label16
    QString freeTextCaption = kInitialFreeText;
    Element currentElement = Element::None;
    // The elements marked as not in the room.
    Module1::AbsentElements absent;

    // The marker of an element; nullptr for Element::None.
    Marker* markerOf(Element element);
    const Marker* markerOf(Element element) const;
};

// Whether an element may be marked absent: all but the room, the phantom
// centre and the bed, by which the map is laid out.
bool canBeAbsent(Element element);
bool isAbsent(const LayoutPlan& plan, Element element);
// Marks an element absent or back in the room; false, changing nothing, for
// an element that cannot be absent.
bool setAbsent(LayoutPlan& plan, Element element, bool absent);
ElementState stateOf(const LayoutPlan& plan, Element element);

// An element button: makes the element active and takes it back into the room
// when it was marked absent.
void selectElement(LayoutPlan& plan, Element element);

// Places the active element for a mouse button pressed at (x, y) in the plan.
void place(LayoutPlan& plan, MouseButton button, double x, double y);

// "削 除": marks the active element absent; it stays active and its geometry
// is kept. False when no element is active or it cannot be absent.
bool deleteCurrent(LayoutPlan& plan);

// Accepts a free text from the input box: it becomes the caption of the free
// text label, which is made active. An empty text changes nothing and returns
// false.
bool acceptFreeText(LayoutPlan& plan, const QString& text);

// "設定終了": the record from the markers, placed or not, with the absent
// marks.
Module1::RoomLayout capture(const LayoutPlan& plan);

// Sets every marker, both captions and the absent marks from a record (a
// loaded layout file); every marker counts as placed.
void applyLayout(LayoutPlan& plan, const Module1::RoomLayout& layout);

// Cursor read-out in metres ("0.0"); both empty outside the plan.
struct Readout {
    QString x;
    QString y;
};
Readout cursorReadout(double x, double y);

// The lines an element button prints in the instruction panel, one per print.
QStringList instructionLines(Element element);

} // namespace layout
