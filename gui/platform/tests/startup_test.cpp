// Before the first window: Qt's own texts in Japanese, the words of a start
// without a display, as the run script says them, and Qt's warnings held back
// while the application object is made.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>

#include "TestApplication.h"
#include "platform/Startup.h"

namespace {

const auto* const qtEnvironment =
    testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);

bool hasJapanese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff))
            return true;
    }
    return false;
}

QStringList buttonTexts(QDialogButtonBox::StandardButtons buttons) {
    QDialogButtonBox box(buttons);
    QStringList texts;
    for (QAbstractButton* button : box.buttons())
        texts << button->text();
    return texts;
}

TEST(JapaneseQtTexts, StandardButtonsAndTheFileDialogSpeakJapanese) {
    // The buttons of the program's message boxes and of Qt's dialogs.
    const QDialogButtonBox::StandardButtons buttons =
        QDialogButtonBox::Cancel | QDialogButtonBox::Yes | QDialogButtonBox::No |
        QDialogButtonBox::Save | QDialogButtonBox::Open | QDialogButtonBox::Close;
    const QStringList english = buttonTexts(buttons);

    QString searched;
    ASSERT_TRUE(platform::loadJapaneseQtTexts(testsupport::application(), &searched))
        << "qtbase_ja.qm is not in " << searched.toStdString()
        << " (Debian package qt6-translations-l10n, installed by scripts/install-deps.sh)";

    const QStringList japanese = buttonTexts(buttons);
    ASSERT_EQ(japanese.size(), english.size());
    for (qsizetype i = 0; i < japanese.size(); ++i) {
        EXPECT_NE(japanese[i], english[i]);
        EXPECT_TRUE(hasJapanese(japanese[i]))
            << english[i].toStdString() << " -> " << japanese[i].toStdString();
    }

    // Qt's own save dialog, as the pictures are saved with it.
    QFileDialog dialog(nullptr, QString(), QString(), QStringLiteral("PNG (*.png)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            labels << label->text();
    ASSERT_FALSE(labels.isEmpty());
    for (const QString& label : labels)
        EXPECT_TRUE(hasJapanese(label)) << label.toStdString();
    for (const QPushButton* button : dialog.findChildren<QPushButton*>())
        EXPECT_TRUE(hasJapanese(button->text())) << button->text().toStdString();
}

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
