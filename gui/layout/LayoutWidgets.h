// The drawing surfaces of the layout editor: the plan Picture1 with its grid,
// the element markers inside it, the instruction panel Picture2 and the list
// of the elements a layout file holds.
#pragma once

#include "logic/LayoutPlan.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QWidget>

#include <map>

class QCheckBox;
class QLabel;

namespace layout {

// The editor's font at a size in points: Meiryo, else a Japanese Noto face.
QFont editorFont(double points);

class LayoutPicture : public QWidget {
    Q_OBJECT
public:
    explicit LayoutPicture(QWidget* parent = nullptr);
    // Puts a marker widget over the plan rectangle of a marker and shows it.
    void placeChild(QWidget* child, const Marker& marker) const;

signals:
    void mouseDown(layout::MouseButton button, double x, double y);
    void mouseMoved(double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A rectangle or circle figure; clicks pass through it to the plan. A marker
// not placed yet is drawn with a dashed outline and a paler fill; one marked
// absent only as a light dotted outline.
class MarkerShape : public QWidget {
    Q_OBJECT
public:
    enum class Figure { Rectangle, Circle };
    MarkerShape(Figure figure, QColor line, int lineWidth, Qt::BrushStyle fill, QColor fillColor,
                QWidget* parent);
    void setState(ElementState state);
    ElementState state() const { return state_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Figure figure_;
    QColor line_;
    int lineWidth_;
    Qt::BrushStyle fill_;
    QColor fillColor_;
    ElementState state_ = ElementState::NotPlaced;
};

// A label of the plan in the look of its element's state: black when placed,
// grey when not placed yet, light grey and struck through when absent.
void setLabelState(QLabel* label, ElementState state);

// The text of an element's state in the list.
QString stateText(ElementState state);

// The elements a layout file holds, one row each: a check box "drawn over the
// map" (always on for the room, the phantom centre and the bed) and the
// element's state.
class ElementList : public QWidget {
    Q_OBJECT
public:
    explicit ElementList(QWidget* parent = nullptr);
    void showPlan(const LayoutPlan& plan);
    QCheckBox* drawnBox(Element element) const { return rows_.at(element).drawn; }
    QLabel* stateLabel(Element element) const { return rows_.at(element).state; }

signals:
    // The user switched an element's check box.
    void drawnClicked(layout::Element element, bool drawn);

private:
    struct Row {
        QCheckBox* drawn = nullptr;
        QLabel* state = nullptr;
    };
    std::map<Element, Row> rows_;
};

// A panel that prints lines of blue text from the top, one line per print.
class InstructionPanel : public QWidget {
    Q_OBJECT
public:
    explicit InstructionPanel(QWidget* parent = nullptr);
    void clear();
    void print(const QString& line);
    const QStringList& lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines_;
};

} // namespace layout
