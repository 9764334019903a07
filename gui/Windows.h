// The six windows of the program. Each is created the first time it is asked
// for and lives as long as the program; its own buttons hide it.
#pragma once

#include "logic/ShownMap.h"

#include <functional>

class DoseSettings;
class RoomPoints;
class Form1;
class Form2;
class Form3;
class Form4;
class Form5;
class Form6;

namespace Windows {

Form1& form1(); // results viewer
Form2& form2(); // conditions window, the home window
Form3& form3(); // measured-value correction
Form4& form4(); // notice that a corrected file was saved
Form5& form5(); // room layout editor
Form6& form6(); // dose map over the room layout

// True once the window has been created, so that the viewer can clear what
// another window shows without creating it.
bool form3Exists();
bool form6Exists();

// What one window asks of another. The windows reach each other through these
// (defined in Windows.cpp, the one place that knows every window), so that the
// viewer, the conditions window and the layout editor do not include each
// other's headers.
void showViewer();       // the conditions window's results button: a fresh viewer
void showHome();         // the viewer is left: the conditions window again
void openLayoutEditor(); // the viewer's "部屋レイアウトに重ねる"
// What the layout editor draws over the room: the viewer's map as it is shown,
// and whether the viewer still holds it while the drawing lets events run.
results::ShownMap viewerMap();
std::function<bool()> viewerStillShowing();

// The workload, period and reference levels that the viewer, the room overlay
// and their pages show: one for the program.
DoseSettings& doseSettings();

// The named points of the room layout in use and the file they are kept
// beside: placed in the overlay window, loaded and saved with the layout by
// the editor.
RoomPoints& roomPoints();

namespace detail {

// The one slot of a window class; empty until the window is first asked for.
template <class Form> Form*& slot() {
    static Form* form = nullptr;
    return form;
}

// The window, created the first time it is asked for. Include the window's own
// header before using this.
template <class Form> Form& createdOnFirstUse() {
    Form*& form = slot<Form>();
    if (!form)
        form = new Form;
    return *form;
}

} // namespace detail

} // namespace Windows
