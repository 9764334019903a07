// The physical data files as the engine and the spectrum model read them: every
// line in its fixed columns, the limits the transport and the scorer rely on,
// and spot values against the published figures they were made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "textrec/textrec.h"

namespace {

using Rows = std::vector<std::vector<double>>;

std::vector<std::string> fileLines(const std::string& name) {
    auto lines = textrec::readLines(std::filesystem::path(SOURCE_DIR) / "data" / name);
    EXPECT_TRUE(lines.has_value()) << name;
    return lines.value_or(std::vector<std::string>{});
}

// Reads `count` lines from `first` against a format. Each line must also be
// exactly what the format writes for the numbers it holds: right widths, the 0
// before the point, nothing after the last field.
Rows readTable(const std::vector<std::string>& lines, std::size_t first, std::size_t count,
               std::string_view format) {
    Rows rows;
    for (std::size_t i = first; i < first + count && i < lines.size(); ++i) {
        const textrec::RecordValues values = textrec::readRecord(lines[i], format);
        EXPECT_TRUE(values.ok) << "\"" << lines[i] << "\" column " << values.column;
        EXPECT_EQ(textrec::writeRecord(format, values.numbers), lines[i]);
        rows.push_back(values.numbers);
    }
    EXPECT_EQ(rows.size(), count) << format;
    return rows;
}

// Free-form numbers, separated by blanks, commas or line ends.
std::vector<double> freeNumbers(const std::vector<std::string>& lines, std::size_t first) {
    std::vector<double> numbers;
    for (std::size_t i = first; i < lines.size(); ++i) {
        std::string token;
        for (const char c : lines[i] + " ") {
            if (c != ' ' && c != ',') {
                token += c;
            } else if (!token.empty()) {
                const auto value = textrec::readFreeNumber(token);
                EXPECT_TRUE(value.has_value()) << token;
                numbers.push_back(value.value_or(0));
                token.clear();
            }
        }
    }
    return numbers;
}

void expectWithin(double value, double published, double relative, const std::string& what) {
    EXPECT_NEAR(value / published, 1.0, relative)
        << what << ": " << value << " against " << published;
}

double logLog(double e, double e0, double v0, double e1, double v1) {
    return std::exp(std::log(v0) + std::log(e / e0) / std::log(e1 / e0) * std::log(v1 / v0));
}

TEST(IcruSoft, CrossSectionTableBracketsTheTransport) {
    const auto lines = fileLines("ICRUSoft.dat");
    ASSERT_GE(lines.size(), 2u);
    const int n = static_cast<int>(readTable(lines, 0, 1, "(I3)")[0][0]);
    ASSERT_GE(n, 2);
    ASSERT_LE(n, 25);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(n + 47));
    EXPECT_DOUBLE_EQ(readTable(lines, 1, 1, "(F9.6)")[0][0], 1.06);
    const Rows rows = readTable(lines, 2, n, "(E9.3,3E10.3)");
    for (int i = 0; i < n; ++i) {
        for (int c = 1; c <= 3; ++c)
            EXPECT_GT(rows[i][c], 0) << lines[2 + i];
        if (i > 0) {
            EXPECT_GT(rows[i][0], rows[i - 1][0]) << lines[2 + i];
        }
    }
    EXPECT_LE(rows.front()[0], 0.005); // MeV
    EXPECT_GT(rows.back()[0], 0.150);

    // NIST XCOM for this composition, cm2/g: coherent, incoherent, photoelectric;
    // the file holds linear coefficients over 1.06 g/cm3.
    const double published[][4] = {{0.020, 0.08624, 0.1759, 0.5610},
                                   {0.050, 0.01883, 0.1788, 0.02878},
                                   {0.100, 0.00520, 0.1611, 0.00296}};
    for (const auto& p : published) {
        int found = 0;
        for (const auto& r : rows) {
            if (std::abs(r[0] - p[0]) < 1e-9) {
                ++found;
                for (int c = 1; c <= 3; ++c)
                    expectWithin(r[c] / 1.06, p[c], 0.02, "column " + std::to_string(c));
            }
        }
        EXPECT_EQ(found, 1) << p[0] << " MeV row";
    }
}

