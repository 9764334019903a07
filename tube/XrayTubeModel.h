// X-ray spectrum and tube output model of the window program.
//
// The tube settings of the conditions window become the filtered photon
// spectrum of "B_SPCTL.dat" and the air-kerma rate at 100 cm that the job file
// carries. The spectrum comes from a thick-target model of a tungsten anode,
// averaged over the voltage waveform of the generator; the absolute output comes
// from a survey table of tube outputs, corrected for the user's filtration.
//
// Plain code without any window: the conditions window reads its fields with
// textrec::leadingNumber, passes the numbers in, and writes the clamped texts it
// gets back into its fields. Failures come back as a message in the result, in
// the words the window shows.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Module1 {

// The energy grid: bin i (1..300) stands for the photon energy 0.5*i keV.
inline constexpr int kBinCount = 300;

// One value per bin. Element i holds bin i, so the code reads with the bin
// numbers; element 0 is never used.
using BinArray = std::array<double, kBinCount + 1>;

// Rectification of the generator, the values of RectificationMode.
inline constexpr int kConstantPotential = 1;
inline constexpr int kThreePhase12Peak = 2;
inline constexpr int kSinglePhaseFullWave = 3;

// Average tube outputs of the survey table "sdec_default.op". Rows k = 1..12
// and modes m = 1..3 keep their numbers as indices (element 0 unused).
inline constexpr int kSurveyRows = 12;
struct OutputSurvey {
    std::array<double, kSurveyRows + 1> voltage{}; // Vs(k), kV, ascending
    // output[m][k] = Y(k, m); Y * 33.97 is the air kerma in Gy per mAs at 100 cm.
    std::array<std::array<double, kSurveyRows + 1>, 4> output{};
    std::array<double, 4> referenceAl{}; // cm, filtration the outputs of mode m belong to
    std::array<double, 4> referenceCu{}; // cm
};

// The physical data of the model, loaded once when the conditions window loads.
struct SpectrumTables {
    BinArray TungstenTable{};      // linear attenuation coefficient of tungsten, 1/cm
    BinArray AluminiumTable{};     // linear attenuation coefficient of aluminium, 1/cm
    BinArray CopperTable{};        // linear attenuation coefficient of copper, 1/cm
    BinArray AirAbsorptionTable{}; // energy-absorption coefficient of air (only ratios used)
    OutputSurvey OutputSurveyTable{};
};

// The working arrays of one run. They persist between runs; the spectrum is
// zeroed at the start of every run.
struct SpectrumArrays {
    BinArray phaseSpectrum{};  // P(i): unfiltered spectrum at one waveform phase
    BinArray spectrum{};       // S(i): accumulated, then the filtered photon spectrum
    BinArray referenceKerma{}; // Kref(i): air kerma with the survey's filtration
    BinArray userKerma{};      // Kuser(i): air kerma with the user's filtration
};

// The tube settings as the window reads them from its fields.
struct TubeSettings {
    double tubeVoltage = 80;         // kV (Text1)
    double targetAngle = 12;         // degrees (Text5)
    double inherentFiltration = 2.5; // mm Al equivalent (Text2)
    double addedAluminium = 1.5;     // mm (Text3)
    double addedCopper = 0;          // mm (Text4)
    double tubeCurrent = 1;          // effective tube current, mA (Text8)
    int rectificationMode = kConstantPotential;
};

// Reads the six field texts the way the window reads every field (a text that
// does not start with a number reads as 0).
TubeSettings readTubeSettings(std::string_view voltageText, std::string_view angleText,
                              std::string_view inherentText, std::string_view aluminiumText,
                              std::string_view copperText, std::string_view currentText,
                              int rectificationMode);

// A value after its silent clamp. `fieldText` holds the text the field shows
// afterwards when the clamp changed it, and nothing when the field keeps its text.
struct ClampedValue {
    double value = 0;
    std::optional<std::string> fieldText;
};

// 150 kV or more becomes 149.5 ("149.5"); 30 kV or less becomes 30 ("30").
ClampedValue clampTubeVoltage(double kv);
// Inherent filtration in mm Al to the thickness in cm; below 1 mm it becomes
// 0.1 cm and the field shows "1".
ClampedValue clampInherentFiltration(double mm);

