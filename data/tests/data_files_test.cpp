// The physical data files as the engine and the spectrum model read them: every
// line in its fixed columns, the limits the transport and the scorer rely on,
// and spot values against the published figures they were made from.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "textrec/textrec.h"

namespace {

const std::filesystem::path kDataFolder = std::filesystem::path(SOURCE_DIR) / "data";

std::vector<std::string> fileLines(const std::string& name) {
    auto lines = textrec::readLines(kDataFolder / name);
    EXPECT_TRUE(lines.has_value()) << name;
    return lines.value_or(std::vector<std::string>{});
}

// Reads one line against a format into doubles, failing the test on a bad field.
std::vector<double> readFields(const std::string& line, std::string_view format) {
    const textrec::RecordValues values = textrec::readRecord(line, format);
    EXPECT_TRUE(values.ok) << "\"" << line << "\" column " << values.column;
    return values.numbers;
}

// The line is exactly what the format writes for the numbers it holds: right
// widths, the 0 before the point, nothing after the last field.
void expectRewritesItself(const std::string& line, std::string_view format) {
    EXPECT_EQ(textrec::writeRecord(format, readFields(line, format)), line);
}

// Free-form numbers: separated by blanks, commas or line ends.
std::vector<double> freeNumbers(const std::vector<std::string>& lines, std::size_t firstLine) {
    std::vector<double> numbers;
    for (std::size_t i = firstLine; i < lines.size(); ++i) {
        std::string token;
        for (std::size_t j = 0; j <= lines[i].size(); ++j) {
            const char c = j < lines[i].size() ? lines[i][j] : ' ';
            if (c == ' ' || c == ',' || c == '\t') {
                if (!token.empty()) {
                    const auto value = textrec::readFreeNumber(token);
                    EXPECT_TRUE(value.has_value()) << token;
                    numbers.push_back(value.value_or(0));
                    token.clear();
                }
            } else {
                token += c;
            }
        }
    }
    return numbers;
}

void expectWithin(double value, double published, double relative, const std::string& what) {
    EXPECT_NEAR(value / published, 1.0, relative)
        << what << ": " << value << " against " << published;
}

// ICRU-44 soft tissue, linear coefficients in 1/cm over a density of 1.06.
struct CrossSectionRow {
    double keV, coherent, incoherent, photo;
};

TEST(IcruSoft, CrossSectionTableBracketsTheTransport) {
    const auto lines = fileLines("ICRUSoft.dat");
    ASSERT_GE(lines.size(), 3u);
    const int n = static_cast<int>(readFields(lines[0], "(I3)").at(0));
    ASSERT_GE(n, 2);
    ASSERT_LE(n, 25);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(n + 47));
    EXPECT_DOUBLE_EQ(readFields(lines[1], "(F9.6)").at(0), 1.06);
    expectRewritesItself(lines[0], "(I3)");
    expectRewritesItself(lines[1], "(F9.6)");

    std::vector<CrossSectionRow> rows;
    for (int i = 0; i < n; ++i) {
        const std::string& line = lines[2 + i];
        const auto f = readFields(line, "(E9.3,3E10.3)");
        ASSERT_EQ(f.size(), 4u);
        expectRewritesItself(line, "(E9.3,3E10.3)");
        rows.push_back({f[0] * 1000.0, f[1], f[2], f[3]});
        EXPECT_GT(f[1], 0) << line;
        EXPECT_GT(f[2], 0) << line;
        EXPECT_GT(f[3], 0) << line;
        if (i > 0) {
            EXPECT_GT(rows[i].keV, rows[i - 1].keV) << line;
        }
    }
    EXPECT_LE(rows.front().keV, 5.0);
    EXPECT_GT(rows.back().keV, 150.0);

