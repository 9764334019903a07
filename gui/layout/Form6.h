// The picture window of the dose map over the room layout: the overlay picture,
// its colour legend with the band thresholds, the conditions of the result file
// and the name of the layout. Module1::DrawLayoutOverlay draws the picture.
#pragma once

#include "logic/BandThresholds.h"
#include "logic/PicturePage.h"
#include "logic/ResultHeader.h"
#include "logic/RoomLayout.h"
#include "logic/ShownMap.h"

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class ConditionsPanel;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
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
    QLabel* Label50 = nullptr; // the unit's prefix: "μ", or "m" in a period
    QLabel* Label51 = nullptr; // "Gy/min" or "Sv/min"
    // Name of the room layout, set by the layout editor.
    QLabel* Label10 = nullptr;
    // The picture's caption, with the plane of the map drawn when its result
    // has a plane record.
    QLabel* PictureCaption = nullptr;

private:
    void buildControls();
    // The picture holds no drawing of a map any more.
    void forgetDrawing();
    // The page of the drawing in the picture.
    page::PageContent drawnPage() const;

    // What the picture shows, as it was drawn.
    struct Drawing {
        results::ShownMap map;
        std::function<bool()> stillShown;
        Module1::RoomLayout room;
        QString layoutName;
        bool bothSides = false;
    };
    std::optional<Drawing> drawing_;
    // A map the viewer painted while a drawing was running: drawn when it ends.
    std::optional<results::ShownMap> pendingMap_;

    ThresholdColumn* thresholds_ = nullptr;
    ConditionsPanel* conditions_ = nullptr;
};
