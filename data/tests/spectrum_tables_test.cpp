// The data files through the spectrum model's own loader, and the survey table
// used by the model at the survey's own reference filtration.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "setup/SpectrumModel.h"

namespace {

const std::filesystem::path kDataFolder = std::filesystem::path(SOURCE_DIR) / "data";

class SpectrumTablesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Module1::loadSpectrumTables(kDataFolder, tables), ""); }

    Module1::TubeSettings referenceBeam(double kv, int mode) const {
        Module1::TubeSettings settings;
        settings.tubeVoltage = kv;
        settings.targetAngle = 12;
        settings.inherentFiltration = 10 * tables.OutputSurveyTable.referenceAl[mode];
        settings.addedAluminium = 0;
        settings.addedCopper = 10 * tables.OutputSurveyTable.referenceCu[mode];
        settings.tubeCurrent = 1;
        settings.rectificationMode = mode;
        return settings;
    }

    Module1::SpectrumTables tables;
};

TEST_F(SpectrumTablesTest, LoaderTakesTheValuesOfEveryFile) {
    // Bin 200 is 100 keV: NIST XCOM mu/rho times density.
    EXPECT_NEAR(tables.TungstenTable[200] / 19.3, 4.438, 0.02 * 4.438);
    EXPECT_NEAR(tables.AluminiumTable[200] / 2.699, 0.1704, 0.02 * 0.1704);
    EXPECT_NEAR(tables.CopperTable[200] / 8.96, 0.4584, 0.02 * 0.4584);
    EXPECT_NEAR(tables.AirAbsorptionTable[200], 0.02325, 0.02 * 0.02325);
    const Module1::OutputSurvey& survey = tables.OutputSurveyTable;
    EXPECT_EQ(survey.voltage[1], 40);
    EXPECT_GE(survey.voltage[12], 149.5);
    for (int m = 1; m <= 3; ++m) {
        EXPECT_DOUBLE_EQ(survey.referenceAl[m], 0.25) << "mode " << m;
        EXPECT_DOUBLE_EQ(survey.referenceCu[m], 0.0) << "mode " << m;
    }
}

TEST_F(SpectrumTablesTest, ReferenceFiltrationGivesTheSurveyOutput) {
    // With the survey's own filtration the ratio is 1 and the rate at 80 kV,
    // 1 mA is the RQR output 57.8 uGy/mAs times 60 s.
    Module1::SpectrumArrays arrays;
    const Module1::SpectrumResult spectrum =
        Module1::computeSpectrum(tables, referenceBeam(80, 1), arrays);
    ASSERT_TRUE(spectrum.ok()) << spectrum.error;
    EXPECT_NEAR(spectrum.kermaRatio, 1.0, 1e-12);
    const Module1::OutputRateResult rate =
        Module1::computeOutputRate(tables.OutputSurveyTable, 80, 1, 1, spectrum.kermaRatio);
    ASSERT_TRUE(rate.ok()) << rate.error;
    EXPECT_NEAR(rate.kermaRateAt100cm / (57.8e-6 * 60), 1.0, 0.01);
}

} // namespace
