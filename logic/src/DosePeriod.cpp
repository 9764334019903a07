#include "logic/DosePeriod.h"

#include "logic/NumberText.h"

#include <textrec/textrec.h>

#include <cmath>

namespace dose {

namespace {

constexpr double kMilli = 1000; // μ-units in one milli-unit

QString periodSuffix(Period period) {
    switch (period) {
    case Period::PerMinute:
        return QStringLiteral("min");
    case Period::Week:
        return QStringLiteral("週");
    case Period::Quarter:
        return QStringLiteral("3か月");
    case Period::Year:
        return QStringLiteral("年");
    }
    return {};
}

QString numberText(double value) {
    return QString::fromStdString(textrec::plainNumber(value, 6));
}

} // namespace

int weeksOf(Period period) {
    switch (period) {
    case Period::PerMinute:
        return 0;
    case Period::Week:
        return 1;
    case Period::Quarter:
        return 13;
    case Period::Year:
        return 52;
    }
    return 0;
}

QString periodName(Period period) {
    switch (period) {
    case Period::PerMinute:
        return QStringLiteral("毎分");
    case Period::Week:
        return QStringLiteral("1週間");
    case Period::Quarter:
        return QStringLiteral("3か月");
    case Period::Year:
        return QStringLiteral("1年");
    }
    return {};
}

std::optional<Period> periodNamed(const QString& name) {
    for (Period p : kPeriods)
        if (periodName(p) == name)
            return p;
    return std::nullopt;
}

QString minutesPerWeekField() {
    return QStringLiteral("透視時間（分/週）");
}

QString proceduresPerWeekField() {
    return QStringLiteral("検査件数（件/週）");
}

QString minutesPerProcedureField() {
    return QStringLiteral("1件あたりの透視時間（分/件）");
}

std::optional<double> positiveNumber(const QString& text, const QString& field, QString& error) {
    const std::optional<double> value = textrec::readWholeNumber(numbertext::asciiBytes(text));
    if (!value || !std::isfinite(*value)) {
        error = QStringLiteral("「%1」には数値を入力して下さい（「%2」は数値として読めません）。")
                    .arg(field, text.trimmed());
        return std::nullopt;
    }
    if (!(*value > 0)) {
        error = QStringLiteral("「%1」には 0 より大きい数値を入力して下さい（%2）。")
                    .arg(field, text.trimmed());
        return std::nullopt;
    }
    return value;
}

std::optional<double> minutesPerWeek(const QString& text, QString& error) {
    const std::optional<double> minutes = positiveNumber(text, minutesPerWeekField(), error);
    if (!minutes)
        return std::nullopt;
    if (*minutes > kMinutesInWeek) {
        error = QStringLiteral("「%1」の %2 分は 1週間の長さ（%3 分）を超えています。")
                    .arg(minutesPerWeekField(), numberText(*minutes), numberText(kMinutesInWeek));
        return std::nullopt;
    }
    return minutes;
}

std::optional<double> minutesPerWeek(const QString& proceduresPerWeek,
                                     const QString& minutesPerProcedure, QString& error) {
    const std::optional<double> procedures =
        positiveNumber(proceduresPerWeek, proceduresPerWeekField(), error);
    if (!procedures)
        return std::nullopt;
    const std::optional<double> each =
        positiveNumber(minutesPerProcedure, minutesPerProcedureField(), error);
    if (!each)
        return std::nullopt;
    const double minutes = *procedures * *each;
    if (!(minutes <= kMinutesInWeek)) {
        error = QStringLiteral("「%1」×「%2」＝ %3 分は 1週間の長さ（%4 分）を超えています。")
                    .arg(proceduresPerWeekField(), minutesPerProcedureField(), numberText(minutes),
                         numberText(kMinutesInWeek));
        return std::nullopt;
    }
    return minutes;
}

double minutesPerProcedure(double minutesPerWeek, double proceduresPerWeek) {
    return minutesPerWeek / proceduresPerWeek;
}

bool isValidWorkload(double minutesPerWeek) {
    return std::isfinite(minutesPerWeek) && minutesPerWeek > 0 && minutesPerWeek <= kMinutesInWeek;
}

QString workloadText(double minutesPerWeek) {
    return QStringLiteral("透視時間 %1 分/週").arg(numberText(minutesPerWeek));
}

double DisplayScale::minutesInPeriod() const {
    return period == Period::PerMinute ? 1.0 : minutesPerWeek * weeksOf(period);
}

double DisplayScale::factor() const {
    const double minutes = minutesInPeriod();
    return prefix == Prefix::Milli ? minutes / kMilli : minutes;
}

DisplayScale displayScale(Period period, double minutesPerWeek, double maximumPerMinute) {
    if (period == Period::PerMinute)
        return perMinute();
    DisplayScale scale{period, minutesPerWeek, Prefix::Micro};
    if (maximumPerMinute * scale.minutesInPeriod() >= kMilli)
        scale.prefix = Prefix::Milli;
    return scale;
}

double toShown(double perMinuteMicro, const DisplayScale& scale) {
    return perMinuteMicro * scale.factor();
}

double toPerMinute(double shown, const DisplayScale& scale) {
    return shown / scale.factor();
}

double convertShown(double shown, const DisplayScale& from, const DisplayScale& to) {
    if (from == to)
        return shown;
    const double micro = from.prefix == Prefix::Milli ? shown * kMilli : shown;
    double converted = micro;
    if (from.period == Period::PerMinute && to.period != Period::PerMinute)
        converted = micro * to.minutesInPeriod();
    else if (from.period != Period::PerMinute && to.period == Period::PerMinute)
        converted = micro / from.minutesInPeriod();
    else if (from.period != to.period)
        converted = micro * weeksOf(to.period) / weeksOf(from.period);
    return to.prefix == Prefix::Milli ? converted / kMilli : converted;
}

results::Thresholds convertThresholds(const results::Thresholds& shown, const DisplayScale& from,
                                      const DisplayScale& to) {
    results::Thresholds out{};
    for (std::size_t k = 0; k < shown.size(); ++k)
        out[k] = convertShown(shown[k], from, to);
    return out;
}

results::Thresholds defaultThresholds(double maximumPerMinute, const DisplayScale& scale) {
    return results::defaultThresholds(toShown(maximumPerMinute, scale));
}

QString prefixText(Prefix prefix) {
    return prefix == Prefix::Milli ? QStringLiteral("m") : QStringLiteral("μ");
}

QString unitAfterPrefix(results::Quantity quantity, const DisplayScale& scale) {
    const QString unit =
        quantity == results::Quantity::Kerma ? QStringLiteral("Gy") : QStringLiteral("Sv");
    return unit + QLatin1Char('/') + periodSuffix(scale.period);
}

QString shownValueText(double shown) {
    if (!std::isfinite(shown))
        return QString::fromStdString(textrec::plainNumber(shown));
    // Rounded to four significant digits first (read back whatever the
    // program's locale), then written out in full.
    const double rounded = QString::fromStdString(textrec::plainNumber(shown, 4)).toDouble();
    return QString::fromStdString(textrec::plainNumber(rounded));
}

QString unitText(results::Quantity quantity, const DisplayScale& scale) {
    return prefixText(scale.prefix) + unitAfterPrefix(quantity, scale);
}

} // namespace dose
