// Reference levels (limit lines): doses that places or people must stay
// within, each with its own period, so that its line is right whatever period
// the map is shown for. All are dose equivalent at 1 cm depth (H1cm): their
// lines always come from the dose-equivalent map, whichever quantity is shown.
#pragma once

#include "logic/DosePeriod.h"

#include <QString>
#include <optional>
#include <vector>

namespace dose {

// Whom a level protects: a place (a boundary, a room next door) or the people
// at their working positions.
enum class LevelKind { Place, Person };

struct ReferenceLevel {
    QString name;
    double value = 0; // in `prefix` Sv per `period`
    Prefix prefix = Prefix::Milli;
    Period period = Period::Quarter;
    LevelKind kind = LevelKind::Place;
    QString note;         // what the level stands for; empty for a user level
    bool builtIn = false; // from the built-in list, not typed by the user

    bool operator==(const ReferenceLevel&) const = default;
};

// The levels that govern fluoroscopy rooms in Japan, places first:
// 管理区域境界 1.3 mSv / 3 months; エックス線診療室の画壁等の外側 1 mSv / week;
// 病室 1.3 mSv / 3 months; 事業所境界・居住区域 250 μSv / 3 months; then for
// people at their working positions 50 mSv / year (effective dose, also the
// eye lens), 20 mSv / year (100 mSv in five years) and 5 mSv / 3 months (women).
const std::vector<ReferenceLevel>& builtInLevels();

// The built-in level of that name; nothing for any other.
std::optional<ReferenceLevel> builtInLevel(const QString& name);

// The fields of a user level, named in the refusals.
QString levelNameField();  // "基準の名称"
QString levelValueField(); // "基準値"

// A level typed by the user. Refused, with a message naming the field in
// `error`: a name that is empty (blanks alone count as empty) or holds a
// control character; a value that is not a number, not finite, 0 or below.
// The name is kept without its leading and trailing blanks.
std::optional<ReferenceLevel> makeUserLevel(const QString& name, const QString& valueText,
                                            Prefix prefix, Period period, QString& error);

// The level in μSv.
double levelMicro(const ReferenceLevel& level);

// The dose equivalent rate in μSv per minute of fluoroscopy at which a place
// reaches the level with a workload of `minutesPerWeek` (a valid workload):
// the level divided by the minutes of fluoroscopy in its own period. A level
// per minute needs no workload.
double perMinuteLevel(const ReferenceLevel& level, double minutesPerWeek);

// The level as shown in a scale: where its line lies on the legend.
double shownLevel(const ReferenceLevel& level, double minutesPerWeek, const DisplayScale& scale);

// The share of the level that a place with `perMinuteDoseEquivalent` (μSv/min)
// receives with that workload in the level's own period: 1 at the level.
double shareOfLevel(double perMinuteDoseEquivalent, const ReferenceLevel& level,
                    double minutesPerWeek);

// "35 %", "0.4 %" below 1 %, "1200 %": a share as tables and pages write it.
QString shareText(double share);

// "1.3 mSv/3か月", "250 μSv/3か月": the level as the list writes it.
QString levelText(const ReferenceLevel& level);

} // namespace dose
