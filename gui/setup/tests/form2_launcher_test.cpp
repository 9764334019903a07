// The desktop launcher that starts an engine in its own terminal window: the
// engine is looked up in the working folder, the terminal on the search path,
// and whatever is missing is named; the console is titled with the run and
// shows Japanese text.
#include <gtest/gtest.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <optional>
#include <utility>

#include "logic/ProgramNames.h"
#include "platform/Platform.h"

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

// A terminal stand-in: records its folder, its character set and its
// arguments, then runs the
// command after -e as a terminal would, its output and exit status going to
// console.txt.
const QByteArray kTerminalStandIn =
    "{ pwd; /usr/bin/locale charmap; for a in \"$@\"; do echo \"$a\"; done; } > terminal.tmp\n"
    "/bin/mv terminal.tmp terminal.txt\n"
    "while [ \"$1\" != -e ]; do shift; done; shift\n"
    "\"$@\" < /dev/null > console.tmp 2>&1; echo \"$?\" >> console.tmp\n"
    "/bin/mv console.tmp console.txt\n";

const QString kTitle = QStringLiteral("Quenro-11 — 歩行 1.data");

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
        withSearchPath(bin.path(), [&] {
            started = launcher().startInConsole(program, work.path(), kTitle, error);
        });
        EXPECT_TRUE(started) << error.toStdString();
        QString record = work.filePath(QStringLiteral("console.txt"));
        for (int i = 0; i < 200 && !QFile::exists(record); ++i)
            QThread::msleep(50);
        return readLines(QStringLiteral("console.txt"));
    }
    QStringList readLines(const QString& name) {
        QFile f(work.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(LauncherTest, MissingEngineIsNamed) {
    QString error;
    EXPECT_FALSE(
        launcher().startInConsole(QStringLiteral("Quenro-11"), work.path(), kTitle, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Quenro-11 ("))) << error.toStdString();
    EXPECT_TRUE(error.contains(QDir(work.path()).absolutePath())); // where it was looked for
}

TEST_F(LauncherTest, MissingTerminalIsNamed) {
    writeScript(work.filePath(QStringLiteral("Quenro-11")), "exit 0\n");
    QString error;
    bool started = true;
    withSearchPath(bin.path(), [&] {
        started =
            launcher().startInConsole(QStringLiteral("Quenro-11"), work.path(), kTitle, error);
    });
    EXPECT_FALSE(started);
    EXPECT_TRUE(error.contains(QStringLiteral("xterm"))) << error.toStdString();
}

// xterm is asked for a font that has Japanese and the run's title; another
// terminal gets the title. Either way the engine runs in the working folder,
// and the terminal reads UTF-8 even when the program was started in the C locale.
TEST_F(LauncherTest, EngineRunsInATitledTerminalThatShowsJapanese) {
    writeScript(work.filePath(QStringLiteral("Quenro-22")), "echo ran; exit 0\n");
    form2test::application(); // the font list needs it
    const QStringList japaneseFamilies = QFontDatabase::families(QFontDatabase::Japanese);
    const QByteArray savedLang = qgetenv("LANG");
    qunsetenv("LC_ALL");
    qunsetenv("LC_CTYPE");
    qputenv("LANG", "C");
    for (const char* terminal : {"xterm", "x-terminal-emulator"}) {
        SCOPED_TRACE(terminal);
        QFile::remove(work.filePath(QStringLiteral("console.txt")));
        QDir(bin.path()).removeRecursively();
        QDir().mkpath(bin.path());
        writeScript(bin.filePath(QString::fromLatin1(terminal)), kTerminalStandIn);
        QStringList console = runInTerminal(QStringLiteral("Quenro-22"));
        // A run that ends normally closes its window without a further prompt.
        EXPECT_EQ(console, (QStringList{QStringLiteral("ran"), QStringLiteral("0")}));

        QStringList lines = readLines(QStringLiteral("terminal.txt"));
        ASSERT_GE(lines.size(), 5);
        EXPECT_EQ(QDir(lines[0]).canonicalPath(), QDir(work.path()).canonicalPath());
        EXPECT_EQ(lines[1], QStringLiteral("UTF-8"));
        EXPECT_EQ(lines.value(lines.indexOf(QStringLiteral("-T")) + 1), kTitle);
        EXPECT_EQ(QFileInfo(lines.last()).canonicalFilePath(),
                  QFileInfo(work.filePath(QStringLiteral("Quenro-22"))).canonicalFilePath());
        const qsizetype wideFont = lines.indexOf(QStringLiteral("-fd"));
        if (QByteArray(terminal) == "xterm") {
            ASSERT_EQ(wideFont >= 0, !japaneseFamilies.isEmpty());
            if (wideFont >= 0) {
                EXPECT_TRUE(japaneseFamilies.contains(lines.value(wideFont + 1)))
                    << lines.value(wideFont + 1).toStdString();
            }
        } else {
            EXPECT_EQ(wideFont, -1);
        }
    }
    qputenv("LANG", savedLang);
}

TEST_F(LauncherTest, EngineThatRefusesItsInputKeepsItsWindowOpen) {
    writeScript(bin.filePath(QStringLiteral("xterm")), kTerminalStandIn);
    writeScript(work.filePath(QStringLiteral("Quenro-11")), "echo 'B2F.txt: refused'; exit 3\n");
    QStringList console = runInTerminal(QStringLiteral("Quenro-11"));
    ASSERT_EQ(console.size(), 3);
    EXPECT_EQ(console[0], QStringLiteral("B2F.txt: refused"));
    EXPECT_EQ(console[1].trimmed(), QStringLiteral("---     Enter キーを押して下さい   ---"));
    // The engine's exit status still reaches whoever waits for the terminal.
    EXPECT_EQ(console[2], QStringLiteral("3"));
}

// The merger runs hidden; what it writes to its error stream (the file and
// line that stopped it) reaches the window with its failure.
TEST_F(LauncherTest, HiddenProgramReportsItsErrorStream) {
    writeScript(work.filePath(QStringLiteral("quenro-3")),
                "echo ' ***'; echo 'walk1.data: line 20: unexpected end of file' >&2; exit 1\n");
    writeScript(work.filePath(QStringLiteral("ok-3")), "echo fine; exit 0\n");
    platform::ProgramLauncher& hidden = launcher(); // the application exists before any loop
    struct Case {
        const char* program;
        bool succeeded;
        QString errorText;
    };
    for (const Case& c :
         {Case{"quenro-3", false, QStringLiteral("walk1.data: line 20: unexpected end of file")},
          Case{"ok-3", true, QString()}}) {
        SCOPED_TRACE(c.program);
        std::optional<std::pair<bool, QString>> finished;
        QEventLoop loop;
        QTimer::singleShot(30000, &loop, &QEventLoop::quit); // only a guard against a hang
        QString error;
        ASSERT_TRUE(hidden.startHidden(
            QString::fromLatin1(c.program), work.path(),
            [&](bool ok, const QString& text) {
                finished.emplace(ok, text);
                loop.quit();
            },
            error));
        loop.exec();
        ASSERT_TRUE(finished);
        EXPECT_EQ(finished->first, c.succeeded);
        EXPECT_EQ(finished->second, c.errorText);
    }
}

TEST(ProgramNames, EngineNamesWithoutTheWindowsExtension) {
    EXPECT_EQ(platform::platformProgramName("Quenro-11.exe"), "Quenro-11");
    EXPECT_EQ(platform::platformProgramName("Quenro-22.exe"), "Quenro-22");
    EXPECT_EQ(platform::platformProgramName("quenro-3.exe"), "quenro-3");
}

} // namespace

#endif
