#include "logic/Correction.h"

#include <textrec/exchange_files.h>
#include <textrec/planes.h>
#include <textrec/textrec.h>

#include <cctype>
#include <cmath>
#include <optional>

namespace correction {

namespace {

// Line 2 keeps the form the viewer shows; the map fields keep the 11-character
// width that the merger reads.
constexpr std::string_view kLineTwoMask = "0.000E+00";
constexpr std::string_view kMapMask = "  0.000E+00";
constexpr std::size_t kMapFieldWidth = textrec::resultfile::fieldWidth;

// Splits a map line on blanks; each piece must be a whole number of its own.
bool readMapLine(std::string_view line, std::vector<double>& values) {
    values.clear();
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos == line.size())
            break;
        std::size_t end = pos;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t')
            ++end;
        double value = 0.0;
        if (!textrec::readRealField(line.substr(pos, end - pos), 0, value))
            return false;
        values.push_back(value);
        pos = end;
    }
    return values.size() == static_cast<std::size_t>(kMapColumns);
}

// Appends one corrected map of 61 lines starting at 1-based line `firstLine`.
bool appendMap(const std::vector<std::string>& lines, int firstLine, double ratio, std::string& out,
               Outcome& outcome) {
    std::vector<double> values;
    for (int row = 0; row < kMapRows; ++row) {
        int lineNumber = firstLine + row;
        if (!readMapLine(lines[lineNumber - 1], values)) {
            outcome.refusal = Refusal::SourceMalformed;
            outcome.line = lineNumber;
            return false;
        }
        for (double value : values) {
            std::string field = textrec::formatMask(value * ratio, kMapMask);
            if (field.size() != kMapFieldWidth) {
                outcome.refusal = Refusal::ValueOutOfRange;
                outcome.line = lineNumber;
                return false;
            }
            out += field;
        }
        out += textrec::kRecordEnd;
    }
    return true;
}

void appendCopy(const std::vector<std::string>& lines, int firstLine, int lastLine,
                std::string& out) {
    for (int lineNumber = firstLine; lineNumber <= lastLine; ++lineNumber) {
        out += lines[lineNumber - 1];
        out += textrec::kRecordEnd;
    }
}

} // namespace

Ratio ratioFromTexts(std::string_view measuredText, std::string_view currentText) {
    Ratio ratio;
    if (measuredText.empty()) {
        ratio.refusal = Refusal::EmptyMeasured;
        return ratio;
    }
    double measured = textrec::leadingNumber(measuredText);
    if (!(measured > 0.0)) {
        ratio.refusal = Refusal::MeasuredNotPositive;
        return ratio;
    }
    double current = textrec::leadingNumber(currentText);
    if (!(current > 0.0)) {
        ratio.refusal = Refusal::CurrentNotPositive;
        return ratio;
    }
    ratio.value = measured / current;
    if (!std::isfinite(ratio.value) || ratio.value <= 0.0) {
        ratio.refusal = Refusal::RatioOutOfRange;
        ratio.value = 0.0;
    }
    return ratio;
}

std::string correctedName(std::string_view sourceName) {
    if (sourceName.empty())
        return {};
    std::string name(sourceName);
    name.back() = textrec::exchange::correctedMark;
    return name;
}

bool isCorrectedName(std::string_view name) {
    return !name.empty() && std::toupper(static_cast<unsigned char>(name.back())) ==
                                textrec::exchange::correctedMark;
}

std::string mergedFileName(const std::filesystem::path& folder) {
    try {
        return textrec::exchange::readMergeRequest(folder / textrec::exchange::mergeRequestFile);
    } catch (const textrec::InputError&) {
        return {};
    }
}

std::string correctedContent(const std::vector<std::string>& lines, double ratio,
                             Outcome& outcome) {
    if (lines.size() < static_cast<std::size_t>(kResultLines)) {
        outcome.refusal = Refusal::SourceShort;
        outcome.line = static_cast<int>(lines.size());
        return {};
    }
    std::optional<double> airKermaAtFsd = textrec::readFreeNumber(lines[1]);
    if (!airKermaAtFsd) {
        outcome.refusal = Refusal::SourceMalformed;
        outcome.line = 2;
        return {};
    }

    std::string out;
    out.reserve(static_cast<std::size_t>(kResultLines) *
                (kMapColumns * kMapFieldWidth + textrec::kRecordEnd.size()));
    appendCopy(lines, 1, 1, out);
    out += textrec::formatMask(*airKermaAtFsd * ratio, kLineTwoMask);
    out += textrec::kRecordEnd;
    appendCopy(lines, 3, kFirstMapLine - 1, out);
    if (!appendMap(lines, kFirstMapLine, ratio, out, outcome))
        return {};
    appendCopy(lines, kSecondMapLine - 1, kSecondMapLine - 1, out);
    if (!appendMap(lines, kSecondMapLine, ratio, out, outcome))
        return {};
    return out;
}

