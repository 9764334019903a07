#include "run.h"

#include "history.h"
#include "inputs.h"
#include "random.h"
#include "result.h"
#include "scoring.h"

#include <textrec/textrec.h>

#include <cmath>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

namespace quenro {
inline namespace QUENRO_GEOMETRY_NAMESPACE {

namespace {

struct ClockTime {
    int hour = 0, minute = 0, second = 0;
};

ClockTime localClock() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    if (!local)
        return {};
    return {local->tm_hour, local->tm_min, local->tm_sec};
}

void showTitle(std::ostream& out) {
    out << "\n"
        << "\n"
        << "      ***  モンテカルロシミュレーション  ***\n"
        << "\n"
        << "            Ｘ線透視室内の散乱線分布\n";
    if constexpr (geometryCode == 1)
        out << "            仰臥位（Ｘ線：上→下方向）\n";
    else
        out << "              立位（Ｘ線：水平方向）\n";
    out << "\n"
        << "  ---   Enter キーを押すと計算が開始されます ---\n"
        << std::flush;
}

} // namespace

int runEngine(std::istream& in, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder) {
    LaggedFibonacciGenerator rng;

    EngineInputs inputs;
    Normalisation normalisation;
    try {
        inputs = loadInputs(folder);
        normalisation = computeNormalisation(inputs);
        if (!std::isfinite(normalisation.factor))
            throw textrec::InputError(spectrumFileName, 0,
                                      "the spectrum above 5 keV weighted by the air absorption "
                                      "of Air.eac adds up to 0; the dose cannot be normalised");
    } catch (const textrec::InputError& e) {
        err << e.what() << std::endl;
        return 1;
    }
    const SimulationTables tables = makeSimulationTables(inputs);
    auto grid = std::make_unique<DoseGrid>();

    showTitle(out);
    std::string line;
    if (!std::getline(in, line)) {
        err << "End of input before the Enter key: the calculation was not started." << std::endl;
        return 1;
    }

    out << " <<< Monte Carlo Simulation >>>\n";
    const ClockTime start = localClock();
    out << timeLine("Start time", start.hour, start.minute, start.second) << std::endl;

    runAllHistories(inputs, tables, rng, *grid, [&out](int k, int highestBin) {
        out << binProgressLine(k, highestBin) << std::endl;
    });

    out << "\n" << timeLine("Start time", start.hour, start.minute, start.second) << "\n\n";
    out.flush();

    normalise(*grid, normalisation.factor);
    const std::string content = formatResultFile(inputs, normalisation.kermaRateAtSkin, *grid);
    std::string error;
    if (!textrec::writeFileAtomic(folder / inputs.job.resultFileName, content, &error)) {
        err << error << std::endl;
        return 1;
    }

    const ClockTime finish = localClock();
    out << timeLine("Finish time", finish.hour, finish.minute, finish.second) << "\n"
        << "\n"
        << "  ---      計算結果を保存しました    ---\n"
        << "\n"
        << "  ---     Enter キーを押して下さい   ---\n"
        << std::flush;
    // The result is saved; an end of input here ends the program normally.
    std::getline(in, line);
    out << "Stop - Program terminated." << std::endl;
    return 0;
}

} // namespace QUENRO_GEOMETRY_NAMESPACE
} // namespace quenro