    // NIST XCOM for this composition, cm2/g: coherent, incoherent, photoelectric.
    const CrossSectionRow published[] = {{20, 0.08624, 0.1759, 0.5610},
                                         {50, 0.01883, 0.1788, 0.02878},
                                         {100, 0.00520, 0.1611, 0.00296}};
    for (const CrossSectionRow& p : published) {
        bool found = false;
        for (const CrossSectionRow& r : rows) {
            if (std::abs(r.keV - p.keV) < 1e-6) {
                found = true;
                const std::string at = std::to_string(static_cast<int>(p.keV)) + " keV";
                expectWithin(r.coherent / 1.06, p.coherent, 0.02, "coherent " + at);
                expectWithin(r.incoherent / 1.06, p.incoherent, 0.02, "incoherent " + at);
                expectWithin(r.photo / 1.06, p.photo, 0.02, "photoelectric " + at);
            }
        }
        EXPECT_TRUE(found) << p.keV << " keV row";
    }
}

TEST(IcruSoft, FormFactorTablePassesTenWithinFortyFiveRows) {
    const auto lines = fileLines("ICRUSoft.dat");
    ASSERT_GE(lines.size(), 47u);
    const int n = static_cast<int>(readFields(lines[0], "(I3)").at(0));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(n + 47));
    std::vector<double> x, a, s;
    for (int i = 0; i < 45; ++i) {
        const std::string& line = lines[n + 2 + i];
        const auto f = readFields(line, "(E10.3,2E12.5)");
        ASSERT_EQ(f.size(), 3u);
        expectRewritesItself(line, "(E10.3,2E12.5)");
        x.push_back(f[0]);
        a.push_back(f[1]);
        s.push_back(f[2]);
    }
    EXPECT_EQ(x.front(), 0.0);
    EXPECT_EQ(a.front(), 0.0);
    EXPECT_EQ(s.front(), 0.0);
    for (int i = 1; i < 45; ++i) {
        EXPECT_GT(x[i], x[i - 1]) << "row " << i + 1;
        // The coherent sampling divides by A(i) - A(i-1) of the row it finds.
        EXPECT_GT(a[i], a[i - 1]) << "row " << i + 1;
        // S(45) is taken as the maximum of the rejection on S.
        EXPECT_LE(s[i], s[44] * (1 + 1e-5)) << "row " << i + 1;
    }
    EXPECT_GT(x[44], 10.0);
    // At large x every electron scatters incoherently: S tends to the electrons
    // per gram over Avogadro's number, sum of w Z / A = 0.5497 mol/g for this tissue.
    expectWithin(s[44], 0.5497, 0.002, "S at the last x");
    // A(x) at large x approaches the integral of F^2 over x^2, and half of it is
    // reached well inside the first Angstrom^-1, where the grid is densest.
    std::size_t half = 0;
    while (a[half] < 0.5 * a[44])
        ++half;
    EXPECT_LT(x[half], 1.0);
    EXPECT_GE(half, 10u);
}

