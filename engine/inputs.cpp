#include "inputs.h"

#include "constants.h"

#include <textrec/textrec.h>

#include <cmath>
#include <span>
#include <sstream>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

namespace {

namespace exchange = textrec::exchange;
using textrec::InputError;
using textrec::LineReader;

std::string number(double value) {
    std::ostringstream s;
    s << value;
    return s.str();
}

// Reads the next line against a format of one number field.
float readSingle(LineReader& reader, std::string_view format) {
    std::array<float, 1> value{};
    reader.readFloats(textrec::parseFormat(format), value);
    return value[0];
}

// Reads one line per element of `out` against a format of two number fields
// and keeps the second number of each line, which must be at least `least`
// (above it when `leastAllowed` is false).
void readSecondColumn(LineReader& reader, std::string_view format, std::span<float> out,
                      float least, bool leastAllowed, const char* what) {
    const auto parsed = textrec::parseFormat(format);
    for (float& value : out) {
        std::array<float, 2> row{};
        reader.readFloats(parsed, row);
        value = row[1];
        if (!(leastAllowed ? value >= least : value > least))
            reader.fail(std::string(what) +
                        (leastAllowed ? " must not be below " : " must be above ") + number(least) +
                        ", found " + number(value));
    }
}

// Each value of B2F.txt is checked on its own, so that a refusal names this
// file and the line rather than a later step that fails on it. The ranges lie
// far beyond any fluoroscopy unit, and within them the normalisation of the
// maps stays inside the range of a float.
struct JobValueRange {
    const char* what;
    float least;
    float most;
    const char* unit;
};
constexpr JobValueRange kermaRateRange{"the air-kerma rate at 100 cm", 0, 1e3f, " Gy/min"};
constexpr JobValueRange distanceRange{"the focus-skin distance", 1, 1e4f, " cm"};
constexpr JobValueRange fieldLengthRange{"the field length", 0.1f, 1e3f, " cm"};
constexpr JobValueRange fieldWidthRange{"the field width", 0.1f, 1e3f, " cm"};
// At least one history, and far below a count that could finish; keeps the
// per-bin counts in range.
constexpr JobValueRange historiesRange{"the number of histories", 1, 1e15f, ""};

// Reads the next line of B2F.txt as a number within `range`. The kerma rate
// must be above its least value, the others at least at theirs.
float readJobValue(LineReader& reader, const JobValueRange& range) {
    const float value = reader.readFreeFloat();
    const bool aboveLeast = range.least == 0 ? value > 0 : value >= range.least;
    if (!(aboveLeast && value <= range.most))
        reader.fail(std::string(range.what) + " must be " +
                    (range.least == 0 ? "above 0" : "at least " + number(range.least)) +
                    " and at most " + number(range.most) + range.unit + ", found " + number(value));
    return value;
}

} // namespace

void readCrossSectionFile(const std::filesystem::path& path, CrossSectionTable& crossSections,
                          FormFactorTable& formFactors) {
    LineReader reader(path);

    const int n = static_cast<int>(readSingle(reader, "(I3)"));
    if (n < 2 || n > maxCrossSectionRows)
        reader.fail("the number of cross-section rows must be 2 to " +
                    std::to_string(maxCrossSectionRows) + ", found " + std::to_string(n));
    crossSections.rowCount = n;

    crossSections.density = readSingle(reader, "(F9.6)");

    const auto rowFormat = textrec::parseFormat("(E9.3,3E10.3)");
    for (int i = 0; i < n; ++i) {
        std::array<float, 4> row{};
        reader.readFloats(rowFormat, row);
        crossSections.energy[i] = row[0] * 1000.0f; // MeV -> keV
        crossSections.coherent[i] = row[1];
        crossSections.incoherent[i] = row[2];
        crossSections.photoelectric[i] = row[3];
        // Logarithms of all four are taken by the log-log interpolation.
        if (!(row[0] > 0 && row[1] > 0 && row[2] > 0 && row[3] > 0))
            reader.fail("energies and coefficients must be greater than 0");
        if (i > 0 && !(crossSections.energy[i] > crossSections.energy[i - 1]))
            reader.fail("energies must rise from row to row");
    }

    const auto formFactorFormat = textrec::parseFormat("(E10.3,2E12.5)");
    for (int i = 0; i < formFactorRows; ++i) {
        std::array<float, 3> row{};
        reader.readFloats(formFactorFormat, row);
        formFactors.x[i] = row[0];
        formFactors.cumulativeCoherent[i] = row[1];
        formFactors.incoherentFunction[i] = row[2];
        if (i > 0 && !(row[0] > formFactors.x[i - 1]))
            reader.fail("the momentum transfer x must rise from row to row");
        if (i > 0 && row[1] < formFactors.cumulativeCoherent[i - 1])
            reader.fail("the cumulative coherent distribution A(x) must not fall");
        if (row[1] < 0 || row[2] < 0)
            reader.fail("A(x) and S(x) must not be negative");
    }
    // Incoherent sampling looks S(q) up for every q below 10, coherent
    // sampling divides by A(45) and S(45) is the rejection maximum.
    if (formFactors.x[formFactorRows - 1] < freeElectronMomentumTransfer)
        reader.fail("the momentum transfer x must reach 10 by the last row, found " +
                    number(formFactors.x[formFactorRows - 1]));
    if (!(formFactors.cumulativeCoherent[formFactorRows - 1] > 0 &&
          formFactors.incoherentFunction[formFactorRows - 1] > 0))
        reader.fail("the last row must hold A(x) and S(x) greater than 0");
}

