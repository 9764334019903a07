#include "platform/Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

QString shellWord(const QString& folder) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+:@%=,-]+$"));
    if (plain.match(folder).hasMatch())
        return folder;
    QString quoted = folder;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString noDisplayText(const QString& workFolder, const QString& cause) {
    QString text;
    if (!cause.isEmpty())
        text += cause + QLatin1Char('\n');
    // The map command is the one the README gives under "Without a display".
    text += QStringLiteral(
                "ウィンドウを開くにはディスプレイが必要です（デスクトップのセッションで起動するか、"
                "ssh -X で接続して下さい）。 The windows need a display (a desktop session, "
                "or ssh -X).\n"
                "ディスプレイがなくても、次のコマンドで分布図を作れます。 Without a display, "
                "scatter-map makes the map:\n"
                "    cd %1\n"
                "    ./scatter-map --kv 80 --angle 12 --inherent 2.5 --al 1.5 --cu 0 "
                "--rectification cp \\\n"
                "                  --current 1 --fsd 90 --field 20x20 --position lying \\\n"
                "                  --histories 1e7 --preview --name walk1 --png walk1.png "
                "--csv walk1.csv\n")
                .arg(shellWord(workFolder));
    return text;
}

QString programFolder() {
#ifdef _WIN32
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (length > 0 && length < std::size(path))
        return QFileInfo(QString::fromWCharArray(path, int(length))).absolutePath();
#elif defined(__linux__)
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        return QFile::decodeName(self.parent_path().c_str());
#endif
    return QDir::currentPath();
}

namespace {

// What Qt could not open, from the variables that chose it; empty when none
// was set.
QString screenCause() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return QStringLiteral("QT_QPA_PLATFORM=%1 で画面を開けませんでした。 Qt could not open a "
                              "screen with QT_QPA_PLATFORM=%1.")
            .arg(platform);
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const QString display = qEnvironmentVariable(variable);
        if (!display.isEmpty())
            return QStringLiteral("ディスプレイ %1=%2 を開けませんでした。 The display %1=%2 "
                                  "could not be opened.")
                .arg(QLatin1String(variable), display);
    }
    return {};
}

// A message Qt sent while the application object was being made.
struct HeldMessage {
    QtMsgType type;
    std::string file;
    int line;
    std::string function;
    std::string category;
    QString text;
};

std::mutex heldMutex;
std::vector<HeldMessage> heldMessages;
QtMessageHandler outerHandler = nullptr;

void passOn(const HeldMessage& message) {
    const QMessageLogContext context(
        message.file.empty() ? nullptr : message.file.c_str(), message.line,
        message.function.empty() ? nullptr : message.function.c_str(), message.category.c_str());
    if (outerHandler)
        outerHandler(message.type, context, message.text);
    else
        std::fprintf(stderr, "%s\n", message.text.toLocal8Bit().constData());
}

void holdDuringStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // Qt's platform plugin ends a start without any screen with a fatal message
    // that names the platform plugin; after it, Qt aborts. Catching that message
    // rather than looking at DISPLAY beforehand covers every way a screen can
    // fail: none set, a display that cannot be reached or refuses us, a Wayland
    // socket that is gone, a platform chosen that cannot start.
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        const QByteArray words = noDisplayText(programFolder(), screenCause()).toUtf8();
        std::fwrite(words.constData(), 1, std::size_t(words.size()), stderr);
        std::fflush(stderr);
        // The application object is half made: no destructor may run now.
        std::_Exit(EXIT_FAILURE);
    }
    HeldMessage message{type,
                        context.file ? context.file : "",
                        context.line,
                        context.function ? context.function : "",
                        context.category ? context.category : "default",
                        text};
    if (type == QtFatalMsg) {
        // Any other fatal message stops the program as Qt means it to.
        std::vector<HeldMessage> earlier;
        {
            std::lock_guard lock(heldMutex);
            earlier.swap(heldMessages);
        }
        for (const HeldMessage& e : earlier)
            passOn(e);
        passOn(message);
        return;
    }
    std::lock_guard lock(heldMutex);
    heldMessages.push_back(std::move(message));
}

} // namespace

ScreenStartGuard::ScreenStartGuard() {
    outerHandler = qInstallMessageHandler(holdDuringStart);
}

ScreenStartGuard::~ScreenStartGuard() {
    qInstallMessageHandler(outerHandler);
    std::vector<HeldMessage> held;
    {
        std::lock_guard lock(heldMutex);
        held.swap(heldMessages);
    }
    for (const HeldMessage& message : held)
        passOn(message);
}

bool loadJapaneseQtTexts(QCoreApplication& app, QString* searched) {
    // Qt's own folder first; a deployed program carries its translations
    // beside it.
    const QStringList folders = {
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations"))};
    if (searched)
        *searched = folders.join(QStringLiteral("、"));
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders) {
        if (translator->load(QStringLiteral("qtbase_ja"), folder)) {
            app.installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

} // namespace platform
