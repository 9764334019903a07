#include "run.h"

#include "history.h"
#include "inputs.h"
#include "planes.h"
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
#include <vector>

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

// What the title says of the planes a job maps: nothing for a six-line job.
void showPlanes(std::ostream& out, const JobParameters& job, const std::vector<MapFile>& maps) {
    namespace planes = textrec::planes;
    if (!job.planes)
        return;
    const std::string centre = textrec::plainNumber(job.planes->centreHeight);
    out << "            ファントム中心：床上 " << centre << " cm";
    if constexpr (geometryCode == 1)
        out << (job.planes->tube == planes::Tube::Above ? "、Ｘ線管：寝台の上"
                                                        : "、Ｘ線管：寝台の下");
    out << "\n";
    for (const MapFile& map : maps) {
        out << "            " << textrec::displayNativeName(map.resultName) << "：";
        if (map.record->kind == planes::PlaneKind::VerticalSection)
            out << "鉛直断面（患者中心を横切る面）\n";
        else
            out << "床上 " << textrec::plainNumber(map.record->height) << " cm の水平面\n";
    }
}

void showTitle(std::ostream& out, const RunOptions& options, const JobParameters& job,
               const std::vector<MapFile>& maps) {
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
    else if (options.scalar)
        out << "            " << options.threads << " スレッドで計算します（ベクトル演算なし）\n";
    else
        out << "            " << options.threads << " スレッドで計算します\n";
    showPlanes(out, job, maps);
    out << "\n"
        << "  ---   Enter キーを押すと計算が開始されます ---\n"
        << std::flush;
}

// The paths of the maps' result files, and whether a file can be created
// there: checked before the run, so that a name this computer cannot hold or
// a folder that cannot be written stops the engine before the histories, not
// after them.
std::vector<std::filesystem::path> resultPaths(const std::filesystem::path& folder,
                                               const std::vector<MapFile>& maps) {
    std::vector<std::filesystem::path> paths;
    for (const MapFile& map : maps) {
        const std::optional<std::filesystem::path> name =
            textrec::pathFromNativeName(map.resultName);
        if (!name)
            throw textrec::InputError(textrec::exchange::jobFile, 6,
                                      "the result name \"" +
                                          textrec::displayNativeName(map.resultName) +
                                          "\" is not text of this computer's code page");
        paths.push_back(folder / *name);
    }
    std::string error;
    const std::optional<std::filesystem::path> probe =
        textrec::writeTemporaryBeside(paths.front(), "", &error);
    if (!probe)
        throw textrec::InputError(textrec::exchange::jobFile, 6,
                                  "the result file cannot be written here: " + error);
    std::error_code ignored;
    std::filesystem::remove(*probe, ignored);
    return paths;
}

// Writes one map's result file, its plane record and its uncertainty file.
// An uncertainty file of an earlier run under the same name goes first, so
// that it is never read beside the new result, and so does a plane record
// when this map has none. The plane record is in place before the result
// that it describes, so that a result never stands without it. A result file
// that cannot be replaced (another program holds it open) is kept in its
// temporary file while the user is asked to let it go and press Enter.
bool writeMap(const std::filesystem::path& result, const MapFile& map, const EngineInputs& inputs,
              float kermaRateAtSkin, const DoseGrid& grid, const DoseGrid& errors, std::istream& in,
              std::ostream& err) {
    std::filesystem::path uncertainty = result;
    uncertainty += textrec::exchange::uncertaintySuffix;
    const std::filesystem::path record = textrec::planes::planeRecordPath(result);
    std::error_code ignored;
    std::filesystem::remove(uncertainty, ignored);
    std::string error;
    const std::optional<std::filesystem::path> temporary = textrec::writeTemporaryBeside(
        result, formatResultFile(inputs, kermaRateAtSkin, grid), &error);
    if (!temporary) {
        err << error << std::endl;
        return false;
    }
    if (!map.record) {
        std::filesystem::remove(record, ignored);
    } else if (!textrec::writeFileAtomic(record, textrec::planes::planeRecordText(*map.record),
                                         &error)) {
        std::filesystem::remove(*temporary, ignored);
        err << error << " (the result " << textrec::displayName(result.filename())
            << " is not saved without the record of its plane)" << std::endl;
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
    std::vector<MapFile> maps;
    std::vector<std::filesystem::path> results;
    try {
        inputs = loadInputs(folder);
        maps = mapFiles(inputs.job);
        results = resultPaths(folder, maps);
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
    auto run = std::make_unique<RunTallies>(tables.scoring.planes.count);

    showTitle(out, options, inputs.job, maps);
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

    // Every map is written, even after one that could not be.
    auto grid = std::make_unique<DoseGrid>();
    auto errors = std::make_unique<DoseGrid>();
    bool saved = true;
    for (std::size_t p = 0; p < maps.size(); ++p) {
        roundToGrid((*run)[int(p)], *grid);
        relativeErrors((*run)[int(p)], *errors);
        normalise(*grid, normalisation.factor);
        if (maps[p].reverseRows) {
            reverseRows(*grid);
            reverseRows(*errors);
        }
        saved = writeMap(results[p], maps[p], inputs, normalisation.kermaRateAtSkin, *grid, *errors,
                         in, err) &&
                saved;
    }
    if (!saved)
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
