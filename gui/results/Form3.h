// Correction of the last merged result by one measured dose rate: the user picks
// the computed value that the measurement stands for (the free-air air-kerma
// rate at FSD, or the map value 100 cm to the side of the phantom centre),
// enters the measured value, and OK writes the corrected copy (".datC").
#pragma once

#include "logic/MapPlane.h"

#include <QWidget>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    // Opens the window without blocking the others: `airKermaText` is the
    // free-air air-kerma rate at FSD as the viewer shows it, the map values are
    // those at x = 100 cm, c = 0 (nothing before the first load).
    // `sourceProblem`, when given, is asked at OK why the file the correction
    // would read (the one "FLname.txt" names) is not the one these values
    // came from; a non-empty answer is shown and nothing is written. `plane`
    // is the plane of the result's map: the point 100 cm to the side lies in
    // it, at the height PointHeight tells (nothing said without a plane record).
    void openWith(const QString& airKermaText, std::optional<double> airKermaAt100cm,
                  std::optional<double> doseEquivalentAt100cm,
                  std::function<QString()> sourceProblem = {},
                  const std::optional<results::PlaneRecord>& plane = std::nullopt);

    QRadioButton* Option1 = nullptr; // reference: free-air air-kerma rate at FSD
    QRadioButton* Option2 = nullptr; // reference: map value 100 cm to the side
    QRadioButton* Option3 = nullptr; // map reference: air-kerma rate
    QRadioButton* Option4 = nullptr; // map reference: dose-equivalent rate
    QLabel* Label3 = nullptr;        // current free-air air-kerma rate at FSD, Gy/min
    QLabel* Label8 = nullptr;        // current air-kerma rate at the 100 cm point, μGy/min
    QLabel* Label10 = nullptr;       // current dose-equivalent rate there, μSv/min
    QLineEdit* Text1 = nullptr;      // measured free-air air-kerma rate at FSD
    QLineEdit* Text2 = nullptr;      // measured air-kerma rate at the 100 cm point
    QLineEdit* Text3 = nullptr;      // measured dose-equivalent rate there
    QLabel* PointHeight = nullptr;   // the height above the floor of the 100 cm point
    QPushButton* Command2 = nullptr; // "OK": correct
    QPushButton* Command1 = nullptr; // "Cancel": hides the window

signals:
    // A corrected file was written; `fileName` is relative to the working folder.
    // The window hides itself right after.
    void corrected(const QString& fileName);

private:
    void buildControls();
    void option1Click();
    void option2Click();
    void command1Click();
    void command2Click();
    void clearMapChoice();

    std::function<QString()> sourceProblem_;
};
