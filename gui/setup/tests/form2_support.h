// Shared by the conditions-window tests: the application object, stand-ins for
// the platform services and a temporary working folder with the data files.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace form2test {

inline QApplication& application() {
    static int argc = 1;
    static char name[] = "form2_tests";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

struct ShownMessage {
    QString text;
    platform::MessageIcon icon;
};

class RecordingMessages final : public platform::MessageBoxes {
public:
    std::vector<ShownMessage> shown;
    platform::MessageResult show(QWidget*, const QString& text, const QString&,
                                 platform::MessageButtons, platform::MessageIcon icon) override {
        shown.push_back({text, icon});
        return platform::MessageResult::Ok;
    }
    bool input(QWidget*, const QString&, const QString&, const QString&, QString&) override {
        return false;
    }
};

class CountingBeeper final : public platform::Beeper {
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

// Records program starts; `buttonEnabled` tells whether a watched button was
// enabled at the moment of the start.
class RecordingLauncher final : public platform::ProgramLauncher {
public:
    QStringList started;
    QStringList folders;
    bool succeed = true;
    QString missing;
    std::function<void()> onStart;
    bool startInConsole(const QString& program, const QString& workDir, QString& error) override {
        if (onStart)
            onStart();
        started << program;
        folders << workDir;
        if (!succeed)
            error = missing;
        return succeed;
    }
    bool startHidden(const QString& program, const QString&, std::function<void(bool)>,
                     QString&) override {
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

inline const char* const kDataFiles[] = {"Tungsten.dat", "Aluminum.atc", "Copper.dat", "Air.eac",
                                         "sdec_default.op"};

// Puts the five data files of the spectrum model into `folder`: the supplied
// ones when they exist, otherwise small tables of the same layout.
inline void provideSpectrumData(const QString& folder) {
    QDir source(QStringLiteral(SOURCE_DIR "/data"));
    bool supplied = true;
    for (const char* name : kDataFiles)
        supplied = supplied && source.exists(QString::fromLatin1(name));
    if (supplied) {
        for (const char* name : kDataFiles) {
            QString n = QString::fromLatin1(name);
            QFile::copy(source.filePath(n), QDir(folder).filePath(n));
        }
        return;
    }
    auto write = [&](const char* name, const std::string& text) {
        QFile f(QDir(folder).filePath(QString::fromLatin1(name)));
        f.open(QIODevice::WriteOnly);
        f.write(text.data(), qint64(text.size()));
    };
    // Attenuation falling with energy; only the shape matters to these tests.
    auto material = [](double scale) {
        std::string text;
        for (int i = 1; i <= 300; ++i) {
            double e = 0.5 * i;
            text +=
                std::to_string(e) + " " + std::to_string(scale * 1000.0 / (e * e) + 0.2) + "\r\n";
        }
        return text;
    };
    write("Tungsten.dat", material(400));
    write("Aluminum.atc", material(3));
    write("Copper.dat", material(30));
    write("Air.eac", material(0.01));
    std::string survey = "survey of tube outputs\r\n";
    for (int v = 40; v <= 150; v += 10)
        survey += std::to_string(v) + " ";
    survey += "\r\n";
    for (int mode = 1; mode <= 3; ++mode) {
        for (int v = 40; v <= 150; v += 10)
            survey += std::to_string(v * 0.0005 / mode) + ",";
        survey += "\r\n2.5, 0\r\n";
    }
    write("sdec_default.op", survey);
}

} // namespace form2test
