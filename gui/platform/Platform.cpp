#include "platform/Platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

class DesktopMessageBoxes final : public MessageBoxes {
public:
    MessageResult show(QWidget* parent, const QString& text, const QString& title,
                       MessageButtons buttons, MessageIcon icon) override {
        QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                         : QMessageBox::NoIcon,
                        title, text,
                        buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                            : QMessageBox::Ok,
                        parent);
        return box.exec() == QMessageBox::Ok ? MessageResult::Ok : MessageResult::Cancel;
    }

    bool input(QWidget* parent, const QString& prompt, const QString& title,
               const QString& defaultText, QString& text) override {
        bool ok = false;
        QString value =
            QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
        if (ok)
            text = value;
        return ok;
    }
};

class DesktopBeeper final : public Beeper {
public:
    void beep() override { QApplication::beep(); }
};

// Finds a program in the working folder first, then beside the window program.
QString locateProgram(const QString& program, const QString& workDir) {
    QFileInfo inWork(QDir(workDir).filePath(program));
    if (inWork.isFile() && inWork.isExecutable())
        return inWork.absoluteFilePath();
    QFileInfo besideUs(QDir(QCoreApplication::applicationDirPath()).filePath(program));
    if (besideUs.isFile() && besideUs.isExecutable())
        return besideUs.absoluteFilePath();
    return {};
}

// What is missing when a program is in neither place it is looked for.
QString notFoundIn(const QString& program, const QString& workDir) {
    return QStringLiteral("%1 (%2, %3)")
        .arg(program, QDir(workDir).absolutePath(), QCoreApplication::applicationDirPath());
}

class DesktopLauncher final : public ProgramLauncher {
public:
    bool startInConsole(const QString& program, const QString& workDir, QString& error) override {
        QString path = locateProgram(program, workDir);
        if (path.isEmpty()) {
            error = notFoundIn(program, workDir);
            return false;
        }
#ifdef _WIN32
        if (!QProcess::startDetached(path, {}, workDir)) {
            error = program;
            return false;
        }
        return true;
#else
        QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        if (terminal.isEmpty())
            terminal = QStandardPaths::findExecutable(QStringLiteral("xterm"));
        if (terminal.isEmpty()) {
            error = QStringLiteral("x-terminal-emulator / xterm");
            return false;
        }
        // A terminal closes with its program. An engine that refuses its input
        // stops at once, so keep the window open until the user has read why.
        const QString keepOpenOnFailure = QStringLiteral(
            "\"$0\"; status=$?; if [ \"$status\" -ne 0 ]; then echo; "
            "echo '  ---     Enter キーを押して下さい   ---'; read answer; fi; exit \"$status\"");
        if (!QProcess::startDetached(terminal,
                                     {QStringLiteral("-e"), QStringLiteral("/bin/sh"),
                                      QStringLiteral("-c"), keepOpenOnFailure, path},
                                     workDir)) {
            error = terminal;
            return false;
        }
        return true;
#endif
    }

    bool startHidden(const QString& program, const QString& workDir,
                     std::function<void(bool)> onFinished, QString& error) override {
        QString path = locateProgram(program, workDir);
        if (path.isEmpty()) {
            error = notFoundIn(program, workDir);
            return false;
        }
        auto* process = new QProcess(qApp);
        process->setWorkingDirectory(workDir);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::finished, process,
                         [process, onFinished](int exitCode, QProcess::ExitStatus status) {
                             if (onFinished)
                                 onFinished(status == QProcess::NormalExit && exitCode == 0);
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, onFinished](QProcess::ProcessError e) {
                             if (e == QProcess::FailedToStart) {
                                 if (onFinished)
                                     onFinished(false);
                                 process->deleteLater();
                             }
                         });
        process->start(path, {});
        return true;
    }
};

class DesktopFileSystem final : public FileSystem {
public:
    bool remove(const QString& path) override {
        if (!QFile::exists(path))
            return true;
        return QFile::remove(path);
    }
};

class DesktopEventPump final : public EventPump {
public:
    void processEvents() override { QCoreApplication::processEvents(); }
};

class DesktopProgramEnd final : public ProgramEnd {
public:
    void endProgram() override { QCoreApplication::exit(0); }
};

Services desktopServices() {
    static DesktopMessageBoxes messages;
    static DesktopBeeper beeper;
    static DesktopLauncher launcher;
    static DesktopFileSystem files;
    static DesktopEventPump events;
    static DesktopProgramEnd ending;
    return Services{&messages, &beeper, &launcher, &files, &events, &ending};
}

Services& current() {
    static Services s = desktopServices();
    return s;
}

} // namespace

Services& services() {
    return current();
}

void setServices(const Services& replacement) {
    Services d = desktopServices();
    Services& s = current();
    s.messages = replacement.messages ? replacement.messages : d.messages;
    s.beeper = replacement.beeper ? replacement.beeper : d.beeper;
    s.launcher = replacement.launcher ? replacement.launcher : d.launcher;
    s.files = replacement.files ? replacement.files : d.files;
    s.events = replacement.events ? replacement.events : d.events;
    s.ending = replacement.ending ? replacement.ending : d.ending;
}

void resetServices() {
    current() = desktopServices();
}

void warn(QWidget* parent, const QString& text) {
    services().messages->show(parent, text, QStringLiteral("Dorvalis-3"), MessageButtons::Ok,
                              MessageIcon::Exclamation);
}

} // namespace platform
