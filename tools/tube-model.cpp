// spectrum-model: runs the window program's spectrum model in the current
// folder, which holds the data files, as a run from the conditions window does.
//
//   spectrum-model --kv 80 --angle 12 --inherent 2.5 --al 1.5 --cu 0 --ma 1 --mode 1
//
// The values are read as the window reads its fields, so the same clamps apply.
// Writes "B_SPCTL.dat" and prints one "name value" line each for the clamped
// voltage, kermaRatio and kermaRateAt100cm. Options left out take the window's
// defaults.
#include "XrayTubeModel.h"

#include <textrec/textrec.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: spectrum-model [--kv V] [--angle DEG] [--inherent MM] [--al MM] "
                         "[--cu MM] [--ma MA] [--mode 1|2|3]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> fields = {
        {"--kv", "80"}, {"--angle", "12"}, {"--inherent", "2.5"}, {"--al", "1.5"},
        {"--cu", "0"},  {"--ma", "1"},     {"--mode", "1"},
    };
    for (int a = 1; a < argc; ++a) {
        auto it = fields.find(argv[a]);
        if (it == fields.end() || a + 1 >= argc)
            return usage();
        it->second = argv[++a];
    }
    const std::string& mode = fields["--mode"];
    if (mode != "1" && mode != "2" && mode != "3")
        return usage();

    const std::string loadError = Module1::LoadSpectrumTables();
    if (!loadError.empty()) {
        std::fprintf(stderr, "%s\n", loadError.c_str());
        return 1;
    }
    const int rectificationMode = std::stoi(mode);
    const Module1::TubeSettings settings = Module1::readTubeSettings(
        fields["--kv"], fields["--angle"], fields["--inherent"], fields["--al"], fields["--cu"],
        fields["--ma"], rectificationMode);
    const Module1::SpectrumResult spectrum = Module1::ComputeSpectrum(settings);
    if (!spectrum.ok()) {
        std::fprintf(stderr, "%s\n", spectrum.error.c_str());
        return 1;
    }
    // The window reads the voltage field again, which now holds the clamped text.
    const std::string voltageText = spectrum.voltageText.value_or(fields["--kv"]);
    const Module1::OutputRateResult output = Module1::ComputeOutputRate(
        textrec::leadingNumber(voltageText), settings.tubeCurrent, rectificationMode);
    if (!output.ok()) {
        std::fprintf(stderr, "%s\n", output.error.c_str());
        return 1;
    }
    std::printf("kV %.17g\n", spectrum.kVp);
    std::printf("kermaRatio %.17g\n", Module1::kermaRatio);
    std::printf("kermaRateAt100cm %.17g\n", Module1::kermaRateAt100cm);
    return 0;
}
