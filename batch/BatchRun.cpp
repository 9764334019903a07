#include "BatchRun.h"

#include "OutputFiles.h"

#include "logic/Captions.h"
#include "logic/FilePaths.h"
#include "logic/JobFile.h"
#include "logic/MapPlane.h"
#include "logic/OverlayPainting.h"
#include "logic/PicturePage.h"
#include "logic/ProgramNames.h"
#include "logic/ResultHeader.h"
#include "logic/RoomFile.h"
#include "textrec/exchange_files.h"
#include "textrec/planes.h"
#include "textrec/textrec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <functional>
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
            text += "   残り " + p->timeLeft;
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

// An output that could not be written, with the writer's reason.
QString notSaved(const QString& file, const QString& why) {
    return QStringLiteral("「%1」を保存できませんでした: %2").arg(file, why);
}

// Why a child process did not end well, with what it wrote to its error stream.
QString failure(const QString& program, QProcess& process) {
    const QString why = errorText(process);
    const QString how =
        process.exitStatus() == QProcess::NormalExit
            ? QStringLiteral("%1 が終了状態 %2 で終わりました").arg(program).arg(process.exitCode())
            : QStringLiteral("%1 が止まりました: %2").arg(program, process.errorString());
    return why.isEmpty() ? how : how + QStringLiteral(":\n") + why;
}

// The signal that asked the run to stop; 0 while none did.
volatile std::sig_atomic_t receivedStopSignal = 0;

void noteStopSignal(int signal) {
    receivedStopSignal = signal;
}

// Stops a child at once and removes the temporary files it was writing, which
// the text-record library names "<file>.<process id>-<n>.tmp" beside the file:
// the files it had finished stay as they are.
void stopChild(QProcess& child, qint64 processId, const QDir& work) {
    if (child.state() != QProcess::NotRunning) {
        child.terminate();
        if (!child.waitForFinished(3000)) {
            child.kill();
            child.waitForFinished(-1);
        }
    }
    const QRegularExpression temporary(QStringLiteral("^.+\\.%1-\\d+\\.tmp$").arg(processId));
    for (const QString& name : work.entryList(QDir::Files | QDir::Hidden))
        if (temporary.match(name).hasMatch())
            QFile::remove(work.filePath(name));
}

// Waits for a started child to end, handing on its output as it comes. False
// when a signal asked the run to stop first: the child is stopped then.
bool waitForChild(QProcess& child, const QDir& work, const std::function<void()>& takeOutput) {
    const qint64 processId = child.processId();
    while (child.state() != QProcess::NotRunning && !stopSignal()) {
        child.waitForFinished(100);
        takeOutput();
    }
    takeOutput();
    if (!stopSignal())
        return true;
    stopChild(child, processId, work);
    return false;
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

std::string gridCsv(const results::DoseGrid& grid, results::Quantity quantity,
                    const std::optional<results::PlaneRecord>& plane) {
    const results::PlaneView view(plane);
    std::string text = "\xEF\xBB\xBF";
    text += (QStringLiteral("μ") + captions::thresholdUnit(quantity)).toStdString();
    for (int j = 1; j <= results::kGridColumns; ++j)
        text += "," + std::to_string(results::xOfColumn(j));
    text += textrec::kRecordEnd;
    for (int i = 1; i <= results::kGridRows; ++i) {
        const std::optional<double> height = view.rowHeight(i);
        text += height ? textrec::plainNumber(*height) : std::to_string(results::cOfRow(i));
        for (int j = 1; j <= results::kGridColumns; ++j) {
            text += ",";
            if (view.shows(i)) // below the floor the fields stay empty
                text +=
                    trimmed(textrec::formatE(grid.at(j, i), exchange::mergedgrid::fieldWidth, 4));
        }
        text += textrec::kRecordEnd;
    }
    return text;
}

namespace {

// A CSV field: quoted when it holds a comma, a quote or a line end.
std::string csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text.toStdString();
    QString quotedText = text;
    quotedText.replace(QLatin1String("\""), QLatin1String("\"\""));
    return (QLatin1Char('"') + quotedText + QLatin1Char('"')).toStdString();
}

} // namespace