// Everything one spectrum computation produces.
struct SpectrumResult {
    std::string error;                       // empty on success; otherwise nothing was written
    std::optional<std::string> voltageText;  // new text of Text1 when clamped
    std::optional<std::string> inherentText; // new text of Text2 when clamped
    double kVp = 0;                          // kV, after clamping
    double tubeCurrent = 0;                  // mA
    double targetAngle = 0;                  // degrees
    double inherentCm = 0;                   // tInh, after clamping
    double aluminiumCm = 0;                  // tAl
    double copperCm = 0;                     // tCu
    double spectrumMaximum = 0;              // Smax of the filtered photon spectrum
    double kermaRatio = 0; // air kerma with the user's over the survey's filtration

    bool ok() const { return error.empty(); }
};

// Runs the spectrum model over `arrays` (the filtered spectrum is left in
// arrays.spectrum). Fails, writing nothing, for a target angle of 0, a voltage
// beyond the last survey voltage, an unknown rectification mode, or a spectrum
// that is 0 in every bin or not finite.
SpectrumResult computeSpectrum(const SpectrumTables& tables, const TubeSettings& settings,
                               SpectrumArrays& arrays);

// The 307 lines of "B_SPCTL.dat" (each ending in CR LF) for a computed spectrum.
std::string formatSpectrumFile(const SpectrumResult& result, const BinArray& spectrum);

// Writes "B_SPCTL.dat" in `folder`, whole or not at all. Returns an empty text
// on success, otherwise the message the window shows.
std::string writeSpectrumFile(const std::filesystem::path& folder, const SpectrumResult& result,
                              const BinArray& spectrum);

struct OutputRateResult {
    std::string error;           // empty on success
    double surveyOutput = 0;     // Y interpolated at the voltage
    double kermaRateAt100cm = 0; // Gy/min at 100 cm from the focus

    bool ok() const { return error.empty(); }
};

// Interpolates the survey output at `kv` (rows a-1 and a with the first a >= 2
// such that kv <= Vs(a); extrapolates below Vs(1)) and scales it by the kerma
// ratio and the current. Fails for a voltage beyond the last survey voltage.
OutputRateResult computeOutputRate(const OutputSurvey& survey, double kv, double tubeCurrent,
                                   int rectificationMode, double kermaRatio);

// Readers of the single data files, which loadSpectrumTables calls: a material
// file ("Tungsten.dat", "Aluminum.atc", "Copper.dat", "Air.eac": 300 pairs of
// an energy and a coefficient above 0) and the survey file "sdec_default.op".
// Each returns an empty text on success, otherwise a message naming the file
// and, for a value that is no number or outside what the table can hold, the
// line; the table is then unchanged.
std::string readMaterialTable(const std::filesystem::path& path, BinArray& table);
std::string readOutputSurvey(const std::filesystem::path& path, OutputSurvey& survey);

// Reads the five data files from `folder` into `tables`. Returns an empty text
// on success, otherwise a message naming the file; `tables` is then unchanged.
std::string loadSpectrumTables(const std::filesystem::path& folder, SpectrumTables& tables);

// ---------------------------------------------------------------------------
// The module's operations over its own tables and arrays, as the conditions
// window calls them. `folder` is the working folder (the current one by default).
// ---------------------------------------------------------------------------

inline SpectrumTables spectrumTables;
inline SpectrumArrays spectrumArrays;
// Air kerma with the user's filtration over the survey's, of the last spectrum.
inline double kermaRatio = 0;
// Gy/min at 100 cm from the focus, of the last run set-up.
inline double kermaRateAt100cm = 0;

// Loads the tables; on failure the message names the file and the module
// tables stay as they were.
std::string LoadSpectrumTables(const std::filesystem::path& folder = {});

// Computes the spectrum, writes "B_SPCTL.dat" (whole or not at all) and sets
// Module1::kermaRatio. On failure nothing is written and kermaRatio is kept.
SpectrumResult ComputeSpectrum(const TubeSettings& settings,
                               const std::filesystem::path& folder = {});

// Sets Module1::kermaRateAt100cm from the clamped voltage of Text1, the current
// of Text8 and the kermaRatio of this run's ComputeSpectrum.
OutputRateResult ComputeOutputRate(double tubeVoltage, double tubeCurrent, int rectificationMode);

} // namespace Module1