TEST(IcruSoft, FormFactorTablePassesTenWithinFortyFiveRows) {
    const auto lines = fileLines("ICRUSoft.dat");
    ASSERT_GE(lines.size(), 47u);
    const Rows rows = readTable(lines, lines.size() - 45, 45, "(E10.3,2E12.5)");
    ASSERT_EQ(rows.size(), 45u);
    EXPECT_EQ(rows[0], (std::vector<double>{0, 0, 0}));
    for (int i = 1; i < 45; ++i) {
        EXPECT_GT(rows[i][0], rows[i - 1][0]) << "row " << i + 1;
        // The coherent sampling divides by A(i) - A(i-1) of the row it finds.
        EXPECT_GT(rows[i][1], rows[i - 1][1]) << "row " << i + 1;
        // S(45) is taken as the maximum of the rejection on S.
        EXPECT_LE(rows[i][2], rows[44][2] * (1 + 1e-5)) << "row " << i + 1;
    }
    EXPECT_GT(rows[44][0], 10.0);
    // Where every electron scatters freely S is the electrons per gram over
    // Avogadro's number: sum of w Z / A = 0.5497 mol/g for this tissue.
    expectWithin(rows[44][2], 0.5497, 0.002, "S at the last x");
    // Half of the coherent distribution lies below 1 / Angstrom, on the dense rows.
    int half = 0;
    while (rows[half][1] < 0.5 * rows[44][1])
        ++half;
    EXPECT_LT(rows[half][0], 1.0);
    EXPECT_GE(half, 10);
}

TEST(AirEac, ThreeHundredRowsOfNistEnergyAbsorption) {
    const auto lines = fileLines("Air.eac");
    ASSERT_EQ(lines.size(), 300u);
    const Rows rows = readTable(lines, 0, 300, "(E10.4,E15.6)");
    auto mu = [&](double keV) { return rows[static_cast<int>(2 * keV) - 1][1]; };
    for (int r = 1; r <= 300; ++r) {
        EXPECT_DOUBLE_EQ(rows[r - 1][0], 0.5 * r) << lines[r - 1];
        EXPECT_GT(rows[r - 1][1], 0) << lines[r - 1];
    }
    // NIST (Hubbell and Seltzer) mu_en/rho of dry air, cm2/g.
    const std::pair<int, double> published[] = {{10, 4.742},   {20, 0.5389},   {30, 0.1537},
                                                {40, 0.06833}, {50, 0.04098},  {60, 0.03041},
                                                {80, 0.02407}, {100, 0.02325}, {150, 0.02496}};
    for (const auto& [keV, value] : published)
        expectWithin(mu(keV), value, 0.02, std::to_string(keV) + " keV");
    // Straight lines in log-log between the tabulated energies, and the argon K
    // edge at 3.2029 keV as a step: 3.5 keV lies on the segment that starts
    // above the edge (146.0), not on the one that ends below it (133.0).
    expectWithin(mu(25), logLog(25, 20, 0.5389, 30, 0.1537), 1e-5, "25 keV");
    expectWithin(mu(3.5), logLog(3.5, 3.2029, 146.0, 4, 76.36), 1e-5, "3.5 keV");
    // The spectrum model reads the same lines as free-form pairs.
    const auto pairs = freeNumbers(lines, 0);
    ASSERT_EQ(pairs.size(), 600u);
    EXPECT_DOUBLE_EQ(pairs[2 * 199 + 1], mu(100));
}

TEST(Ak2Sv, ThousandAndOneRowsOfIcrp74Coefficients) {
    const auto lines = fileLines("Ak2Sv.dat");
    ASSERT_EQ(lines.size(), 1001u);
    // The engine reads 32-bit floats; the energies must stay the distinct 0.2 keV
    // steps up to 200 keV.
    const auto format = textrec::parseFormat("(E9.3,E12.5)");
    std::vector<float> h;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        float f[2] = {-1, -1};
        ASSERT_TRUE(textrec::readRecordFloats(lines[i], format, f)) << lines[i];
        EXPECT_EQ(lines[i].size(), 21u) << lines[i];
        EXPECT_EQ(f[0], static_cast<float>(i / 5.0)) << lines[i];
        EXPECT_GE(f[1], 0.0f) << lines[i];
        if (f[0] < 10.0f) {
            EXPECT_EQ(f[1], 0.0f) << lines[i];
        }
        h.push_back(f[1]);
    }
    // ICRP Publication 74, H*(10)/Ka in Sv/Gy; row i is 0.2 i keV.
    const std::pair<int, double> published[] = {{10, 0.008}, {15, 0.26},  {20, 0.61}, {30, 1.10},
                                                {40, 1.47},  {50, 1.67},  {60, 1.74}, {80, 1.72},
                                                {100, 1.65}, {150, 1.49}, {200, 1.40}};
    for (const auto& [keV, value] : published)
        expectWithin(h[5 * keV], value, 0.02, std::to_string(keV) + " keV");
    expectWithin(h[125], logLog(25, 20, 0.61, 30, 1.10), 1e-4, "25 keV");
}

