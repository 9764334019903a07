// The desktop launcher that starts an engine in its own terminal window: the
// engine is looked up in the working folder, the terminal on the search path,
// and whatever is missing is named.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "platform/Platform.h"
#include "platform/ProgramNames.h"

#include "form2_support.h"

#ifndef _WIN32

namespace {

void writeScript(const QString& path, const QByteArray& body) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Runs `body` with PATH set to `path` only.
template <class Body> void withSearchPath(const QString& path, Body body) {
    QByteArray saved = qgetenv("PATH");
    qputenv("PATH", path.toLocal8Bit());
    body();
    qputenv("PATH", saved);
}

class LauncherTest : public ::testing::Test {
protected:
    QTemporaryDir work;
    QTemporaryDir bin;
    platform::ProgramLauncher& launcher() {
        form2test::application();
        platform::resetServices();
        return *platform::services().launcher;
    }
    // Starts the program through the terminal stand-in and returns the lines
    // the console showed (the stand-in appends the exit status).
    QStringList runInTerminal(const QString& program) {
        QString error;
        bool started = false;
        withSearchPath(bin.path(),
                       [&] { started = launcher().startInConsole(program, work.path(), error); });
        EXPECT_TRUE(started) << error.toStdString();
        QString record = work.filePath(QStringLiteral("console.txt"));
        for (int i = 0; i < 200 && !QFile::exists(record); ++i)
            QThread::msleep(50);
        QFile f(record);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(LauncherTest, MissingEngineIsNamed) {
    QString error;
    EXPECT_FALSE(launcher().startInConsole(QStringLiteral("Quenro-11"), work.path(), error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Quenro-11 ("))) << error.toStdString();
    EXPECT_TRUE(error.contains(QDir(work.path()).absolutePath())); // where it was looked for
}

TEST_F(LauncherTest, MissingTerminalIsNamed) {
    writeScript(work.filePath(QStringLiteral("Quenro-11")), "exit 0\n");
    QString error;
    bool started = true;
    withSearchPath(bin.path(), [&] {
        started = launcher().startInConsole(QStringLiteral("Quenro-11"), work.path(), error);
    });
    EXPECT_FALSE(started);
    EXPECT_TRUE(error.contains(QStringLiteral("xterm"))) << error.toStdString();
}

TEST_F(LauncherTest, EngineRunsInATerminalInTheWorkingFolder) {
    // The terminal stand-in records its folder and its arguments, then runs the
    // command after -e as a terminal would, its output going to a file.
    writeScript(bin.filePath(QStringLiteral("x-terminal-emulator")),
                "{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > terminal.tmp\n"
                "/bin/mv terminal.tmp terminal.txt\n"
                "shift; \"$@\" < /dev/null > console.tmp 2>&1; echo \"$?\" >> console.tmp\n"
                "/bin/mv console.tmp console.txt\n");
    writeScript(work.filePath(QStringLiteral("Quenro-22")), "echo ran; exit 0\n");
    QStringList console = runInTerminal(QStringLiteral("Quenro-22"));

    QFile f(work.filePath(QStringLiteral("terminal.txt")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(QDir(lines[0]).canonicalPath(), QDir(work.path()).canonicalPath());
    EXPECT_EQ(lines[1], QStringLiteral("-e"));
    EXPECT_EQ(QFileInfo(lines.last()).canonicalFilePath(),
              QFileInfo(work.filePath(QStringLiteral("Quenro-22"))).canonicalFilePath());
    // A run that ends normally closes its window without a further prompt.
    EXPECT_EQ(console, (QStringList{QStringLiteral("ran"), QStringLiteral("0")}));
}

TEST_F(LauncherTest, EngineThatRefusesItsInputKeepsItsWindowOpen) {
    writeScript(bin.filePath(QStringLiteral("x-terminal-emulator")),
                "shift; \"$@\" < /dev/null > console.tmp 2>&1; echo \"$?\" >> console.tmp\n"
                "/bin/mv console.tmp console.txt\n");
    writeScript(work.filePath(QStringLiteral("Quenro-11")), "echo 'B2F.txt: refused'; exit 3\n");
    QStringList console = runInTerminal(QStringLiteral("Quenro-11"));
    ASSERT_EQ(console.size(), 3);
    EXPECT_EQ(console[0], QStringLiteral("B2F.txt: refused"));
    EXPECT_EQ(console[1].trimmed(), QStringLiteral("---     Enter キーを押して下さい   ---"));
    // The engine's exit status still reaches whoever waits for the terminal.
    EXPECT_EQ(console[2], QStringLiteral("3"));
}

TEST(ProgramNames, EngineNamesWithoutTheWindowsExtension) {
    EXPECT_EQ(platform::platformProgramName("Quenro-11.exe"), "Quenro-11");
    EXPECT_EQ(platform::platformProgramName("Quenro-22.exe"), "Quenro-22");
    EXPECT_EQ(platform::platformProgramName("quenro-3.exe"), "quenro-3");
}

} // namespace

#endif
