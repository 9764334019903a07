#include "platform/Platform.h"

#include "logic/ProgramNames.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

namespace {

class DesktopMessageBoxes final : public MessageBoxes {
public:
    MessageResult show(QWidget* parent, const QString& text, const QString& title,
                       MessageButtons buttons, MessageIcon icon) override {
        QMessageBox::StandardButtons standard = QMessageBox::Ok;
        if (buttons == MessageButtons::OkCancel)
            standard = QMessageBox::Ok | QMessageBox::Cancel;
        else if (buttons == MessageButtons::YesNo)
            standard = QMessageBox::Yes | QMessageBox::No;
        QMessageBox box(icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                         : QMessageBox::NoIcon,
                        title, text, standard, parent);
        if (buttons == MessageButtons::YesNo)
            box.setDefaultButton(QMessageBox::No);
        switch (box.exec()) {
        case QMessageBox::Ok:
            return MessageResult::Ok;
        case QMessageBox::Yes:
            return MessageResult::Yes;
        default:
            return buttons == MessageButtons::YesNo ? MessageResult::No : MessageResult::Cancel;
        }
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

#ifndef _WIN32
// A family of the installed fonts that has Japanese, fixed-pitch if there is
// one: the default terminal font shows Japanese text as blanks.
QString japaneseConsoleFont() {
    const QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    const QString preferred = QStringLiteral("Noto Sans Mono CJK JP");
    if (families.contains(preferred))
        return preferred;
    for (const QString& family : families)
        if (QFontDatabase::isFixedPitch(family))
            return family;
    return families.value(0);
}

// The environment of a console: a terminal reads its title and the program's
// output in the character set of its locale, and the engines write UTF-8.
QProcessEnvironment utf8Environment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString locale = environment.value(QStringLiteral("LC_ALL"));
    if (locale.isEmpty())
        locale = environment.value(QStringLiteral("LC_CTYPE"));
    if (locale.isEmpty())
        locale = environment.value(QStringLiteral("LANG"));
    const bool utf8 = locale.contains(QStringLiteral("UTF-8"), Qt::CaseInsensitive) ||
                      locale.contains(QStringLiteral("utf8"), Qt::CaseInsensitive);
    if (!utf8) {
        const QString variable = environment.contains(QStringLiteral("LC_ALL"))
                                     ? QStringLiteral("LC_ALL")
                                     : QStringLiteral("LC_CTYPE");
        environment.insert(variable, QStringLiteral("C.UTF-8"));
    }
    return environment;
}
#endif

// The prompt of a console that stays open after its program failed.
const QString kEnterPrompt = QStringLiteral("  ---     Enter キーを押して下さい   ---");

class DesktopLauncher final : public ProgramLauncher {
public:
    bool startInConsole(const QString& program, const QString& workDir, const QString& title,
                        QString& error) override {
        QString path = locateProgram(program, workDir);
        if (path.isEmpty()) {
            error = notFoundIn(program, workDir);
            return false;
        }
#ifdef _WIN32
        // cmd keeps the console of a failed run open until Enter; the title is
        // given to the new console directly, so no character of the result name
        // passes through cmd.
        QProcess console;
        console.setProgram(qEnvironmentVariable("ComSpec", QStringLiteral("cmd.exe")));
        console.setNativeArguments(
            QStringLiteral("/c \"\"%1\" || (echo. & echo %2 & set /p answer=)\"")
                .arg(QDir::toNativeSeparators(path), kEnterPrompt));
        console.setWorkingDirectory(workDir);
        const std::wstring consoleTitle = title.toStdWString();
        // A window program has no console, so Qt would start the program
        // without one (CREATE_NO_WINDOW); the engine needs its own console to
        // show its progress and read Enter, with its standard handles there.
        console.setCreateProcessArgumentsModifier(
            [consoleTitle](QProcess::CreateProcessArguments* arguments) {
                arguments->flags &= ~static_cast<DWORD>(CREATE_NO_WINDOW);
                arguments->flags |= CREATE_NEW_CONSOLE;
                arguments->startupInfo->dwFlags &= ~static_cast<DWORD>(STARTF_USESTDHANDLES);
                arguments->startupInfo->lpTitle = const_cast<wchar_t*>(consoleTitle.c_str());
            });
        if (!console.startDetached()) {
            error = program;
            return false;
        }
        return true;
#else
        // xterm is asked for by name: it takes fonts for Latin and for wide
        // (Japanese) characters and a title. Any other terminal is known to
        // take a title and a command.
        QString terminal = QStandardPaths::findExecutable(QStringLiteral("xterm"));
        QStringList arguments;
        if (!terminal.isEmpty()) {
            arguments << QStringLiteral("-fa") << QStringLiteral("monospace")
                      << QStringLiteral("-fs") << QStringLiteral("11");
            const QString wideFont = japaneseConsoleFont();
            if (!wideFont.isEmpty())
                arguments << QStringLiteral("-fd") << wideFont;
        } else {
            terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
        }
        if (terminal.isEmpty()) {
            error = QStringLiteral("xterm / x-terminal-emulator");
            return false;
        }
        // A terminal closes with its program. An engine that refuses its input
        // stops at once, so keep the window open until the user has read why.
        const QString keepOpenOnFailure =
            QStringLiteral("\"$0\"; status=$?; if [ \"$status\" -ne 0 ]; then echo; "
                           "echo '%1'; read answer; fi; exit \"$status\"")
                .arg(kEnterPrompt);
        arguments << QStringLiteral("-T") << title << QStringLiteral("-e")
                  << QStringLiteral("/bin/sh") << QStringLiteral("-c") << keepOpenOnFailure << path;
        QProcess console;
        console.setProgram(terminal);
        console.setArguments(arguments);
        console.setWorkingDirectory(workDir);
        console.setProcessEnvironment(utf8Environment());
        if (!console.startDetached()) {
            error = terminal;
            return false;
        }
        return true;
#endif
    }

