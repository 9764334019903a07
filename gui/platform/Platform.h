// What only a desktop platform provides, each behind one small interface so that
// tests can stand in for it: message boxes and the input box, the beep, starting
// programs, deleting files, letting pending window events run, ending the
// program, and the file and print dialogs.
//
// The window program reaches them through platform::services(); tests install
// their own stand-ins with platform::setServices().
#pragma once

#include <QString>
#include <functional>

class QPrinter;
class QWidget;

namespace platform {

enum class MessageIcon { None, Exclamation };
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Modal message box over `parent`. Yes/No boxes answer No when closed
    // otherwise, so that a question about replacing a file never defaults to yes.
    virtual MessageResult show(QWidget* parent, const QString& text, const QString& title,
                               MessageButtons buttons, MessageIcon icon) = 0;
    // Modal input box; returns false when the user cancels.
    virtual bool input(QWidget* parent, const QString& prompt, const QString& title,
                       const QString& defaultText, QString& text) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // Starts `program` (a platform file name, see ProgramNames.h) in its own
    // console window that takes the focus, titled `title`, with `workDir` as its
    // current folder, without waiting. The console shows Japanese text, and when
    // the program ends with a non-zero status it stays open until Enter, so that
    // the user can read why. The program keeps running when the window program
    // ends. Returns false and fills `error` with what is missing when it cannot
    // start.
    virtual bool startInConsole(const QString& program, const QString& workDir,
                                const QString& title, QString& error) = 0;
    // What a hidden program wrote to its error stream, and whether it ended
    // normally with exit status 0.
    using HiddenFinish = std::function<void(bool succeeded, const QString& errorText)>;
    // Starts `program` hidden in `workDir` without waiting. `onFinished` (may be
    // empty) is called on the window thread when it ends.
    virtual bool startHidden(const QString& program, const QString& workDir,
                             HiddenFinish onFinished, QString& error) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Deletes a file of the working folder; a missing file is not an error.
    virtual bool remove(const QString& path) = 0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Lets pending window events run.
    virtual void processEvents() = 0;
};

class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    // Ends the window program: its event loop returns and main() ends. Programs
    // it started keep running.
    virtual void endProgram() = 0;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Asks where to save a file, offering `suggested` (a path) and `filters`
    // ("PNG 画像 (*.png);;PDF (*.pdf)"); a name typed without an extension
    // takes the chosen filter's. Asks before replacing a file. Returns the
    // path, or an empty text when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                 const QString& filters) = 0;
};

class PrintDialogs {
public:
    virtual ~PrintDialogs() = default;
    // Lets the user choose the printer and its settings for `printer`; false
    // when the user cancels.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
};

struct Services {
    MessageBoxes* messages = nullptr;
    Beeper* beeper = nullptr;
    ProgramLauncher* launcher = nullptr;
    FileSystem* files = nullptr;
    EventPump* events = nullptr;
    ProgramEnd* ending = nullptr;
    FileDialogs* fileDialogs = nullptr;
    PrintDialogs* printDialogs = nullptr;
};

// The services in use: the desktop ones unless a test installed others.
Services& services();
// Replaces the services in use (tests); entries left null keep the desktop ones.
void setServices(const Services& replacement);
// Back to the desktop services.
void resetServices();

// The program's warning: an OK message box with the exclamation icon over
// `parent`, titled with the program name.
void warn(QWidget* parent, const QString& text);

// The working folder that the programs share: the window program's current
// folder.
QString workFolder();

} // namespace platform
