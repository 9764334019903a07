#include "logic/LayoutPlan.h"

#include <textrec/textrec.h>

namespace layout {

Marker* LayoutPlan::markerOf(Element element) {
    return const_cast<Marker*>(std::as_const(*this).markerOf(element));
}

const Marker* LayoutPlan::markerOf(Element element) const {
    switch (element) {
    case Element::PhantomCentre:
        return &phantom;
    case Element::Room:
        return &room;
    case Element::Bed:
        return &bed;
    case Element::StaffDoor:
        return &staffDoor;
    case Element::ViewingWindow:
        return &viewingWindow;
    case Element::PatientEntrance:
        return &patientEntrance;
    case Element::ControlRoomText:
        return &controlRoomLabel;
    case Element::FreeText:
        return &freeTextLabel;
    case Element::None:
        break;
    }
    return nullptr;
}

double toPixel(double planValue) {
    return kPictureBorder + (planValue - kPlanMin) * kPixelsPerUnit;
}

double toPlan(double pixel) {
    return kPlanMin + (pixel - kPictureBorder) / kPixelsPerUnit;
}

QString elementName(Element element) {
    switch (element) {
    case Element::Room:
        return QStringLiteral("室の大きさ");
    case Element::PhantomCentre:
        return QStringLiteral("被射体中心");
    case Element::Bed:
        return QStringLiteral("ベッド");
    case Element::StaffDoor:
        return QStringLiteral("職員出入扉");
    case Element::ViewingWindow:
        return QStringLiteral("覗き窓");
    case Element::PatientEntrance:
        return QStringLiteral("患者出入口");
    case Element::ControlRoomText:
        return QStringLiteral("「操作室」");
    case Element::FreeText:
        return QStringLiteral("任意文字列");
    case Element::None:
        break;
    }
    return {};
}

namespace {

// The flag of an element in the absent marks; nullptr for one that is always
// drawn.
template <typename Absent>
auto absentFlag(Absent& absent, Element element) -> decltype(&absent.viewingWindow) {
    switch (element) {
    case Element::ViewingWindow:
        return &absent.viewingWindow;
    case Element::StaffDoor:
        return &absent.staffDoor;
    case Element::PatientEntrance:
        return &absent.patientEntrance;
    case Element::ControlRoomText:
        return &absent.controlRoomText;
    case Element::FreeText:
        return &absent.freeText;
    default:
        return nullptr;
    }
}

} // namespace

bool canBeAbsent(Element element) {
    const Module1::AbsentElements none;
    return absentFlag(none, element) != nullptr;
}

bool isAbsent(const LayoutPlan& plan, Element element) {
    const bool* flag = absentFlag(plan.absent, element);
    return flag && *flag;
}

bool setAbsent(LayoutPlan& plan, Element element, bool absent) {
    bool* flag = absentFlag(plan.absent, element);
    if (!flag)
        return false;
    *flag = absent;
    return true;
}

ElementState stateOf(const LayoutPlan& plan, Element element) {
    if (isAbsent(plan, element))
        return ElementState::Absent;
    const Marker* marker = plan.markerOf(element);
    return marker && marker->placed ? ElementState::Placed : ElementState::NotPlaced;
}

void selectElement(LayoutPlan& plan, Element element) {
    plan.currentElement = element;
    setAbsent(plan, element, false);
}

namespace {

// Moves the lower-right corner to (right, bottom); a dimension that would not
// stay positive is left as it is.
void stretchTo(Marker& marker, double right, double bottom) {
    double width = right - marker.left;
    double height = bottom - marker.top;
    if (width > 0)
        marker.width = width;
    if (height > 0)
        marker.height = height;
}

void moveTo(Marker& marker, double left, double top) {
    marker.left = left;
    marker.top = top;
}

} // namespace

void place(LayoutPlan& plan, MouseButton button, double x, double y) {
    if (Marker* marker = plan.markerOf(plan.currentElement))
        marker->placed = true;
    switch (plan.currentElement) {
    case Element::None:
        return;
    case Element::PhantomCentre:
        moveTo(plan.phantom, x - kPhantomMarkerOffset, y - kPhantomMarkerOffset);
        return;
    case Element::Room:
        // The room's top-left corner is fixed; its lower-right corner follows.
        stretchTo(plan.room, x + kRoomClickMargin, y + kRoomClickMargin);
        return;
    case Element::Bed:
    case Element::StaffDoor:
    case Element::ViewingWindow:
    case Element::PatientEntrance: {
        Marker& marker = *plan.markerOf(plan.currentElement);
        if (button == MouseButton::Left)
            moveTo(marker, x, y);
        else
            stretchTo(marker, x, y);
        return;
    }
    case Element::ControlRoomText:
        moveTo(plan.controlRoomLabel, x, y);
        return;
    case Element::FreeText:
        moveTo(plan.freeTextLabel, x, y);
        return;
    }
}

bool deleteCurrent(LayoutPlan& plan) {
    return setAbsent(plan, plan.currentElement, true);
}

bool acceptFreeText(LayoutPlan& plan, const QString& text) {
    if (text.isEmpty())
        return false;
    plan.freeTextCaption = text;
    selectElement(plan, Element::FreeText);
    return true;
}

Module1::RoomLayout capture(const LayoutPlan& plan) {
    auto f = [](double v) { return static_cast<float>(v); };
    Module1::RoomLayout r;
    r.roomWidth = f(plan.room.width);
    r.roomHeight = f(plan.room.height);
    r.roomTop = 0;
    r.roomLeft = 0;
    r.bedWidth = f(plan.bed.width);
    r.bedHeight = f(plan.bed.height);
    r.bedTop = f(plan.bed.top);
    r.bedLeft = f(plan.bed.left);
    r.phantomX = f(plan.phantom.left + kPhantomMarkerOffset);
    r.phantomY = f(plan.phantom.top + kPhantomMarkerOffset);
    r.windowWidth = f(plan.viewingWindow.width);
    r.windowHeight = f(plan.viewingWindow.height);
    r.windowLeft = f(plan.viewingWindow.left);
    r.windowTop = f(plan.viewingWindow.top);
    r.staffDoorWidth = f(plan.staffDoor.width);
    r.staffDoorHeight = f(plan.staffDoor.height);
    r.staffDoorLeft = f(plan.staffDoor.left);
    r.staffDoorTop = f(plan.staffDoor.top);
    r.entranceWidth = f(plan.patientEntrance.width);
    r.entranceHeight = f(plan.patientEntrance.height);
    r.entranceLeft = f(plan.patientEntrance.left);
    r.entranceTop = f(plan.patientEntrance.top);
    // The control-room text is always stored as written by the editor, whatever
    // a loaded file showed in the label.
    r.controlRoomText = kControlRoomText;
    r.controlRoomX = f(plan.controlRoomLabel.left);
    r.controlRoomY = f(plan.controlRoomLabel.top);
    r.freeText = plan.freeTextCaption;
    r.freeTextX = f(plan.freeTextLabel.left);
    r.freeTextY = f(plan.freeTextLabel.top);
    r.absent = plan.absent;
    return r;
}

void applyLayout(LayoutPlan& plan, const Module1::RoomLayout& r) {
    plan.room = {static_cast<double>(r.roomLeft), static_cast<double>(r.roomTop), r.roomWidth,
                 r.roomHeight, true};
    plan.bed = {r.bedLeft, r.bedTop, r.bedWidth, r.bedHeight, true};
    plan.phantom.left = r.phantomX - kPhantomMarkerOffset;
    plan.phantom.top = r.phantomY - kPhantomMarkerOffset;
    plan.phantom.placed = true;
    plan.viewingWindow = {r.windowLeft, r.windowTop, r.windowWidth, r.windowHeight, true};
    plan.staffDoor = {r.staffDoorLeft, r.staffDoorTop, r.staffDoorWidth, r.staffDoorHeight, true};
    plan.patientEntrance = {r.entranceLeft, r.entranceTop, r.entranceWidth, r.entranceHeight, true};
    plan.controlRoomCaption = r.controlRoomText;
    plan.controlRoomLabel = {r.controlRoomX, r.controlRoomY, 0, 0, true};
    plan.freeTextCaption = r.freeText;
    plan.freeTextLabel = {r.freeTextX, r.freeTextY, 0, 0, true};
    plan.absent = r.absent;
}

Readout cursorReadout(double x, double y) {
    if (x < kPlanMin || x > kPlanMax || y < kPlanMin || y > kPlanMax)
        return {};
    return {QString::fromStdString(textrec::formatMask(x * 0.01, "0.0")),
            QString::fromStdString(textrec::formatMask(y * 0.01, "0.0"))};
}

QStringList instructionLines(Element element) {
    switch (element) {
    case Element::PhantomCentre:
        return {QStringLiteral("被射体中心"), QString(), QStringLiteral("被射体中心位置を"),
                QStringLiteral("　クリックで設定する")};
    case Element::Room:
        return {QStringLiteral("室の大きさ"), QString(), QStringLiteral("部屋の右下位置を"),
                QStringLiteral("クリックして設定する")};
    case Element::Bed:
        return {QStringLiteral("ベッド位置"), QString(),
                QStringLiteral("ベッドの左上端を左クリックで"),
                QStringLiteral("右下端を右クリックで設定する")};
    case Element::StaffDoor:
        return {QStringLiteral("職員出入扉の位置"), QString(),
                QStringLiteral("左クリックで扉位置の左上端を"),
                QStringLiteral("右クリックで右下端を設定する")};
    case Element::ViewingWindow:
        return {QStringLiteral("覗き窓"), QString(), QStringLiteral("左クリックで覗き窓の左上端を"),
                QStringLiteral("右クリック右下端をで設定する")};
    case Element::PatientEntrance:
        return {QStringLiteral("患者出入口の位置"), QString(),
                QStringLiteral("左クリックで出入口の左上端を"),
                QStringLiteral("右クリックで右下端を設定する")};
    case Element::ControlRoomText:
        return {QStringLiteral("「操作室」の位置"), QString(),
                QStringLiteral("文字列の位置をクリックで設定する")};
    case Element::FreeText:
        return {QStringLiteral("任意文字列"), QString(),
                QStringLiteral("文字列の位置をクリックで設定")};
    case Element::None:
        break;
    }
    return {};
}

} // namespace layout
