// X-ray spectrum and tube output model: tables, spectrum, output rate and the
// spectrum file.
#include "XrayTubeModel.h"

#include <textrec/exchange_files.h>
#include <textrec/textrec.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace Module1 {

namespace {

// Written with five decimals, as the model has always used it. The inexact
// value keeps sin(90 degrees) a hair below 1, which sets the last bin of the
// spectrum loops.
constexpr double kPi = 3.14159;

// Energy-to-air-kerma factor of the survey outputs (J/C), and seconds per minute.
constexpr double kSurveyKermaFactor = 33.97;
constexpr double kSecondsPerMinute = 60;

double binEnergy(int bin) {
    return 0.5 * bin;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// ---------------------------------------------------------------------------
// Free-form numbers of the data files: separated by blanks, commas or line
// ends, the line structure does not matter. Exponents may be written with D.
// Only finite numbers are numbers; "Inf" or "NaN" is not.
// ---------------------------------------------------------------------------

// Limits far beyond the files' own (300 short lines, or a header line and 54
// numbers): a hostile file is refused before it is read without bound.
constexpr std::size_t kMaxDataFileBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxDataLineCharacters = 4096;

// A number of a data file and the line it stands on, for the messages.
struct FileNumber {
    double value = 0;
    int line = 0;
};

std::string dataFileMessage(const std::string& name, int line, const std::string& what) {
    return "データファイル " + quoted(name) + " の " + std::to_string(line) + " 行目" + what;
}

// Reads `count` numbers from `path`, after skipping `headerLines` whole lines.
// Returns an empty text on success, otherwise a message naming the file.
std::string readFreeNumbers(const std::filesystem::path& path, int headerLines, int count,
                            std::vector<FileNumber>& numbers) {
    const std::string name = path.filename().string();
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path))
        return "データファイル " + quoted(name) + " を開けません。";
    std::string content;
    char buffer[1 << 14];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxDataFileBytes)
            return "データファイル " + quoted(name) + " が大きすぎます（" +
                   std::to_string(kMaxDataFileBytes) + " バイトを超えています）。";
    }

    // Every line, the skipped ones too, is held to the limit.
    int line = 1;
    for (std::size_t lineStart = 0; lineStart < content.size(); ++line) {
        const std::size_t lineEnd = std::min(content.find('\n', lineStart), content.size());
        if (lineEnd - lineStart > kMaxDataLineCharacters)
            return dataFileMessage(name, line,
                                   "が長すぎます（" + std::to_string(kMaxDataLineCharacters) +
                                       " 文字を超えています）。");
        lineStart = lineEnd + 1;
    }

    numbers.clear();
    std::size_t pos = 0;
    line = 1;
    for (int skipped = 0; skipped < headerLines && pos < content.size(); ++skipped) {
        const std::size_t lineEnd = content.find('\n', pos);
        pos = lineEnd == std::string::npos ? content.size() : lineEnd + 1;
        ++line;
    }
    auto isSeparator = [](char c) {
        return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n';
    };
    while (pos < content.size() && static_cast<int>(numbers.size()) < count) {
        const char c = content[pos];
        if (isSeparator(c)) {
            if (c == '\n')
                ++line;
            ++pos;
            continue;
        }
        std::size_t end = pos;
        while (end < content.size() && !isSeparator(content[end]))
            ++end;
        const std::string_view token = std::string_view(content).substr(pos, end - pos);
        const std::optional<double> value = textrec::readWholeNumber(token);
        if (!value) {
            return dataFileMessage(
                name, line, "に数値でない項目 \"" + textrec::shownText(token) + "\" があります。");
        }
        numbers.push_back({*value, line});
        pos = end;
    }
    if (static_cast<int>(numbers.size()) < count) {
        return "データファイル " + quoted(name) + " の数値が足りません（" + std::to_string(count) +
               " 個が必要ですが " + std::to_string(numbers.size()) + " 個しかありません）。";
    }
    return {};
}

