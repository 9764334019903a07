#include "logic/ReferenceLevels.h"

#include "logic/NameText.h"

#include <textrec/textrec.h>

#include <cmath>
#include <cstdio>

namespace dose {

namespace {

constexpr double kMicroPerMilli = 1000;

ReferenceLevel builtIn(const char* name, double value, Prefix prefix, Period period, LevelKind kind,
                       const char* note) {
    return {QString::fromUtf8(name), value, prefix, period, kind, QString::fromUtf8(note), true};
}

} // namespace

const std::vector<ReferenceLevel>& builtInLevels() {
    static const std::vector<ReferenceLevel> levels = {
        builtIn("管理区域境界", 1.3, Prefix::Milli, Period::Quarter, LevelKind::Place,
                "管理区域の境界（実効線量）"),
        builtIn("エックス線診療室の画壁等の外側", 1, Prefix::Milli, Period::Week, LevelKind::Place,
                "エックス線診療室の画壁等の外側（実効線量）"),
        builtIn("病室", 1.3, Prefix::Milli, Period::Quarter, LevelKind::Place,
                "患者が入院している病室（実効線量）"),
        builtIn("事業所境界・居住区域", 250, Prefix::Micro, Period::Quarter, LevelKind::Place,
                "事業所の境界及び事業所内の人が居住する区域（実効線量）"),
        builtIn("放射線診療従事者（1年）", 50, Prefix::Milli, Period::Year, LevelKind::Person,
                "実効線量限度 1年 50 mSv（眼の水晶体の等価線量限度も 1年 50 mSv）"),
        builtIn("放射線診療従事者（5年平均）", 20, Prefix::Milli, Period::Year, LevelKind::Person,
                "実効線量限度 5年間 100 mSv の 1年あたり"),
        builtIn("女性の放射線診療従事者（3か月）", 5, Prefix::Milli, Period::Quarter,
                LevelKind::Person, "女性の実効線量限度 3か月 5 mSv"),
    };
    return levels;
}

std::optional<ReferenceLevel> builtInLevel(const QString& name) {
    for (const ReferenceLevel& level : builtInLevels())
        if (level.name == name)
            return level;
    return std::nullopt;
}

QString levelNameField() {
    return QStringLiteral("基準の名称");
}

QString levelValueField() {
    return QStringLiteral("基準値");
}

std::optional<ReferenceLevel> makeUserLevel(const QString& name, const QString& valueText,
                                            Prefix prefix, Period period, QString& error) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        error = QStringLiteral("「%1」を入力して下さい。").arg(levelNameField());
        return std::nullopt;
    }
    if (const std::optional<char32_t> c = nametext::controlCharacter(trimmed)) {
        error = QStringLiteral("「%1」に制御文字（%2）は使えません。")
                    .arg(levelNameField(), nametext::codePointText(*c));
        return std::nullopt;
    }
    const std::optional<double> value = positiveNumber(valueText, levelValueField(), error);
    if (!value)
        return std::nullopt;
    ReferenceLevel level;
    level.name = trimmed;
    level.value = *value;
    level.prefix = prefix;
    level.period = period;
    level.kind = LevelKind::Place;
    level.builtIn = false;
    return level;
}

double levelMicro(const ReferenceLevel& level) {
    return level.prefix == Prefix::Milli ? level.value * kMicroPerMilli : level.value;
}

double perMinuteLevel(const ReferenceLevel& level, double minutesPerWeek) {
    const DisplayScale own{level.period, minutesPerWeek, Prefix::Micro};
    return levelMicro(level) / own.minutesInPeriod();
}

double shownLevel(const ReferenceLevel& level, double minutesPerWeek, const DisplayScale& scale) {
    return toShown(perMinuteLevel(level, minutesPerWeek), scale);
}

double shareOfLevel(double perMinuteDoseEquivalent, const ReferenceLevel& level,
                    double minutesPerWeek) {
    return perMinuteDoseEquivalent / perMinuteLevel(level, minutesPerWeek);
}

QString shareText(double share) {
    const double percent = 100 * share;
    char text[48];
    if (percent < 0.95)
        std::snprintf(text, sizeof text, "%.1f %%", percent);
    else
        std::snprintf(text, sizeof text, "%.0f %%", percent);
    return QString::fromUtf8(text);
}

QString levelText(const ReferenceLevel& level) {
    const DisplayScale own{level.period, 0, level.prefix};
    return QStringLiteral("%1 %2").arg(QString::fromStdString(textrec::plainNumber(level.value, 6)),
                                       unitText(results::Quantity::DoseEquivalent, own));
}

} // namespace dose
