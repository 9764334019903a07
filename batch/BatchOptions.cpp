#include "BatchOptions.h"

#include "logic/FilePaths.h"
#include "logic/JobFile.h"
#include "logic/NumberText.h"
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

namespace {

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
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

} // namespace

double BatchOptions::meanTubeCurrent() const {
    if (!pulses)
        return tubeCurrent;
    return numbertext::fieldNumber(
        jobfile::meanTubeCurrentText(tubeCurrent, (*pulses)[0], (*pulses)[1]));
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
                return QStringLiteral("%1 %2: not a number").arg(option, quoted(value));
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
                return QStringLiteral("%1 %2: expected %3")
                    .arg(option, quoted(value), words.join(QStringLiteral(" or ")));
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
                 return QStringLiteral("%1 %2: expected the long and the short side in cm, "
                                       "such as 20x15")
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
                     return QStringLiteral("%1 %2: expected PEAK_MA,PPS,WIDTH_MS, such as 10,15,4")
                         .arg(option, quoted(value));
                 numbers[std::size_t(k)] = *n;
             }
             // The window refuses a product of 0; a negative part is no pulse either.
             if (numbers[0] <= 0 || numbers[1] <= 0 || numbers[2] <= 0)
                 return QStringLiteral("%1 %2: the current, the rate and the width must each "
                                       "be above 0")
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
                 return QStringLiteral("%1 %2: expected a whole number from 1 to 1024")
                     .arg(option, quoted(value));
             o.threads = n;
             return QString();
         }},
        {QStringLiteral("--name"), text(o.name)},
        {QStringLiteral("--png"), text(o.png)},
        {QStringLiteral("--csv"), text(o.csv)},
        {QStringLiteral("--room"), text(o.room)},
        {QStringLiteral("--room-png"), text(o.roomPng)},
    };
    const std::map<QString, bool*> flags = {
        {QStringLiteral("--preview"), &o.preview}, {QStringLiteral("--replace"), &o.replace},
        {QStringLiteral("--hatch"), &o.hatch},     {QStringLiteral("--both-sides"), &o.bothSides},
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
        if (!given.insert(option).second)
            return QStringLiteral("%1 is given twice").arg(option);
        if (const auto flag = flags.find(option); flag != flags.end() && !value) {
            *flag->second = true;
            continue;
        }
        const auto reader = withValue.find(option);
        if (reader == withValue.end())
            return QStringLiteral("unknown argument %1 (scatter-map --help lists them)")
                .arg(quoted(arguments[a]));
        if (!value) {
            // The next option is not this one's value (a negative number has one "-").
            if (a + 1 >= arguments.size() || arguments[a + 1].startsWith(QLatin1String("--")))
                return QStringLiteral("%1 needs a value").arg(option);
            value = arguments[++a];
        }
        if (QString refusal = reader->second(option, *value); !refusal.isEmpty())
            return refusal;
    }
    if (o.pulses && given.contains(QStringLiteral("--current")))
        return QStringLiteral("--current and --pulsed exclude each other: --pulsed gives the "
                              "current during a pulse");
    return o;
}