Outcome correctMergedFile(const std::filesystem::path& folder, std::string_view measuredText,
                          std::string_view currentText) {
    Outcome outcome;
    Ratio ratio = ratioFromTexts(measuredText, currentText);
    if (ratio.refusal != Refusal::None) {
        outcome.refusal = ratio.refusal;
        return outcome;
    }

    outcome.sourceName = mergedFileName(folder);
    if (outcome.sourceName.empty()) {
        outcome.refusal = Refusal::NoMergedFile;
        return outcome;
    }
    if (isCorrectedName(outcome.sourceName)) {
        outcome.refusal = Refusal::AlreadyCorrected;
        return outcome;
    }
    outcome.correctedName = correctedName(outcome.sourceName);
    // The names in FLname.txt are in the machine's 8-bit code page.
    const auto sourcePath = textrec::pathFromNativeName(outcome.sourceName);
    const auto correctedPath = textrec::pathFromNativeName(outcome.correctedName);
    if (!sourcePath || !correctedPath) {
        outcome.refusal = Refusal::SourceUnreadable;
        return outcome;
    }

    std::optional<std::vector<std::string>> lines = textrec::readLines(folder / *sourcePath);
    if (!lines) {
        outcome.refusal = Refusal::SourceUnreadable;
        return outcome;
    }
    std::string content = correctedContent(*lines, ratio.value, outcome);
    if (!outcome.ok())
        return outcome;

    // The map keeps its plane: a corrected vertical section is still one.
    if (!textrec::planes::copyPlaneRecord(folder / *sourcePath, folder / *correctedPath,
                                          &outcome.detail)) {
        outcome.refusal = Refusal::PlaneRecordFailed;
        return outcome;
    }
    if (!textrec::writeFileAtomic(folder / *correctedPath, content, &outcome.detail))
        outcome.refusal = Refusal::WriteFailed;
    return outcome;
}

std::string refusalMessage(const Outcome& outcome) {
    const std::string source = textrec::displayNativeName(outcome.sourceName);
    std::string line = std::to_string(outcome.line);
    switch (outcome.refusal) {
    case Refusal::None:
        return {};
    case Refusal::EmptyMeasured:
        return "実測値を入力して下さい";
    case Refusal::MeasuredNotPositive:
        return "実測値には 0 より大きい値を入力して下さい";
    case Refusal::CurrentNotPositive:
        return "現在値が 0 以下のため、補正できません";
    case Refusal::RatioOutOfRange:
        return "補正の比率が大きすぎるか小さすぎるため、補正できません";
    case Refusal::NoMergedFile:
        return "補正するファイルがありません。結果ファイルを選択して [OK] を押して下さい";
    case Refusal::AlreadyCorrected:
        return source + " は補正済みのファイルです。元のファイル（拡張子：data）を選択して下さい";
    case Refusal::SourceUnreadable:
        return source + " を読み込めません";
    case Refusal::SourceShort:
        return source + " は " + line + " 行しかありません（結果ファイルは " +
               std::to_string(kResultLines) + " 行）";
    case Refusal::SourceMalformed:
        return source + " の " + line + " 行目の数値を読み込めません";
    case Refusal::ValueOutOfRange:
        return source + " の " + line + " 行目の補正値が大きすぎるか小さすぎるため、補正できません";
    case Refusal::PlaneRecordFailed:
        return source + " の面の記録を補正したファイル " +
               textrec::displayNativeName(outcome.correctedName) +
               " に写せないため、補正できません（" + outcome.detail + "）";
    case Refusal::WriteFailed:
        return textrec::displayNativeName(outcome.correctedName) + " に保存できません" +
               (outcome.detail.empty() ? std::string() : "（" + outcome.detail + "）");
    }
    return {};
}

} // namespace correction