std::string pointsCsv(const std::vector<namedpoints::NamedPoint>& points,
                      const Module1::RoomLayout& room, const results::ShownMap& map,
                      const results::DoseGrid& doseEquivalent,
                      const std::optional<results::RelativeErrors>& errors,
                      const std::vector<dose::ReferenceLevel>& limits, double minutesPerWeek) {
    std::string text = "\xEF\xBB\xBF";
    std::vector<std::string> header = {"名称", "x (cm)", "c (cm)",
                                       csvField(captions::quantity(map.quantity, map.scale)),
                                       "統計誤差"};
    for (const dose::ReferenceLevel& level : limits)
        header.push_back(csvField(
            QStringLiteral("%1（%2）に対する割合").arg(level.name, dose::levelText(level))));
    header.push_back("備考");
    for (std::size_t k = 0; k < header.size(); ++k)
        text += (k ? "," : "") + header[k];
    text += textrec::kRecordEnd;

    auto number = [](double value) { return textrec::plainNumber(value, 6); };
    for (const namedpoints::NamedPoint& point : points) {
        const namedpoints::PointReading reading = namedpoints::readPoint(room, point);
        std::vector<std::string> row = {csvField(point.name), number(reading.position.map.x),
                                        number(reading.position.map.c)};
        const QString outside = namedpoints::outsideMapText();
        if (const std::optional<double> perMinute =
                map.grid ? namedpoints::perMinuteAt(reading, *map.grid) : std::nullopt) {
            row.push_back(
                map.scale.period == dose::Period::PerMinute
                    ? textrec::plainNumber(*perMinute)
                    : dose::shownValueText(dose::toShown(*perMinute, map.scale)).toStdString());
            const std::optional<double> error =
                errors ? namedpoints::relativeErrorAt(reading, *errors, map.quantity)
                       : std::nullopt;
            row.push_back(error ? results::relativeErrorText(*error) : std::string());
            for (const dose::ReferenceLevel& level : limits)
                row.push_back(dose::shareText(*namedpoints::shareAt(reading, doseEquivalent, level,
                                                                    minutesPerWeek))
                                  .toStdString());
        } else {
            row.push_back(outside.toStdString());
            row.push_back({});
            for (std::size_t k = 0; k < limits.size(); ++k)
                row.push_back(outside.toStdString());
        }
        // The mark qualifies a value: a point beyond the map has none.
        row.push_back(reading.outsideWalls && reading.cell
                          ? namedpoints::notShieldedText().toStdString()
                          : std::string());
        for (std::size_t k = 0; k < row.size(); ++k)
            text += (k ? "," : "") + row[k];
        text += textrec::kRecordEnd;
    }
    return text;
}

void stopOnSignals() {
    std::signal(SIGINT, noteStopSignal);
    std::signal(SIGTERM, noteStopSignal);
}

int stopSignal() {
    return receivedStopSignal;
}