TEST(MaterialFiles, ThreeHundredEnergyValuePairs) {
    // File, density, and NIST XCOM mu/rho (cm2/g) at two energies (keV).
    struct Case {
        const char* file;
        double density;
        std::pair<int, double> published[2];
    };
    const Case cases[] = {{"Tungsten.dat", 19.3, {{50, 5.949}, {100, 4.438}}},
                          {"Aluminum.atc", 2.699, {{20, 3.441}, {100, 0.1704}}},
                          {"Copper.dat", 8.96, {{20, 33.79}, {100, 0.4584}}}};
    for (const Case& c : cases) {
        const auto lines = fileLines(c.file);
        EXPECT_EQ(lines.size(), 300u) << c.file;
        const auto numbers = freeNumbers(lines, 0);
        ASSERT_EQ(numbers.size(), 600u) << c.file;
        for (int i = 1; i <= 300; ++i) {
            EXPECT_DOUBLE_EQ(numbers[2 * i - 2], 0.5 * i) << c.file << " line " << i;
            EXPECT_GT(numbers[2 * i - 1], 0) << c.file << " line " << i;
        }
        for (const auto& [keV, value] : c.published)
            expectWithin(numbers[4 * keV - 1] / c.density, value, 0.02, c.file);
        if (c.density == 19.3) {
            // The tungsten K edge (69.525 keV) lies between lines 139 and 140.
            EXPECT_GT(numbers[2 * 140 - 1], 4 * numbers[2 * 139 - 1]);
        }
    }
}

TEST(SurveyTable, HeaderThenFiftyFourNumbers) {
    const auto lines = fileLines("sdec_default.op");
    ASSERT_GE(lines.size(), 2u);
    const auto numbers = freeNumbers(lines, 1);
    ASSERT_EQ(numbers.size(), 54u);
    const double* voltage = numbers.data();
    for (int k = 1; k < 12; ++k)
        EXPECT_GT(voltage[k], voltage[k - 1]) << "voltage " << k + 1;
    EXPECT_GE(voltage[11], 149.5);

    // Y x 33.97 is the air kerma in Gy per mAs at 100 cm; uGy/mAs here.
    double kerma[3][12];
    for (int m = 0; m < 3; ++m) {
        const double* column = &numbers[12 + 14 * m];
        for (int k = 0; k < 12; ++k) {
            kerma[m][k] = column[k] * 33.97e6;
            EXPECT_GT(kerma[m][k], k > 0 ? kerma[m][k - 1] : 0.0) << "mode " << m + 1;
        }
        EXPECT_DOUBLE_EQ(column[12], 2.5) << "reference Al of mode " << m + 1;
        EXPECT_DOUBLE_EQ(column[13], 0.0) << "reference Cu of mode " << m + 1;
    }
    auto row = [&](double kv) {
        const double* found = std::find(voltage, voltage + 12, kv);
        EXPECT_NE(found, voltage + 12) << "no survey row at " << kv << " kV";
        return found == voltage + 12 ? 0 : static_cast<int>(found - voltage);
    };
    // Constant potential: the modelled outputs of the RQR beam qualities.
    const std::pair<double, double> rqr[] = {{40, 16.6},  {60, 39.8},   {80, 57.8},
                                             {100, 81.0}, {120, 103.7}, {150, 142.6}};
    for (const auto& [kv, value] : rqr)
        expectWithin(kerma[0][row(kv)], value, 0.02, "constant potential");
    // Twelve-peak three-phase is within a few per cent below constant potential.
    for (int k = 0; k < 12; ++k) {
        EXPECT_GT(kerma[1][k] / kerma[0][k], 0.95);
        EXPECT_LT(kerma[1][k] / kerma[0][k], 1.0);
    }
    // Single-phase full-wave needs 1.4 times the mAs at 70 kV and 1.2 at 100 kV.
    expectWithin(kerma[0][row(70)] / kerma[2][row(70)], 1.4, 0.02, "single-phase 70 kV");
    expectWithin(kerma[0][row(100)] / kerma[2][row(100)], 1.2, 0.02, "single-phase 100 kV");
}

} // namespace
