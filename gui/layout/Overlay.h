// The dose map of the results viewer drawn over the room layout into the picture
// of the overlay window Form6.
#pragma once

#include "setup/Module1.h"

namespace Module1 {

// Orientation of the bed in the last overlay drawing: 1 along X (wider than
// high), 2 along Y.
inline int bedOrientation = 0;

// Draws the room layout, the phantom and beam sketch, the viewer's dose map (the
// air-kerma grid when the viewer's Option1 is selected, otherwise the
// dose-equivalent grid) banded by the viewer's threshold fields, the 100 cm grid
// and the white masks into Form6's Picture1, creating Form6 when needed; while
// the viewer holds no load of its chosen file the room is drawn without a map. Lets
// pending window events run after each map row; a call made meanwhile returns
// at once. Without a room layout, or with a room of no size, the picture is only
// cleared.
void DrawLayoutOverlay();

// True while DrawLayoutOverlay runs.
bool layoutOverlayRunning();

} // namespace Module1