int runBatch(const BatchOptions& o, const QString& folder, std::ostream& out, std::ostream& err) {
    auto fail = [&err](const QString& message, int status) {
        err << "scatter-map: " << message.toStdString() << std::endl;
        return status;
    };
    // A signal ends the run between its steps, or stops the child that runs.
    auto interrupted = [&err] {
        const int received = stopSignal();
        err << "scatter-map: 中断しました（" << (received == SIGINT ? "SIGINT" : "SIGTERM") << "）"
            << std::endl;
        return 128 + received;
    };
    const QDir work(folder);
    const std::filesystem::path workPath = files::toPath(work.absolutePath());

    // Runs in one folder share its exchange files: they take turns. A lock
    // left by a run that ended is taken over.
    QLockFile lock(work.filePath(QLatin1String(kLockFile)));
    lock.setStaleLockTime(0);
    for (bool told = false; !lock.tryLock(100);) {
        if (lock.error() != QLockFile::LockFailedError)
            return fail(QStringLiteral("作業フォルダ %1 をロックできません")
                            .arg(QDir::toNativeSeparators(work.absolutePath())),
                        1);
        if (!told)
            out << "scatter-map: このフォルダの別の scatter-map が終わるのを待っています"
                << std::endl;
        told = true;
        if (stopSignal())
            return interrupted();
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
            return fail(QStringLiteral("%1 が見つかりません: %2")
                            .arg(name, platform::notFoundIn(name, folder)),
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
        return fail(QStringLiteral("管球の条件（--kv、--angle、--inherent、--al、--cu、"
                                   "--rectification）では計算できません: %1")
                        .arg(QString::fromStdString(spectrum.error)),
                    2);
    if (spectrum.voltageText)
        out << "scatter-map: --kv " << o.tubeVoltage << " は条件ウィンドウと同じく "
            << *spectrum.voltageText << " kV として計算します" << std::endl;
    if (spectrum.inherentText)
        out << "scatter-map: --inherent " << o.inherentFiltration << " は条件ウィンドウと同じく "
            << *spectrum.inherentText << " mm として計算します" << std::endl;
    const Module1::OutputRateResult rate =
        Module1::ComputeOutputRate(spectrum.kVp, settings.tubeCurrent, o.rectificationMode);
    if (!rate.ok())
        return fail(QString::fromStdString(rate.error), 1);
    if (stopSignal())
        return interrupted();

    const QString resultName = o.name + QLatin1String(exchange::resultExtension);
    jobfile::JobParameters job;
    job.kermaRateAt100cm = Module1::kermaRateAt100cm;
    job.focusSkinDistance = o.focusSkinDistance;
    job.fieldLength = o.fieldLength;
    job.fieldWidth = o.fieldWidth;
    job.photonCount = o.photonCount;
    job.resultFileName = o.resultFileBytes();
    job.planes = o.planeRequest();
    // As the window writes it: six lines, then the planes when more than the
    // written map is asked for.
    if (std::string error;
        !textrec::writeFileAtomic(workPath / exchange::jobFile, jobfile::jobFileText(job), &error))
        return fail(QStringLiteral("%1 を書き込めません: %2")
                        .arg(QLatin1String(exchange::jobFile), QString::fromStdString(error)),
                    1);
    if (stopSignal())
        return interrupted();

    // The engine, answering its two Enter prompts, its progress on one line.
    out << "scatter-map: " << engineName.toStdString() << " で "
        << textrec::plainNumber(o.photonCount) << " ヒストリーを計算します -> "
        << resultName.toStdString() << std::endl;
    QProcess engine;
    engine.setWorkingDirectory(work.absolutePath());
    QStringList engineArguments;
    if (o.threads > 0)
        engineArguments << QStringLiteral("--threads") << QString::number(o.threads);
    engine.start(enginePath, engineArguments);
    if (!engine.waitForStarted(-1))
        return fail(QStringLiteral("%1 を起動できません: %2").arg(engineName, engine.errorString()),
                    1);
    engine.write("\n\n");
    engine.closeWriteChannel();
    ProgressLine progress(out, engineName);
    QByteArray pending;
    auto takeLines = [&] {
        pending += engine.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            progress.show(std::string_view(pending.constData(), std::size_t(end)));
    };
    if (!waitForChild(engine, work, takeLines)) {
        progress.end(false);
        return interrupted();
    }
    const bool engineDone = engine.exitStatus() == QProcess::NormalExit && engine.exitCode() == 0;
    progress.end(engineDone);
    if (!engineDone)
        return fail(failure(engineName, engine), 1);

    // Each map in turn: the merger on the request the viewer writes, the
    // viewer's load and default thresholds, then the map's page, grid and
    // room page. The written map comes last, so that the merge request and
    // the merged grid are left as its.
    QStringList written = {QString::fromLatin1(exchange::spectrumFile),
                           QString::fromLatin1(exchange::jobFile)};
    QStringList outputs;
    for (const PlaneOutput& plane : planeOutputs(o)) {
        if (stopSignal())
            return interrupted();
        const std::filesystem::path resultPath = files::toPath(work.filePath(plane.resultFile));
        written << plane.resultFile
                << plane.resultFile + QLatin1String(exchange::uncertaintySuffix);
        // The plane of the map as the engine recorded it.
        const results::PlaneReading record = results::readPlaneOf(resultPath);
        if (!record.ok())
            return fail(record.error, 1);
        if (record.plane)
            written << files::fromPath(
                textrec::planes::planeRecordPath(files::toPath(plane.resultFile)));

        std::string request = QFile::encodeName(plane.resultFile).toStdString();
        request += textrec::kRecordEnd;
        if (std::string error;
            !textrec::writeFileAtomic(workPath / exchange::mergeRequestFile, request, &error))
            return fail(
                QStringLiteral("%1 を書き込めません: %2")
                    .arg(QLatin1String(exchange::mergeRequestFile), QString::fromStdString(error)),
                1);
        QProcess merger;
        merger.setWorkingDirectory(work.absolutePath());
        merger.setStandardInputFile(QProcess::nullDevice());
        merger.start(mergerPath, {});
        if (!merger.waitForStarted(-1))
            return fail(failure(mergerName, merger), 1);
        if (!waitForChild(merger, work, [] {}))
            return interrupted();
        if (merger.exitStatus() != QProcess::NormalExit || merger.exitCode() != 0)
            return fail(failure(mergerName, merger), 1);

        // The viewer's load and its default thresholds.
        std::string loadError;
        std::optional<results::LoadedDoses> loaded =
            results::loadMergedFile(workPath / exchange::mergedGridFile, &loadError);
        if (!loaded)
            return fail(QStringLiteral("%1 を読み込めません: %2")
                            .arg(QLatin1String(exchange::mergedGridFile),
                                 QString::fromStdString(loadError)),
                        1);
        const bool kerma = o.quantity == results::Quantity::Kerma;
        results::ShownMap map;
        map.quantity = o.quantity;
        map.grid = kerma ? loaded->kerma : loaded->doseEquivalent;
        map.thresholds = kerma ? loaded->kermaThresholds : loaded->doseEquivalentThresholds;
        // A period: the doses for the workload, in the unit of the rule, with
        // the viewer's default thresholds of that unit.
        map.minutesPerWeek = o.minutesPerWeek;
        if (o.period != dose::Period::PerMinute) {
            const double maximum =
                (kerma ? loaded->kermaExtremes : loaded->doseEquivalentExtremes).maximum;
            map.scale = dose::displayScale(o.period, o.minutesPerWeek, maximum);
            map.thresholds = dose::defaultThresholds(maximum, map.scale);
        }
        map.resultFileName = plane.resultFile;
        map.header = results::readResultHeader(resultPath);
        map.plane = record.plane;
        map.bodyPosition = map.header ? map.header->bodyPosition() : (o.standing ? 2 : 1);
        map.focusSkinDistance = map.header ? map.header->focusSkinDistance() : o.focusSkinDistance;
        const std::optional<results::RelativeErrors> errors =
            results::readRelativeErrors(resultPath);
        if (o.hatch) {
            if (errors)
                map.hatched = results::hatchedCells(*errors, o.quantity);
            else
                out << "scatter-map: " << plane.resultFile.toStdString()
                    << " の統計誤差のファイルがないため、斜線は引きません" << std::endl;
        }
        // The limit lines from the dose-equivalent map, dashed where the
        // hatching would mark its cells.
        if (!o.limits.isEmpty()) {
            std::optional<std::vector<bool>> uncertain;
            if (errors)
                uncertain = results::hatchedCells(*errors, results::Quantity::DoseEquivalent);
            map.limitLines = limitlines::traceLimitLines(
                loaded->doseEquivalent, uncertain ? &*uncertain : nullptr, dose::builtInLevels(),
                o.tickedLimits(), o.minutesPerWeek,
                limitlines::shownCells(results::PlaneView(record.plane)));
        }

        page::PageContent content;
        content.map = std::move(map);
        content.date = QDate::currentDate();
        if (!plane.png.isEmpty()) {
            if (stopSignal())
                return interrupted();
            content.picture = page::Picture::Map;
            content.pictureFont = QGuiApplication::font();
            if (QString error; !page::savePage(files::toPath(work.filePath(plane.png)),
                                               page::FileFormat::Png, content, error))
                return fail(notSaved(plane.png, error), 1);
            outputs << plane.png;
        }
        if (!plane.csv.isEmpty()) {
            if (stopSignal())
                return interrupted();
            if (std::string error; !textrec::writeFileAtomic(
                    files::toPath(work.filePath(plane.csv)),
                    gridCsv(*content.map.grid, o.quantity, content.map.plane), &error))
                return fail(notSaved(plane.csv, QString::fromStdString(error)), 1);
            outputs << plane.csv;
        }
        if (!plane.pointsCsv.isEmpty()) {
            if (stopSignal())
                return interrupted();
            QString error;
            const std::optional<Module1::RoomLayout> room =
                roomfile::load(files::toPath(work.filePath(o.room)), error);
            const std::optional<std::vector<namedpoints::NamedPoint>> points =
                room ? readPointsFile(work.filePath(o.points), error) : std::nullopt;
            if (!points)
                return fail(error, 1);
            if (std::string why; !textrec::writeFileAtomic(
                    files::toPath(work.filePath(plane.pointsCsv)),
                    pointsCsv(*points, *room, content.map, loaded->doseEquivalent, errors,
                              o.limitLevels(), o.minutesPerWeek),
                    &why))
                return fail(notSaved(plane.pointsCsv, QString::fromStdString(why)), 1);
            outputs << plane.pointsCsv;
        }
        if (!plane.roomPng.isEmpty()) {
            if (stopSignal())
                return interrupted();
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
            if (!page::savePage(files::toPath(work.filePath(plane.roomPng)), page::FileFormat::Png,
                                content, error))
                return fail(notSaved(plane.roomPng, error), 1);
            outputs << plane.roomPng;
        }
    }
    written << QString::fromLatin1(exchange::mergeRequestFile)
            << QString::fromLatin1(exchange::mergedGridFile) << outputs;
    out << "scatter-map: 書き込んだファイル: " << written.join(QStringLiteral("、")).toStdString()
        << std::endl;
    return 0;
}

} // namespace batch