    bool startHidden(const QString& program, const QString& workDir, HiddenFinish onFinished,
                     QString& error) override {
        QString path = locateProgram(program, workDir);
        if (path.isEmpty()) {
            error = notFoundIn(program, workDir);
            return false;
        }
        auto* process = new QProcess(qApp);
        process->setWorkingDirectory(workDir);
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        // The error stream is kept: it says which file and line stopped the program.
        QObject::connect(process, &QProcess::finished, process,
                         [process, onFinished](int exitCode, QProcess::ExitStatus status) {
                             const QString errorText =
                                 QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
                             if (onFinished)
                                 onFinished(status == QProcess::NormalExit && exitCode == 0,
                                            errorText);
                             process->deleteLater();
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, onFinished](QProcess::ProcessError e) {
                             if (e == QProcess::FailedToStart) {
                                 if (onFinished)
                                     onFinished(false, process->errorString());
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

class DesktopFileDialogs final : public FileDialogs {
public:
    QString saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filters) override {
        QFileDialog dialog(parent, title, suggested, filters);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // A name typed without an extension takes that of the filter chosen.
        auto suffixOf = [](const QString& filter) {
            const qsizetype star = filter.indexOf(QLatin1String("*."));
            return star < 0 ? QString() : filter.mid(star + 2).section(QLatin1Char(')'), 0, 0);
        };
        dialog.setDefaultSuffix(suffixOf(filters.section(QLatin1String(";;"), 0, 0)));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, suffixOf](const QString& filter) {
                             dialog.setDefaultSuffix(suffixOf(filter));
                         });
        if (dialog.exec() != QDialog::Accepted)
            return {};
        return dialog.selectedFiles().value(0);
    }
};

class DesktopPrintDialogs final : public PrintDialogs {
public:
    bool choosePrinter(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

Services desktopServices() {
    static DesktopMessageBoxes messages;
    static DesktopBeeper beeper;
    static DesktopLauncher launcher;
    static DesktopFileSystem files;
    static DesktopEventPump events;
    static DesktopProgramEnd ending;
    static DesktopFileDialogs fileDialogs;
    static DesktopPrintDialogs printDialogs;
    return Services{&messages, &beeper, &launcher,    &files,
                    &events,   &ending, &fileDialogs, &printDialogs};
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
    s.fileDialogs = replacement.fileDialogs ? replacement.fileDialogs : d.fileDialogs;
    s.printDialogs = replacement.printDialogs ? replacement.printDialogs : d.printDialogs;
}

void resetServices() {
    current() = desktopServices();
}

void warn(QWidget* parent, const QString& text) {
    services().messages->show(parent, text, QStringLiteral("Dorvalis-3"), MessageButtons::Ok,
                              MessageIcon::Exclamation);
}

QString workFolder() {
    return QDir::currentPath();
}

} // namespace platform
