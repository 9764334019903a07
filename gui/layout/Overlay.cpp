#include "layout/Overlay.h"

#include "Windows.h"
#include "layout/Form6.h"
#include "logic/NumberText.h"
#include "logic/OverlayPainting.h"
#include "logic/RoomLayout.h"
#include "platform/Platform.h"
#include "results/Form1.h"
#include "results/PictureBox.h"
#include "setup/Module1.h"

#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

namespace Module1 {

namespace {
bool running = false;
}

bool layoutOverlayRunning() {
    return running;
}

void DrawLayoutOverlay() {
    if (running)
        return;
    Form6& form = Windows::form6();
    QImage picture = overlay::blankPicture();
    if (!roomLayout || std::max(roomLayout->roomWidth, roomLayout->roomHeight) <= 0) {
        form.Picture1->setImage(std::move(picture));
        return;
    }
    running = true;
    struct Finish {
        ~Finish() { running = false; }
    } finish;

    // The drawing lets window events run after each row, so it keeps its own copy
    // of what it reads: a load in the viewer meanwhile does not change it halfway.
    // A viewer that holds no load of its chosen file has no map to give: the
    // room is drawn without one rather than with an earlier file's map.
    const Form1& viewer = Windows::form1();
    const int generation = viewer.resultGeneration();
    overlay::OverlayInputs inputs;
    inputs.room = *roomLayout;
    inputs.bodyPosition = viewer.bodyPosition;
    inputs.focusSkinDistance = viewer.focusSkinDistance;
    results::DoseGrid grid;
    std::optional<std::vector<bool>> hatched;
    if (viewer.gridsLoaded) {
        grid = viewer.Option1->isChecked() ? viewer.kermaGrid : viewer.doseEquivalentGrid;
        inputs.grid = &grid;
        hatched = viewer.hatchedCells();
        if (hatched)
            inputs.hatched = &*hatched;
    }
    const auto fields = viewer.thresholdFields();
    for (std::size_t k = 0; k < fields.size(); ++k)
        inputs.thresholds[k] = numbertext::fieldNumber(fields[k]->text());

    bedOrientation = overlay::paintOverlay(
        picture, inputs, [](int) { platform::services().events->processEvents(); },
        form.Picture1->font());
    // Another file chosen meanwhile: this drawing shows a result the viewer
    // has let go, and the picture stays as the viewer cleared it.
    if (Windows::form1().resultGeneration() != generation)
        return;
    // Form6 may have been closed meanwhile; it only hides, so its picture is there.
    Windows::form6().Picture1->setImage(std::move(picture));
}

} // namespace Module1