QString checkOptions(const BatchOptions& o, const QString& folder) {
    using jobfile::RunProblem;
    const QString currentOption =
        o.pulses ? QStringLiteral("--pulsed") : QStringLiteral("--current");
    const double minimum = o.preview ? kPreviewMinimumHistories : jobfile::kMinimumHistories;
    switch (jobfile::checkRunNumbers(
        {o.photonCount, o.fieldLength, o.fieldWidth, o.meanTubeCurrent(), o.focusSkinDistance},
        minimum)) {
    case RunProblem::None:
        break;
    case RunProblem::TooFewHistories:
        if (o.preview)
            return QStringLiteral("--histories %1: a trial map needs at least 1000000 histories")
                .arg(shown(o.photonCount));
        return QStringLiteral("--histories %1: a map needs at least 100000000 histories, as in "
                              "the conditions window; --preview allows fewer, down to 1000000, "
                              "for a trial map")
            .arg(shown(o.photonCount));
    case RunProblem::FieldTooLarge:
        return QStringLiteral("--field %1x%2: each side of the fluoroscopy field is at most 30 cm")
            .arg(shown(o.fieldLength), shown(o.fieldWidth));
    case RunProblem::NoTubeCurrent:
        return QStringLiteral("%1 %2: the mean tube current must be above 0 mA")
            .arg(currentOption, shown(o.meanTubeCurrent()));
    case RunProblem::NoDistance:
        return QStringLiteral("--fsd %1: the focus-to-skin distance must be above 0 cm")
            .arg(shown(o.focusSkinDistance));
    case RunProblem::NoFieldLength:
    case RunProblem::NoFieldWidth:
        return QStringLiteral("--field %1x%2: each side of the field must be above 0 cm")
            .arg(shown(o.fieldLength), shown(o.fieldWidth));
    }

    const jobfile::NameCheck name = jobfile::checkResultName(o.name);
    const QString nameArgument = QStringLiteral("--name %1").arg(quoted(o.name));
    switch (name.problem) {
    case jobfile::NameProblem::None:
        break;
    case jobfile::NameProblem::Empty:
        return QStringLiteral("--name: the result name is empty");
    case jobfile::NameProblem::TooLong:
        return QStringLiteral("%1: the result name takes at most %2 bytes")
            .arg(nameArgument)
            .arg(jobfile::kTypedNameLimit);
    case jobfile::NameProblem::PathSeparator:
    case jobfile::NameProblem::ForbiddenCharacter:
        return QStringLiteral("%1: a result name cannot hold %2 (nor any of / \\ : * ? \" < > |)")
            .arg(nameArgument, quoted(name.character));
    case jobfile::NameProblem::ControlCharacter:
        return QStringLiteral("%1: a result name cannot hold a control character")
            .arg(nameArgument);
    case jobfile::NameProblem::LeadingDot:
        return QStringLiteral("%1: a result name cannot begin with \".\" (the viewer would not "
                              "list it)")
            .arg(nameArgument);
    case jobfile::NameProblem::NotInCodePage:
        return QStringLiteral("%1: %2 is not a character of this computer's code page")
            .arg(nameArgument, quoted(name.character));
    case jobfile::NameProblem::ReservedName:
        return QStringLiteral("%1: %2 is the name of a device on Windows")
            .arg(nameArgument, name.reserved);
    }
    const QDir work(folder);
    const QString result = o.name + QLatin1String(textrec::exchange::resultExtension);
    if (!o.replace && QFileInfo::exists(work.filePath(result)))
        return QStringLiteral("--name %1: %2 exists already; give another name, or --replace to "
                              "replace it")
            .arg(quoted(o.name), result);

    if (!o.roomPng.isEmpty() && o.room.isEmpty())
        return QStringLiteral("--room-png needs --room, the layout to draw the map over");
    if (!o.room.isEmpty() && o.roomPng.isEmpty())
        return QStringLiteral("--room needs --room-png, the file to draw the map over it into");
    if (o.bothSides && o.room.isEmpty())
        return QStringLiteral(
            "--both-sides draws the room overlay: it needs --room and --room-png");
    const std::pair<QString, QString> outputs[] = {{QStringLiteral("--png"), o.png},
                                                   {QStringLiteral("--csv"), o.csv},
                                                   {QStringLiteral("--room-png"), o.roomPng}};
    for (const auto& [option, file] : outputs) {
        if (file.isEmpty())
            continue;
        if (option != QLatin1String("--csv") &&
            !file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
            return QStringLiteral("%1 %2: the file name must end in .png")
                .arg(option, quoted(file));
        const QFileInfo info(work.filePath(file));
        if (!info.absoluteDir().exists())
            return QStringLiteral("%1 %2: there is no folder %3")
                .arg(option, quoted(file), QDir::toNativeSeparators(info.absolutePath()));
        if (info.isDir())
            return QStringLiteral("%1 %2: that is a folder").arg(option, quoted(file));
    }
    if (!o.room.isEmpty()) {
        QString error;
        if (!roomfile::load(files::toPath(work.filePath(o.room)), error))
            return QStringLiteral("--room %1: %2").arg(quoted(o.room), error);
    }
    return {};
}

QString usageText() {
    return QStringLiteral(
        "Usage: scatter-map [options]\n"
        "\n"
        "Makes a map of the scattered dose without the windows and without a display. In\n"
        "the current folder, the working folder of Dorvalis-3 with its data files, it\n"
        "computes the spectrum and the tube output (B_SPCTL.dat, B2F.txt) as the\n"
        "conditions window does, runs Quenro-11 or Quenro-22 (found in the folder, else\n"
        "beside scatter-map) on every hardware thread, merges the result with quenro-3\n"
        "(FLname.txt, F2B.dat) and draws the map as the viewer does, with its default\n"
        "thresholds.\n"
        "\n"
        "Conditions, with the conditions window's units and defaults:\n"
        "  --kv KV               tube voltage, kV (80); below 30 or from 150 it is taken\n"
        "                        as 30 or 149.5, as the window does\n"
        "  --angle DEGREES       target angle, degrees (12)\n"
        "  --inherent MM         inherent filtration, mm Al equivalent (2.5); below 1 it\n"
        "                        is taken as 1\n"
        "  --al MM               added aluminium filter, mm (1.5)\n"
        "  --cu MM               added copper filter, mm (0)\n"
        "  --rectification cp|12-peak|full-wave\n"
        "                        constant potential, three-phase 12-peak or single-phase\n"
        "                        full-wave (cp)\n"
        "  --current MA          continuous fluoroscopy tube current, mA (1)\n"
        "  --pulsed PEAK_MA,PPS,WIDTH_MS\n"
        "                        pulsed fluoroscopy instead: the current during a pulse\n"
        "                        (mA), the pulse rate (pps) and the pulse width (ms); the\n"
        "                        mean current is their product / 1000 mA\n"
        "  --fsd CM              focus-to-skin distance, cm (90)\n"
        "  --field LxW           field size at the FSD, long x short axis, cm (20x20); each\n"
        "                        side at most 30\n"
        "  --position lying|standing\n"
        "                        lying, vertical beam (Quenro-11), or standing, horizontal\n"
        "                        beam (Quenro-22) (lying)\n"
        "  --histories N         photon histories (1000000000); at least 100000000, as\n"
        "                        in the window\n"
        "  --preview             a trial map: --histories may go down to 1000000; the\n"
        "                        page says that it is a trial with fewer than 10^8\n"
        "  --name NAME           result name without extension (today's date, mm-dd-yyyy);\n"
        "                        the engine writes NAME.data and NAME.data.unc\n"
        "  --replace             replace NAME.data when it exists (refused otherwise)\n"
        "  --threads N           threads of the engine (every hardware thread); the result\n"
        "                        does not depend on it\n"
        "\n"
        "The map:\n"
        "  --quantity kerma|dose-equivalent\n"
        "                        air-kerma rate (μGy/min) or dose-equivalent rate\n"
        "                        (μSv/min) (kerma)\n"
        "  --png FILE.png        the map's page as the viewer saves it: the map, its\n"
        "                        legend with the thresholds, the conditions, the result\n"
        "                        file and the date, twice the window's size\n"
        "  --csv FILE            the fine grid of the quantity: one row per c (-300..300\n"
        "                        cm), one column per x (20..400 cm), a header row and\n"
        "                        column of the coordinates and the unit in the first\n"
        "                        cell; values as in F2B.dat; UTF-8 with a byte-order\n"
        "                        mark, lines ending in CR LF\n"
        "  --hatch               hatch the cells whose statistical error is above 20 %\n"
        "  --room FILE.Room      a room layout of the layout editor ...\n"
        "  --room-png FILE.png   ... and the page of the map over it\n"
        "  --both-sides          the map over the room on both sides of the phantom\n"
        "  --help                this text\n"
        "\n"
        "Exit status: 0 when every file is written; 2 when an argument is refused (nothing\n"
        "is written then); 1 when the spectrum model, the engine, the merger or a write\n"
        "fails. Runs in one folder take turns.\n");
}

} // namespace batch
