#include <gtest/gtest.h>

#include "TempFolderTest.h"

#include "XrayTubeModel.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using namespace Module1;

namespace {

constexpr double kPi5 = 3.14159;

// Small tables of the tests' own: tungsten, aluminium and copper attenuation
// falling with energy, air absorption flat, and a survey whose outputs grow
// with the square of the voltage (so interpolation and extrapolation differ).
SpectrumTables testTables() {
    SpectrumTables t;
    for (int i = 1; i <= kBinCount; ++i) {
        const double E = 0.5 * i;
        t.TungstenTable[i] = 20 + 4.0e5 / (E * E);
        t.AluminiumTable[i] = 0.5 + 2.0e3 / (E * E * E);
        t.CopperTable[i] = 2 + 6.0e4 / (E * E * E);
        t.AirAbsorptionTable[i] = 1;
    }
    OutputSurvey& s = t.OutputSurveyTable;
    for (int k = 1; k <= kSurveyRows; ++k) {
        s.voltage[k] = 30 + 10 * k; // 40 ... 150
        for (int m = 1; m <= 3; ++m)
            s.output[m][k] = m * 1.0e-6 * s.voltage[k] * s.voltage[k];
    }
    for (int m = 1; m <= 3; ++m) {
        s.referenceAl[m] = 2.5 * 0.1;
        s.referenceCu[m] = 0.1 * 0.1;
    }
    return t;
}

TubeSettings settings(double kv, int mode = kConstantPotential) {
    TubeSettings s;
    s.tubeVoltage = kv;
    s.rectificationMode = mode;
    return s;
}

// Unfiltered bremsstrahlung of bin i at voltage V through an anode that does
// not attenuate: the sum over the electron-energy ladder T = E, E + 0.5, ... <= V.
double bremsstrahlung(int i, double V) {
    const double E = 0.5 * i;
    double sum = 0;
    for (int step = 0; E + 0.5 * step <= V; ++step) {
        const double T = E + 0.5 * step;
        const double h = E / T;
        const double B =
            (0.03658 + 0.000029 * V) * (1 - 5.049 * h + 10.847 * std::pow(h, 2) -
                                        10.516 * std::pow(h, 3) + 3.842 * std::pow(h, 4));
        sum += B * (1 + 511 / T) / (1036.1 * std::exp(-0.04695 * T) + 202.41);
    }
    return sum;
}

// Tables that neither attenuate in the anode nor filter, so that the computed
// spectrum is the waveform average of bremsstrahlung() divided by the energy.
SpectrumTables transparentTables() {
    SpectrumTables t = testTables();
    t.TungstenTable.fill(0);
    t.AluminiumTable.fill(0);
    t.CopperTable.fill(0);
    return t;
}

class TempFolder : public testsupport::TempFolderTest {
protected:
    std::vector<std::string> lines(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
    // Material file of 300 pairs whose second number is `scale` * bin.
    void writeMaterial(const std::string& name, double scale, int pairs = kBinCount) {
        std::ostringstream text;
        for (int i = 1; i <= pairs; ++i)
            text << 0.5 * i << (i % 2 ? ", " : "   ") << scale * i << (i % 3 ? " " : "\r\n");
        write(name, text.str());
    }
    void writeAllData() {
        writeMaterial("Tungsten.dat", 1.0);
        writeMaterial("Aluminum.atc", 2.0);
        writeMaterial("Copper.dat", 3.0);
        writeMaterial("Air.eac", 4.0);
        std::ostringstream op;
        op << "kV  Y(constant) Y(12-peak) Y(single) 1 2 3\r\n";
        for (int k = 1; k <= 12; ++k)
            op << 30 + 10 * k << (k == 6 ? "\n" : ",");
        for (int m = 1; m <= 3; ++m) {
            for (int k = 1; k <= 12; ++k)
                op << m << "." << k << "D-03 ";
            op << "\n" << 2 + m << ", 0." << m << "\n";
        }
        write("sdec_default.op", op.str());
    }
};

} // namespace

TEST(SpectrumClamps, VoltageAndInherentFiltration) {
    EXPECT_EQ(clampTubeVoltage(200).value, 149.5);
    EXPECT_EQ(clampTubeVoltage(200).fieldText, "149.5");
    EXPECT_EQ(clampTubeVoltage(150).fieldText, "149.5");
    EXPECT_EQ(clampTubeVoltage(149.9).value, 149.9);
    EXPECT_FALSE(clampTubeVoltage(149.9).fieldText);
    EXPECT_EQ(clampTubeVoltage(25).value, 30);
    EXPECT_EQ(clampTubeVoltage(25).fieldText, "30");
    EXPECT_EQ(clampTubeVoltage(30).fieldText, "30");
    EXPECT_FALSE(clampTubeVoltage(30.1).fieldText);

    EXPECT_EQ(clampInherentFiltration(0.5).value, 0.1);
    EXPECT_EQ(clampInherentFiltration(0.5).fieldText, "1");
    EXPECT_EQ(clampInherentFiltration(1).value, 0.1);
    EXPECT_FALSE(clampInherentFiltration(1).fieldText);
    EXPECT_DOUBLE_EQ(clampInherentFiltration(2.5).value, 0.25);

    // A field that does not start with a number reads as 0 and becomes 30 kV.
    const TubeSettings read = readTubeSettings("abc", " 12deg", "0.5", "", "x", "2", 2);
    EXPECT_EQ(read.tubeVoltage, 0);
    EXPECT_EQ(read.targetAngle, 12);
    EXPECT_EQ(read.addedAluminium, 0);
    EXPECT_EQ(read.rectificationMode, 2);
    SpectrumArrays arrays;
    const SpectrumResult r = computeSpectrum(testTables(), read, arrays);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.kVp, 30);
    EXPECT_EQ(r.voltageText, "30");
    EXPECT_EQ(r.inherentText, "1");
    EXPECT_EQ(r.inherentCm, 0.1);
}

