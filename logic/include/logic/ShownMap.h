// One dose map as the viewer shows it: what its drawing and the drawing over
// the room layout paint, and what their saved and printed pages say of it.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/DoseGrids.h"
#include "logic/DosePeriod.h"
#include "logic/LimitLines.h"
#include "logic/MapPlane.h"
#include "logic/ResultHeader.h"
#include "logic/Uncertainty.h"

#include <QString>
#include <optional>
#include <vector>

namespace results {

struct ShownMap {
    Quantity quantity = Quantity::Kerma;
    // The grid of the quantity, in μGy/min or μSv/min; nothing while the
    // viewer holds no load of its chosen file.
    std::optional<DoseGrid> grid;
    // T1..T11 as the threshold fields read, in the unit `scale` shows.
    Thresholds thresholds{};
    // How the map's values are shown: per minute as written, or as doses in a
    // period for a workload (dose::DisplayScale). The grid stays per minute.
    dose::DisplayScale scale = dose::perMinute();
    // Minutes of fluoroscopy a week that the period and the limit lines are
    // for; 0 when none is given.
    double minutesPerWeek = 0;
    // The ticked reference levels, traced over the dose-equivalent map of the
    // same result and plane whatever the quantity shown.
    std::vector<limitlines::LimitLine> limitLines;
    int bodyPosition = 0;         // 1 lying, anything else standing
    double focusSkinDistance = 0; // cm
    // The cells to hatch, row by row as the grid; nothing when none are.
    std::optional<std::vector<bool>> hatched;
    // The result file the grid was merged from (without folder) and its
    // conditions; nothing when the header could not be read.
    QString resultFileName;
    std::optional<ResultHeader> header;
    // The plane the map lies in, from the plane record beside its result;
    // nothing for a result without one (the horizontal plane through the
    // phantom's centre, at a height nobody gave).
    std::optional<PlaneRecord> plane;
    // The dose-equivalent grid of the same result and plane when the grid
    // above is the air kerma: the reference levels are dose equivalent, so
    // their lines and the shares of the named points come from it whichever
    // quantity is shown. Nothing while the viewer holds no load.
    std::optional<DoseGrid> doseEquivalent;
    // The relative errors written beside the result; nothing without them.
    std::optional<RelativeErrors> errors;
};

// The dose-equivalent grid of a map: its own grid when it shows that
// quantity, else the one kept beside it; nothing while no load is held.
inline const DoseGrid* doseEquivalentOf(const ShownMap& map) {
    if (map.quantity == Quantity::DoseEquivalent)
        return map.grid ? &*map.grid : nullptr;
    return map.doseEquivalent ? &*map.doseEquivalent : nullptr;
}

// The thresholds that band the grid as it is held, per minute: the shown
// thresholds divided by the scale's factor (1 per minute, so that a map per
// minute is banded exactly as the fields read).
inline Thresholds bandingThresholds(const ShownMap& map) {
    Thresholds perMinute{};
    for (std::size_t k = 0; k < perMinute.size(); ++k)
        perMinute[k] = dose::toPerMinute(map.thresholds[k], map.scale);
    return perMinute;
}

// Whether a page of the map shows more than the rate per minute of the
// scatter: doses in a period or limit lines. It then says what the map
// leaves out (page::scatterOnlyNote).
inline bool showsDoseJudgement(const ShownMap& map) {
    return map.scale.period != dose::Period::PerMinute || !map.limitLines.empty();
}

} // namespace results
