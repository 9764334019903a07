// The reference levels as a list with tick boxes: a ticked level is drawn as
// a line over the map (and over the room), labelled with its name. The user
// adds levels of their own (name, value, unit, period) and removes them; the
// built-in levels stay. Beside each level the list says when the map shown
// never reaches it or exceeds it everywhere, from the results its host gives
// it. It edits the program's dose settings (Windows::doseSettings()); the
// viewer and the room overlay window each host one.
#pragma once

#include "logic/LimitLines.h"

#include <QWidget>
#include <vector>

class DoseSettings;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class LevelList : public QWidget {
    Q_OBJECT
public:
    // `height` is the panel's height; the list takes what the fields under
    // it leave.
    LevelList(DoseSettings& settings, int height, QWidget* parent = nullptr);

    static constexpr int kWidth = 290;

    // One row per level of the settings, in their order, each with its tick
    // box, the colour of its line, its level and what it does on the map.
    QListWidget* Levels = nullptr;
    // A level of the user's own.
    QLineEdit* LevelName = nullptr;
    QLineEdit* LevelValue = nullptr;
    QComboBox* LevelUnit = nullptr;     // "μSv", "mSv"
    QComboBox* LevelPeriod = nullptr;   // "毎分", "1週間", "3か月", "1年"
    QPushButton* AddLevel = nullptr;    // "追加"
    QPushButton* RemoveLevel = nullptr; // "削除": the chosen level, when the user added it

    // How each level meets the map shown (limitlines::reachOfLevels over the
    // dose-equivalent map of the result and plane shown); empty when no map
    // is shown. Levels are matched by what they are, so results computed
    // before a level was added or removed still go to the right rows.
    void showReach(const std::vector<limitlines::LevelReach>& reaches);
    // What the list says of the level at `index`: that it needs a workload,
    // or how it meets the map shown; empty while its line is drawn or no map
    // is shown.
    QString reachTextOf(std::size_t index) const;

    // Adds the level typed in the fields, ticked. A name that is empty, holds
    // a control character or is already in the list, or a value that is not
    // a number above 0, is refused in a message naming the field, and nothing
    // is added. True when added.
    bool addLevel();
    // Removes the chosen level when the user added it.
    void removeChosenLevel();

private:
    // The rows again from the settings (also when the other window changed them).
    void showLevels();
    void showChosen();
    // The result of `level` on the map shown; nothing without one.
    const limitlines::LevelReach* reachOf(const dose::ReferenceLevel& level) const;

    DoseSettings& settings_;
    std::vector<limitlines::LevelReach> reaches_;
};
