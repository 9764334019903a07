// The room layout editor: a square plan of the room on which the user places
// the room size, phantom centre, bed, doors, viewing window and two texts, the
// list of these elements with the ones not placed yet and the ones marked as
// not in the room, the capture of the layout into Module1::roomLayout
// ("設定終了"), and the layout files (".Room", with the absent marks beside
// them) that store it.
#pragma once

#include "logic/LayoutPlan.h"

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace layout {
class LayoutPicture;
class ElementList;
class InstructionPanel;
class MarkerShape;
} // namespace layout

class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    // What the viewer's "部屋レイアウトに重ねる" does: refreshes the file list and
    // shows the editor without blocking, with every element the layout holds.
    void open();

    // The folder of the layout files: the current folder unless set (tests).
    void setFolder(const QString& folder);
    QString folder() const;

    // Event handlers, public so that tests can drive the editor as a user would.
    void chooseElement(layout::Element element);                          // element buttons
    void enterFreeText();                                                 // Command17
    void deleteCurrentElement();                                          // Command16
    void setElementDrawn(layout::Element element, bool drawn);            // ElementList1
    void mouseDownInPlan(layout::MouseButton button, double x, double y); // Picture1
    void mouseMoveInPlan(double x, double y);                             // Picture1
    void finishSettings();                                                // Command2
    void showOverlay();                                                   // Command6
    void cancel();                                                        // Command3
    void saveLayout();                                                    // Command4
    void loadLayout(const QString& fileName);                             // File1 click
    void deleteLayout();                                                  // Command5
    void refreshFileList();                                               // File1 refresh

    const layout::LayoutPlan& plan() const { return plan_; }
    // Lines printed in the instruction panel, top first.
    QStringList instructions() const;

    // Controls, named as the window's design names them.
    layout::LayoutPicture* Picture1 = nullptr;
    layout::InstructionPanel* Picture2 = nullptr;
    layout::MarkerShape* Shape1 = nullptr; // phantom centre
    layout::MarkerShape* Shape2 = nullptr; // room
    layout::MarkerShape* Shape3 = nullptr; // bed
    layout::MarkerShape* Shape4 = nullptr; // staff door
    layout::MarkerShape* Shape5 = nullptr; // viewing window
    layout::MarkerShape* Shape6 = nullptr; // patient entrance
    QLabel* Label8 = nullptr;              // control-room text
    QLabel* Label16 = nullptr;             // free text
    QLineEdit* Text1 = nullptr;            // layout file name without extension
    QLineEdit* Text2 = nullptr;            // cursor X, m
    QLineEdit* Text3 = nullptr;            // cursor Y, m
    QListWidget* File1 = nullptr;          // "*.Room" files of the folder
    QPushButton* Command1 = nullptr;       // patient entrance
    QPushButton* Command2 = nullptr;       // 設定終了
    QPushButton* Command3 = nullptr;       // キャンセル
    QPushButton* Command4 = nullptr;       // 保存する
    QPushButton* Command5 = nullptr;       // ファイル削除
    QPushButton* Command6 = nullptr;       // 散乱線分布表示
    QPushButton* Command10 = nullptr;      // staff door
    QPushButton* Command11 = nullptr;      // viewing window
    QPushButton* Command12 = nullptr;      // control-room text
    QPushButton* Command13 = nullptr;      // phantom centre
    QPushButton* Command14 = nullptr;      // room size
    QPushButton* Command15 = nullptr;      // bed
    QPushButton* Command16 = nullptr;      // 削 除
    QPushButton* Command17 = nullptr;      // 任意文字列
    // Every element the layout holds, whether it is drawn over the map and
    // whether it has been placed.
    layout::ElementList* ElementList1 = nullptr;

private:
    void buildControls();
    void syncMarkers();
    // The layout as the editor shows it, into Module1::roomLayout.
    void captureLayout();
    QString filePath(const QString& fileName) const;
    void warn(const QString& text);

    layout::LayoutPlan plan_;
    QString folder_;
};
