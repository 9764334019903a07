// Before the first window: the words of a start without a display, as the run
// script says them, and Qt's warnings held back while the application object
// is made.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QProcess>

#include "TestApplication.h"
#include "platform/Startup.h"

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);

// The window program and scripts/run.sh quote the folder of the map command
// alike, so that the line pasted into a shell reaches the folder.
TEST(NoDisplayText, FolderQuotedAsTheRunScriptQuotesIt) {
    const QString folders[] = {QStringLiteral("/home/user/project/build/work"),
                               QStringLiteral("/home/user/my project/build/work"),
                               QStringLiteral("/home/user/it's/build/work"),
                               QStringLiteral("/home/ユーザー/build/work"),
                               QStringLiteral("/srv/$HOME/a;b/`x`/build/work"),
                               QStringLiteral("/srv/a-b_c.d+e,f=g@h:i%j")};
    for (const QString& folder : folders) {
        QProcess bash;
        bash.start(
            QStringLiteral("bash"),
            {QStringLiteral("-c"),
             QStringLiteral("source \"$0\"/scripts/display-check.sh && no_display_text \"$1\""),
             QStringLiteral(SOURCE_DIR), folder});
        ASSERT_TRUE(bash.waitForFinished(10000));
        ASSERT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(bash.readAllStandardOutput()), platform::noDisplayText(folder))
            << folder.toStdString();
    }
    // A cause comes first, on a line of its own.
    EXPECT_TRUE(platform::noDisplayText(QStringLiteral("/w"), QStringLiteral("cause"))
                    .startsWith(QStringLiteral("cause\n")));
}

QStringList recorded;
void recordMessage(QtMsgType, const QMessageLogContext& context, const QString& text) {
    recorded << QStringLiteral("%1: %2").arg(QLatin1String(context.category), text);
}

Q_LOGGING_CATEGORY(startCategory, "dorvalis.start")

// Warnings of a start that succeeds are not lost: they come when the
// application object stands.
TEST(ScreenStartGuard, WarningsHeldUntilTheStartAndThenPassedOn) {
    recorded.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    {
        platform::ScreenStartGuard guard;
        qCWarning(startCategory, "first");
        qWarning("second");
        EXPECT_TRUE(recorded.isEmpty());
    }
    qWarning("after");
    qInstallMessageHandler(previous);
    EXPECT_EQ(recorded,
              (QStringList{QStringLiteral("dorvalis.start: first"),
                           QStringLiteral("default: second"), QStringLiteral("default: after")}));
}

} // namespace
