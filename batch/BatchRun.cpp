#include "BatchRun.h"

#include "logic/Captions.h"
#include "logic/FilePaths.h"
#include "logic/JobFile.h"
#include "logic/OverlayPainting.h"
#include "logic/PicturePage.h"
#include "logic/ProgramNames.h"
#include "logic/ResultHeader.h"
#include "logic/RoomFile.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>

#include <ostream>

namespace batch {

namespace exchange = textrec::exchange;

namespace {

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The engine's progress, kept on one line of the console.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, const QString& program)
        : out_(out), program_(program.toStdString()) {}

    void show(std::string_view engineLine) {
        const std::optional<EngineProgress> p = parseProgress(engineLine);
        if (!p)
            return;
        std::string text = "\r  " + program_ + ": " + std::to_string(p->percent) + " %";
        if (!p->timeLeft.empty())
            text += "   " + p->timeLeft + " left";
        // Blanks over what a longer line before left.
        const std::size_t length = text.size();
        if (length < shownLength_)
            text.append(shownLength_ - length, ' ');
        shownLength_ = length;
        out_ << text << std::flush;
    }
    // Ends the line; a run that ended well is shown done.
    void end(bool done) {
        if (done)
            show(" 1 / 1   100 %");
        if (shownLength_ > 0)
            out_ << std::endl;
        shownLength_ = 0;
    }

private:
    std::ostream& out_;
    std::string program_;
    std::size_t shownLength_ = 0;
};

QString errorText(QProcess& process) {
    return QString::fromUtf8(process.readAllStandardError()).trimmed();
}

// Why a child process did not end well, with what it wrote to its error stream.
QString failure(const QString& program, QProcess& process) {
    const QString why = errorText(process);
    const QString how =
        process.exitStatus() == QProcess::NormalExit
            ? QStringLiteral("%1 ended with status %2").arg(program).arg(process.exitCode())
            : QStringLiteral("%1 stopped: %2").arg(program, process.errorString());
    return why.isEmpty() ? how : how + QStringLiteral(":\n") + why;
}

} // namespace

std::optional<EngineProgress> parseProgress(std::string_view line) {
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*\\d+\\s*/\\s*\\d+\\s+(\\d+)\\s*%(?:\\s+(\\d+(?::\\d\\d){1,2})\\s+left)?\\s*$"));
    const QRegularExpressionMatch match =
        pattern.match(QString::fromUtf8(line.data(), qsizetype(line.size())));
    if (!match.hasMatch())
        return std::nullopt;
    return EngineProgress{match.captured(1).toInt(), match.captured(2).toStdString()};
}

std::string gridCsv(const results::DoseGrid& grid, results::Quantity quantity) {
    std::string text = "\xEF\xBB\xBF";
    text += (QStringLiteral("μ") + captions::thresholdUnit(quantity)).toStdString();
    for (int j = 1; j <= results::kGridColumns; ++j)
        text += "," + std::to_string(results::xOfColumn(j));
    text += textrec::kRecordEnd;
    for (int i = 1; i <= results::kGridRows; ++i) {
        text += std::to_string(results::cOfRow(i));
        for (int j = 1; j <= results::kGridColumns; ++j)
            text +=
                "," + trimmed(textrec::formatE(grid.at(j, i), exchange::mergedgrid::fieldWidth, 4));
        text += textrec::kRecordEnd;
    }
    return text;
}