TEST(AirEac, ThreeHundredRowsOfNistEnergyAbsorption) {
    const auto lines = fileLines("Air.eac");
    ASSERT_EQ(lines.size(), 300u);
    std::vector<double> mu(301);
    for (int r = 1; r <= 300; ++r) {
        const std::string& line = lines[r - 1];
        const auto f = readFields(line, "(E10.4,E15.6)");
        ASSERT_EQ(f.size(), 2u);
        expectRewritesItself(line, "(E10.4,E15.6)");
        EXPECT_DOUBLE_EQ(f[0], 0.5 * r) << line;
        EXPECT_GT(f[1], 0) << line;
        mu[r] = f[1];
    }
    // NIST (Hubbell and Seltzer) mu_en/rho of dry air, cm2/g; row r is 0.5 r keV.
    const std::pair<int, double> published[] = {{10, 4.742},   {20, 0.5389},   {30, 0.1537},
                                                {40, 0.06833}, {50, 0.04098},  {60, 0.03041},
                                                {80, 0.02407}, {100, 0.02325}, {150, 0.02496}};
    for (const auto& [keV, value] : published)
        expectWithin(mu[2 * keV], value, 0.02, std::to_string(keV) + " keV");
    // Between the tabulated energies the values follow straight lines in log-log.
    const double t = std::log(25.0 / 20.0) / std::log(30.0 / 20.0);
    expectWithin(mu[50], std::exp(std::log(0.5389) + t * std::log(0.1537 / 0.5389)), 1e-5,
                 "25 keV");
    // The argon K edge at 3.2029 keV is a step up: 3.5 keV lies on the segment
    // that starts above the edge (146.0 cm2/g), not on the one that ends below it.
    const double above = std::log(3.5 / 3.2029) / std::log(4.0 / 3.2029);
    expectWithin(mu[7], std::exp(std::log(146.0) + above * std::log(76.36 / 146.0)), 1e-5,
                 "3.5 keV");
    // The spectrum model reads the same lines as free-form pairs.
    const auto pairs = freeNumbers(lines, 0);
    ASSERT_EQ(pairs.size(), 600u);
    EXPECT_DOUBLE_EQ(pairs[2 * 199 + 1], mu[200]);
}

TEST(Ak2Sv, ThousandAndOneRowsOfIcrp74Coefficients) {
    const auto lines = fileLines("Ak2Sv.dat");
    ASSERT_EQ(lines.size(), 1001u);
    std::vector<float> energy, h;
    const auto format = textrec::parseFormat("(E9.3,E12.5)");
    for (const std::string& line : lines) {
        float f[2] = {-1, -1};
        int column = 0;
        ASSERT_TRUE(textrec::readRecordFloats(line, format, f, &column)) << line << " " << column;
        ASSERT_EQ(line.size(), 21u) << line;
        energy.push_back(f[0]);
        h.push_back(f[1]);
    }
    for (std::size_t i = 0; i < energy.size(); ++i) {
        // The 32-bit energies are the 0.2 keV steps, distinct up to 200 keV.
        EXPECT_EQ(energy[i], static_cast<float>(i / 5.0)) << lines[i];
        EXPECT_GE(h[i], 0.0f) << lines[i];
        if (energy[i] < 10.0f) {
            EXPECT_EQ(h[i], 0.0f) << lines[i];
        }
    }
    EXPECT_LE(energy.front(), 10.0f);
    EXPECT_GT(energy.back(), 150.0f);
    // ICRP Publication 74, H*(10)/Ka in Sv/Gy; row i is 0.2 i keV.
    const std::pair<int, double> published[] = {{10, 0.008}, {15, 0.26},  {20, 0.61}, {30, 1.10},
                                                {40, 1.47},  {50, 1.67},  {60, 1.74}, {80, 1.72},
                                                {100, 1.65}, {150, 1.49}, {200, 1.40}};
    for (const auto& [keV, value] : published)
        expectWithin(h[5 * keV], value, 0.02, std::to_string(keV) + " keV");
    // 25 keV lies on the straight log-log line between 20 and 30 keV.
    const double t = std::log(25.0 / 20.0) / std::log(30.0 / 20.0);
    expectWithin(h[125], std::exp(std::log(0.61) + t * std::log(1.10 / 0.61)), 1e-4, "25 keV");
}

// Total linear attenuation coefficients (1/cm) of the filter and anode metals.
struct MaterialCase {
    const char* file;
    double density;
    std::pair<int, double> published[2]; // keV, NIST XCOM mu/rho in cm2/g
};