// Refuses a number outside [least, most] (above least when `least` itself is
// not allowed), naming the file, its line and what the number stands for.
std::string outsideRange(const std::string& name, const FileNumber& number, const char* what,
                         double least, bool leastAllowed, double most, const char* unit) {
    const bool inside =
        (leastAllowed ? number.value >= least : number.value > least) && number.value <= most;
    if (inside)
        return {};
    return dataFileMessage(name, number.line,
                           "の" + std::string(what) + " " + textrec::plainNumber(number.value) +
                               " は使えません（" + textrec::plainNumber(least) +
                               (leastAllowed ? " 以上 " : " より大きく ") +
                               textrec::plainNumber(most) + unit + " 以下が必要です）。");
}

// Linear attenuation and energy-absorption coefficients of these materials
// lie below 10^6 per cm from 0.5 keV up (tungsten's largest, at 0.5 keV, is
// under 2 x 10^5); zero or negative ones are no coefficients at all.
constexpr double kMaxCoefficient = 1e6;

} // namespace

std::string readMaterialTable(const std::filesystem::path& path, BinArray& table) {
    std::vector<FileNumber> numbers;
    std::string error = readFreeNumbers(path, 0, 2 * kBinCount, numbers);
    if (!error.empty())
        return error;
    const std::string name = path.filename().string();
    for (int i = 1; i <= kBinCount; ++i) {
        const FileNumber& value = numbers[static_cast<std::size_t>(2 * (i - 1) + 1)];
        error = outsideRange(name, value, "係数", 0, false, kMaxCoefficient, "");
        if (!error.empty())
            return error;
    }
    table[0] = 0;
    for (int i = 1; i <= kBinCount; ++i)
        table[i] = numbers[static_cast<std::size_t>(2 * (i - 1) + 1)].value;
    return {};
}

// Survey outputs Y, whose Y * 33.97 is the air kerma per mAs at 100 cm: from
// 1 nGy to 1 Gy per mAs, a ten-thousandth to a thousand times any tube's.
// Within these bounds the interpolation between two rows keeps a row's output
// (an output of 4E-26 beside one of 3E-6 had come out as exactly 0).
constexpr double kLeastOutput = 1e-9 / kSurveyKermaFactor;
constexpr double kMostOutput = 1 / kSurveyKermaFactor;

// The survey file: a header line, then Vs(1..12) and, for each mode, Y(1..12, m)
// with the reference aluminium and copper filtration in mm. Voltages of a
// diagnostic tube, outputs as above, and reference filtrations that let
// photons through: some aluminium, up to 50 mm, and up to 10 mm of copper,
// none being allowed.
std::string readOutputSurvey(const std::filesystem::path& path, OutputSurvey& survey) {
    constexpr int kNumbers = kSurveyRows + 3 * (kSurveyRows + 2);
    std::vector<FileNumber> numbers;
    std::string error = readFreeNumbers(path, 1, kNumbers, numbers);
    if (!error.empty())
        return error;
    const std::string name = path.filename().string();
    OutputSurvey read;
    std::size_t next = 0;
    auto take = [&](double& into, const char* what, double least, bool leastAllowed, double most,
                    const char* unit) {
        const FileNumber& number = numbers[next++];
        if (error.empty())
            error = outsideRange(name, number, what, least, leastAllowed, most, unit);
        into = number.value;
    };
    for (int k = 1; k <= kSurveyRows; ++k)
        take(read.voltage[k], "管電圧", 0, false, 1000, " kV");
    for (int m = 1; m <= 3; ++m) {
        for (int k = 1; k <= kSurveyRows; ++k)
            take(read.output[m][k], "出力", kLeastOutput, true, kMostOutput, "");
        take(read.referenceAl[m], "参照フィルタ（アルミニウム）", 0, false, 50, " mm");
        take(read.referenceCu[m], "参照フィルタ（銅）", 0, true, 10, " mm");
        read.referenceAl[m] *= 0.1;
        read.referenceCu[m] *= 0.1;
    }
    if (!error.empty())
        return error;
    // The interpolation divides by the step between rows.
    for (int k = 2; k <= kSurveyRows; ++k) {
        if (!(read.voltage[k] > read.voltage[k - 1])) {
            return dataFileMessage(name, numbers[static_cast<std::size_t>(k - 1)].line,
                                   "の管電圧が昇順になっていません（" + std::to_string(k) +
                                       " 番目）。");
        }
    }
    survey = read;
    return {};
}

