// The tube model's reader of the output survey sdec_default.op. A survey it
// accepts has rising positive voltages, positive outputs and reference
// filtrations, and gives a finite positive output rate at every voltage it
// covers.
#include "fuzz_support.h"

#include <textrec/exchange_files.h>

#include "XrayTubeModel.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzzsupport::InputFile file(textrec::exchange::outputSurveyFile);
    Module1::OutputSurvey survey;
    if (!Module1::readOutputSurvey(file.write(data, size), survey).empty())
        return 0;
    for (int k = 1; k <= Module1::kSurveyRows; ++k) {
        FUZZ_CHECK(std::isfinite(survey.voltage[k]) && survey.voltage[k] > 0);
        FUZZ_CHECK(k == 1 || survey.voltage[k] > survey.voltage[k - 1]);
    }
    for (int m = 1; m <= 3; ++m) {
        FUZZ_CHECK(survey.referenceAl[m] > 0 && survey.referenceCu[m] >= 0);
        for (int k = 1; k <= Module1::kSurveyRows; ++k) {
            FUZZ_CHECK(survey.output[m][k] > 0);
            const Module1::OutputRateResult rate =
                Module1::computeOutputRate(survey, survey.voltage[k], 1, m, 1);
            FUZZ_CHECK(rate.ok() && std::isfinite(rate.kermaRateAt100cm) &&
                       rate.kermaRateAt100cm > 0);
        }
    }
    return 0;
}
