#include "Windows.h"

#include "DoseSettings.h"
#include "RoomPoints.h"

#include "layout/Form5.h"
#include "layout/Form6.h"
#include "results/Form1.h"
#include "setup/Form2.h"

namespace Windows {

void showViewer() {
    Form1& viewer = form1();
    viewer.reset();
    viewer.show();
    // A picture window that was never opened is empty already.
    if (form6Exists())
        form6().reset();
}

void showHome() {
    form2().show();
}

void openLayoutEditor() {
    form5().open();
}

results::ShownMap viewerMap() {
    return form1().currentMap();
}

std::function<bool()> viewerStillShowing() {
    return form1().stillShowing();
}

DoseSettings& doseSettings() {
    static DoseSettings* settings = new DoseSettings;
    return *settings;
}

RoomPoints& roomPoints() {
    static RoomPoints* points = new RoomPoints;
    return *points;
}

} // namespace Windows