namespace {

// Phases of the voltage waveform, in degrees, ascending.
struct PhaseLadder {
    int first = 90;
    int step = 1;
    int count = 1;
};

std::optional<PhaseLadder> phaseLadder(int rectificationMode) {
    switch (rectificationMode) {
    case kConstantPotential:
        return PhaseLadder{90, 1, 1};
    case kThreePhase12Peak:
        return PhaseLadder{75, 1, 16};
    case kSinglePhaseFullWave:
        return PhaseLadder{2, 2, 45};
    default:
        return std::nullopt;
    }
}

// Single-phase full wave: the tube output grows with the 1.5th power of the
// instantaneous voltage up to 75 % of the peak, and is full above it.
double phaseWeight(int rectificationMode, double sinPhase) {
    if (rectificationMode != kSinglePhaseFullWave)
        return 1;
    return std::pow(std::min(1.0, sinPhase / 0.75), 1.5);
}

// Thomson-Whiddington constant of tungsten, keV^2 cm^2 / g, at tube voltage V.
double thomsonWhiddington(double V) {
    return 141766 + 12157 * V - 111.046 * V * V + 0.552536 * V * V * V -
           0.000970158 * V * V * V * V;
}

// Terms of the electron-energy ladder that depend on the electron energy only.
// The ladder steps by 0.5 keV from a bin energy, so T is always 0.5*j for a
// whole j, exactly, and these are worked out once.
struct ElectronLadder {
    BinArray stopping{};     // D(T) = 1036.1 exp(-0.04695 T) + 202.41
    BinArray relativistic{}; // 1 + 511/T, with 511 keV the electron rest energy
};

const ElectronLadder& electronLadder() {
    static const ElectronLadder ladder = [] {
        ElectronLadder l;
        for (int j = 1; j <= kBinCount; ++j) {
            const double T = binEnergy(j);
            l.stopping[j] = 1036.1 * std::exp(-0.04695 * T) + 202.41;
            l.relativistic[j] = 1 + 511 / T;
        }
        return l;
    }();
    return ladder;
}

// Unfiltered spectrum at the instantaneous voltage V: each bin sums the
// bremsstrahlung of the electron energies T = E, E + 0.5, ... <= V as the
// electrons slow down in the anode, attenuated on the way out of the anode.
// Returns the last bin written.
int phaseSpectrumAt(double V, double cotTheta, const BinArray& tungsten, BinArray& P) {
    const ElectronLadder& ladder = electronLadder();
    const double depthScale = 19.3 * thomsonWhiddington(V);
    const double brems = 0.03658 + 0.000029 * V;
    int lastBin = 1;
    for (int i = 2; i <= kBinCount && i <= 2 * V; ++i) {
        const double E = binEnergy(i);
        const double mu = tungsten[i];
        double sum = 0;
        for (int j = i; j <= kBinCount && binEnergy(j) <= V; ++j) {
            const double T = binEnergy(j);
            const double h = E / T;
            const double B = brems * (1 - 5.049 * h + 10.847 * h * h - 10.516 * h * h * h +
                                      3.842 * h * h * h * h);
            const double d = cotTheta * (V * V - T * T) / depthScale;
            sum = sum + B * ladder.relativistic[j] / ladder.stopping[j] * std::exp(-mu * d);
        }
        P[i] = sum;
        lastBin = i;
    }
    return lastBin;
}

// Tungsten K lines above 70 kV, in proportion to the bremsstrahlung total.
void addKLines(double V, int lastBin, BinArray& P) {
    const double k = (std::sqrt(8.79856 * V - 595.149) - 4.55528) / 4.39928;
    double total = 0;
    for (int i = 2; i <= lastBin; ++i)
        total += P[i];
    const double L = 0.01 * k * total;
    P[119] += 0.5048 * L; // 59.5 keV
    P[116] += 0.2908 * L; // 58.0 keV
    P[134] += 0.162 * L;  // 67.0 keV
    P[138] += 0.0424 * L; // 69.0 keV
}

bool surveyCovers(const OutputSurvey& survey, double kv) {
    return kv <= survey.voltage[kSurveyRows];
}

std::string beyondSurveyMessage(const OutputSurvey& survey, double kv) {
    return "管電圧 " + textrec::plainNumber(kv) + " kV は出力データ " +
           quoted(textrec::exchange::outputSurveyFile) + " の範囲（" +
           textrec::plainNumber(survey.voltage[kSurveyRows]) + " kV まで）を超えています。";
}

} // namespace

