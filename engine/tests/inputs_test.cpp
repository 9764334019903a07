// Readers of the five input files and the limits they enforce.
#include "inputs.h"
#include "work_folder.h"

#include <textrec/textrec.h>

#include <gtest/gtest.h>

#include <cstdio>

using namespace quenro;
using enginetest::jobText;
using enginetest::recordsOf;
using enginetest::replaceLine;
using enginetest::WorkFolder;

namespace {

// A spectrum file with the given weight texts (columns 8-15) per bin; the
// other bins read 0.00000.
std::string spectrumText(const std::vector<std::pair<int, std::string>>& weights) {
    std::string text;
    for (int k = 1; k <= 300; ++k) {
        char energy[16];
        std::snprintf(energy, sizeof energy, "%06.1f", 0.5 * k);
        std::string weight = "0.00000";
        for (const auto& [bin, w] : weights)
            if (bin == k)
                weight = w;
        text += std::string(energy) + ", " + weight + "\r\n";
    }
    text += "1000\r\n080.0\r\n2.00\r\n12.0\r\n02.500\r\n01.500\r\n00.000\r\n";
    return text;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

// The message of the InputError that loading the folder throws ("" if none).
std::string loadError(const WorkFolder& folder) {
    try {
        loadInputs(folder.path());
    } catch (const textrec::InputError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(JobFile, ReadsTheSixLinesOfTheWindowProgram) {
    WorkFolder folder;
    folder.write("B2F.txt",
                 jobText("1.234E-02", "60.0", "25.0", "15.5", "1.000E+08", "12-06-2026.data"));
    const JobParameters job = readJobFile(folder.file("B2F.txt"));
    EXPECT_FLOAT_EQ(job.kermaRateAt100cm, 1.234e-2f);
    EXPECT_EQ(job.focusSkinDistance, 60.0f);
    EXPECT_EQ(job.fieldLength, 25.0f);
    EXPECT_EQ(job.fieldWidth, 15.5f);
    EXPECT_EQ(job.photonCount, 1e8f);
    EXPECT_EQ(job.resultFileName, "12-06-2026.data");
}

TEST(JobFile, NameIsCutToThirtyCharactersWithoutTrailingBlanks) {
    WorkFolder folder;
    folder.write("B2F.txt", jobText("1.0E-02", "60.0", "20.0", "20.0", "1.0E+08",
                                    "abcdefghijklmnopqrstuvwxyz0123456789.data"));
    EXPECT_EQ(readJobFile(folder.file("B2F.txt")).resultFileName, "abcdefghijklmnopqrstuvwxyz0123");

    folder.write("B2F.txt",
                 jobText("1.0E-02", "60.0", "20.0", "20.0", "1.0E+08", "run 1.data     "));
    EXPECT_EQ(readJobFile(folder.file("B2F.txt")).resultFileName, "run 1.data");
}

TEST(JobFile, RefusesZeroSizesAndCountsNamingTheLine) {
    const std::string good = jobText("1.0E-02", "60.0", "20.0", "20.0", "1.0E+08", "a.data");
    WorkFolder folder;
    for (int line : {2, 3, 4, 5}) {
        folder.write("B2F.txt", replaceLine(good, line, line == 5 ? "0.000E+00" : "00.0"));
        try {
            readJobFile(folder.file("B2F.txt"));
            ADD_FAILURE() << "line " << line << " of 0 was accepted";
        } catch (const textrec::InputError& e) {
            EXPECT_EQ(e.file(), "B2F.txt");
            EXPECT_EQ(e.line(), line);
        }
    }
    folder.write("B2F.txt", replaceLine(good, 2, "sixty"));
    EXPECT_THROW(readJobFile(folder.file("B2F.txt")), textrec::InputError);
    folder.write("B2F.txt", replaceLine(good, 6, "   "));
    EXPECT_THROW(readJobFile(folder.file("B2F.txt")), textrec::InputError);
}

TEST(SpectrumFile, FindsHighestBinAndNormalisesOverAllBins) {
    WorkFolder folder;
    // Bin 5 (never simulated) still counts in the sum of the weights.
    folder.write("B_SPCTL.dat",
                 spectrumText({{1, "0.00000"}, {5, "1.00000"}, {40, "41234"}, {200, "0.58766"}}));
    const SpectrumTable s = readSpectrumFile(folder.file("B_SPCTL.dat"));
    EXPECT_EQ(s.highestBin, 200);
    EXPECT_EQ(s.weight[0], 0.0f);
    // 41234 without a point reads 0.41234; the sum is 1 + 0.41234 + 0.58766 = 2.
    EXPECT_FLOAT_EQ(s.weight[39], 0.41234f / 2.0f);
    EXPECT_FLOAT_EQ(s.weight[4], 0.5f);
    EXPECT_FLOAT_EQ(s.weight[199], 0.58766f / 2.0f);
    EXPECT_EQ(s.spectrumInfo[1], 80.0f);
    EXPECT_EQ(s.spectrumInfo[3], 12.0f);
    EXPECT_EQ(s.spectrumInfo[5], 1.5f);
}

TEST(SpectrumFile, RefusesAnAllZeroSpectrum) {
    WorkFolder folder;
    folder.write("B_SPCTL.dat", spectrumText({}));
    EXPECT_NE(loadError(folder).find("B_SPCTL.dat"), std::string::npos);
    folder.write("B_SPCTL.dat", spectrumText({{100, "0.5"}}).substr(0, 100));
    EXPECT_NE(loadError(folder).find("B_SPCTL.dat, line 7"), std::string::npos);
}

TEST(CrossSectionFile, EnergiesInMegaElectronVoltBecomeKilo) {
    WorkFolder folder;
    CrossSectionTable xs;
    FormFactorTable ff;
    readCrossSectionFile(folder.file("ICRUSoft.dat"), xs, ff);
    EXPECT_EQ(xs.rowCount, 22);
    EXPECT_EQ(xs.energy[16], 100.0f); // the row starting 0.100E+00
    EXPECT_EQ(xs.density, 1.0f);
    EXPECT_EQ(ff.x[0], 0.0f);
    EXPECT_EQ(ff.x[44], 12.0f);
    EXPECT_GT(ff.cumulativeCoherent[44], ff.cumulativeCoherent[10]);
}

TEST(CrossSectionFile, RefusesTablesOutsideTheirLimits) {
    WorkFolder folder;
    const std::string good = folder.read("ICRUSoft.dat");

    folder.write("ICRUSoft.dat", replaceLine(good, 1, " 26"));
    EXPECT_NE(loadError(folder).find("ICRUSoft.dat, line 1"), std::string::npos);

    // A table that stops at 60 keV cannot serve the fixture spectrum (up to 79.5 keV).
    std::vector<std::string> lines = recordsOf(good);
    lines[0] = " 15";
    lines.erase(lines.begin() + 2 + 15, lines.begin() + 2 + 22);
    folder.write("ICRUSoft.dat", joinLines(lines));
    const std::string message = loadError(folder);
    EXPECT_NE(message.find("ICRUSoft.dat"), std::string::npos) << message;
    EXPECT_NE(message.find("highest photon energy"), std::string::npos) << message;

    folder.write("ICRUSoft.dat", replaceLine(good, 5, "0.200E-02 0.000E+00 0.418E-01 0.575E+03"));
    EXPECT_NE(loadError(folder).find("ICRUSoft.dat, line 5"), std::string::npos);

    // The momentum transfer must reach 10 by the last form-factor row.
    lines = recordsOf(good);
    lines[66] = " 0.970E+01 0.58894E+00 0.54944E+00";
    lines[67] = " 0.980E+01 0.58896E+00 0.54944E+00";
    lines[68] = " 0.990E+01 0.58897E+00 0.54944E+00";
    folder.write("ICRUSoft.dat", joinLines(lines));
    EXPECT_NE(loadError(folder).find("ICRUSoft.dat, line 69"), std::string::npos);
}

TEST(DataFiles, MissingFilesAndBadNumbersNameFileAndLine) {
    WorkFolder folder;
    std::filesystem::remove(folder.file("Air.eac"));
    EXPECT_NE(loadError(folder).find("Air.eac"), std::string::npos);

    WorkFolder other;
    other.write("Ak2Sv.dat", replaceLine(other.read("Ak2Sv.dat"), 3, "    5.300 0.1x405E-03"));
    EXPECT_NE(loadError(other).find("Ak2Sv.dat, line 3"), std::string::npos);
}

TEST(DataFiles, KermaToDoseTableMustBracketTheScoredEnergies) {
    WorkFolder folder;
    const std::string good = folder.read("Ak2Sv.dat");
    folder.write("Ak2Sv.dat", enginetest::kermaToDoseText(10.1f, 0.15f));
    EXPECT_NE(loadError(folder).find("Ak2Sv.dat, line 1"), std::string::npos);

    // The fixture spectrum reaches 79.5 keV; a table ending there cannot hold it.
    folder.write("Ak2Sv.dat", enginetest::kermaToDoseText(9.5f, 0.07f));
    EXPECT_NE(loadError(folder).find("Ak2Sv.dat, line 1001"), std::string::npos);
    folder.write("Ak2Sv.dat", enginetest::kermaToDoseText(9.5f, 0.0701f));
    EXPECT_EQ(loadError(folder), "");

    folder.write("Ak2Sv.dat", good);
    EXPECT_EQ(loadError(folder), "");
}
