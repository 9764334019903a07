// The data files through the spectrum model's own loader, and the survey table
// used by the model at the survey's own reference filtration.
#include <gtest/gtest.h>

#include <filesystem>

#include "XrayTubeModel.h"

namespace {

TEST(SpectrumTables, LoadedAndUsedAtTheReferenceFiltration) {
    Module1::SpectrumTables tables;
    ASSERT_EQ(Module1::loadSpectrumTables(std::filesystem::path(SOURCE_DIR) / "data", tables), "");
    // Bin 200 is 100 keV: the values, not the energies, went into the tables.
    EXPECT_NEAR(tables.TungstenTable[200] / 19.3, 4.438, 0.02 * 4.438);
    EXPECT_NEAR(tables.AirAbsorptionTable[200], 0.02325, 0.02 * 0.02325);
    const Module1::OutputSurvey& survey = tables.OutputSurveyTable;
    EXPECT_DOUBLE_EQ(survey.referenceAl[1], 0.25);
    EXPECT_DOUBLE_EQ(survey.referenceCu[1], 0.0);

    // With the survey's own filtration the ratio is 1, and the rate at 80 kV and
    // 1 mA is the RQR output of 57.8 uGy/mAs over 60 s.
    Module1::TubeSettings settings;
    settings.tubeVoltage = 80;
    settings.inherentFiltration = 10 * survey.referenceAl[1];
    settings.addedAluminium = 0;
    settings.addedCopper = 10 * survey.referenceCu[1];
    settings.tubeCurrent = 1;
    Module1::SpectrumArrays arrays;
    const Module1::SpectrumResult spectrum = Module1::computeSpectrum(tables, settings, arrays);
    ASSERT_TRUE(spectrum.ok()) << spectrum.error;
    EXPECT_NEAR(spectrum.kermaRatio, 1.0, 1e-12);
    const Module1::OutputRateResult rate =
        Module1::computeOutputRate(survey, 80, 1, Module1::kConstantPotential, 1.0);
    ASSERT_TRUE(rate.ok()) << rate.error;
    EXPECT_NEAR(rate.kermaRateAt100cm / (57.8e-6 * 60), 1.0, 0.01);
}

} // namespace