TubeSettings readTubeSettings(std::string_view voltageText, std::string_view angleText,
                              std::string_view inherentText, std::string_view aluminiumText,
                              std::string_view copperText, std::string_view currentText,
                              int rectificationMode) {
    TubeSettings settings;
    settings.tubeVoltage = textrec::leadingNumber(voltageText);
    settings.targetAngle = textrec::leadingNumber(angleText);
    settings.inherentFiltration = textrec::leadingNumber(inherentText);
    settings.addedAluminium = textrec::leadingNumber(aluminiumText);
    settings.addedCopper = textrec::leadingNumber(copperText);
    settings.tubeCurrent = textrec::leadingNumber(currentText);
    settings.rectificationMode = rectificationMode;
    return settings;
}

ClampedValue clampTubeVoltage(double kv) {
    if (kv >= 150)
        return {149.5, "149.5"};
    if (kv <= 30)
        return {30, "30"};
    return {kv, std::nullopt};
}

ClampedValue clampInherentFiltration(double mm) {
    const double cm = 0.1 * mm;
    if (cm < 0.1)
        return {0.1, "1"};
    return {cm, std::nullopt};
}

namespace {

// What the steps of one spectrum computation share once the settings passed
// their checks.
struct ModelRun {
    double kVp = 0; // after clamping
    int mode = kConstantPotential;
    PhaseLadder phases;
    double cotTheta = 0;
    double userAl = 0; // cm of aluminium, inherent filtration included
    double userCu = 0; // cm of copper
    int topBin = 0;    // the last bin at or below the peak voltage
};

// Step 1: the clamped voltage and inherent filtration, the filters in cm, and
// the checks that must pass before any work. Fills `result` with the settings
// as used; on a refusal leaves its message in result.error and returns nothing.
std::optional<ModelRun> clampAndCheck(const OutputSurvey& survey, const TubeSettings& settings,
                                      SpectrumResult& result) {
    result.tubeCurrent = settings.tubeCurrent;
    const ClampedValue voltage = clampTubeVoltage(settings.tubeVoltage);
    result.kVp = voltage.value;
    result.voltageText = voltage.fieldText;
    result.targetAngle = settings.targetAngle;
    const ClampedValue inherent = clampInherentFiltration(settings.inherentFiltration);
    result.inherentCm = inherent.value;
    result.inherentText = inherent.fieldText;
    result.aluminiumCm = 0.1 * settings.addedAluminium;
    result.copperCm = 0.1 * settings.addedCopper;

    ModelRun run;
    run.kVp = result.kVp;
    run.mode = settings.rectificationMode;
    const std::optional<PhaseLadder> phases = phaseLadder(run.mode);
    if (!phases) {
        result.error = "整流方式 " + std::to_string(run.mode) + " は使えません。";
        return std::nullopt;
    }
    run.phases = *phases;
    run.cotTheta = 1 / std::tan(result.targetAngle * kPi / 180);
    if (!std::isfinite(run.cotTheta)) {
        result.error =
            "ターゲット角度が 0 度では計算できません。ターゲット角度を入力してください。";
        return std::nullopt;
    }
    if (!surveyCovers(survey, run.kVp)) {
        result.error = beyondSurveyMessage(survey, run.kVp);
        return std::nullopt;
    }
    run.userAl = result.inherentCm + result.aluminiumCm;
    run.userCu = result.copperCm;
    run.topBin = std::min(kBinCount, static_cast<int>(std::floor(2 * run.kVp)));
    return run;
}

// Step 2: the unfiltered spectrum S averaged over the phases of the voltage
// waveform, with the weight of each phase.
void averageOverWaveform(const BinArray& tungsten, const ModelRun& run, SpectrumArrays& arrays) {
    BinArray& S = arrays.spectrum;
    BinArray& P = arrays.phaseSpectrum;
    const PhaseLadder& phases = run.phases;
    double lastV = 0;
    for (int p = 0; p < phases.count; ++p) {
        const double phi = phases.first + p * phases.step;
        const double sinPhase = std::sin(phi * kPi / 180);
        const double V = run.kVp * sinPhase;
        const double w = phaseWeight(run.mode, sinPhase);
        const int lastBin = phaseSpectrumAt(V, run.cotTheta, tungsten, P);
        if (V > 70)
            addKLines(V, lastBin, P);
        for (int i = 2; i <= lastBin; ++i)
            S[i] = S[i] + w * P[i];
        lastV = V;
    }
    // The division is by the number of phases, not by the sum of the weights.
    for (int i = 2; i <= kBinCount && i <= 2 * lastV; ++i)
        S[i] = S[i] / phases.count;
}

struct KermaSums {
    double reference = 0; // behind the survey's reference filtration
    double user = 0;      // behind the user's filtration
};

// Step 3: the air kerma of the spectrum behind the survey's reference
// filtration and behind the user's, bin by bin and summed.
KermaSums kermaBehindFilters(const SpectrumTables& tables, const ModelRun& run,
                             SpectrumArrays& arrays) {
    const BinArray& S = arrays.spectrum;
    const double refAl = tables.OutputSurveyTable.referenceAl[run.mode];
    const double refCu = tables.OutputSurveyTable.referenceCu[run.mode];
    const BinArray& al = tables.AluminiumTable;
    const BinArray& cu = tables.CopperTable;
    const BinArray& air = tables.AirAbsorptionTable;
    KermaSums sums;
    for (int i = 2; i <= run.topBin; ++i) {
        arrays.referenceKerma[i] = air[i] * S[i] * std::exp(-refAl * al[i] - refCu * cu[i]);
        arrays.userKerma[i] = air[i] * S[i] * std::exp(-run.userAl * al[i] - run.userCu * cu[i]);
        sums.reference += arrays.referenceKerma[i];
        sums.user += arrays.userKerma[i];
    }
    return sums;
}

// Step 4: the spectrum behind the user's filtration, turned from energy
// fluence into photon number. Returns its maximum; `finite` tells whether
// every bin is a number.
double filterSpectrum(const SpectrumTables& tables, const ModelRun& run, BinArray& S,
                      bool& finite) {
    const BinArray& al = tables.AluminiumTable;
    const BinArray& cu = tables.CopperTable;
    double Smax = 0;
    finite = true;
    for (int i = 2; i <= run.topBin; ++i) {
        S[i] = S[i] * std::exp(-run.userAl * al[i]) * std::exp(-run.userCu * cu[i]) / binEnergy(i);
        finite = finite && std::isfinite(S[i]);
        if (S[i] > Smax)
            Smax = S[i];
    }
    return Smax;
}

} // namespace

