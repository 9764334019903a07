// The drawing surfaces of the layout editor: the plan Picture1 with its grid,
// the element markers inside it and the instruction panel Picture2.
#pragma once

#include "logic/LayoutPlan.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QWidget>

namespace layout {

// The editor's font at a size in points: Meiryo, else a Japanese Noto face.
QFont editorFont(double points);

class LayoutPicture : public QWidget {
    Q_OBJECT
public:
    explicit LayoutPicture(QWidget* parent = nullptr);
    // Puts a marker widget over the plan rectangle of a marker.
    void placeChild(QWidget* child, const Marker& marker) const;

signals:
    void mouseDown(layout::MouseButton button, double x, double y);
    void mouseMoved(double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

// A rectangle or circle figure; clicks pass through it to the plan.
class MarkerShape : public QWidget {
    Q_OBJECT
public:
    enum class Figure { Rectangle, Circle };
    MarkerShape(Figure figure, QColor line, int lineWidth, Qt::BrushStyle fill, QColor fillColor,
                QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Figure figure_;
    QColor line_;
    int lineWidth_;
    Qt::BrushStyle fill_;
    QColor fillColor_;
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
