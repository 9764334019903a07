#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Windows.h"
#include "platform/Startup.h"
#include "setup/Form2.h"

int main(int argc, char* argv[]) {
    std::unique_ptr<QApplication> app;
    {
        // Without a screen to open, say what is needed and how to make a map
        // without one, and end with status 1 rather than Qt's abort.
        platform::ScreenStartGuard guard;
        app = std::make_unique<QApplication>(argc, argv);
    }
    // Qt's own buttons and dialogs (file, print, message boxes) in Japanese,
    // as the program's own texts are.
    QString searched;
    if (!platform::loadJapaneseQtTexts(*app, &searched))
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("Qt の日本語訳 qtbase_ja.qm（Debian のパッケージ "
                                    "qt6-translations-l10n）が見つかりません（%1）。"
                                    "Qt のボタンとダイアログは英語で表示されます。")
                         .arg(searched)
                         .toUtf8()
                         .constData());
    // The viewer hides itself and shows the conditions window again, so the
    // program ends only from the conditions window, never because no window
    // happens to be visible.
    app->setQuitOnLastWindowClosed(false);

    Form2& home = Windows::form2();
    if (!home.tablesLoaded())
        return EXIT_FAILURE; // the window has said which data file is missing
    home.show();
    return app->exec();
}
