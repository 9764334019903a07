// Times the viewer's heavy steps on a full-size merged file: reading both grids
// with their extremes and thresholds, painting the map (bands, grid, sketch and
// labels) into the picture's image, and tracing the limit lines over it.
#include "logic/Contours.h"
#include "logic/DoseGrids.h"
#include "logic/MapPainting.h"
#include "logic/ReferenceLevels.h"
#include "logic/Uncertainty.h"
#include "textrec/exchange_files.h"
#include "textrec/textrec.h"

#include <QFont>
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A merged file shaped like a real one: the dose rate falls with the square of
// the distance from the phantom centre and with the angle along the table.
void writeRealisticMergedFile(const fs::path& path) {
    std::string text;
    text.reserve(2 * results::kGridRows * 4193);
    for (int quantity = 0; quantity < 2; ++quantity) {
        const double scale = quantity == 0 ? 120.0 : 160.0;
        for (int i = 1; i <= results::kGridRows; ++i) {
            const double c = i - 301;
            for (int j = 1; j <= results::kGridColumns; ++j) {
                const double x = 19 + j;
                const double r2 = (x * x + c * c) / 10000;
                const double v = scale * std::exp(-std::abs(c) / 400) / r2;
                text += textrec::formatE(v, 11, 4);
            }
            text += textrec::kRecordEnd;
        }
    }
    std::ofstream(path, std::ios::binary) << text;
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Timing {
    double best;
    double median;
};

template <typename F> Timing timeRounds(int rounds, F&& step) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) {
        const auto start = std::chrono::steady_clock::now();
        step();
        t.push_back(seconds(std::chrono::steady_clock::now() - start));
    }
    std::sort(t.begin(), t.end());
    return {t.front(), t[t.size() / 2]};
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the axis labels

    fs::path file;
    fs::path folder;
    if (argc > 1) {
        file = argv[1];
    } else {
        folder = fs::temp_directory_path() / "viewer_bench";
        fs::create_directories(folder);
        file = folder / textrec::exchange::mergedGridFile;
        writeRealisticMergedFile(file);
    }
    std::printf("merged file: %s (%ju bytes)\n", file.string().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(file)));

    std::optional<results::LoadedDoses> loaded;
    const Timing load = timeRounds(7, [&] {
        std::string error;
        loaded = results::loadMergedFile(file, &error);
        if (!loaded) {
            std::fprintf(stderr, "load failed: %s\n", error.c_str());
            std::exit(1);
        }
    });
    std::printf("load  (2 x 601 x 381 values, extremes, thresholds): best %.4f s, median %.4f s "
                "(goal < 0.3 s)\n",
                load.best, load.median);

    const QFont font;
    QImage image;
    const Timing paint = timeRounds(21, [&] {
        image = results::blankMapImage();
        results::paintBands(image, loaded->kerma, loaded->kermaThresholds);
        results::paintMapFrame(image, 1, 90, font);
    });
    std::printf("paint (581 x 376 points, grid, sketch, labels): best %.4f s, median %.4f s "
                "(goal < 0.1 s)\n",
                paint.best, paint.median);

    // The built-in limit lines at 60 minutes a week over the whole
    // dose-equivalent grid, with the cells beyond 200 cm hatched (their
    // segments cut and marked).
    results::RelativeErrors errors;
    for (auto& row : errors.doseEquivalent)
        for (std::size_t column = 0; column < row.size(); ++column)
            row[column] = column >= 20 ? 0.3 : 0.05;
    const std::vector<bool> hatched =
        results::hatchedCells(errors, results::Quantity::DoseEquivalent);
    std::vector<double> levels;
    for (const dose::ReferenceLevel& level : dose::builtInLevels())
        levels.push_back(dose::perMinuteLevel(level, 60));
    std::size_t points = 0;
    const Timing trace = timeRounds(21, [&] {
        const std::vector<contours::LevelContour> lines =
            contours::traceContours(loaded->doseEquivalent, levels, &hatched, contours::kWholeGrid);
        points = 0;
        for (const contours::LevelContour& level : lines)
            for (const contours::ContourLine& line : level.lines)
                points += line.points.size();
    });
    std::printf("trace (%zu limit lines, 601 x 381 cells, %zu points): best %.4f s, median "
                "%.4f s (goal < 0.05 s)\n",
                levels.size(), points, trace.best, trace.median);

    if (!folder.empty())
        fs::remove_all(folder);
    return 0;
}