AirAbsorptionTable readAirAbsorptionFile(const std::filesystem::path& path) {
    LineReader reader(path);
    AirAbsorptionTable table;
    // Absorption coefficients: a zero or negative one would make air absorb
    // nothing or give back energy, and the normalisation would fail or turn negative.
    readSecondColumn(reader, "(E10.4,E15.6)", table.mu, 0, false,
                     "the energy-absorption coefficient");
    return table;
}

KermaToDoseTable readKermaToDoseFile(const std::filesystem::path& path) {
    LineReader reader(path);
    KermaToDoseTable table;
    const auto format = textrec::parseFormat("(E9.3,E12.5)");
    for (int r = 0; r < kermaToDoseRows; ++r) {
        std::array<float, 2> row{};
        reader.readFloats(format, row);
        table.energy[r] = row[0];
        table.coefficient[r] = row[1];
        if (r > 0 && row[0] < table.energy[r - 1])
            reader.fail("energies must not fall from row to row");
        if (row[1] < 0)
            reader.fail("the dose-equivalent coefficient must not be below 0, found " +
                        number(row[1]));
    }
    return table;
}

JobParameters readJobFile(const std::filesystem::path& path) {
    LineReader reader(path);
    JobParameters job;
    job.kermaRateAt100cm = readJobValue(reader, kermaRateRange);
    job.focusSkinDistance = readJobValue(reader, distanceRange);
    job.fieldLength = readJobValue(reader, fieldLengthRange);
    job.fieldWidth = readJobValue(reader, fieldWidthRange);
    job.photonCount = readJobValue(reader, historiesRange);

    // (A30): the first 30 characters; trailing blanks are not part of the name.
    const std::string_view name = exchange::resultNameOnLine(reader.next());
    if (const std::string problem = exchange::resultNameProblem(name); !problem.empty())
        reader.fail(problem);
    job.resultFileName = std::string(name);

    // Maps in other planes, when the job asks for them after line 6.
    job.planes = textrec::planes::readJobFileLines(
        reader, {job.resultFileName, patientPosition, job.focusSkinDistance});
    return job;
}

SpectrumTable readSpectrumFile(const std::filesystem::path& path) {
    LineReader reader(path);
    SpectrumTable spectrum;
    // The text field between the energy and the weight is not a number.
    // Weights are relative photon numbers.
    readSecondColumn(reader, "(F6.1,A1,F8.5)", spectrum.weight, 0, true, "the weight");
    for (float& info : spectrum.spectrumInfo)
        info = reader.readFreeFloat();

    spectrum.highestBin = 0;
    for (int k = spectrumBins; k >= 1; --k) {
        if (spectrum.weight[k - 1] != 0.0f) {
            spectrum.highestBin = k;
            break;
        }
    }
    if (spectrum.highestBin == 0)
        throw InputError(reader.name(), 0, "every spectrum weight is 0");

    // Bins 1 to 9 count in the sum although they are never simulated.
    float sum = 0;
    for (float w : spectrum.weight)
        sum += w;
    if (!(sum > 0) || !std::isfinite(sum))
        throw InputError(reader.name(), 0,
                         "the spectrum weights must add up to a positive number, found " +
                             number(sum));
    for (float& w : spectrum.weight)
        w = w / sum;
    return spectrum;
}

void checkInputsAgree(const EngineInputs& inputs) {
    // The transport and the scorer meet photon energies from 5 keV up to the
    // energy of the highest simulated bin; their searches must stay inside the tables.
    const float highestEnergy = binEnergy(inputs.spectrum.highestBin);
    const CrossSectionTable& xs = inputs.crossSections;
    if (inputs.spectrum.highestBin >= firstSimulatedBin &&
        !(xs.energy[xs.rowCount - 1] > highestEnergy))
        throw InputError(exchange::crossSectionFile, 0,
                         "the last energy (" + number(xs.energy[xs.rowCount - 1]) +
                             " keV) must exceed the highest photon energy of the spectrum (" +
                             number(highestEnergy) + " keV)");

    const KermaToDoseTable& h = inputs.kermaToDose;
    if (!(h.energy[0] <= scoringThreshold))
        throw InputError(exchange::kermaToDoseFile, 1,
                         "the first energy must be at most 10 keV, found " + number(h.energy[0]));
    if (inputs.spectrum.highestBin >= 20 && !(h.energy[kermaToDoseRows - 1] > highestEnergy))
        throw InputError(exchange::kermaToDoseFile, kermaToDoseRows,
                         "the last energy (" + number(h.energy[kermaToDoseRows - 1]) +
                             " keV) must exceed the highest photon energy of the spectrum (" +
                             number(highestEnergy) + " keV)");
}

EngineInputs loadInputs(const std::filesystem::path& folder) {
    EngineInputs inputs;
    readCrossSectionFile(folder / exchange::crossSectionFile, inputs.crossSections,
                         inputs.formFactors);
    inputs.airAbsorption = readAirAbsorptionFile(folder / exchange::airAbsorptionFile);
    inputs.kermaToDose = readKermaToDoseFile(folder / exchange::kermaToDoseFile);
    inputs.job = readJobFile(folder / exchange::jobFile);
    inputs.spectrum = readSpectrumFile(folder / exchange::spectrumFile);
    checkInputsAgree(inputs);
    return inputs;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
