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
    // The terminal stand-in records its folder and its arguments.
    writeScript(bin.filePath(QStringLiteral("x-terminal-emulator")),
                "{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > terminal.tmp\n"
                "/bin/mv terminal.tmp terminal.txt\n");
    writeScript(work.filePath(QStringLiteral("Quenro-22")), "exit 0\n");
    QString error;
    bool started = false;
    withSearchPath(bin.path(), [&] {
        started = launcher().startInConsole(QStringLiteral("Quenro-22"), work.path(), error);
    });
    ASSERT_TRUE(started) << error.toStdString();

    QString record = work.filePath(QStringLiteral("terminal.txt"));
    for (int i = 0; i < 200 && !QFile::exists(record); ++i)
        QThread::msleep(50);
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(QDir(lines[0]).canonicalPath(), QDir(work.path()).canonicalPath());
    EXPECT_EQ(lines[1], QStringLiteral("-e"));
    EXPECT_EQ(QFileInfo(lines[2]).canonicalFilePath(),
              QFileInfo(work.filePath(QStringLiteral("Quenro-22"))).canonicalFilePath());
}

TEST(ProgramNames, EngineNamesWithoutTheWindowsExtension) {
    EXPECT_EQ(platform::platformProgramName("Quenro-11.exe"), "Quenro-11");
    EXPECT_EQ(platform::platformProgramName("Quenro-22.exe"), "Quenro-22");
    EXPECT_EQ(platform::platformProgramName("quenro-3.exe"), "quenro-3");
}

} // namespace

#endif
