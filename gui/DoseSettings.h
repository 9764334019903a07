// What the viewer, the room overlay and their pages show of a map beyond its
// colours: the workload and the period of the doses, and the reference levels
// drawn as lines. One object for the program, which the windows edit and
// follow, so that a change made in one window shows in the other at once.
// Result files, F2B.dat and corrected files stay per minute whatever is set.
#pragma once

#include "logic/DosePeriod.h"
#include "logic/ReferenceLevels.h"

#include <QObject>
#include <vector>

class DoseSettings : public QObject {
    Q_OBJECT
public:
    explicit DoseSettings(QObject* parent = nullptr);

    // The period the doses are shown for; per minute (as written) until a
    // period and a workload are set.
    dose::Period period() const { return period_; }
    // Minutes of fluoroscopy a week; 0 until a valid workload is entered.
    double minutesPerWeek() const { return minutesPerWeek_; }
    bool hasWorkload() const { return dose::isValidWorkload(minutesPerWeek_); }
    // Per minute, or the period with its workload: a period without a
    // workload shows the map per minute.
    bool showsPeriod() const { return period_ != dose::Period::PerMinute && hasWorkload(); }
    // How a map whose largest value per minute is `maximumPerMinute` is shown.
    dose::DisplayScale scaleFor(double maximumPerMinute) const;

    void setPeriod(dose::Period period);
    // A workload that isValidWorkload refuses clears it (0).
    void setMinutesPerWeek(double minutesPerWeek);

    // The built-in levels, then those the user added, in the order of the list.
    const std::vector<dose::ReferenceLevel>& levels() const { return levels_; }
    bool isTicked(std::size_t index) const;
    void setTicked(std::size_t index, bool ticked);
    // The ticked levels, in the order of the list.
    std::vector<dose::ReferenceLevel> tickedLevels() const;
    // Adds a level made by dose::makeUserLevel, ticked; returns its index.
    std::size_t addUserLevel(const dose::ReferenceLevel& level);
    // Removes a level the user added (built-in levels stay).
    void removeUserLevel(std::size_t index);

    // The level whose share the table of named points gives: an index of
    // levels(); the first built-in level until another is chosen.
    std::size_t shareLevel() const { return shareLevel_; }
    void setShareLevel(std::size_t index);

    // Back to the settings of a fresh program (tests, a new session).
    void reset();

signals:
    // Anything above changed: the windows repaint what depends on it.
    void changed();

private:
    dose::Period period_ = dose::Period::PerMinute;
    double minutesPerWeek_ = 0;
    std::vector<dose::ReferenceLevel> levels_;
    std::vector<bool> ticked_;
    std::size_t shareLevel_ = 0;
};
