#include "layout/Overlay.h"

#include "logic/OverlayPainting.h"
#include "logic/RoomLayout.h"
#include "platform/Platform.h"
#include "results/PictureBox.h"

#include <algorithm>

namespace Module1 {

namespace {
bool running = false;
}

bool layoutOverlayRunning() {
    return running;
}

bool DrawLayoutOverlay(PictureBox& target, const results::ShownMap& map,
                       const std::function<bool()>& stillShown, bool bothSides) {
    if (running)
        return false;
    QImage picture = overlay::blankPicture();
    if (!roomLayout || std::max(roomLayout->roomWidth, roomLayout->roomHeight) <= 0) {
        target.setImage(std::move(picture));
        return false;
    }
    running = true;
    struct Finish {
        ~Finish() { running = false; }
    } finish;

    // The drawing lets window events run after each row; the map is the
    // caller's copy, so a load in the viewer meanwhile does not change it
    // halfway. A map without a grid gives the room without a map rather than
    // an earlier file's map.
    overlay::OverlayInputs inputs;
    inputs.room = *roomLayout;
    inputs.bodyPosition = map.bodyPosition;
    inputs.focusSkinDistance = map.focusSkinDistance;
    // The shown thresholds band the grid per minute, as it is held.
    inputs.thresholds = results::bandingThresholds(map);
    inputs.bothSides = bothSides;
    if (map.grid) {
        inputs.grid = &*map.grid;
        if (map.hatched)
            inputs.hatched = &*map.hatched;
        inputs.limitLines = &map.limitLines;
    }

    bedOrientation = overlay::paintOverlay(
        picture, inputs, [](int) { platform::services().events->processEvents(); }, target.font());
    // Another file chosen meanwhile: this drawing shows a result the viewer
    // has let go, and the picture stays as the viewer cleared it.
    if (stillShown && !stillShown())
        return false;
    // The picture's window may have been closed meanwhile; it only hides, so
    // the picture is there.
    target.setImage(std::move(picture));
    return true;
}

} // namespace Module1
