#include "logic/ResultHeader.h"

#include "textrec/textrec.h"

#include <cmath>

namespace results {

namespace {

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

} // namespace

int ResultHeader::bodyPosition() const {
    const auto& code = values[kBodyPosition].number;
    if (!code || !std::isfinite(*code))
        return 0;
    return static_cast<int>(std::lround(*code));
}

double ResultHeader::focusSkinDistance() const {
    return values[kFocusSkinDistance].number.value_or(0.0);
}

std::optional<ResultHeader> readResultHeader(const std::filesystem::path& path) {
    auto lines = textrec::readLines(path);
    if (!lines)
        return std::nullopt;
    ResultHeader header;
    for (int k = 0; k < kHeaderValueCount && k < static_cast<int>(lines->size()); ++k) {
        const std::string& line = (*lines)[static_cast<std::size_t>(k)];
        header.values[static_cast<std::size_t>(k)].number = textrec::readFreeNumber(line);
        header.values[static_cast<std::size_t>(k)].text = trimmed(line);
        header.linesRead = k + 1;
    }
    return header;
}

std::string headerFieldText(int index, const HeaderValue& value) {
    if (!value.number)
        return value.text;
    switch (index) {
    case kKermaRateAtFsd:
        return textrec::formatMask(*value.number, "0.000E+00");
    case kPhotonCount:
        return textrec::formatMask(*value.number, "#.0E+00");
    default:
        return textrec::plainNumber(*value.number);
    }
}

std::string bodyPositionText(int code) {
    return code == 1 ? "臥位（垂直照射）" : "立位（水平照射）";
}

ConditionCaption conditionCaption(int index) {
    switch (index) {
    case kKermaRateAtFsd:
        return {"FSDにおける自由空間の\n空気カーマ率（平均値）", "Gy/min"};
    case kFocusSkinDistance:
        return {"Ｘ線焦点 - 入射面 距離", "cm"};
    case kFieldLength:
    case kFieldWidth:
        return {"照射野サイズ at FSD", "cm²"};
    case kTubeVoltage:
        return {"Ｘ線管電圧", "kV"};
    case kTubeCurrent:
        return {"管電流", "mA"};
    case kTargetAngle:
        return {"ターゲット角度", "degree"};
    case kInherentFiltration:
        return {"固有ろ過", "mmAl"};
    case kAddedAluminium:
        return {"アルミ付加フィルタ", "mm"};
    case kAddedCopper:
        return {"銅付加フィルタ", "mm"};
    case kPhotonCount:
        return {"入射光子数（ヒストリー）", "個"};
    default:
        return {"", ""};
    }
}

} // namespace results