TEST(SpectrumModel, KLinesAbove70kVInTheirRatios) {
    SpectrumArrays arrays;
    for (double kv : {70.0, 72.0, 80.0}) {
        const SpectrumResult r = computeSpectrum(transparentTables(), settings(kv), arrays);
        ASSERT_TRUE(r.ok()) << r.error;
        const double V = kv * std::sin(90 * kPi5 / 180);
        // Without filtration S(i) = P(i) / E, so the lines are what P holds
        // beyond the bremsstrahlung.
        double total = 0;
        for (int i = 2; i <= 2 * V; ++i)
            total += bremsstrahlung(i, V);
        auto line = [&](int bin) {
            return arrays.spectrum[bin] * 0.5 * bin - bremsstrahlung(bin, V);
        };
        if (kv == 70) {
            for (int bin : {116, 119, 134, 138})
                EXPECT_NEAR(line(bin), 0, 1e-12 * total) << bin;
            continue;
        }
        const double k = (std::sqrt(8.79856 * V - 595.149) - 4.55528) / 4.39928;
        const double L = 0.01 * k * total;
        EXPECT_NEAR(line(116), 0.2908 * L, 1e-9 * L);
        EXPECT_NEAR(line(119), 0.5048 * L, 1e-9 * L);
        EXPECT_NEAR(line(134), 0.162 * L, 1e-9 * L);
        EXPECT_NEAR(line(138), 0.0424 * L, 1e-9 * L);
        for (int bin : {115, 117, 118, 120, 135, 137})
            EXPECT_NEAR(line(bin), 0, 1e-12 * total) << bin;
    }
}

TEST(SpectrumModel, WaveformPhasesAndWeights) {
    // 60 kV keeps every phase below the K lines.
    struct Case {
        int mode;
        std::vector<int> phases;
    };
    std::vector<int> twelvePeak, singlePhase;
    for (int phi = 75; phi <= 90; ++phi)
        twelvePeak.push_back(phi);
    for (int phi = 2; phi <= 90; phi += 2)
        singlePhase.push_back(phi);
    ASSERT_EQ(twelvePeak.size(), 16u);
    ASSERT_EQ(singlePhase.size(), 45u);

    for (const Case& c : {Case{kConstantPotential, {90}}, Case{kThreePhase12Peak, twelvePeak},
                          Case{kSinglePhaseFullWave, singlePhase}}) {
        SpectrumArrays arrays;
        ASSERT_TRUE(computeSpectrum(transparentTables(), settings(60, c.mode), arrays).ok());
        for (int bin : {2, 20, 61, 100, 118, 119}) {
            double expected = 0;
            for (int phi : c.phases) {
                const double s = std::sin(phi * kPi5 / 180);
                // Single-phase full wave: full weight from 75 % of the peak voltage.
                const double w =
                    c.mode == kSinglePhaseFullWave ? (s >= 0.75 ? 1 : std::pow(s / 0.75, 1.5)) : 1;
                expected += w * bremsstrahlung(bin, 60 * s);
            }
            expected /= c.phases.size(); // by the number of phases, not the weights
            EXPECT_NEAR(arrays.spectrum[bin] * 0.5 * bin, expected, 1e-12 * expected)
                << "mode " << c.mode << " bin " << bin;
        }
        // The bin 2*kVp lies a hair above the last phase's voltage.
        EXPECT_EQ(arrays.spectrum[120], 0);
        EXPECT_EQ(arrays.spectrum[1], 0);
    }
}

