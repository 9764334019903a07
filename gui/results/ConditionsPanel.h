// The conditions of a result file as the viewer and the overlay window show
// them: the body position and beside it the plane the map lies in, then one
// labelled field with its unit per header value. The viewer shows the target
// angle and the number of histories too.
#pragma once

#include "logic/MapPlane.h"
#include "logic/ResultHeader.h"

#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;

class ConditionsPanel : public QWidget {
    Q_OBJECT
public:
    // Where the parts of the rows lie, in pixels from the panel's left edge,
    // so that each window keeps its own arrangement.
    struct Metrics {
        int labelWidth; // the row's label
        int fieldLeft;  // its field, then its unit 4 pixels after the field
        int fieldWidth;
        int unitWidth;
        int sizeFieldWidth;  // each of the two fields of the field size
        int timesWidth;      // the "×" between them
        int rateLabelHeight; // the two-line label of the rate at FSD
        int rateRowPitch;    // from that row to the next
        int positionWidth;   // the body position label above the rows
        int planeLeft;       // the plane's label beside it, to the panel's right edge
    };
    enum class Rows {
        All,              // with the target angle and the number of histories
        WithoutRunDetails // without them
    };

    ConditionsPanel(const Metrics& metrics, Rows rows, QWidget* parent);

    // The header's values, each as its field shows it, and the body position.
    void showHeader(const results::ResultHeader& header);
    // The plane of the result's map (from its plane record); nothing shown
    // for a result without one.
    void showPlane(const std::optional<results::PlaneRecord>& plane);
    void clear();

    QLabel* Label44 = nullptr;    // body position
    QLabel* PlaneLabel = nullptr; // the plane of the map, such as "床上 150 cm の水平面"
    QLineEdit* Text18 = nullptr;  // free-air air-kerma rate at FSD, Gy/min
    QLineEdit* Text2 = nullptr;   // focus-to-surface distance, cm
    QLineEdit* Text3 = nullptr;   // field size at the FSD, length, cm
    QLineEdit* Text4 = nullptr;   // field size at the FSD, width, cm
    QLineEdit* Text9 = nullptr;   // tube voltage, kV
    QLineEdit* Text1 = nullptr;   // tube current, mA
    QLineEdit* Text8 = nullptr;   // target angle, degrees (Rows::All only)
    QLineEdit* Text12 = nullptr;  // inherent filtration, mm Al
    QLineEdit* Text10 = nullptr;  // added aluminium, mm
    QLineEdit* Text11 = nullptr;  // added copper, mm
    QLineEdit* Text25 = nullptr;  // photon histories (Rows::All only)

private:
    struct Shown {
        int headerIndex;
        QLineEdit* field;
    };
    std::vector<Shown> shown_;
};
