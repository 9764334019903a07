// A dose map drawn over the room layout in use into a picture (that of the
// overlay window Form6).
#pragma once

#include "logic/ShownMap.h"
#include "setup/Module1.h"

#include <functional>

class PictureBox;

namespace Module1 {

// Orientation of the bed in the last overlay drawing: 1 along X (wider than
// high), 2 along Y.
inline int bedOrientation = 0;

// Draws the room layout, the phantom and beam sketch, `map` (its grid banded by
// its thresholds; the room alone when the map has no grid), the 100 cm grid and
// the white masks into `picture`; with `bothSides` the map also mirrored on the
// other side of the phantom. Lets pending window events run after each map
// row; a call made meanwhile returns at once. When `stillShown` (if given) says
// at the end that the map's result has been let go meanwhile, the picture is
// left as it is. Without a room layout, or with a room of no size, the picture
// is only cleared. Returns true when the picture shows this drawing.
bool DrawLayoutOverlay(PictureBox& picture, const results::ShownMap& map,
                       const std::function<bool()>& stillShown = {}, bool bothSides = false);

// True while DrawLayoutOverlay runs.
bool layoutOverlayRunning();

} // namespace Module1