SpectrumResult computeSpectrum(const SpectrumTables& tables, const TubeSettings& settings,
                               SpectrumArrays& arrays) {
    arrays.spectrum.fill(0);
    SpectrumResult result;
    const std::optional<ModelRun> run = clampAndCheck(tables.OutputSurveyTable, settings, result);
    if (!run)
        return result;
    averageOverWaveform(tables.TungstenTable, *run, arrays);
    const KermaSums kerma = kermaBehindFilters(tables, *run, arrays);
    result.kermaRatio = kerma.user / kerma.reference;
    bool finite = true;
    result.spectrumMaximum = filterSpectrum(tables, *run, arrays.spectrum, finite);

    // A negative target angle lets the anode amplify instead of attenuate, and
    // the sums overflow; the file would hold no numbers.
    if (!finite) {
        result.error = "この条件ではＸ線スペクトルが計算できません。"
                       "ターゲット角度とフィルタの厚さを確認してください。";
        return result;
    }
    if (!(result.spectrumMaximum > 0)) {
        result.error = "この条件ではＸ線スペクトルが得られません（すべてのエネルギーで 0 "
                       "になります）。フィルタの厚さを確認してください。";
        return result;
    }
    if (!std::isfinite(result.kermaRatio) || !(kerma.reference > 0)) {
        result.error = "この条件ではＸ線出力の補正係数が求められません。"
                       "フィルタの厚さを確認してください。";
        return result;
    }
    return result;
}

