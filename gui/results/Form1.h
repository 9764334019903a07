// Results viewer: the result files of the working folder, the conditions of the
// chosen one, merging it onto the 1 cm grid, loading the merged grids, and the
// dose map in colour bands with its legend and the read-out under the mouse.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/DoseGrids.h"
#include "logic/DosePeriod.h"
#include "logic/LimitLines.h"
#include "logic/MergeStamp.h"
#include "logic/PicturePage.h"
#include "logic/ShownMap.h"
#include "logic/Uncertainty.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class ConditionsPanel;
class DosePanel;
class LevelList;
class PictureBox;
class ThresholdColumn;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    // Back to the state of a fresh viewer: called by the conditions window before
    // it shows the viewer.
    void reset();

    // Name of the file highlighted in File1 (without folder); empty when none
    // is. A row that is only current (the list was tabbed into) is not chosen.
    QString selectedFileName() const;

    // Viewer state, shared with the correction and the room overlay.
    results::DoseGrid kermaGrid;          // uGy/min
    results::DoseGrid doseEquivalentGrid; // uSv/min
    // True while the grids hold a successful load of the file chosen in File1;
    // false from the moment another file is chosen and after a failed load.
    bool gridsLoaded = false;
    results::Thresholds kermaThresholds{};
    results::Thresholds doseEquivalentThresholds{};
    int bodyPosition = 0;         // 1 lying, anything else standing
    double focusSkinDistance = 0; // cm, of the chosen file
    int mapDrawn = 0;             // 1 from a drawing until the result is let go
    // The relative errors written beside the loaded result; nothing for a
    // result without them.
    std::optional<results::RelativeErrors> relativeErrors;
    // The plane of the loaded result's map, from the plane record beside it;
    // nothing for a result without one (the plane through the phantom's centre).
    std::optional<results::PlaneRecord> loadedPlane;

    // Controls.
    QListWidget* File1 = nullptr;
    QPushButton* Command1 = nullptr;  // draw the map
    QPushButton* Command2 = nullptr;  // load F2B.dat
    QPushButton* Command3 = nullptr;  // leave
    QPushButton* Command4 = nullptr;  // correction by a measured value
    QPushButton* Command5 = nullptr;  // delete the selected file
    QPushButton* Command6 = nullptr;  // overlay on a room layout
    QPushButton* Command11 = nullptr; // merge the selected file
    // Text1..Text26; index 0 unused.
    std::array<QLineEdit*, 27> texts{};
    // Conditions of the chosen result file (the conditions panel).
    QLineEdit* Text18 = nullptr; // free-air air-kerma rate at FSD, Gy/min, "0.000E+00"
    QLineEdit* Text2 = nullptr;  // focus-to-surface distance, cm
    QLineEdit* Text3 = nullptr;  // field size at the FSD, length, cm
    QLineEdit* Text4 = nullptr;  // field size at the FSD, width, cm
    QLineEdit* Text9 = nullptr;  // tube voltage, kV
    QLineEdit* Text1 = nullptr;  // tube current, mA
    QLineEdit* Text8 = nullptr;  // target angle, degrees
    QLineEdit* Text12 = nullptr; // inherent filtration, mm Al
    QLineEdit* Text10 = nullptr; // added aluminium, mm
    QLineEdit* Text11 = nullptr; // added copper, mm
    QLineEdit* Text25 = nullptr; // photon histories, "#.0E+00"
    // Band thresholds T1..T11 (the threshold column), in μGy/min or μSv/min;
    // the user may retype them before drawing.
    QLineEdit* Text5 = nullptr;  // T1, the top of band 1
    QLineEdit* Text6 = nullptr;  // T2
    QLineEdit* Text7 = nullptr;  // T3
    QLineEdit* Text13 = nullptr; // T4
    QLineEdit* Text14 = nullptr; // T5
    QLineEdit* Text15 = nullptr; // T6
    QLineEdit* Text16 = nullptr; // T7
    QLineEdit* Text17 = nullptr; // T8
    QLineEdit* Text19 = nullptr; // T9
    QLineEdit* Text20 = nullptr; // T10
    QLineEdit* Text21 = nullptr; // T11, below which a value is band 12 (white)
    // Read-out under the mouse.
    QLineEdit* Text23 = nullptr; // X, cm from the phantom's mid-plane
    QLineEdit* Text24 = nullptr; // Y, c in cm from the phantom centre; in a vertical
                                 // section the height above the floor, cm
    QLineEdit* Text22 = nullptr; // the map value there, in the unit of Label54
    QLineEdit* Text26 = nullptr; // relative error of the read-out's engine cell, "± n %"
    QCheckBox* Check1 = nullptr; // hatch the cells of uncertain value
    QLabel* Label11 = nullptr;   // air-kerma maximum, μGy/min
    QLabel* Label12 = nullptr;   // air-kerma minimum, μGy/min
    QLabel* Label13 = nullptr;   // dose-equivalent maximum, μSv/min
    QLabel* Label16 = nullptr;   // dose-equivalent minimum, μSv/min
    QLabel* Label44 = nullptr;   // body position of the chosen file
    QLabel* Label50 = nullptr;   // the prefix of the threshold unit: "μ", or "m" (mGy, mSv)
    QLabel* Label51 = nullptr;   // threshold unit after the prefix: "Gy/min", "Sv/3か月"
    QLabel* Label54 = nullptr;   // read-out unit, "μGy/min", "μSv/min", "mSv/3か月"
    // The units of the extremes: "μGy/min" and "μSv/min", or each map's unit
    // in the period shown.
    QLabel* KermaExtremesUnit = nullptr;
    QLabel* DoseEquivalentExtremesUnit = nullptr;
    // Over the legend: the period and the workload the map shows doses for
    // ("3か月（13 週）あたりの線量　透視時間 60 分/週"), or the workload the limit
    // lines are drawn for; empty for a map per minute without lines.
    QLabel* Workload = nullptr;
    // Under the read-out, while limit lines are ticked: they come from the
    // dose-equivalent map, whichever quantity is shown.
    QLabel* LinesNote = nullptr;
    // The period, the workload and the reference levels (the program's dose
    // settings, which the room overlay window shares).
    DosePanel* Doses = nullptr;
    LevelList* Levels = nullptr;
    // The caption of the map: the plane it lies in.
    QLabel* PlaneCaption = nullptr;
    // Above the read-out: its heading, whose second position is the height
    // above the floor in a vertical section, and the plane of the drawn map
    // ("床上 150 cm", "鉛直断面"; empty for a result without a plane record).
    QLabel* ReadoutHeading = nullptr;
    QLabel* ReadoutPlane = nullptr;
    // The window's status: what the viewer did of itself, and why (a merge
    // made again because the merged grid or the result had changed).
    QLabel* Status = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr; // air-kerma rate
    QRadioButton* Option2 = nullptr; // dose-equivalent rate
    PictureBox* Picture1 = nullptr;  // the map
    PictureBox* Picture7 = nullptr;  // the legend
    // On the map's context menu, once a map is drawn: the drawn map as a page.
    QAction* SavePicture = nullptr;  // "画像として保存…" (Ctrl+S), PNG or PDF
    QAction* PrintPicture = nullptr; // "印刷…" (Ctrl+P)
    QWidget* Line1 = nullptr;        // horizontal cross-hair line
    QWidget* Line2 = nullptr;        // vertical cross-hair line

    // The threshold fields T1..T11 in order.
    std::array<QLineEdit*, results::kThresholdCount> thresholdFields() const;

    // What the controls do; public so that the other windows and tests can run them.
    void showSelectedHeader();
    void startMerge();
    // Loading, drawing, saving and printing first make sure that "F2B.dat" is
    // still the merge of the chosen file as it was merged; when it is not,
    // the chosen file is merged again and the step follows the merger's end.
    void loadMergedGrids();
    void drawMap();
    void savePicture();
    void printPicture();
    // Deletes the chosen file after asking, with its uncertainty file and
    // its plane record.
    void deleteSelectedFile();
    // Opens the room layout editor for the drawn map; a vertical section is
    // refused with a message (a room plan lies in a horizontal plane).
    void openLayoutEditor();
    void leave();
    void selectKerma();
    void selectDoseEquivalent();
    void showReadout(double X, double Y);
    // Opens the correction window with this result's values: the free-air
    // air-kerma rate at FSD as shown and, once a load is held, the two map
    // values at the reference point 100 cm to the side.
    void openCorrection();
    // Why the correction may not scale the file "FLname.txt" names now by
    // values taken from this viewer: it names another file than the chosen
    // one (another program merged since), or the chosen result was written
    // again after its merge. Empty when it may.
    QString correctionSourceProblem() const;
    // The quantity of the map: air kerma unless the dose-equivalent option is chosen.
    results::Quantity shownQuantity() const;
    // How the shown quantity is shown now: per minute, or as doses in the
    // period of the dose settings, in the unit the rule gives for the loaded
    // map's largest value (dose::displayScale). The threshold fields, the
    // legend, the read-out and the extremes all take it.
    dose::DisplayScale shownScale() const;
    dose::DisplayScale scaleOf(results::Quantity quantity) const;
    // The map as drawn from now (for the drawing over the room layout): the
    // grid of the shown quantity (a copy; nothing while no load of the chosen
    // file is held), the thresholds as the fields read (when they cannot band
    // a map, those of the drawn map or of the load), the body position, the
    // FSD and the cells to hatch.
    results::ShownMap currentMap() const;
    // Tells work that lets window events run (a drawing over the room layout)
    // whether the viewer still holds the result it holds now.
    std::function<bool()> stillShowing() const;
    // Lists the result files of the working folder again (also after a
    // correction); the chosen file stays chosen while it is listed.
    void refreshFileList();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What follows a check of the merged grid (and a merge made again).
    // Follow: painted again after the dose settings changed, without a
    // message for thresholds that cannot band a map (those of the drawing
    // in the new unit are used then).
    enum class Step { Load, Draw, Repaint, Follow, Save, Print };
    void buildControls();
    // Runs `step` at once when "F2B.dat" and the chosen result are as merged;
    // otherwise says why in the status and merges again first.
    void whenMergeCurrent(Step step);
    void runStep(Step step);
    void mergeAgain(results::MergeChange change, Step step);
    // Deletes "F2B.dat", names `name` in "FLname.txt" and starts the merger;
    // `onMerged` runs when it has ended well.
    void launchMerge(const QString& name, std::function<void()> onMerged);
    // Reads "F2B.dat" into the viewer state; false (and the message) when it fails.
    bool loadGrids();
    // Draws the map with the thresholds of the fields; refuses (with a
    // message naming the field) thresholds that cannot band it. False when
    // nothing was drawn.
    bool paintChecked(bool quiet = false);
    // The map of the shown quantity banded by `thresholds`, which `scale`
    // shows, with the limit lines of the ticked levels.
    results::ShownMap mapWith(const results::Thresholds& thresholds,
                              const dose::DisplayScale& scale) const;
    // The default thresholds of the loaded map of `quantity` in `scale`: the
    // load's own per minute, round numbers of the unit for a period.
    results::Thresholds defaultThresholdsOf(results::Quantity quantity,
                                            const dose::DisplayScale& scale) const;
    // The lines of the ticked levels over the loaded dose-equivalent map.
    std::vector<limitlines::LimitLine> limitLines() const;
    // The dose settings changed: the thresholds typed are converted into the
    // new unit, the units follow, the map is painted again.
    void followDoseSettings();
    // Every unit label, the extremes and the workload as the settings and
    // the switch say now.
    void showUnits();
    // Writes each threshold field that holds a number in `to` as it was in
    // `from` (dose::convertShown); fields holding the default thresholds of
    // `from` get those of `to`.
    void convertThresholdFields(const dose::DisplayScale& from, const dose::DisplayScale& to);
    // The list of levels says how each meets the loaded map.
    void showLevelReach();
    // After a drawing: the room overlay follows when it shows this result.
    void followInOverlay();
    // The highlighted file of File1 changed.
    void chooseFile();
    // What is on screen no longer belongs to the chosen file: the map, the
    // read-out, the extremes and the thresholds are cleared here and in the
    // room drawing, and drawing, correction and overlay wait for the next
    // successful load.
    void forgetLoadedResult();
    void clearHeader();
    void clearMap();
    void hideCrossHair();
    // The mouse left the map: no read-out and no cross-hair.
    void clearReadout();
    void showThresholds(const results::Thresholds& thresholds);
    // The correction wrote `fileName`: it is listed and announced, and a
    // corrected file is not corrected again until a file of the engine is drawn.
    void showCorrectedFile(const QString& fileName);
    // The read-out's heading and plane for a map of `plane`.
    void showReadoutPlane(const std::optional<results::PlaneRecord>& plane);
    // The cells to hatch on the map of the shown quantity, when Check1 is on
    // and the loaded result has its relative errors.
    std::optional<std::vector<bool>> hatchedCells() const;
    // The page of the map as drawn.
    page::PageContent drawnPage() const;

    // Counts merges so that only the latest one's end enables loading.
    int mergeRun_ = 0;
    // Raised each time the viewer forgets its loaded result, so that work begun
    // before (a drawing over the room layout) can tell it is out of date.
    int resultGeneration_ = 0;
    // The file of the last merge: "F2B.dat" belongs to it.
    QString mergedFile_;
    // The digests of the files of the last merge that ended well.
    std::optional<results::MergeStamp> mergeStamp_;
    // The conditions of the file chosen in File1, as shown, and its plane.
    std::optional<results::ResultHeader> chosenHeader_;
    std::optional<results::PlaneRecord> chosenPlane_;
    // The map in the picture, as it was drawn (later edits of the thresholds
    // or the switch do not change it until the next drawing).
    std::optional<results::ShownMap> drawnMap_;
    // The largest values of the loaded grids and their extremes per minute
    // (μGy/min, μSv/min), which choose the unit of a period.
    results::Extremes kermaExtremes_;
    results::Extremes doseEquivalentExtremes_;
    // The scale the threshold fields are written in.
    dose::DisplayScale fieldScale_ = dose::perMinute();
    ThresholdColumn* thresholdColumn_ = nullptr;
    ConditionsPanel* conditions_ = nullptr;
};
