// Times one whole room dose overlay: the room, the sketch, the 228,000 map points,
// the grid, the masks and the room again. Synthetic grids fall off with the square
// of the distance from the phantom so that the map spans all twelve bands.
#include "Windows.h"
#include "layout/Form6.h"
#include "layout/Overlay.h"
#include "logic/DoseGrids.h"
#include "logic/LayoutPlan.h"
#include "logic/OverlayPainting.h"
#include "logic/RoomLayout.h"
#include "results/Form1.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <benchmark/benchmark.h>
#include <utility>

namespace {

// The layout editor's default room, its bed turned along Y when asked.
Module1::RoomLayout defaultRoom(bool bedAlongX) {
    Module1::RoomLayout r = layout::capture(layout::LayoutPlan{});
    if (!bedAlongX)
        std::swap(r.bedWidth, r.bedHeight);
    return r;
}

results::DoseGrid syntheticGrid() {
    results::DoseGrid grid;
    for (int i = 1; i <= results::kGridRows; ++i) {
        for (int j = 1; j <= results::kGridColumns; ++j) {
            const double x = 19.0 + j;
            const double c = i - 301.0;
            grid.at(j, i) = 2.0e6 / (x * x + c * c);
        }
    }
    return grid;
}

void BM_PaintOverlay(benchmark::State& state) {
    const results::DoseGrid grid = syntheticGrid();
    overlay::OverlayInputs inputs;
    inputs.room = defaultRoom(state.range(0) == 1);
    inputs.bodyPosition = static_cast<int>(state.range(1));
    inputs.focusSkinDistance = 60;
    inputs.grid = &grid;
    inputs.thresholds = results::defaultThresholds(grid.at(1, 301));
    QImage image = overlay::blankPicture();
    for (auto _ : state) {
        overlay::paintOverlay(image, inputs);
        benchmark::DoNotOptimize(image.constBits());
    }
}
// Bed along X or Y, lying (1) or standing (2).
BENCHMARK(BM_PaintOverlay)
    ->ArgsProduct({{1, 2}, {1, 2}})
    ->ArgNames({"orientation", "position"})
    ->Unit(benchmark::kMillisecond);

// The whole operation as the editor runs it: reads the viewer's state and
// thresholds, lets window events run after each map row and shows the result in
// the overlay window's picture.
void BM_DrawLayoutOverlay(benchmark::State& state) {
    Module1::roomLayout = defaultRoom(true);
    Form1& viewer = Windows::form1();
    viewer.kermaGrid = syntheticGrid();
    viewer.bodyPosition = 1;
    viewer.focusSkinDistance = 60;
    viewer.Option1->setChecked(true);
    const results::Thresholds t = results::defaultThresholds(viewer.kermaGrid.at(1, 301));
    const auto fields = viewer.thresholdFields();
    for (std::size_t k = 0; k < fields.size(); ++k)
        fields[k]->setText(QString::number(t[k]));
    for (auto _ : state)
        Windows::form6().drawOverlay(viewer.currentMap());
}
BENCHMARK(BM_DrawLayoutOverlay)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
