#include "logic/OverlayGeometry.h"

namespace overlay {

UserScale roomScale(double roomWidth, double roomHeight) {
    if (roomWidth > roomHeight) {
        const double side = 1.2 * roomWidth;
        return {-0.1 * roomWidth, (roomHeight - side) / 2, side, side};
    }
    const double side = 1.2 * roomHeight;
    return {(roomWidth - side) / 2, -0.1 * roomHeight, side, side};
}

int bedOrientation(double bedWidth, double bedHeight) {
    return bedWidth > bedHeight ? 1 : 2;
}

UserScale phantomScale(const UserScale& room, double roomWidth, double roomHeight, double cx,
                       double cy) {
    UserScale scale = room;
    scale.left = -(cx + (room.width - roomWidth) / 2);
    scale.top = -(cy + (room.height - roomHeight) / 2);
    return scale;
}

Box bedFigure(const Module1::RoomLayout& room, int bodyPosition, int orientation) {
    const double bl = room.bedLeft;
    const double bt = room.bedTop;
    const double bw = room.bedWidth;
    const double bh = room.bedHeight;
    if (bodyPosition == 1)
        return {bl, bt, bl + bw, bt + bh};
    const double cx = room.phantomX;
    const double cy = room.phantomY;
    if (orientation == 1)
        return {cx - 11, bt, cx - 9, bt + bh};
    return {bl, cy + 9, bl + bw, cy + 11};
}

std::vector<Box> openings(const Module1::RoomLayout& room) {
    std::vector<Box> boxes;
    auto add = [&boxes](bool absent, double left, double top, double width, double height) {
        if (!absent)
            boxes.push_back({left, top, left + width, top + height});
    };
    add(room.absent.viewingWindow, room.windowLeft, room.windowTop, room.windowWidth,
        room.windowHeight);
    add(room.absent.staffDoor, room.staffDoorLeft, room.staffDoorTop, room.staffDoorWidth,
        room.staffDoorHeight);
    add(room.absent.patientEntrance, room.entranceLeft, room.entranceTop, room.entranceWidth,
        room.entranceHeight);
    return boxes;
}

std::vector<PlacedText> roomTexts(const Module1::RoomLayout& room) {
    std::vector<PlacedText> texts;
    if (!room.absent.controlRoomText)
        texts.push_back({room.controlRoomText, room.controlRoomX, room.controlRoomY});
    if (!room.freeText.isEmpty() && !room.absent.freeText)
        texts.push_back({room.freeText, room.freeTextX, room.freeTextY});
    return texts;
}

std::vector<Segment> gridLines(int orientation, bool bothSides) {
    std::vector<Segment> lines;
    if (orientation == 1) {
        for (int u = -400; u <= 400; u += 100)
            lines.push_back({double(u), 0, double(u), 500});
        for (int v = 0; v <= 400; v += 100)
            lines.push_back({-400, double(v), 400, double(v)});
    } else {
        for (int u = 0; u <= 400; u += 100)
            lines.push_back({double(u), -400, double(u), 400});
        for (int v = -400; v <= 400; v += 100)
            lines.push_back({0, double(v), 400, double(v)});
    }
    if (bothSides) {
        const std::size_t oneSide = lines.size();
        for (std::size_t k = 0; k < oneSide; ++k) {
            const Segment s = lines[k];
            const MapPoint a = mirrored({s.x1, s.y1}, orientation);
            const MapPoint b = mirrored({s.x2, s.y2}, orientation);
            lines.push_back({a.u, a.v, b.u, b.v});
        }
    }
    return lines;
}

std::array<Box, 3> whiteMasks(const Module1::RoomLayout& room, int orientation) {
    const double W = room.roomWidth;
    const double H = room.roomHeight;
    const double cx = room.phantomX;
    const double cy = room.phantomY;
    if (orientation == 1)
        return {Box{-500, -1, 5 - cx, 500}, Box{W - cx - 5, -1, 500, 500},
                Box{-500, H - cy - 5, 500, 500}};
    return {Box{W - cx - 5, -500, 500, 500}, Box{0, 5 - cy, 500, -500},
            Box{0, H - cy - 5, 500, 500}};
}

std::array<Box, 3> otherSideMasks(const Module1::RoomLayout& room, int orientation) {
    const double W = room.roomWidth;
    const double H = room.roomHeight;
    const double cx = room.phantomX;
    const double cy = room.phantomY;
    if (orientation == 1)
        return {Box{-500, 1, 5 - cx, -500}, Box{W - cx - 5, 1, 500, -500},
                Box{-500, 5 - cy, 500, -500}};
    return {Box{5 - cx, -500, -500, 500}, Box{0, 5 - cy, -500, -500},
            Box{0, H - cy - 5, -500, 500}};
}

} // namespace overlay
