// From dose rate to dose: the unit's workload (minutes of fluoroscopy a week),
// the period a map is shown for, and the scale and unit of what is shown.
//
// Result files, F2B.dat and corrected files stay per minute of fluoroscopy
// (μGy/min, μSv/min); a period only scales what the windows and pages show.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/Uncertainty.h"

#include <QString>
#include <array>
#include <optional>

namespace dose {

// The period shown. Per minute is the map as the result file holds it.
enum class Period { PerMinute, Week, Quarter, Year };
inline constexpr std::array<Period, 4> kPeriods = {Period::PerMinute, Period::Week, Period::Quarter,
                                                   Period::Year};

// The weeks a period spans: 1, 13 (3 months) or 52 (a year); 0 per minute,
// which spans no week.
int weeksOf(Period period);

// "毎分", "1週間", "3か月", "1年": the choices of the period field.
QString periodName(Period period);

// The period a name stands for; nothing for any other text.
std::optional<Period> periodNamed(const QString& name);

// No more fluoroscopy than a week has minutes: 7 x 24 x 60.
inline constexpr double kMinutesInWeek = 10080;

// The fields of the workload, named in the refusals.
QString minutesPerWeekField();      // "透視時間（分/週）"
QString proceduresPerWeekField();   // "検査件数（件/週）"
QString minutesPerProcedureField(); // "1件あたりの透視時間（分/件）"

// A number typed into a workload field: the whole text one number (full-width
// digits and signs read as ASCII, blanks around it allowed), finite and above
// 0. Nothing, and in `error` a message naming `field`, otherwise.
std::optional<double> positiveNumber(const QString& text, const QString& field, QString& error);

// The minutes of fluoroscopy a week typed directly: a positive number of at
// most kMinutesInWeek.
std::optional<double> minutesPerWeek(const QString& text, QString& error);

// The minutes a week from procedures a week times minutes a procedure, each a
// positive number; their product at most kMinutesInWeek.
std::optional<double> minutesPerWeek(const QString& proceduresPerWeek,
                                     const QString& minutesPerProcedure, QString& error);

// The other way: the minutes a procedure for a weekly time and a number of
// procedures (both above 0).
double minutesPerProcedure(double minutesPerWeek, double proceduresPerWeek);

// Whether a weekly time is one the fields would accept.
bool isValidWorkload(double minutesPerWeek);

// "透視時間 60 分/週": the workload as pages and legends write it beside a
// period's doses.
QString workloadText(double minutesPerWeek);

// The prefix of the unit: micro (μGy, μSv) or milli (mGy, mSv).
enum class Prefix { Micro, Milli };

// How a map's values are shown: shown value = value per minute (in μGy or
// μSv) x factor().
//
// The one rule for the unit: per minute the map stays as written, in μGy/min
// or μSv/min. For a period the unit is chosen once for the whole map (legend,
// threshold fields, read-out, points and pages alike) from the largest value
// of the map in that period: mGy or mSv when it reaches 1000 μGy or μSv,
// μGy or μSv below. A map thus never shows more than four digits before the
// point for its largest value, nor a thousandth of a milli-unit where the
// dose is small.
struct DisplayScale {
    Period period = Period::PerMinute;
    double minutesPerWeek = 0; // used only for a period
    Prefix prefix = Prefix::Micro;

    // Minutes of fluoroscopy in the period: minutesPerWeek x weeks (1 per
    // minute).
    double minutesInPeriod() const;
    double factor() const;
    bool operator==(const DisplayScale&) const = default;
};

// The per-minute scale (the map as written).
inline constexpr DisplayScale perMinute() {
    return {};
}

// The scale of a map whose largest value per minute is `maximumPerMinute`
// (μGy/min or μSv/min), shown for `period` with `minutesPerWeek` (a valid
// workload; ignored per minute).
DisplayScale displayScale(Period period, double minutesPerWeek, double maximumPerMinute);

// A value per minute as shown, and a shown value back per minute.
double toShown(double perMinuteMicro, const DisplayScale& scale);
double toPerMinute(double shown, const DisplayScale& scale);

// A value shown in one scale as shown in another: what a threshold field
// holds when the period, the workload or the unit changes, so that a typed
// value keeps its meaning. A dose in a period stays that dose: 1 mSv a week is
// 13 mSv in 3 months whatever the workload, and stays 1 mSv a week when only
// the workload changes. A rate per minute becomes the dose in the period for
// the period's workload, and a dose in a period the rate per minute for its
// own workload.
double convertShown(double shown, const DisplayScale& from, const DisplayScale& to);
results::Thresholds convertThresholds(const results::Thresholds& shown, const DisplayScale& from,
                                      const DisplayScale& to);

// The default thresholds of a map in a scale: the decade rule of the viewer
// applied to the map's largest value as shown, so that they are round numbers
// of the unit shown. `maximumPerMinute` must be above 0.
results::Thresholds defaultThresholds(double maximumPerMinute, const DisplayScale& scale);

// The unit of a quantity in a scale: "μGy/min", "μSv/min" per minute, as the
// viewer writes them; "μSv/週", "mSv/3か月", "mGy/年" for a period.
QString unitText(results::Quantity quantity, const DisplayScale& scale);

// The same after the prefix, for the threshold fields whose "μ" or "m" stands
// apart: "Sv/min", "Sv/週", "Gy/3か月".
QString unitAfterPrefix(results::Quantity quantity, const DisplayScale& scale);

// The prefix alone: "μ" or "m".
QString prefixText(Prefix prefix);

// A dose in a period as the read-out, the points and the key of the lines
// write it: four significant digits, written out without an exponent from
// 0.00001 up ("1950", "0.02778", "12350"), as the map's own values carry no
// more.
QString shownValueText(double shown);

} // namespace dose