TEST(SpectrumModel, KermaRatioAndOutputAtReferenceFiltration) {
    SpectrumTables tables = testTables();
    SpectrumArrays arrays;
    TubeSettings s = settings(85, kThreePhase12Peak);
    s.inherentFiltration = 2.5;
    s.addedAluminium = 0;
    s.addedCopper = 0.1;
    SpectrumResult r = computeSpectrum(tables, s, arrays);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.kermaRatio, 1.0);
    const OutputRateResult out = computeOutputRate(tables.OutputSurveyTable, 85, 2, 2, 1.0);
    ASSERT_TRUE(out.ok());
    const double Y = 2e-6 * (80 * 80 + (90 * 90 - 80 * 80) * 0.5);
    EXPECT_DOUBLE_EQ(out.surveyOutput, Y);
    EXPECT_DOUBLE_EQ(out.kermaRateAt100cm, Y * 2 * 60 * 33.97);

    // More filtration than the survey's lowers the kerma.
    s.addedAluminium = 1.5;
    r = computeSpectrum(tables, s, arrays);
    ASSERT_TRUE(r.ok());
    EXPECT_LT(r.kermaRatio, 1);
    EXPECT_GT(r.kermaRatio, 0.3);
}

TEST(SpectrumModel, SurveyInterpolation) {
    const OutputSurvey survey = testTables().OutputSurveyTable;
    auto Y = [&](double kv) { return computeOutputRate(survey, kv, 1, 1, 1).surveyOutput; };
    EXPECT_DOUBLE_EQ(Y(60), 1e-6 * 3600);   // at a survey voltage: fraction 1 of rows 2..3
    EXPECT_DOUBLE_EQ(Y(40), 1e-6 * 1600);   // the first voltage
    EXPECT_DOUBLE_EQ(Y(150), 1e-6 * 22500); // the last voltage
    EXPECT_DOUBLE_EQ(Y(45), 1e-6 * (1600 + 2500) / 2);
    // Below the first voltage the first two rows extrapolate.
    EXPECT_DOUBLE_EQ(Y(30), 1e-6 * (1600 - (2500 - 1600)));
    EXPECT_DOUBLE_EQ(computeOutputRate(survey, 60, 1, 3, 1).surveyOutput, 3e-6 * 3600);

    const OutputRateResult beyond = computeOutputRate(survey, 150.5, 1, 1, 1);
    EXPECT_FALSE(beyond.ok());
    EXPECT_NE(beyond.error.find("sdec_default.op"), std::string::npos);
}

using SpectrumFile = TempFolder;

TEST_F(SpectrumFile, WrittenLinesAndTrailer) {
    spectrumTables = testTables();
    TubeSettings s = settings(80, kSinglePhaseFullWave);
    s.targetAngle = 12;
    s.inherentFiltration = 2.5;
    s.addedAluminium = 1.5;
    s.addedCopper = 0;
    s.tubeCurrent = 1.25;
    const SpectrumResult r = ComputeSpectrum(s, dir);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(kermaRatio, r.kermaRatio);

    const std::vector<std::string> file = lines("B_SPCTL.dat");
    ASSERT_EQ(file.size(), 307u);
    for (const std::string& line : file)
        ASSERT_TRUE(line.ends_with("\r")) << line;
    EXPECT_EQ(file[0], "0000.5, 0.00000\r");
    EXPECT_NE(file[158], "0079.5, 0.00000\r");
    EXPECT_EQ(file[159], "0080.0, 0.00000\r"); // the bin 2*kVp
    EXPECT_EQ(file[299], "0150.0, 0.00000\r");
    int ones = 0;
    for (int i = 0; i < 300; ++i) {
        const double weight = std::stod(file[i].substr(8));
        EXPECT_LE(weight, 1.0);
        EXPECT_EQ(std::stod(file[i].substr(0, 6)), 0.5 * (i + 1));
        ones += file[i].substr(8, 7) == "1.00000";
        if (i >= 160) {
            EXPECT_EQ(weight, 0) << i;
        }
    }
    EXPECT_EQ(ones, 1);
    EXPECT_DOUBLE_EQ(std::stod(file[300]), 1000 * r.spectrumMaximum);
    EXPECT_EQ(file[301], "080.0\r");
    EXPECT_EQ(file[302], "1.25\r");
    EXPECT_EQ(file[303], "12.0\r");
    EXPECT_EQ(file[304], "02.500\r");
    EXPECT_EQ(file[305], "01.500\r");
    EXPECT_EQ(file[306], "00.000\r");

    // A voltage whose double is not whole keeps the bin next to it.
    s.tubeVoltage = 80.25;
    ASSERT_TRUE(ComputeSpectrum(s, dir).ok());
    EXPECT_NE(lines("B_SPCTL.dat")[159], "0080.0, 0.00000\r");
    // A clamped voltage is written clamped.
    s.tubeVoltage = 200;
    ASSERT_TRUE(ComputeSpectrum(s, dir).ok());
    EXPECT_EQ(lines("B_SPCTL.dat")[301], "149.5\r");
}

