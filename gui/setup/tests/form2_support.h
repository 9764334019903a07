// Shared by the conditions-window tests: the application object, stand-ins for
// the platform services and a temporary working folder with the data files.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <vector>

#include "RecordingMessages.h"
#include "TestApplication.h"
#include "platform/Platform.h"

namespace form2test {

using testsupport::application;

using testsupport::RecordingMessages;

class CountingBeeper final : public platform::Beeper {
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

// Records program starts; `onStart` runs at the moment of a start.
class RecordingLauncher final : public platform::ProgramLauncher {
public:
    QStringList started;
    QStringList folders;
    QStringList titles;
    bool succeed = true;
    QString missing;
    std::function<void()> onStart;
    bool startInConsole(const QString& program, const QString& workDir, const QString& title,
                        QString& error) override {
        if (onStart)
            onStart();
        started << program;
        folders << workDir;
        titles << title;
        if (!succeed)
            error = missing;
        return succeed;
    }
    bool startHidden(const QString& program, const QString&, HiddenFinish, QString&) override {
        started << program;
        return succeed;
    }
};

class CountingEvents final : public platform::EventPump {
public:
    int pumps = 0;
    void processEvents() override { ++pumps; }
};

class CountingEnd final : public platform::ProgramEnd {
public:
    int ends = 0;
    void endProgram() override { ++ends; }
};

// Installs the stand-ins (files stay the desktop ones, over the temporary
// folder) and makes a fresh working folder the current folder.
class Stage {
public:
    RecordingMessages messages;
    CountingBeeper beeper;
    RecordingLauncher launcher;
    CountingEvents events;
    CountingEnd ending;
    QTemporaryDir folder;
    QString previous = QDir::currentPath();

    Stage() {
        application();
        platform::setServices({&messages, &beeper, &launcher, nullptr, &events, &ending});
        QDir::setCurrent(folder.path());
    }
    ~Stage() {
        QDir::setCurrent(previous);
        platform::resetServices();
    }
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

    QString path(const QString& name) const { return folder.filePath(name); }
    bool exists(const QString& name) const { return QFile::exists(path(name)); }
    void touch(const QString& name) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write("x\r\n");
    }
    QStringList messageTexts() const {
        QStringList texts;
        for (const auto& m : messages.shown)
            texts << m.text;
        return texts;
    }
};

// Copies the five data files of the spectrum model into `folder`.
inline void provideSpectrumData(const QString& folder) {
    QDir source(QStringLiteral(SOURCE_DIR "/data"));
    for (const char* name :
         {"Tungsten.dat", "Aluminum.atc", "Copper.dat", "Air.eac", "sdec_default.op"}) {
        QString n = QString::fromLatin1(name);
        QFile::copy(source.filePath(n), QDir(folder).filePath(n));
    }
}

} // namespace form2test
