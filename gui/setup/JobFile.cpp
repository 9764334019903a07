#include "setup/JobFile.h"

#include "textrec/textrec.h"

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
    return text;
}

NameProblem checkResultName(std::string_view typedName) {
    // Either separator: the working folder may be shared with the Windows build.
    if (typedName.find_first_of("/\\") != std::string_view::npos)
        return NameProblem::PathSeparator;
    if (typedName.size() > std::size_t(kTypedNameLimit))
        return NameProblem::TooLong;
    return NameProblem::None;
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

} // namespace jobfile