TEST_F(SpectrumFile, FailuresWriteNothing) {
    spectrumTables = testTables();
    write("B_SPCTL.dat", "earlier run\r\n");
    kermaRatio = 0.75;

    TubeSettings flat = settings(80);
    flat.targetAngle = 0;
    TubeSettings opaque = settings(80);
    opaque.addedCopper = 1.0e6;
    SpectrumTables shortSurvey = testTables();
    shortSurvey.OutputSurveyTable.voltage[12] = 140;

    SpectrumResult r = ComputeSpectrum(flat, dir);
    EXPECT_NE(r.error.find("ターゲット角度"), std::string::npos) << r.error;
    r = ComputeSpectrum(opaque, dir);
    EXPECT_NE(r.error.find("すべてのエネルギーで 0"), std::string::npos) << r.error;
    TubeSettings backwards = settings(80);
    backwards.targetAngle = -5; // the anode would amplify: the sums overflow
    r = ComputeSpectrum(backwards, dir);
    EXPECT_FALSE(r.ok());
    spectrumTables = shortSurvey;
    r = ComputeSpectrum(settings(145), dir);
    EXPECT_NE(r.error.find("sdec_default.op"), std::string::npos) << r.error;

    EXPECT_EQ(lines("B_SPCTL.dat"), std::vector<std::string>{"earlier run\r"});
    EXPECT_EQ(kermaRatio, 0.75);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

using SpectrumTablesLoad = TempFolder;

TEST_F(SpectrumTablesLoad, FreeFormFilesAndSurvey) {
    writeAllData();
    SpectrumTables tables;
    ASSERT_EQ(loadSpectrumTables(dir, tables), "");
    EXPECT_EQ(tables.TungstenTable[1], 1.0);
    EXPECT_EQ(tables.TungstenTable[300], 300.0);
    EXPECT_EQ(tables.AluminiumTable[7], 14.0);
    EXPECT_EQ(tables.CopperTable[150], 450.0);
    EXPECT_EQ(tables.AirAbsorptionTable[299], 4 * 299.0);
    const OutputSurvey& s = tables.OutputSurveyTable;
    EXPECT_EQ(s.voltage[1], 40);
    EXPECT_EQ(s.voltage[12], 150);
    EXPECT_DOUBLE_EQ(s.output[1][1], 1.1e-3);
    EXPECT_DOUBLE_EQ(s.output[3][12], 3.12e-3);
    EXPECT_DOUBLE_EQ(s.referenceAl[2], 0.4); // mm to cm
    EXPECT_DOUBLE_EQ(s.referenceCu[3], 0.03);
}

TEST_F(SpectrumTablesLoad, MissingShortOrBadFileNamesItAndKeepsTables) {
    SpectrumTables tables;
    tables.TungstenTable[5] = 42;
    writeAllData();
    fs::remove(dir / "Copper.dat");
    std::string error = loadSpectrumTables(dir, tables);
    EXPECT_NE(error.find("\"Copper.dat\""), std::string::npos) << error;

    writeAllData();
    writeMaterial("Air.eac", 1.0, 299);
    error = loadSpectrumTables(dir, tables);
    EXPECT_NE(error.find("\"Air.eac\""), std::string::npos) << error;

    writeAllData();
    write("sdec_default.op", "header 1 2 3\n40 50 60 70 80 90 100 110 120 130 140 15O\n");
    error = loadSpectrumTables(dir, tables);
    EXPECT_NE(error.find("\"sdec_default.op\""), std::string::npos) << error;
    EXPECT_NE(error.find(" 2 "), std::string::npos) << error; // the line of "15O"

    EXPECT_EQ(tables.TungstenTable[5], 42); // untouched by every failed load
}

// Values that no table of its kind can hold are refused when the tables load,
// with the file and the line, before any calculation can meet them: not a
// finite number, a coefficient, output or aluminium filtration of 0 or below,
// an output no tube gives, a filtration that would stop every photon, voltages
// not rising, a line far beyond any line of the files.
TEST_F(SpectrumTablesLoad, ValuesOutsideWhatTheTableHoldsNameFileAndLine) {
    // One pair per line, so that a line number picks a bin.
    auto material = [](int badLine, const std::string& badText) {
        std::string text;
        for (int i = 1; i <= kBinCount; ++i)
            text += (i == badLine ? badText : std::to_string(0.5 * i) + ", " + std::to_string(i)) +
                    "\r\n";
        return text;
    };
    auto survey = [](int badLine, const std::string& badText) {
        std::vector<std::string> lines = {"kV, outputs and reference filtration",
                                          "40,50,60,70,80,90,100,110,120,130,140,150"};
        for (int m = 1; m <= 3; ++m) {
            lines.push_back("1E-6 2E-6 3E-6 4E-6 5E-6 6E-6 7E-6 8E-6 9E-6 1E-5 1.1E-5 1.2E-5");
            lines.push_back("2.5, 0.0");
        }
        lines[static_cast<std::size_t>(badLine - 1)] = badText;
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        return text;
    };
    struct Case {
        std::string file;
        int line;
        std::string text;
    };
    const std::string longLine(100000, '1');
    const std::string goodSurvey = survey(1, "kV, outputs and reference filtration");
    const Case cases[] = {
        {"Tungsten.dat", 5, "2.5, -3"},
        {"Aluminum.atc", 7, "3.5, 0"},
        {"Copper.dat", 9, "4.5, Inf"},
        {"Air.eac", 300, "150, NaN"},
        {"Copper.dat", 2, "1.0, -Infinity"},
        {"Tungsten.dat", 3, "1.5, 1E+400"},
        {"Aluminum.atc", 4, "2.0, 1E+9"},
        {"Tungsten.dat", 6, "3.0, " + longLine},
        {"sdec_default.op", 4, "1234567890123456789012345678901234567890, 0.0"},
        {"sdec_default.op", 4, "0, 0.0"},
        {"sdec_default.op", 6, "2.5, -0.1"},
        {"sdec_default.op", 8, "2.5, 11"},
        {"sdec_default.op", 5, "1E-6 2E-6 3E-6 -4E-6 5E-6 6E-6 7E-6 8E-6 9E-6 1E-5 1.1E-5 1.2E-5"},
        {"sdec_default.op", 7, "inf 2E-6 3E-6 4E-6 5E-6 6E-6 7E-6 8E-6 9E-6 1E-5 1.1E-5 1.2E-5"},
        {"sdec_default.op", 3, "1E-6 2E-6 3E-6 4E-6 5E-6 6E-6 7E-6 8E-6 9E-6 1E-5 3.8E-26 1.2E-5"},
        {"sdec_default.op", 2, "40,50,60,70,80,90,100,110,120,130,125,150"},
        {"sdec_default.op", 2, "-40,50,60,70,80,90,100,110,120,130,140,150"},
        {"sdec_default.op", 1, longLine},
    };
    for (const Case& c : cases) {
        writeAllData();
        write("sdec_default.op", goodSurvey);
        write(c.file,
              c.file == "sdec_default.op" ? survey(c.line, c.text) : material(c.line, c.text));
        SpectrumTables tables;
        tables.TungstenTable[5] = 42;
        const std::string error = loadSpectrumTables(dir, tables);
        EXPECT_NE(error.find("\"" + c.file + "\" の " + std::to_string(c.line) + " 行目"),
                  std::string::npos)
            << c.file << " line " << c.line << ": " << error;
        EXPECT_EQ(tables.TungstenTable[5], 42) << c.file << " line " << c.line;
    }
    // The same files without the bad values load.
    writeAllData();
    write("sdec_default.op", goodSurvey);
    write("Tungsten.dat", material(0, ""));
    SpectrumTables tables;
    EXPECT_EQ(loadSpectrumTables(dir, tables), "");
}
