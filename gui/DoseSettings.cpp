#include "DoseSettings.h"

DoseSettings::DoseSettings(QObject* parent) : QObject(parent) {
    reset();
}

dose::DisplayScale DoseSettings::scaleFor(double maximumPerMinute) const {
    if (!showsPeriod())
        return dose::perMinute();
    return dose::displayScale(period_, minutesPerWeek_, maximumPerMinute);
}

void DoseSettings::setPeriod(dose::Period period) {
    if (period == period_)
        return;
    period_ = period;
    emit changed();
}

void DoseSettings::setMinutesPerWeek(double minutesPerWeek) {
    const double kept = dose::isValidWorkload(minutesPerWeek) ? minutesPerWeek : 0;
    if (kept == minutesPerWeek_)
        return;
    minutesPerWeek_ = kept;
    emit changed();
}

bool DoseSettings::isTicked(std::size_t index) const {
    return index < ticked_.size() && ticked_[index];
}

void DoseSettings::setTicked(std::size_t index, bool ticked) {
    if (index >= ticked_.size() || ticked_[index] == ticked)
        return;
    ticked_[index] = ticked;
    emit changed();
}

std::vector<dose::ReferenceLevel> DoseSettings::tickedLevels() const {
    std::vector<dose::ReferenceLevel> ticked;
    for (std::size_t i = 0; i < levels_.size(); ++i)
        if (ticked_[i])
            ticked.push_back(levels_[i]);
    return ticked;
}

std::size_t DoseSettings::addUserLevel(const dose::ReferenceLevel& level) {
    levels_.push_back(level);
    ticked_.push_back(true);
    emit changed();
    return levels_.size() - 1;
}

void DoseSettings::removeUserLevel(std::size_t index) {
    if (index >= levels_.size() || levels_[index].builtIn)
        return;
    levels_.erase(levels_.begin() + static_cast<std::ptrdiff_t>(index));
    ticked_.erase(ticked_.begin() + static_cast<std::ptrdiff_t>(index));
    if (shareLevel_ == index)
        shareLevel_ = 0;
    else if (shareLevel_ > index)
        --shareLevel_;
    emit changed();
}

void DoseSettings::setShareLevel(std::size_t index) {
    if (index >= levels_.size() || index == shareLevel_)
        return;
    shareLevel_ = index;
    emit changed();
}

void DoseSettings::reset() {
    period_ = dose::Period::PerMinute;
    minutesPerWeek_ = 0;
    levels_ = dose::builtInLevels();
    ticked_.assign(levels_.size(), false);
    shareLevel_ = 0;
    emit changed();
}
