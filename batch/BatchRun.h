// The run of scatter-map in its working folder: the spectrum and the job
// written as the conditions window writes them, the engine and the merger
// run as child processes, the merged grid loaded by the viewer's reader, and
// the pages and the grid written.
#pragma once

#include "BatchOptions.h"
#include "logic/DoseGrids.h"
#include "logic/MapPlane.h"
#include "logic/NamedPoints.h"
#include "logic/RoomLayout.h"
#include "logic/ShownMap.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace batch {

// The share done and the time left of one of the engine's progress lines
// (" 64 / 180   35 %   0:19 left"); the time is empty on the last line.
struct EngineProgress {
    int percent = 0;
    std::string timeLeft; // "0:19", "1:02:03"
};
std::optional<EngineProgress> parseProgress(std::string_view line);

// The fine grid of one quantity as CSV: the unit, then x = 20..400 cm on the
// first row; then one row per c = -300..300 cm, its c first and then the
// values in the merged file's E11.4 form. UTF-8 with a byte-order mark (a
// spreadsheet reads the "μ" of the unit then), CR LF line ends. The rows of
// a vertical section (`plane`) begin with their height above the floor
// instead of c, in the same order, and those below the floor have no values.
std::string gridCsv(const results::DoseGrid& grid, results::Quantity quantity,
                    const std::optional<results::PlaneRecord>& plane = std::nullopt);

// The named points of a layout as CSV, one row per point: its name, its map
// coordinates x (from the phantom's mid-plane, positive on either side) and c
// in cm, the dose of the map's quantity at the cell the read-out reads there
// in the map's scale (per minute as the read-out writes it, else
// dose::shownValueText), that cell's relative error as the read-out writes
// it, the share of each level of `limits` (from `doseEquivalent` for the
// workload), and a remark: "壁の遮へいは含まない" for a value beyond the
// room's walls. A point beyond the map has "地図の範囲外" for its dose and
// shares, and no remark. UTF-8 with
// a byte-order mark, CR LF line ends; a field with a comma or a quote is
// quoted.
std::string pointsCsv(const std::vector<namedpoints::NamedPoint>& points,
                      const Module1::RoomLayout& room, const results::ShownMap& map,
                      const results::DoseGrid& doseEquivalent,
                      const std::optional<results::RelativeErrors>& errors,
                      const std::vector<dose::ReferenceLevel>& limits, double minutesPerWeek);

// From now on SIGINT and SIGTERM stop a run: the engine or the merger is
// stopped and its temporary files removed, the files already finished stay,
// and runBatch returns 128 + the signal (130, 143), letting go of the lock.
void stopOnSignals();
// The signal that stopped the run; 0 while none did.
int stopSignal();

// Runs checked options in the working folder `folder`, telling what it does
// on `out` (the engine's progress as one line) and why it stops on `err`.
// Returns the exit status: 0 when everything is written, 2 when the
// spectrum model refuses the tube settings (nothing is written then), 1 when
// anything else fails, 130 or 143 when SIGINT or SIGTERM stopped it.
int runBatch(const BatchOptions& options, const QString& folder, std::ostream& out,
             std::ostream& err);

} // namespace batch
