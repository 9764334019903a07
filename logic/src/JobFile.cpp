#include "logic/JobFile.h"

#include "textrec/textrec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <cmath>
#include <cstdint>

namespace jobfile {

std::string jobFileText(const JobParameters& job) {
    std::string text;
    auto record = [&text](std::string_view line) {
        text += line;
        text += textrec::kRecordEnd;
    };
    record(textrec::formatMask(job.kermaRateAt100cm, "0.000E+00"));
    record(textrec::formatMask(job.focusSkinDistance, "#00.0"));
    record(textrec::formatMask(job.fieldLength, "#0.0"));
    record(textrec::formatMask(job.fieldWidth, "#0.0"));
    record(textrec::formatMask(job.photonCount, "0.000E+00"));
    record(job.resultFileName);
    text += textrec::planes::jobFileLines(job.planes);
    return text;
}

bool writeJobFile(const std::filesystem::path& folder, const JobParameters& job,
                  std::string& error) {
    return textrec::writeFileAtomic(folder / textrec::exchange::jobFile, jobFileText(job), &error);
}

namespace {

// The first character of `text` that `codePage` (nothing: the machine's own
// 8-bit encoding) cannot hold; empty when it holds them all. A character it
// lacks comes back from the encoding as another one.
QString characterNotIn(const QString& text, const char* codePage) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        QStringEncoder encoder =
            codePage ? QStringEncoder(codePage) : QStringEncoder(QStringConverter::System);
        QStringDecoder decoder =
            codePage ? QStringDecoder(codePage) : QStringDecoder(QStringConverter::System);
        if (!encoder.isValid() || !decoder.isValid())
            return {};
        const QByteArray bytes = encoder.encode(character);
        const QString back = decoder.decode(bytes);
        if (encoder.hasError() || decoder.hasError() || back != character)
            return character;
        i += length;
    }
    return {};
}

} // namespace

NameCheck checkResultName(const QString& typedName, const char* codePage) {
    if (typedName.isEmpty())
        return {NameProblem::Empty, {}, {}};
    for (QChar c : typedName) {
        // Either separator: the working folder may be shared with the Windows build.
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return {NameProblem::PathSeparator, c, {}};
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return {NameProblem::ControlCharacter, c, {}};
        if (QStringView(u":*?\"<>|").contains(c))
            return {NameProblem::ForbiddenCharacter, c, {}};
    }
    if (typedName.startsWith(QLatin1Char('.')))
        return {NameProblem::LeadingDot, QStringLiteral("."), {}};

    // Windows takes these names for devices whatever extension follows them.
    const QString device = typedName.section(QLatin1Char('.'), 0, 0).trimmed();
    static const QStringList kReserved = [] {
        QStringList names = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                             QStringLiteral("NUL")};
        for (int n = 1; n <= 9; ++n)
            names << QStringLiteral("COM%1").arg(n) << QStringLiteral("LPT%1").arg(n);
        return names;
    }();
    if (kReserved.contains(device, Qt::CaseInsensitive))
        return {NameProblem::ReservedName, {}, device};
    if (const QString lacking = characterNotIn(typedName, codePage); !lacking.isEmpty())
        return {NameProblem::NotInCodePage, lacking, {}};

    if (resultNameBytes(typedName).size() > std::size_t(kTypedNameLimit))
        return {NameProblem::TooLong, {}, {}};
    return {};
}

std::string resultNameBytes(const QString& typedName) {
    return typedName.toLocal8Bit().toStdString();
}

QString meanTubeCurrentText(double pulseCurrent, double pulseRate, double pulseWidth) {
    double mean = pulseCurrent * pulseRate * pulseWidth * 0.001;
    return QString::fromStdString(textrec::plainNumber(mean, 15));
}

QString defaultResultName(const QDate& date) {
    return date.toString(QStringLiteral("MM-dd-yyyy"));
}

RunProblem checkRunNumbers(const RunNumbers& run, double minimumHistories) {
    if (!(run.photonCount >= minimumHistories))
        return RunProblem::TooFewHistories;
    if (run.fieldLength > kLargestFieldSide || run.fieldWidth > kLargestFieldSide)
        return RunProblem::FieldTooLarge;
    const std::pair<double, RunProblem> positive[] = {
        {run.tubeCurrent, RunProblem::NoTubeCurrent},
        {run.focusSkinDistance, RunProblem::NoDistance},
        {run.fieldLength, RunProblem::NoFieldLength},
        {run.fieldWidth, RunProblem::NoFieldWidth},
    };
    for (const auto& [value, problem] : positive)
        if (!(value > 0) || !std::isfinite(value))
            return problem;
    return RunProblem::None;
}

CountCheck checkHistoryCount(double photonCount) {
    CountCheck check;
    if (!(photonCount <= kMaximumHistories)) {
        check.problem = CountProblem::TooMany;
        return check;
    }
    if (photonCount != std::floor(photonCount)) {
        check.problem = CountProblem::NotWhole;
        return check;
    }
    // Whole numbers up to 10^15 are exact in a double and in 64 bits.
    const auto count = static_cast<std::int64_t>(photonCount);
    std::int64_t step = 1; // the unit of the fourth significant digit
    while (count / step >= 10000)
        step *= 10;
    if (count % step != 0) {
        check.problem = CountProblem::Rounded;
        check.written = textrec::formatMask(photonCount, "0.000E+00");
        check.below = static_cast<double>(count / step * step);
        check.above = check.below + static_cast<double>(step);
    }
    return check;
}

} // namespace jobfile
