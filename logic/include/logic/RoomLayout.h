// The room layout record: the geometry of the room and its fittings in cm, in
// the plan whose origin is the room's top-left inner corner (X to the right,
// Y downwards). Filled by the layout editor's "設定終了" or by loading a layout
// file, stored in the ".Room" files and drawn under the dose map.
#pragma once

#include <QString>

namespace Module1 {

// The elements of a layout that the user has marked as not in the room: they
// stay in the ".Room" file (every element has its lines there), but the
// overlay and its pages leave them out. The room, the phantom centre and the
// bed are always drawn: the map is laid out by them.
struct AbsentElements {
    bool viewingWindow = false;
    bool staffDoor = false;
    bool patientEntrance = false;
    bool controlRoomText = false;
    bool freeText = false;

    bool any() const {
        return viewingWindow || staffDoor || patientEntrance || controlRoomText || freeText;
    }
    bool operator==(const AbsentElements&) const = default;
};

// Fields in the order the layout file stores them (one line each). The bed
// keeps top before left, the window and the doors left before top.
struct RoomLayout {
    float roomWidth = 0;       // 1
    float roomHeight = 0;      // 2
    int roomTop = 0;           // 3, always 0
    int roomLeft = 0;          // 4, always 0
    float bedWidth = 0;        // 5
    float bedHeight = 0;       // 6
    float bedTop = 0;          // 7
    float bedLeft = 0;         // 8
    float phantomX = 0;        // 9, phantom centre
    float phantomY = 0;        // 10
    float windowWidth = 0;     // 11, viewing window
    float windowHeight = 0;    // 12
    float windowLeft = 0;      // 13
    float windowTop = 0;       // 14
    float staffDoorWidth = 0;  // 15
    float staffDoorHeight = 0; // 16
    float staffDoorLeft = 0;   // 17
    float staffDoorTop = 0;    // 18
    float entranceWidth = 0;   // 19, patient entrance
    float entranceHeight = 0;  // 20
    float entranceLeft = 0;    // 21
    float entranceTop = 0;     // 22
    QString controlRoomText;   // 23, "操作室" as the editor captures it
    float controlRoomX = 0;    // 24, top-left corner of the text
    float controlRoomY = 0;    // 25
    QString freeText;          // 26, may be empty
    float freeTextX = 0;       // 27
    float freeTextY = 0;       // 28
    // Not a line of the file: kept beside it (roomfile::absentMarksPath).
    AbsentElements absent;

    bool operator==(const RoomLayout&) const = default;
};

} // namespace Module1
