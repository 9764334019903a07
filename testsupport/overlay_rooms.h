// The layout editor's default room for the overlay tests, without the window
// and the doors: room 600 x 600, bed 200 x 90 at (194, 209) along X, phantom
// centre (300, 250), the control-room text and the untouched free text.
#pragma once

#include "logic/RoomLayout.h"

#include <utility>

inline Module1::RoomLayout defaultRoom() {
    Module1::RoomLayout r;
    r.roomWidth = r.roomHeight = 600;
    r.bedWidth = 200;
    r.bedHeight = 90;
    r.bedTop = 209;
    r.bedLeft = 194;
    r.phantomX = 300;
    r.phantomY = 250;
    r.controlRoomText = QStringLiteral("操作室");
    r.freeText = QStringLiteral("任意文字列");
    r.freeTextX = 640;
    r.freeTextY = 554;
    return r;
}

// A 900 x 900 room, the phantom centre in its middle, the bed along X
// (orientation 1) or along Y (orientation 2).
inline Module1::RoomLayout squareRoomWithBed(int orientation) {
    Module1::RoomLayout r = defaultRoom();
    r.roomWidth = 900;
    r.roomHeight = 900;
    r.phantomX = 450;
    r.phantomY = 450;
    if (orientation == 2)
        std::swap(r.bedWidth, r.bedHeight);
    return r;
}
