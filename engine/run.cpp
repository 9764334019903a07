#include "run.h"

#include "history.h"
#include "inputs.h"
#include "random.h"
#include "result.h"
#include "scoring.h"

#include <textrec/textrec.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <iostream>
#include <memory>
#include <optional>
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

void showTitle(std::ostream& out, const RunOptions& options) {
    out << "\n"
        << "\n"
        << "      ***  モンテカルロシミュレーション  ***\n"
        << "\n"
        << "            Ｘ線透視室内の散乱線分布\n";
    if constexpr (geometryCode == 1)
        out << "            仰臥位（Ｘ線：上→下方向）\n";
    else
        out << "              立位（Ｘ線：水平方向）\n";
    if (options.singleStream)
        out << "            単一乱数列（1 スレッド）で計算します\n";
    else
        out << "            " << options.threads << " スレッドで計算します\n";
    out << "\n"
        << "  ---   Enter キーを押すと計算が開始されます ---\n"
        << std::flush;
}

// The result file's path, and whether a file can be created there: checked
// before the run, so that a name this computer cannot hold or a folder that
// cannot be written stops the engine before the histories, not after them.
std::filesystem::path resultPath(const std::filesystem::path& folder, const JobParameters& job) {
    const std::optional<std::filesystem::path> name =
        textrec::pathFromNativeName(job.resultFileName);
    if (!name)
        throw textrec::InputError(textrec::exchange::jobFile, 6,
                                  "the result name \"" +
                                      textrec::displayNativeName(job.resultFileName) +
                                      "\" is not text of this computer's code page");
    const std::filesystem::path path = folder / *name;
    std::string error;
    const std::optional<std::filesystem::path> probe =
        textrec::writeTemporaryBeside(path, "", &error);
    if (!probe)
        throw textrec::InputError(textrec::exchange::jobFile, 6,
                                  "the result file cannot be written here: " + error);
    std::error_code ignored;
    std::filesystem::remove(*probe, ignored);
    return path;
}

// Writes the result file, then its uncertainty file. An uncertainty file of
// an earlier run under the same name goes first, so that it is never read
// beside the new result. A result file that cannot be replaced (another
// program holds it open) is kept in its temporary file while the user is
// asked to let it go and press Enter.
bool writeResults(const std::filesystem::path& result, const EngineInputs& inputs,
                  float kermaRateAtSkin, const DoseGrid& map, const DoseGrid& errors,
                  std::istream& in, std::ostream& err) {
    std::filesystem::path uncertainty = result;
    uncertainty += textrec::exchange::uncertaintySuffix;
    std::error_code ignored;
    std::filesystem::remove(uncertainty, ignored);
    std::string error;
    const std::optional<std::filesystem::path> temporary = textrec::writeTemporaryBeside(
        result, formatResultFile(inputs, kermaRateAtSkin, map), &error);
    if (!temporary) {
        err << error << std::endl;
        return false;
    }
    while (!textrec::replaceFile(*temporary, result, &error)) {
        err << error << "\n"
            << "The result is kept in " << textrec::displayName(temporary->filename())
            << ". If another program has " << textrec::displayName(result.filename())
            << " open, close it there and press Enter to try again." << std::endl;
        std::string line;
        if (!std::getline(in, line)) {
            err << "The result stays in " << textrec::displayName(*temporary) << "." << std::endl;
            return false;
        }
    }
    if (!textrec::writeFileAtomic(uncertainty,
                                  formatUncertaintyFile(inputs, kermaRateAtSkin, errors), &error))
        err << error << " (the result file is saved without its statistical uncertainties)"
            << std::endl;
    return true;
}

} // namespace

int runEngine(std::istream& in, std::ostream& out, std::ostream& err,
              const std::filesystem::path& folder, const RunOptions& options) {
    EngineInputs inputs;
    Normalisation normalisation;
    std::filesystem::path result;
    try {
        inputs = loadInputs(folder);
        result = resultPath(folder, inputs.job);
        normalisation = computeNormalisation(inputs);
        if (!std::isfinite(normalisation.factor))
            throw textrec::InputError(textrec::exchange::spectrumFile, 0,
                                      std::string("the spectrum above 5 keV weighted by the air "
                                                  "absorption of ") +
                                          textrec::exchange::airAbsorptionFile +
                                          " adds up to 0; the dose cannot be normalised");
    } catch (const textrec::InputError& e) {
        err << e.what() << std::endl;
        return 1;
    }
    const SimulationTables tables = makeSimulationTables(inputs);
    auto run = std::make_unique<RunTally>();

    showTitle(out, options);
    std::string line;
    if (!std::getline(in, line)) {
        err << "End of input before the Enter key: the calculation was not started." << std::endl;
        return 1;
    }

    out << " <<< Monte Carlo Simulation >>>\n";
    const ClockTime start = localClock();
    out << timeLine("Start time", start.hour, start.minute, start.second) << std::endl;

    const auto started = std::chrono::steady_clock::now();
    const std::int64_t histories =
        runAllHistories(inputs, tables, options, *run, [&](const RunProgress& p) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            out << binProgressLine(p.bin, p.highestBin)
                << progressTail(p.historiesDone, p.historiesTotal, elapsed) << std::endl;
        });
    // Each line shows the share done before its bin; one more line says that
    // the last bin is done too ("160 / 160  100 %").
    out << binProgressLine(inputs.spectrum.highestBin + 1, inputs.spectrum.highestBin)
        << progressTail(histories, histories, 0.0) << std::endl;

    out << "\n" << timeLine("Start time", start.hour, start.minute, start.second) << "\n\n";
    out.flush();

    auto map = std::make_unique<DoseGrid>();
    auto errors = std::make_unique<DoseGrid>();
    roundToGrid(*run, *map);
    relativeErrors(*run, *errors);
    normalise(*map, normalisation.factor);
    if (!writeResults(result, inputs, normalisation.kermaRateAtSkin, *map, *errors, in, err))
        return 1;

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
