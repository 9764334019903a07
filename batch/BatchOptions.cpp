#include "BatchOptions.h"

#include "logic/PlaneFields.h"

#include "OutputFiles.h"

#include "logic/FilePaths.h"
#include "logic/JobFile.h"
#include "logic/NumberText.h"
#include "logic/PointsFile.h"
#include "logic/RoomFile.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <functional>
#include <map>
#include <set>

namespace batch {

namespace planes = textrec::planes;

namespace {

// The word of --period for a period.
QString periodWord(dose::Period period) {
    switch (period) {
    case dose::Period::PerMinute:
        return QStringLiteral("minute");
    case dose::Period::Week:
        return QStringLiteral("week");
    case dose::Period::Quarter:
        return QStringLiteral("quarter");
    case dose::Period::Year:
        return QStringLiteral("year");
    }
    return {};
}

// A value in a message, as typed.
QString quoted(const QString& text) {
    return QStringLiteral("「%1」").arg(text);
}

// A number as a whole argument: full-width digits and signs read as the
// windows read them, but nothing may follow the number (a window field reads
// "8O" as 8; a command line is refused instead).
std::optional<double> numberArgument(const QString& text) {
    bool ok = false;
    const double value = numbertext::asciiForms(text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// A number in a message, as it was typed: 99999999, not 1e+08.
QString shown(double value) {
    return QString::fromStdString(textrec::plainNumber(value));
}

// The most histories a run may ask for, written out.
QString largestCount() {
    return QString::number(jobfile::kMaximumHistories, 'f', 0);
}

// Why the planes asked for cannot be mapped, naming the option: the
// engine's own checks of the job's plane lines (planes::checkRequest).
QString planeRefusal(const planes::Check& check, const BatchOptions& o) {
    const planes::Position position = o.planePosition();
    QStringList typed;
    for (double h : o.heights)
        typed << shown(h);
    const planefields::FieldNames names{
        QStringLiteral("--centre-height %1").arg(shown(o.centreHeight)),
        QStringLiteral("--heights %1").arg(quoted(typed.join(QLatin1Char(',')))),
        QStringLiteral("Ｘ線管（--tube below）"),
        QStringLiteral("--name %1").arg(quoted(o.name)),
        QStringLiteral("--fsd"),
        QStringLiteral("臥位（--position lying）")};
    const bool centreCheck = !planes::checkCentreHeight(o.centreHeight, position).ok();
    return planefields::refusalOf(check, centreCheck, o.planeRequest(), position,
                                  o.focusSkinDistance, names)
        .message;
}

} // namespace

double BatchOptions::meanTubeCurrent() const {
    if (!pulses)
        return tubeCurrent;
    return numbertext::fieldNumber(
        jobfile::meanTubeCurrentText(tubeCurrent, (*pulses)[0], (*pulses)[1]));
}

planes::PlaneRequest BatchOptions::planeRequest() const {
    planes::PlaneRequest request;
    request.centreHeight = centreHeight;
    request.heights = heights;
    request.verticalSection = sideView;
    request.tube = tube;
    return request;
}

planes::Position BatchOptions::planePosition() const {
    return standing ? planes::Position::Standing : planes::Position::Lying;
}

std::vector<dose::ReferenceLevel> BatchOptions::limitLevels() const {
    std::vector<dose::ReferenceLevel> levels;
    const std::vector<bool> ticked = tickedLimits();
    for (std::size_t k = 0; k < ticked.size(); ++k)
        if (ticked[k])
            levels.push_back(dose::builtInLevels()[k]);
    return levels;
}

std::vector<bool> BatchOptions::tickedLimits() const {
    std::vector<bool> ticked;
    for (const dose::ReferenceLevel& level : dose::builtInLevels())
        ticked.push_back(limits.contains(level.name));
    return ticked;
}

std::string BatchOptions::resultFileBytes() const {
    return jobfile::resultNameBytes(name) + textrec::exchange::resultExtension;
}

QString outputForPlane(const QString& file, const std::string& suffix) {
    if (suffix.empty() || file.isEmpty())
        return file;
    // The extension of the file's own name, not of a folder before it.
    const qsizetype nameStart =
        std::max(file.lastIndexOf(QLatin1Char('/')), file.lastIndexOf(QLatin1Char('\\'))) + 1;
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > nameStart ? dot : file.size();
    return file.left(at) + QString::fromStdString(suffix) + file.mid(at);
}

std::vector<PlaneOutput> planeOutputs(const BatchOptions& o) {
    std::vector<PlaneOutput> maps;
    auto add = [&](const std::string& suffix, bool vertical) {
        PlaneOutput map;
        map.suffix = suffix;
        map.verticalSection = vertical;
        map.resultFile = o.name + QString::fromStdString(suffix) +
                         QLatin1String(textrec::exchange::resultExtension);
        map.png = outputForPlane(o.png, suffix);
        map.csv = outputForPlane(o.csv, suffix);
        if (!vertical) {
            map.roomPng = outputForPlane(o.roomPng, suffix);
            map.pointsCsv = outputForPlane(o.pointsCsv, suffix);
        }
        maps.push_back(std::move(map));
    };
    // The engine writes the extra maps only for a job that asks for more.
    const planes::PlaneRequest request = o.planeRequest();
    if (planes::asksForMore(request))
        for (const planes::ExtraPlane& plane : planes::extraPlanes(request))
            add(plane.suffix, plane.kind == planes::PlaneKind::VerticalSection);
    add({}, false);
    return maps;
}

std::variant<BatchOptions, QString> parseArguments(const QStringList& arguments,
                                                   const QDate& today) {
    BatchOptions o;
    o.name = jobfile::defaultResultName(today);
    std::set<QString> given;

    using Reader = std::function<QString(const QString& option, const QString& value)>;
    auto number = [](double& target) -> Reader {
        return [&target](const QString& option, const QString& value) {
            const std::optional<double> n = numberArgument(value);
            if (!n)
                return QStringLiteral("%1 %2: 数値ではありません").arg(option, quoted(value));
            target = *n;
            return QString();
        };
    };
    auto text = [](QString& target) -> Reader {
        return [&target](const QString&, const QString& value) {
            target = value;
            return QString();
        };
    };
    // One of the words of `choices`, each with what it sets.
    auto choice = [](std::map<QString, std::function<void()>> choices) -> Reader {
        return [choices = std::move(choices)](const QString& option, const QString& value) {
            const auto it = choices.find(value);
            if (it == choices.end()) {
                QStringList words;
                for (const auto& c : choices)
                    words << c.first;
                return QStringLiteral("%1 %2: %3 のどれかを指定して下さい")
                    .arg(option, quoted(value), words.join(QStringLiteral("、")));
            }
            it->second();
            return QString();
        };
    };
    const std::map<QString, Reader> withValue = {
        {QStringLiteral("--kv"), number(o.tubeVoltage)},
        {QStringLiteral("--angle"), number(o.targetAngle)},
        {QStringLiteral("--inherent"), number(o.inherentFiltration)},
        {QStringLiteral("--al"), number(o.addedAluminium)},
        {QStringLiteral("--cu"), number(o.addedCopper)},
        {QStringLiteral("--current"), number(o.tubeCurrent)},
        {QStringLiteral("--fsd"), number(o.focusSkinDistance)},
        {QStringLiteral("--histories"), number(o.photonCount)},
        {QStringLiteral("--centre-height"), number(o.centreHeight)},
        {QStringLiteral("--heights"),
         [&o](const QString& option, const QString& value) {
             o.heights.clear();
             for (const QString& part : numbertext::asciiForms(value).split(QLatin1Char(','))) {
                 const std::optional<double> height = numberArgument(part);
                 if (!height)
                     return QStringLiteral(
                                "%1 %2: 床からの高さを cm で 100,150,170 のように"
                                "コンマで区切って指定して下さい（%3 は数値ではありません）")
                         .arg(option, quoted(value), quoted(part));
                 o.heights.push_back(*height);
             }
             return QString();
         }},
        {QStringLiteral("--tube"),
         choice({{QStringLiteral("above"), [&o] { o.tube = planes::Tube::Above; }},
                 {QStringLiteral("below"), [&o] { o.tube = planes::Tube::Below; }}})},
        {QStringLiteral("--rectification"),
         choice(
             {{QStringLiteral("cp"), [&o] { o.rectificationMode = Module1::kConstantPotential; }},
              {QStringLiteral("12-peak"),
               [&o] { o.rectificationMode = Module1::kThreePhase12Peak; }},
              {QStringLiteral("full-wave"),
               [&o] { o.rectificationMode = Module1::kSinglePhaseFullWave; }}})},
        {QStringLiteral("--position"),
         choice({{QStringLiteral("lying"), [&o] { o.standing = false; }},
                 {QStringLiteral("standing"), [&o] { o.standing = true; }}})},
        {QStringLiteral("--quantity"),
         choice({{QStringLiteral("kerma"), [&o] { o.quantity = results::Quantity::Kerma; }},
                 {QStringLiteral("dose-equivalent"),
                  [&o] { o.quantity = results::Quantity::DoseEquivalent; }}})},
        {QStringLiteral("--field"),
         [&o](const QString& option, const QString& value) {
             const QStringList sides =
                 numbertext::asciiForms(value).split(QRegularExpression(QStringLiteral("[xX×*]")));
             const std::optional<double> length = numberArgument(sides.value(0));
             const std::optional<double> width = numberArgument(sides.value(1));
             if (sides.size() != 2 || !length || !width)
                 return QStringLiteral("%1 %2: 長軸と短軸を cm で 20x15 のように指定して下さい")
                     .arg(option, quoted(value));
             o.fieldLength = *length;
             o.fieldWidth = *width;
             return QString();
         }},
        {QStringLiteral("--pulsed"),
         [&o](const QString& option, const QString& value) {
             const QStringList parts = value.split(QLatin1Char(','));
             std::array<double, 3> numbers{};
             for (int k = 0; k < 3; ++k) {
                 const std::optional<double> n = numberArgument(parts.value(k));
                 if (parts.size() != 3 || !n)
                     return QStringLiteral("%1 %2: パルス時の管電流 (mA)、パルスレート (pps)、"
                                           "パルス幅 (msec) を 10,15,4 のように指定して下さい")
                         .arg(option, quoted(value));
                 numbers[std::size_t(k)] = *n;
             }
             // The window refuses a product of 0; a negative part is no pulse either.
             if (numbers[0] <= 0 || numbers[1] <= 0 || numbers[2] <= 0)
                 return QStringLiteral("%1 %2: 管電流、パルスレート、パルス幅はどれも 0 より"
                                       "大きくして下さい")
                     .arg(option, quoted(value));
             o.tubeCurrent = numbers[0];
             o.pulses = std::array<double, 2>{numbers[1], numbers[2]};
             return QString();
         }},
        {QStringLiteral("--threads"),
         [&o](const QString& option, const QString& value) {
             bool ok = false;
             const int n = value.toInt(&ok);
             if (!ok || n < 1 || n > 1024)
                 return QStringLiteral("%1 %2: 1 から 1024 までの整数を指定して下さい")
                     .arg(option, quoted(value));
             o.threads = n;
             return QString();
         }},
        {QStringLiteral("--name"),
         [&o](const QString&, const QString& value) {
             // "walk1.data" names the result file itself.
             const QLatin1String extension(textrec::exchange::resultExtension);
             o.name = value.endsWith(extension) ? value.chopped(extension.size()) : value;
             return QString();
         }},
        {QStringLiteral("--workload"),
         [&o](const QString& option, const QString& value) {
             QString error;
             const std::optional<double> minutes = dose::minutesPerWeek(value, error);
             if (!minutes)
                 return QStringLiteral("%1 %2: %3").arg(option, quoted(value), error);
             o.minutesPerWeek = *minutes;
             return QString();
         }},
        {QStringLiteral("--period"),
         choice({{QStringLiteral("minute"), [&o] { o.period = dose::Period::PerMinute; }},
                 {QStringLiteral("week"), [&o] { o.period = dose::Period::Week; }},
                 {QStringLiteral("quarter"), [&o] { o.period = dose::Period::Quarter; }},
                 {QStringLiteral("year"), [&o] { o.period = dose::Period::Year; }}})},
        {QStringLiteral("--limit"),
         [&o](const QString& option, const QString& value) {
             if (!dose::builtInLevel(value)) {
                 QStringList names;
                 for (const dose::ReferenceLevel& level : dose::builtInLevels())
                     names << level.name;
                 return QStringLiteral("%1 %2: 基準の名前は次のどれかです: %3")
                     .arg(option, quoted(value), names.join(QStringLiteral("、")));
             }
             if (o.limits.contains(value))
                 return QStringLiteral("%1 %2 が二度指定されています").arg(option, quoted(value));
             o.limits << value;
             return QString();
         }},
        {QStringLiteral("--points"), text(o.points)},
        {QStringLiteral("--points-csv"), text(o.pointsCsv)},
        {QStringLiteral("--png"), text(o.png)},
        {QStringLiteral("--csv"), text(o.csv)},
        {QStringLiteral("--room"), text(o.room)},
        {QStringLiteral("--room-png"), text(o.roomPng)},
    };
    const std::map<QString, bool*> flags = {
        {QStringLiteral("--preview"), &o.preview},
        {QStringLiteral("--replace"), &o.replace},
        {QStringLiteral("--hatch"), &o.hatch},
        {QStringLiteral("--both-sides"), &o.bothSides},
        {QStringLiteral("--side-view"), &o.sideView},
        {QStringLiteral("--help"), &o.help},
    };

    for (qsizetype a = 0; a < arguments.size(); ++a) {
        QString option = arguments[a];
        std::optional<QString> value;
        // "--kv=80" as well as "--kv 80".
        if (const qsizetype equals = option.indexOf(QLatin1Char('='));
            option.startsWith(QLatin1String("--")) && equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
        }
        // Each option once; --limit as often as there are levels to draw.
        if (!given.insert(option).second && option != QLatin1String("--limit"))
            return QStringLiteral("%1 が二度指定されています").arg(option);
        if (const auto flag = flags.find(option); flag != flags.end() && !value) {
            *flag->second = true;
            continue;
        }
        const auto reader = withValue.find(option);
        if (reader == withValue.end())
            return QStringLiteral("%1という引数はありません（scatter-map --help に一覧があります）")
                .arg(quoted(arguments[a]));
        if (!value) {
            // The next option is not this one's value (a negative number has one "-").
            if (a + 1 >= arguments.size() || arguments[a + 1].startsWith(QLatin1String("--")))
                return QStringLiteral("%1 には値が必要です").arg(option);
            value = arguments[++a];
        }
        if (QString refusal = reader->second(option, *value); !refusal.isEmpty())
            return refusal;
    }
    if (o.pulses && given.contains(QStringLiteral("--current")))
        return QStringLiteral("--current と --pulsed は同時に指定できません（--pulsed には"
                              "パルス時の管電流を含めます）");
    return o;
}

QString checkOptions(const BatchOptions& o, const QString& folder) {
    using jobfile::RunProblem;
    const QString currentOption =
        o.pulses ? QStringLiteral("--pulsed") : QStringLiteral("--current");
    const double minimum = o.preview ? kPreviewMinimumHistories : jobfile::kMinimumHistories;
    const RunProblem run = jobfile::checkRunNumbers(
        {o.photonCount, o.fieldLength, o.fieldWidth, o.meanTubeCurrent(), o.focusSkinDistance},
        minimum);
    const QString histories = QStringLiteral("--histories %1").arg(shown(o.photonCount));
    if (run == RunProblem::TooFewHistories) {
        if (o.preview)
            return QStringLiteral("%1: 試しのマップにも 1000000 個以上のヒストリーが必要です")
                .arg(histories);
        return QStringLiteral("%1: ヒストリー数は少なくても１億個以上が必要です（条件ウィンドウと"
                              "同じ）。--preview を付けると、試しのマップとして 1000000 個まで"
                              "減らせます")
            .arg(histories);
    }
    const jobfile::CountCheck count = jobfile::checkHistoryCount(o.photonCount);
    switch (count.problem) {
    case jobfile::CountProblem::None:
        break;
    case jobfile::CountProblem::TooMany:
        return QStringLiteral("%1: ヒストリー数は %2 個までです").arg(histories, largestCount());
    case jobfile::CountProblem::NotWhole:
        return QStringLiteral("%1: ヒストリー数は整数で指定して下さい").arg(histories);
    case jobfile::CountProblem::Rounded:
        return QStringLiteral("%1: %2 には有効数字４桁の %3 と書かれ、エンジンはその数で計算"
                              "します。%4 か %5 を指定して下さい")
            .arg(histories, QLatin1String(textrec::exchange::jobFile),
                 QString::fromStdString(count.written), shown(count.below), shown(count.above));
    }
    switch (run) {
    case RunProblem::None:
    case RunProblem::TooFewHistories:
        break;
    case RunProblem::FieldTooLarge:
        return QStringLiteral("--field %1x%2: 照射野（透視時）は 30×30 以下に設定して下さい")
            .arg(shown(o.fieldLength), shown(o.fieldWidth));
    case RunProblem::NoTubeCurrent:
        return QStringLiteral("%1 %2: 平均の管電流は 0 mA より大きくして下さい")
            .arg(currentOption, shown(o.meanTubeCurrent()));
    case RunProblem::NoDistance:
        return QStringLiteral("--fsd %1: 焦点-入射表面間距離（FSD）は 0 cm より大きくして下さい")
            .arg(shown(o.focusSkinDistance));
    case RunProblem::NoFieldLength:
    case RunProblem::NoFieldWidth:
        return QStringLiteral("--field %1x%2: 照射野の各辺は 0 cm より大きくして下さい")
            .arg(shown(o.fieldLength), shown(o.fieldWidth));
    }

    const jobfile::NameCheck name = jobfile::checkResultName(o.name);
    const QString nameArgument = QStringLiteral("--name %1").arg(quoted(o.name));
    switch (name.problem) {
    case jobfile::NameProblem::None:
        break;
    case jobfile::NameProblem::Empty:
        return QStringLiteral("--name: 結果名が空です");
    case jobfile::NameProblem::TooLong:
        return QStringLiteral("%1: 結果名は拡張子なしで %2 バイト以内にして下さい")
            .arg(nameArgument)
            .arg(jobfile::kTypedNameLimit);
    case jobfile::NameProblem::PathSeparator:
    case jobfile::NameProblem::ForbiddenCharacter:
        return QStringLiteral("%1: 結果名に%2は使えません（使えない文字： / \\ : * ? \" < > | ）")
            .arg(nameArgument, quoted(name.character));
    case jobfile::NameProblem::ControlCharacter:
        return QStringLiteral("%1: 結果名にタブなどの制御文字は使えません").arg(nameArgument);
    case jobfile::NameProblem::LeadingDot:
        return QStringLiteral("%1: 結果名を「.」で始めることはできません（結果ファイルの一覧に"
                              "表示されません）")
            .arg(nameArgument);
    case jobfile::NameProblem::NotInCodePage:
        return QStringLiteral("%1: %2はこのコンピュータの文字コードで表せないため使えません")
            .arg(nameArgument, quoted(name.character));
    case jobfile::NameProblem::ReservedName:
        return QStringLiteral("%1: %2は Windows が機器の名前として予約しているため使えません")
            .arg(nameArgument, quoted(name.reserved));
    }
    // The planes, checked as the engine checks its job.
    if (const planes::Check check = planes::checkRequest(o.planeRequest(), o.planePosition(),
                                                         o.focusSkinDistance, o.resultFileBytes());
        !check.ok())
        return planeRefusal(check, o);

    const QDir work(folder);
    const std::vector<PlaneOutput> maps = planeOutputs(o);
    for (const PlaneOutput& map : maps)
        if (!o.replace && QFileInfo::exists(work.filePath(map.resultFile)))
            return QStringLiteral("%1: %2 は既にあります。別の名前にするか、置き換えるなら "
                                  "--replace を付けて下さい")
                .arg(nameArgument, map.resultFile);

    if (!o.roomPng.isEmpty() && o.room.isEmpty())
        return QStringLiteral("--room-png には、マップを重ねる部屋レイアウトの --room が必要です");
    if (!o.room.isEmpty() && o.roomPng.isEmpty())
        return QStringLiteral("--room には、重ねた図を書き込む --room-png が必要です");
    if (o.bothSides && o.room.isEmpty())
        return QStringLiteral("--both-sides は部屋レイアウトに重ねる図の指定です。--room と "
                              "--room-png が必要です");
    // A period and the levels need the workload: they are doses in a period.
    if (o.period != dose::Period::PerMinute && o.minutesPerWeek <= 0)
        return QStringLiteral("--period %1 には、1週間の透視時間（分）を --workload で指定して"
                              "下さい")
            .arg(periodWord(o.period));
    if (!o.limits.isEmpty() && o.minutesPerWeek <= 0)
        return QStringLiteral("--limit %1: 基準は期間あたりの線量です。1週間の透視時間（分）を "
                              "--workload で指定して下さい")
            .arg(quoted(o.limits.front()));
    if (!o.points.isEmpty() && o.room.isEmpty())
        return QStringLiteral("--points には、測定点の位置を決める部屋レイアウトの --room が"
                              "必要です");
    if (!o.points.isEmpty() && o.pointsCsv.isEmpty())
        return QStringLiteral("--points には、測定点の線量を書き込む --points-csv が必要です");
    if (!o.pointsCsv.isEmpty() && o.points.isEmpty())
        return QStringLiteral("--points-csv には、測定点ファイルの --points が必要です");

    // Before anything is written: the working folder and every output can be
    // created, and no output takes the place of a file the system reads or of
    // another output.
    if (const QString why = cannotCreate(work.filePath(QLatin1String(textrec::exchange::jobFile)));
        !why.isEmpty())
        return QStringLiteral("作業フォルダ %1 にファイルを作成できません（%2）")
            .arg(QDir::toNativeSeparators(work.absolutePath()), why);
    // Each output once for every map: the option, the argument as named in
    // a message (with the file of another plane's map) and the file.
    struct Output {
        QString option;
        QString argument;
        QString file;
    };
    std::vector<Output> outputs;
    for (const auto& [option, given] : {std::pair{QStringLiteral("--png"), o.png},
                                        {QStringLiteral("--csv"), o.csv},
                                        {QStringLiteral("--room-png"), o.roomPng},
                                        {QStringLiteral("--points-csv"), o.pointsCsv}}) {
        if (given.isEmpty())
            continue;
        const QString argument = option + QLatin1Char(' ') + quoted(given);
        for (const PlaneOutput& map : maps) {
            const QString file = option == QLatin1String("--png")          ? map.png
                                 : option == QLatin1String("--csv")        ? map.csv
                                 : option == QLatin1String("--points-csv") ? map.pointsCsv
                                                                           : map.roomPng;
            if (!file.isEmpty())
                outputs.push_back({option,
                                   file == given
                                       ? argument
                                       : argument + QStringLiteral("（%1 の分布図の%2）")
                                                        .arg(map.resultFile, quoted(file)),
                                   file});
        }
    }
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        const auto& [option, argument, file] = outputs[k];
        if ((option == QLatin1String("--png") || option == QLatin1String("--room-png")) &&
            !file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
            return QStringLiteral("%1: ファイル名は .png で終わるようにして下さい").arg(argument);
        const QString path = work.filePath(file);
        const QFileInfo info(path);
        const QString outputFolder = QDir::toNativeSeparators(info.absolutePath());
        if (!info.absoluteDir().exists())
            return QStringLiteral("%1: フォルダ %2 がありません").arg(argument, outputFolder);
        if (info.isDir())
            return QStringLiteral("%1: フォルダの名前です").arg(argument);
        if (const QString kind = systemFileAt(path, folder, o.room, o.points); !kind.isEmpty())
            return QStringLiteral("%1: %2です。システムが読むファイルには書き込めません")
                .arg(argument, kind);
        for (std::size_t earlier = 0; earlier < k; ++earlier)
            if (sameFile(path, work.filePath(outputs[earlier].file)))
                return QStringLiteral("%1: %2 と同じファイルです")
                    .arg(argument, outputs[earlier].argument);
        if (const QString why = cannotCreate(path); !why.isEmpty())
            return QStringLiteral("%1: フォルダ %2 にファイルを作成できません（%3）")
                .arg(argument, outputFolder, why);
    }
    if (!o.room.isEmpty()) {
        QString error;
        if (!roomfile::load(files::toPath(work.filePath(o.room)), error))
            return QStringLiteral("--room %1: %2").arg(quoted(o.room), error);
    }
    if (!o.points.isEmpty()) {
        QString error;
        if (!readPointsFile(work.filePath(o.points), error))
            return QStringLiteral("--points %1: %2").arg(quoted(o.points), error);
    }
    return {};
}

std::optional<std::vector<namedpoints::NamedPoint>> readPointsFile(const QString& file,
                                                                   QString& error) {
    const std::filesystem::path path = files::toPath(file);
    const QString name = QFileInfo(file).fileName();
    std::string why;
    const std::optional<std::vector<std::string>> lines = textrec::readLines(path, &why);
    if (!lines) {
        error = QStringLiteral("%1 を読めません（%2）。").arg(name, QString::fromStdString(why));
        return std::nullopt;
    }
    return pointsfile::parse(*lines, name, error);
}

namespace {

// The built-in levels as --help lists them, one a line.
QString limitNames() {
    QString lines;
    for (const dose::ReferenceLevel& level : dose::builtInLevels())
        lines += QStringLiteral("                          %1（%2）\n")
                     .arg(level.name, dose::levelText(level));
    return lines;
}

} // namespace

QString usageText() {
    return QStringLiteral(
               "使い方: scatter-map [オプション]\n"
               "\n"
               "ウィンドウを使わず、ディスプレイなしで散乱線量分布図を作ります。現在のフォルダ\n"
               "（データファイルのある Dorvalis-3 の作業フォルダ）で、条件ウィンドウと同じように\n"
               "スペクトルと管球の出力を計算して B_SPCTL.dat と B2F.txt を書き、Quenro-11 か\n"
               "Quenro-22（作業フォルダになければ scatter-map と同じフォルダのもの）をすべての\n"
               "ハードウェアスレッドで実行し、結果を quenro-3 で変換して（FLname.txt、F2B.dat）、\n"
               "結果表示ウィンドウと同じ既定のしきい値で分布図を描きます。\n"
               "\n"
               "条件（単位と既定値は条件ウィンドウと同じ）:\n"
               "  --kv KV               Ｘ線管電圧、kV（80）。30 未満は 30、150 以上は 149.5\n"
               "                        として扱います（ウィンドウと同じ）\n"
               "  --angle DEGREES       ターゲット角度、度（12）\n"
               "  --inherent MM         固有ろ過、mm Al 当量（2.5）。1 未満は 1 として扱います\n"
               "  --al MM               アルミ付加フィルタ、mm（1.5）\n"
               "  --cu MM               銅付加フィルタ、mm（0）\n"
               "  --rectification cp|12-peak|full-wave\n"
               "                        整流方式: 定電圧、三相12ピーク、単相全波（cp）\n"
               "  --current MA          連続透視の管電流、mA（1）\n"
               "  --pulsed PEAK_MA,PPS,WIDTH_MS\n"
               "                        パルス透視: パルス時の管電流（mA）、パルスレート（pps）、\n"
               "                        パルス幅（msec）。平均の管電流はその積 / 1000 mA\n"
               "  --fsd CM              焦点-入射表面間距離、cm（90）\n"
               "  --field LxW           FSD での照射野サイズ、長軸 x 短軸、cm（20x20）。各辺\n"
               "                        30 以下\n"
               "  --position lying|standing\n"
               "                        臥位・垂直照射（Quenro-11）か立位・水平照射\n"
               "                        （Quenro-22）（lying）\n"
               "  --histories N         入射光子数（ヒストリー）（1000000000）。100000000 以上\n"
               "                        %1（10^15）以下の整数で、有効数字４桁\n"
               "                        まで（B2F.txt に 0.000E+00 の形で書かれるため）\n"
               "  --preview             試しのマップ: --histories を 1000000 まで減らせます。\n"
               "                        図には 10^8 未満の試しであることが書かれます\n"
               "  --name NAME           結果名（今日の日付 mm-dd-yyyy）。エンジンが NAME.data と\n"
               "                        NAME.data.unc を書きます。NAME.data と書いても同じです\n"
               "  --replace             NAME.data（と面の分布図の結果ファイル）があれば置き換え\n"
               "                        ます（ないときは拒否します）\n"
               "  --threads N           エンジンのスレッド数（すべてのハードウェアスレッド）。\n"
               "                        結果はこの数によりません\n"
               "\n"
               "面（何も指定しなければ、ファントム中心を通る面の分布図１枚）:\n"
               "  --centre-height CM    ファントム中心の床からの高さ、cm（100）。cm の整数で、\n"
               "                        臥位は 10 以上、立位は 30 以上、1000 以下\n"
               "  --heights CM,CM,...   床からその高さ（cm）の水平面の分布図も作ります。例:\n"
               "                        --heights 100,150,170。8 個まで、cm の整数で床（0）\n"
               "                        より上、ファントム中心から 300 cm 以内。中心の高さに\n"
               "                        等しい高さは、いつもの分布図そのものです\n"
               "  --side-view           患者中心を横切る鉛直断面の分布図も作ります。臥位は寝台を\n"
               "                        横切る面、立位はＸ線管に向かい合う面で、図の縦軸は床から\n"
               "                        の高さ、床より下は描きません\n"
               "  --tube above|below    Ｘ線管が寝台の上か下か（above）。below は臥位だけで、\n"
               "                        焦点が床より下にならないこと（中心の高さ − 10 cm − FSD\n"
               "                        が 0 以上）\n"
               "  --heights、--side-view、--tube below のどれかがあると、面ごとに結果ファイル\n"
               "  NAME_h150.data、NAME_vs.data を書き（それぞれ .unc と、どの面かの記録 .plane\n"
               "  付き。NAME.data にも .plane が付きます）、--png、--csv、--room-png も面ごとに、\n"
               "  拡張子の前に _h150 や _vs を付けた名前で書きます（walk1.png、walk1_h150.png、\n"
               "  walk1_vs.png）。部屋レイアウトに重ねる図は水平面だけです。面のファイル名が\n"
               "  30 文字に収まるよう、結果名を短くして下さい。\n"
               "\n"
               "分布図:\n"
               "  --quantity kerma|dose-equivalent\n"
               "                        空気カーマ率（μGy/min）か線量当量率（μSv/min）（kerma）\n"
               "  --png FILE.png        結果表示ウィンドウが保存するのと同じ図: "
               "分布図、しきい値の\n"
               "                        "
               "凡例、条件、結果ファイル名と日付、ウィンドウの２倍の大きさ\n"
               "  --csv FILE            その量の 1 cm の格子: c（-300..300 cm）ごとに１行、\n"
               "                        x（20..400 cm）ごとに１列、先頭の行と列は座標、左上は\n"
               "                        単位。値は F2B.dat と同じ。BOM 付き UTF-8、改行は CR LF。\n"
               "                        鉛直断面では先頭の列が c の代わりに床からの高さ（cm）で、\n"
               "                        床より下の行は値が空です\n"
               "  --hatch               統計誤差が 20 % を超えるセルに斜線を引きます\n"
               "  --room FILE.Room      レイアウト編集で作った部屋レイアウト ...\n"
               "  --room-png FILE.png   ... とそれに分布図を重ねた図（水平面の分布図ごと）\n"
               "  --both-sides          部屋レイアウトの図で、分布図をファントムの両側に描きます\n"
               "  --help                この説明\n"
               "\n"
               "期間あたりの線量と基準線（結果ファイル、F2B.dat、--csv は毎分のまま）:\n"
               "  --workload MIN_PER_WEEK\n"
               "                        1週間の透視時間、分（なし）。0 より大きく 10080 以下\n"
               "  --period minute|week|quarter|year\n"
               "                        図としきい値、測定点の線量を、毎分の線量率（minute）か、\n"
               "                        --workload での 1週間、3か月（13 週）、1年（52 "
               "週）あたりの\n"
               "                        線量で示します（minute）。単位は図の最大値が 1000 "
               "μGy・μSv\n"
               "                        以上なら mGy・mSv、未満なら μGy・μSv。week、quarter、year\n"
               "                        には --workload が必要です\n"
               "  --limit NAME          基準線: 実効線量 (H1cm) の分布から、その基準に達する線を\n"
               "                        名前付きで描きます（統計誤差 20 % 超のセルを通る部分は\n"
               "                        破線）。何度でも指定できます。--workload が必要です。\n"
               "                        NAME は次のどれか:\n"
               "%2"
               "  --points FILE         "
               "部屋レイアウト（--room）の測定点ファイル（plan.Room.points\n"
               "                        のように、１行に「X Y 名称」）\n"
               "  --points-csv FILE     その測定点ごとの１行: 名称、x、c（cm）、線量（--period の\n"
               "                        単位）、統計誤差、--limit の各基準に対する割合、備考。\n"
               "                        地図の外の点は「地図の範囲外」、部屋の壁の外の点は\n"
               "                        「壁の遮へいは含まない」と書きます（壁は計算に含まれない\n"
               "                        ため）。BOM 付き UTF-8、改行は CR LF。水平面の分布図ごと\n"
               "  期間や基準線のある図には、患者からの散乱線だけを示す（Ｘ線管の漏えい線、壁、\n"
               "  防護具を含まない）旨が書かれます。\n"
               "\n"
               "図と CSV は、結果ファイル（.data、.datC）やそれとともに保存されるファイル\n"
               "（.unc、.plane）、部屋レイアウト（.Room）とそれとともに保存されるファイル、\n"
               "交換ファイル、物理データファイル、プログラム、scatter-map.lock、ほかの出力\n"
               "（ほかの面のものも）と同じファイルには書けません。それ以外の既存のファイル\n"
               "（前回の図や CSV）は置き換えます。--points のファイルにも書けません。\n"
               "\n"
               "終了状態: すべてのファイルを書いたら 0。引数を拒否したら 2（何も書きません）。\n"
               "スペクトルモデル、エンジン、変換プログラムか書き込みが失敗したら 1。\n"
               "SIGINT で 130、SIGTERM で 143（エンジンを止め、書きかけのファイルを残しません）。\n"
               "同じフォルダの実行は順番に行います。\n")
        .arg(largestCount(), limitNames());
}

} // namespace batch