int runBatch(const BatchOptions& o, const QString& folder, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const QString& message, int status) {
        err << "scatter-map: " << message.toStdString() << std::endl;
        return status;
    };
    const QDir work(folder);
    const std::filesystem::path workPath = files::toPath(work.absolutePath());

    // Runs in one folder share its exchange files: they take turns. A lock
    // left by a run that ended is taken over.
    QLockFile lock(work.filePath(QStringLiteral("scatter-map.lock")));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError)
            return fail(QStringLiteral("cannot write in the working folder %1")
                            .arg(QDir::toNativeSeparators(work.absolutePath())),
                        1);
        out << "scatter-map: waiting for the other scatter-map in this folder to end" << std::endl;
        if (!lock.lock())
            return fail(QStringLiteral("the working folder cannot be locked"), 1);
    }

    // The programs and the data first: a run that cannot end leaves no files.
    const QString engineName = QString::fromStdString(
        platform::platformProgramName(o.standing ? "Quenro-22.exe" : "Quenro-11.exe"));
    const QString mergerName =
        QString::fromStdString(platform::platformProgramName("quenro-3.exe"));
    const QString enginePath = platform::locateProgram(engineName, folder);
    const QString mergerPath = platform::locateProgram(mergerName, folder);
    for (const auto& [name, path] :
         {std::pair(engineName, enginePath), std::pair(mergerName, mergerPath)})
        if (path.isEmpty())
            return fail(
                QStringLiteral("%1 is missing: %2").arg(name, platform::notFoundIn(name, folder)),
                1);
    if (const std::string error = Module1::LoadSpectrumTables(workPath); !error.empty())
        return fail(QString::fromStdString(error), 1);

    // The spectrum, the output and the job, as the conditions window makes them.
    Module1::TubeSettings settings;
    settings.tubeVoltage = o.tubeVoltage;
    settings.targetAngle = o.targetAngle;
    settings.inherentFiltration = o.inherentFiltration;
    settings.addedAluminium = o.addedAluminium;
    settings.addedCopper = o.addedCopper;
    settings.tubeCurrent = o.meanTubeCurrent();
    settings.rectificationMode = o.rectificationMode;
    const Module1::SpectrumResult spectrum = Module1::ComputeSpectrum(settings, workPath);
    if (!spectrum.ok()) // nothing is written then
        return fail(QStringLiteral("the tube settings (--kv, --angle, --inherent, --al, --cu, "
                                   "--rectification) are refused: %1")
                        .arg(QString::fromStdString(spectrum.error)),
                    2);
    if (spectrum.voltageText)
        out << "scatter-map: --kv " << o.tubeVoltage << " is taken as " << *spectrum.voltageText
            << " kV, as the conditions window takes it" << std::endl;
    if (spectrum.inherentText)
        out << "scatter-map: --inherent " << o.inherentFiltration << " is taken as "
            << *spectrum.inherentText << " mm, as the conditions window takes it" << std::endl;
    const Module1::OutputRateResult rate =
        Module1::ComputeOutputRate(spectrum.kVp, settings.tubeCurrent, o.rectificationMode);
    if (!rate.ok())
        return fail(QString::fromStdString(rate.error), 1);

    const QString resultName = o.name + QLatin1String(exchange::resultExtension);
    jobfile::JobParameters job;
    job.kermaRateAt100cm = Module1::kermaRateAt100cm;
    job.focusSkinDistance = o.focusSkinDistance;
    job.fieldLength = o.fieldLength;
    job.fieldWidth = o.fieldWidth;
    job.photonCount = o.photonCount;
    job.resultFileName = jobfile::resultNameBytes(o.name) + exchange::resultExtension;
    if (std::string error; !jobfile::writeJobFile(workPath, job, error))
        return fail(QString::fromStdString(error), 1);

    // The engine, answering its two Enter prompts, its progress on one line.
    out << "scatter-map: " << engineName.toStdString() << ", "
        << textrec::plainNumber(o.photonCount) << " histories -> " << resultName.toStdString()
        << std::endl;
    QProcess engine;
    engine.setWorkingDirectory(work.absolutePath());
    QStringList engineArguments;
    if (o.threads > 0)
        engineArguments << QStringLiteral("--threads") << QString::number(o.threads);
    engine.start(enginePath, engineArguments);
    if (!engine.waitForStarted(-1))
        return fail(
            QStringLiteral("%1 could not be started: %2").arg(engineName, engine.errorString()), 1);
    engine.write("\n\n");
    engine.closeWriteChannel();
    ProgressLine progress(out, engineName);
    QByteArray pending;
    auto takeLines = [&] {
        pending += engine.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            progress.show(std::string_view(pending.constData(), std::size_t(end)));
    };
    while (engine.waitForReadyRead(-1))
        takeLines();
    engine.waitForFinished(-1);
    takeLines();
    const bool engineDone = engine.exitStatus() == QProcess::NormalExit && engine.exitCode() == 0;
    progress.end(engineDone);
    if (!engineDone)
        return fail(failure(engineName, engine), 1);

    // The merger, on the request the viewer writes.
    std::string request = QFile::encodeName(resultName).toStdString();
    request += textrec::kRecordEnd;
    if (std::string error;
        !textrec::writeFileAtomic(workPath / exchange::mergeRequestFile, request, &error))
        return fail(QString::fromStdString(error), 1);
    QProcess merger;
    merger.setWorkingDirectory(work.absolutePath());
    merger.setStandardInputFile(QProcess::nullDevice());
    merger.start(mergerPath, {});
    if (!merger.waitForFinished(-1) || merger.exitStatus() != QProcess::NormalExit ||
        merger.exitCode() != 0)
        return fail(failure(mergerName, merger), 1);

    // The viewer's load and its default thresholds.
    std::string loadError;
    std::optional<results::LoadedDoses> loaded =
        results::loadMergedFile(workPath / exchange::mergedGridFile, &loadError);
    if (!loaded)
        return fail(QString::fromStdString(loadError), 1);
    const std::filesystem::path resultPath = files::toPath(work.filePath(resultName));
    const bool kerma = o.quantity == results::Quantity::Kerma;
    results::ShownMap map;
    map.quantity = o.quantity;
    map.grid = kerma ? loaded->kerma : loaded->doseEquivalent;
    map.thresholds = kerma ? loaded->kermaThresholds : loaded->doseEquivalentThresholds;
    map.resultFileName = resultName;
    map.header = results::readResultHeader(resultPath);
    map.bodyPosition = map.header ? map.header->bodyPosition() : (o.standing ? 2 : 1);
    map.focusSkinDistance = map.header ? map.header->focusSkinDistance() : o.focusSkinDistance;
    if (o.hatch) {
        if (const auto errors = results::readRelativeErrors(resultPath))
            map.hatched = results::hatchedCells(*errors, o.quantity);
        else
            out << "scatter-map: the result has no statistical errors beside it; the map is not "
                   "hatched"
                << std::endl;
    }

    QStringList written = {QString::fromLatin1(exchange::spectrumFile),
                           QString::fromLatin1(exchange::jobFile),
                           resultName,
                           resultName + QLatin1String(exchange::uncertaintySuffix),
                           QString::fromLatin1(exchange::mergeRequestFile),
                           QString::fromLatin1(exchange::mergedGridFile)};
    page::PageContent content;
    content.map = std::move(map);
    content.date = QDate::currentDate();
    if (!o.png.isEmpty()) {
        content.picture = page::Picture::Map;
        content.pictureFont = QGuiApplication::font();
        if (QString error; !page::savePage(files::toPath(work.filePath(o.png)),
                                           page::FileFormat::Png, content, error))
            return fail(error, 1);
        written << o.png;
    }
    if (!o.csv.isEmpty()) {
        if (std::string error;
            !textrec::writeFileAtomic(files::toPath(work.filePath(o.csv)),
                                      gridCsv(*content.map.grid, o.quantity), &error))
            return fail(QString::fromStdString(error), 1);
        written << o.csv;
    }
    if (!o.room.isEmpty()) {
        QString error;
        const std::optional<Module1::RoomLayout> room =
            roomfile::load(files::toPath(work.filePath(o.room)), error);
        if (!room)
            return fail(error, 1);
        content.picture = page::Picture::RoomOverlay;
        content.room = *room;
        content.layoutName = QFileInfo(o.room).fileName();
        if (content.layoutName.endsWith(roomfile::kExtension, Qt::CaseInsensitive))
            content.layoutName.chop(roomfile::kExtension.size());
        content.bothSides = o.bothSides;
        content.pictureFont = overlay::pictureFont();
        if (!page::savePage(files::toPath(work.filePath(o.roomPng)), page::FileFormat::Png, content,
                            error))
            return fail(error, 1);
        written << o.roomPng;
    }
    out << "scatter-map: wrote " << written.join(QStringLiteral(", ")).toStdString() << std::endl;
    return 0;
}

} // namespace batch