TEST(MaterialFiles, ThreeHundredEnergyValuePairs) {
    const MaterialCase cases[] = {{"Tungsten.dat", 19.3, {{50, 5.949}, {100, 4.438}}},
                                  {"Aluminum.atc", 2.699, {{20, 3.441}, {100, 0.1704}}},
                                  {"Copper.dat", 8.96, {{20, 33.79}, {100, 0.4584}}}};
    for (const MaterialCase& c : cases) {
        const auto lines = fileLines(c.file);
        EXPECT_EQ(lines.size(), 300u) << c.file;
        const auto numbers = freeNumbers(lines, 0);
        ASSERT_EQ(numbers.size(), 600u) << c.file;
        for (int i = 1; i <= 300; ++i) {
            EXPECT_DOUBLE_EQ(numbers[2 * (i - 1)], 0.5 * i) << c.file << " line " << i;
            EXPECT_GT(numbers[2 * (i - 1) + 1], 0) << c.file << " line " << i;
        }
        for (const auto& [keV, value] : c.published) {
            expectWithin(numbers[2 * (2 * keV - 1) + 1] / c.density, value, 0.02,
                         std::string(c.file) + " " + std::to_string(keV) + " keV");
        }
    }
    // The tungsten K edge (69.5 keV) lies between the 69.5 and 70.0 keV rows.
    const auto tungsten = freeNumbers(fileLines("Tungsten.dat"), 0);
    ASSERT_EQ(tungsten.size(), 600u);
    EXPECT_GT(tungsten[2 * 139 + 1], 4 * tungsten[2 * 138 + 1]);
}

TEST(SurveyTable, HeaderThenFiftyFourNumbers) {
    const auto lines = fileLines("sdec_default.op");
    ASSERT_GE(lines.size(), 2u);
    const auto numbers = freeNumbers(lines, 1);
    ASSERT_EQ(numbers.size(), 54u);
    const double* voltage = &numbers[0];
    for (int k = 1; k < 12; ++k)
        EXPECT_GT(voltage[k], voltage[k - 1]) << "voltage " << k + 1;
    EXPECT_GE(voltage[11], 149.5);
    EXPECT_LE(voltage[0], 40.0);

    // Y x 33.97 is the air kerma in Gy per mAs at 100 cm; in uGy/mAs here.
    double kerma[3][12];
    for (int m = 0; m < 3; ++m) {
        const double* column = &numbers[12 + 14 * m];
        for (int k = 0; k < 12; ++k) {
            kerma[m][k] = column[k] * 33.97 * 1e6;
            EXPECT_GT(kerma[m][k], 0) << "mode " << m + 1 << " row " << k + 1;
            if (k > 0) {
                EXPECT_GT(kerma[m][k], kerma[m][k - 1]) << "mode " << m + 1 << " row " << k + 1;
            }
        }
        EXPECT_DOUBLE_EQ(column[12], 2.5) << "reference Al of mode " << m + 1;
        EXPECT_DOUBLE_EQ(column[13], 0.0) << "reference Cu of mode " << m + 1;
    }
    auto row = [&](double kv) {
        for (int k = 0; k < 12; ++k) {
            if (voltage[k] == kv)
                return k;
        }
        ADD_FAILURE() << "no survey row at " << kv << " kV";
        return 0;
    };
    // Constant potential: the modelled outputs of the RQR beam qualities.
    const std::pair<double, double> rqr[] = {{40, 16.6},  {60, 39.8},   {80, 57.8},
                                             {100, 81.0}, {120, 103.7}, {150, 142.6}};
    for (const auto& [kv, value] : rqr)
        expectWithin(kerma[0][row(kv)], value, 0.02, "constant potential " + std::to_string(kv));
    for (int k = 0; k < 12; ++k) {
        // Twelve-peak three-phase is within a few per cent below constant potential.
        EXPECT_GT(kerma[1][k] / kerma[0][k], 0.95);
        EXPECT_LT(kerma[1][k] / kerma[0][k], 1.0);
    }
    // Single-phase full-wave needs 1.4 times the mAs at 70 kV and 1.2 at 100 kV.
    expectWithin(kerma[0][row(70)] / kerma[2][row(70)], 1.4, 0.02, "single-phase 70 kV");
    expectWithin(kerma[0][row(100)] / kerma[2][row(100)], 1.2, 0.02, "single-phase 100 kV");
}

} // namespace