std::string formatSpectrumFile(const SpectrumResult& result, const BinArray& spectrum) {
    std::string text;
    text.reserve(kBinCount * 17 + 100);
    const double Smax = result.spectrumMaximum;
    for (int i = 1; i <= kBinCount; ++i) {
        text += textrec::formatMask(binEnergy(i), "0000.0");
        text += ", ";
        text += textrec::formatMask(spectrum[i] / Smax, "0.00000");
        text += textrec::kRecordEnd;
    }
    auto line = [&text](const std::string& value) {
        text += value;
        text += textrec::kRecordEnd;
    };
    line(textrec::plainNumber(1000 * Smax));
    line(textrec::formatMask(result.kVp, "000.0"));
    line(textrec::formatMask(result.tubeCurrent, "##0.00"));
    line(textrec::formatMask(result.targetAngle, "00.0"));
    line(textrec::formatMask(10 * result.inherentCm, "00.000"));
    line(textrec::formatMask(10 * result.aluminiumCm, "00.000"));
    line(textrec::formatMask(10 * result.copperCm, "00.000"));
    return text;
}

std::string writeSpectrumFile(const std::filesystem::path& folder, const SpectrumResult& result,
                              const BinArray& spectrum) {
    std::string writeError;
    if (!textrec::writeFileAtomic(folder / textrec::exchange::spectrumFile,
                                  formatSpectrumFile(result, spectrum), &writeError))
        return quoted(textrec::exchange::spectrumFile) + " を書き込めません。" + writeError;
    return {};
}

OutputRateResult computeOutputRate(const OutputSurvey& survey, double kv, double tubeCurrent,
                                   int rectificationMode, double kermaRatio) {
    OutputRateResult result;
    if (rectificationMode < 1 || rectificationMode > 3) {
        result.error = "整流方式 " + std::to_string(rectificationMode) + " は使えません。";
        return result;
    }
    if (!surveyCovers(survey, kv)) {
        result.error = beyondSurveyMessage(survey, kv);
        return result;
    }
    int a = 2;
    while (kv > survey.voltage[a])
        ++a;
    const auto& Y = survey.output[rectificationMode];
    const auto& Vs = survey.voltage;
    result.surveyOutput = Y[a - 1] + (Y[a] - Y[a - 1]) * (kv - Vs[a - 1]) / (Vs[a] - Vs[a - 1]);
    result.kermaRateAt100cm =
        result.surveyOutput * kermaRatio * tubeCurrent * kSecondsPerMinute * kSurveyKermaFactor;
    return result;
}

std::string loadSpectrumTables(const std::filesystem::path& folder, SpectrumTables& tables) {
    // Into fresh tables first, so that a failed load leaves no half-loaded table.
    SpectrumTables fresh;
    const std::pair<const char*, BinArray*> materials[] = {
        {textrec::exchange::tungstenFile, &fresh.TungstenTable},
        {textrec::exchange::aluminiumFile, &fresh.AluminiumTable},
        {textrec::exchange::copperFile, &fresh.CopperTable},
        {textrec::exchange::airAbsorptionFile, &fresh.AirAbsorptionTable},
    };
    for (const auto& [name, table] : materials) {
        std::string error = readMaterialTable(folder / name, *table);
        if (!error.empty())
            return error;
    }
    std::string error =
        readOutputSurvey(folder / textrec::exchange::outputSurveyFile, fresh.OutputSurveyTable);
    if (!error.empty())
        return error;
    tables = fresh;
    return {};
}

std::string LoadSpectrumTables(const std::filesystem::path& folder) {
    return loadSpectrumTables(folder, spectrumTables);
}

SpectrumResult ComputeSpectrum(const TubeSettings& settings, const std::filesystem::path& folder) {
    SpectrumResult result = computeSpectrum(spectrumTables, settings, spectrumArrays);
    if (!result.ok())
        return result;
    result.error = writeSpectrumFile(folder, result, spectrumArrays.spectrum);
    if (!result.ok())
        return result;
    kermaRatio = result.kermaRatio;
    return result;
}

OutputRateResult ComputeOutputRate(double tubeVoltage, double tubeCurrent, int rectificationMode) {
    OutputRateResult result = computeOutputRate(spectrumTables.OutputSurveyTable, tubeVoltage,
                                                tubeCurrent, rectificationMode, kermaRatio);
    if (result.ok())
        kermaRateAt100cm = result.kermaRateAt100cm;
    return result;
}

} // namespace Module1
