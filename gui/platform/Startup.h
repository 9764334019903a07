// What the window program settles before its first window: that a screen can
// be opened at all, and that Qt's own dialogs speak Japanese.
#pragma once

#include <QString>

class QCoreApplication;

namespace platform {

// The words of a window program that has no display to open its windows on:
// that a display is needed, and the scatter-map command that makes the map
// without one, run from `workFolder` (where scatter-map lies beside the window
// program). `cause` (may be empty) is put first. scripts/run.sh says the same
// words before it would start the program.
QString noDisplayText(const QString& workFolder, const QString& cause = {});

// `folder` as a shell word that can be pasted: as it stands when it holds
// nothing a shell would read otherwise, else in single quotes.
QString shellWord(const QString& folder);

// The folder of the running program (scatter-map and the data lie beside it).
QString programFolder();

// Lives while the application object is being made. When Qt finds no screen
// it can open (no display set, or one that cannot be reached), its platform
// plugin stops the program with a fatal message and an abort, a core dump.
// While a guard lives, that fatal message ends the program instead with
// noDisplayText() on the error stream and status 1. Qt's warnings meanwhile
// are held back and passed on when the guard ends, so that a failed start
// shows only the words that help.
class ScreenStartGuard {
public:
    ScreenStartGuard();
    ~ScreenStartGuard();
    ScreenStartGuard(const ScreenStartGuard&) = delete;
    ScreenStartGuard& operator=(const ScreenStartGuard&) = delete;
};

// Loads Qt's own Japanese texts (standard buttons, file, print and message
// dialogs) from Qt's translations folder into `app`; false, with the folder
// searched in `searched`, when they are not installed.
bool loadJapaneseQtTexts(QCoreApplication& app, QString* searched = nullptr);

} // namespace platform
