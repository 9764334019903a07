// scatter-map: a map of the scattered dose made without the windows and
// without a display, in the current folder as the window program's working
// folder. See scatter-map --help.
#include "BatchOptions.h"
#include "BatchRun.h"

#include <textrec/textrec.h>

#include <QDate>
#include <QDir>
#include <QGuiApplication>

#include <iostream>

int main(int argc, char** argv) {
    // Before anything is made that a signal's default end would leave behind.
    batch::stopOnSignals();
    textrec::useUtf8Console();
    // Painting needs fonts, and fonts a QGuiApplication; the offscreen
    // platform gives it without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // What the platform says while it starts (such as a missing runtime
    // folder of the desktop session) is nothing the user can act on.
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext&, const QString& message) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::cerr << message.toStdString() << std::endl;
        });
    QGuiApplication application(argc, argv);
    qInstallMessageHandler(previous);

    const auto parsed = batch::parseArguments(application.arguments().mid(1), QDate::currentDate());
    if (const QString* refusal = std::get_if<QString>(&parsed)) {
        std::cerr << "scatter-map: " << refusal->toStdString() << std::endl;
        return 2;
    }
    const batch::BatchOptions& options = std::get<batch::BatchOptions>(parsed);
    if (options.help) {
        std::cout << batch::usageText().toStdString();
        return 0;
    }
    const QString folder = QDir::currentPath();
    if (const QString refusal = batch::checkOptions(options, folder); !refusal.isEmpty()) {
        std::cerr << "scatter-map: " << refusal.toStdString() << std::endl;
        return 2;
    }
    return batch::runBatch(options, folder, std::cout, std::cerr);
}
