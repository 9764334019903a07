// The picture window of the dose map over the room layout: the overlay picture,
// its colour legend with the band thresholds, the conditions of the result file
// and the name of the layout. Module1::DrawLayoutOverlay draws the picture.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/PicturePage.h"
#include "logic/PointsTable.h"
#include "logic/ResultHeader.h"
#include "logic/RoomLayout.h"
#include "logic/ShownMap.h"

#include <QImage>
#include <QPointF>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class ConditionsPanel;
class DosePanel;
class LevelList;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class PictureBox;
class ThresholdColumn;

class Form6 : public QWidget {
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);
    // Clears the picture and the fields: called by the conditions window before it
    // shows the viewer.
    void reset();
    // Clears the picture and the thresholds: the viewer no longer holds the
    // result they showed.
    void forgetMap();
    // Draws `map` over the room layout in use into the picture
    // (Module1::DrawLayoutOverlay), on both sides of the phantom when Check1
    // is on; `stillShown` tells at the end whether the map's result is still
    // the viewer's. A vertical section is never drawn over a room plan (the
    // callers refuse it with results::overlayRefusal first): the picture is
    // left as it is.
    // The map is shown as the dose settings say (Windows::doseSettings()):
    // its thresholds in the scale of the period (a threshold keeps its
    // meaning), with the lines of the ticked levels from its dose-equivalent
    // grid; a change of the settings draws it again.
    void drawOverlay(const results::ShownMap& map, const std::function<bool()>& stillShown = {});
    // The viewer painted its map again (another quantity, hatching): when the
    // picture shows a map of the result the viewer still holds, it is drawn
    // again with `map`.
    void redrawWith(const results::ShownMap& map);
    // Shows the name of the room layout.
    void showLayoutName(const QString& name);
    // The conditions of the result file chosen in the viewer and the plane
    // of its map, or none.
    void showConditions(const results::ResultHeader& header,
                        const std::optional<results::PlaneRecord>& plane = std::nullopt);
    void clearConditions();
    // The band thresholds of the viewer's map and their unit ("Gy/min" or
    // "Sv/min" after "μ"; in a period "Sv/3か月" after "μ" or "m"); shown
    // read-only, as the viewer's fields set them.
    void showThresholds(const results::Thresholds& thresholds);
    void showThresholdUnit(const QString& unit, const QString& prefix = QStringLiteral("μ"));

    // The overlay picture, white until the first drawing, and the legend.
    PictureBox* Picture1 = nullptr;
    PictureBox* Picture7 = nullptr;
    QPushButton* Command1 = nullptr; // "閉じる": hides the window
    // "両側に表示": the map also on the other side of the phantom; off at start.
    // Switching it draws the picture again.
    QCheckBox* Check1 = nullptr;
    // On the picture's context menu, once a map is drawn: the drawing as a page.
    QAction* SavePicture = nullptr;  // "画像として保存…" (Ctrl+S), PNG or PDF
    QAction* PrintPicture = nullptr; // "印刷…" (Ctrl+P)

    // Conditions of the chosen result file (in the conditions panel).
    QLabel* Label44 = nullptr;   // body position text
    QLineEdit* Text18 = nullptr; // free-air air-kerma rate at FSD, "0.000E+00"
    QLineEdit* Text2 = nullptr;  // FSD
    QLineEdit* Text3 = nullptr;  // field length
    QLineEdit* Text4 = nullptr;  // field width
    QLineEdit* Text9 = nullptr;  // tube voltage
    QLineEdit* Text1 = nullptr;  // tube current
    QLineEdit* Text12 = nullptr; // inherent filtration
    QLineEdit* Text10 = nullptr; // added Al filter
    QLineEdit* Text11 = nullptr; // added Cu filter
    // Band thresholds T1..T11 (in the threshold column) and their unit.
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text13 = nullptr;
    QLineEdit* Text14 = nullptr;
    QLineEdit* Text15 = nullptr;
    QLineEdit* Text16 = nullptr;
    QLineEdit* Text17 = nullptr;
    QLineEdit* Text19 = nullptr;
    QLineEdit* Text20 = nullptr;
    QLineEdit* Text21 = nullptr;
    QLabel* Label50 = nullptr; // the unit's prefix: "μ", or "m" in a period shown in mSv or mGy
    QLabel* Label51 = nullptr; // "Gy/min", "Sv/min", "Sv/3か月": the unit after the prefix
    // Name of the room layout, set by the layout editor.
    QLabel* Label10 = nullptr;
    // The picture's caption, with the plane of the map drawn when its result
    // has a plane record.
    QLabel* PictureCaption = nullptr;

    // The workload and period of the doses shown, and the reference levels
    // drawn as lines: the program's dose settings, which the viewer edits too.
    // The picture, its legend, its thresholds and the table follow them at once.
    DosePanel* Dose = nullptr;
    LevelList* Levels = nullptr;

    // Named points of the layout (Windows::roomPoints()): placed with the
    // mouse on the picture, listed in the table with the dose read there.
    // "測定点を置く": while it is down, a click in the picture asks a name and
    // places a point there; a point is dragged to move it in either mode.
    QPushButton* PlacePoints = nullptr;
    QPushButton* DeletePoint = nullptr; // "測定点を削除": the point chosen in the table
    QPushButton* RenamePoint = nullptr; // "名称を変更": the point chosen in the table
    // The reference level whose share the table gives (DoseSettings::shareLevel).
    QComboBox* ShareLevel = nullptr;
    // One row a point: name, x, c, dose, uncertainty, share, note.
    QTableWidget* PointsTable = nullptr;
    // How the points are saved, and why shares are missing.
    QLabel* PointsNote = nullptr;

    // The point chosen in the table; nothing when none is.
    std::optional<std::size_t> chosenPoint() const;
    void choosePoint(std::optional<std::size_t> index);
    // The rows of the table as shown (the page lists the same).
    std::vector<namedpoints::PointRow> pointRows() const;
    // What the mouse on the picture does next.
    enum class PointMouse {
        Idle,     // a press on a point starts dragging it
        Placing,  // a press on a point drags it, elsewhere places a new one
        Dragging, // a point follows the mouse until the button is released
    };
    PointMouse pointMouse() const { return mouse_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    // The picture holds no drawing of a map any more.
    void forgetDrawing();
    // The page of the drawing in the picture.
    page::PageContent drawnPage() const;

    void buildPointControls(int left);
    // The dose settings changed: the drawing is made again when its period,
    // workload or lines change, and the table follows.
    void followSettings();
    // The legend's unit and the list's word on each level, for the drawing.
    void showScale();
    void showReach();
    // The room the picture shows, with or without a map; else the layout in
    // use; nothing without either.
    std::optional<Module1::RoomLayout> pointsRoom() const;
    // The points as shown: those of the layout, one of them where a drag has
    // it now.
    std::vector<namedpoints::NamedPoint> shownPoints() const;
    namedpoints::TableSettings tableSettings() const;
    // The picture as drawn with the points over it, and the table.
    void showPoints();
    void fillTable();
    void fillShareLevels();
    void pressInPicture(double X, double Y, Qt::MouseButton button);
    void moveInPicture(double X, double Y);
    void releaseInPicture(double X, double Y, Qt::MouseButton button);
    // A click in placing mode: asks the name and places the point.
    void placePointAt(QPointF pixel);
    // Ends a drag, keeping the point where it is or putting it back.
    void endDrag(bool keep);
    void deleteChosenPoint();
    void renameChosenPoint();
    void warn(const QString& text);

    // What the picture shows, as it was drawn.
    struct Drawing {
        results::ShownMap map;
        std::function<bool()> stillShown;
        Module1::RoomLayout room;
        QString layoutName;
        bool bothSides = false;
    };
    std::optional<Drawing> drawing_;
    // The room the picture shows (with or without a map) and the picture
    // without the points.
    std::optional<Module1::RoomLayout> shownRoom_;
    QImage base_;

    PointMouse mouse_ = PointMouse::Idle;
    struct Drag {
        std::size_t index = 0;
        QPointF grab;                       // from the point's centre to where it was taken, pixels
        QPointF at;                         // the room point where it is now, cm
        QPointF from;                       // where it was, cm
        PointMouse back = PointMouse::Idle; // the state after the drag
    };
    std::optional<Drag> drag_;
    // A map the viewer painted while a drawing was running: drawn when it ends.
    std::optional<results::ShownMap> pendingMap_;
    // The dose settings changed while a drawing was running: followed when it ends.
    bool settingsChanged_ = false;

    ThresholdColumn* thresholds_ = nullptr;
    ConditionsPanel* conditions_ = nullptr;
};
