// The workload and the period of the doses shown, as a small panel that edits
// the program's dose settings (Windows::doseSettings()). The viewer and the
// room overlay window each host one; both edit and follow the same settings.
//
// The workload is typed as minutes of fluoroscopy a week, or as procedures a
// week times minutes a procedure; the panel computes the other. The period
// takes effect at once; the workload when "設定" is pressed (or Enter in one
// of its fields), after its fields are checked.
#pragma once

#include <QWidget>

class DoseSettings;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class DosePanel : public QWidget {
    Q_OBJECT
public:
    explicit DosePanel(DoseSettings& settings, QWidget* parent = nullptr);

    // The width and height the panel takes.
    static constexpr int kWidth = 290;
    static constexpr int kHeight = 176;

    QComboBox* Period = nullptr;          // "毎分" (as written), "1週間", "3か月", "1年"
    QRadioButton* ByMinutes = nullptr;    // the minutes a week are typed
    QRadioButton* ByProcedures = nullptr; // procedures a week x minutes a procedure
    QLineEdit* MinutesPerWeek = nullptr;
    QLineEdit* ProceduresPerWeek = nullptr;
    QLineEdit* MinutesPerProcedure = nullptr;
    QPushButton* Apply = nullptr; // "設定"
    QLabel* State = nullptr;      // what the maps show now

    // Checks the typed workload and sets it. A field that cannot be read is
    // named in a message (dose::minutesPerWeek, dose::positiveNumber) and the
    // settings stay as they were. True when the workload was set.
    bool applyWorkload();

private:
    // Shows the settings as they are (also when the other window changed them).
    void showSettings();
    // Which fields are typed and which are computed.
    void showMode();

    DoseSettings& settings_;
};
