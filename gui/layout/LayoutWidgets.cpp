#include "layout/LayoutWidgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace layout {

QFont editorFont(double points) {
    QFont font(QStringList{QStringLiteral("Meiryo"), QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(points);
    return font;
}

LayoutPicture::LayoutPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPictureSize, kPictureSize);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LayoutPicture::placeChild(QWidget* child, const Marker& marker) const {
    int left = static_cast<int>(std::lround(toPixel(marker.left)));
    int top = static_cast<int>(std::lround(toPixel(marker.top)));
    if (marker.width > 0 || marker.height > 0) {
        int width = std::max(1, static_cast<int>(std::lround(marker.width * kPixelsPerUnit)));
        int height = std::max(1, static_cast<int>(std::lround(marker.height * kPixelsPerUnit)));
        child->setGeometry(left, top, width, height);
    } else {
        child->move(left, top);
    }
    child->show();
}

void LayoutPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QColor metre(128, 128, 128);
    const QColor halfMetre(192, 192, 192);
    const int inner0 = kPictureBorder;
    const int inner1 = kPictureSize - kPictureBorder - 1;
    for (int v = 0; v <= 800; v += 50) {
        int px = static_cast<int>(std::lround(toPixel(v)));
        QColor grey = v % 100 == 0 ? metre : halfMetre;
        p.setPen(grey);
        p.drawLine(px, inner0, px, inner1);
        // The line Y = 0 marks the room's upper wall.
        p.setPen(v == 0 ? QColor(Qt::black) : grey);
        p.drawLine(inner0, px, inner1, px);
    }
    // Sunken border.
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, kPictureSize - 1, 0);
    p.drawLine(0, 0, 0, kPictureSize - 1);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(1, 1, kPictureSize - 2, 1);
    p.drawLine(1, 1, 1, kPictureSize - 2);
    p.setPen(QColor(212, 208, 200));
    p.drawLine(1, kPictureSize - 2, kPictureSize - 2, kPictureSize - 2);
    p.drawLine(kPictureSize - 2, 1, kPictureSize - 2, kPictureSize - 2);
    p.setPen(Qt::white);
    p.drawLine(0, kPictureSize - 1, kPictureSize - 1, kPictureSize - 1);
    p.drawLine(kPictureSize - 1, 0, kPictureSize - 1, kPictureSize - 1);
}

void LayoutPicture::mousePressEvent(QMouseEvent* event) {
    MouseButton button = MouseButton::Left;
    if (event->button() == Qt::RightButton)
        button = MouseButton::Right;
    else if (event->button() != Qt::LeftButton)
        button = MouseButton::Middle;
    emit mouseDown(button, toPlan(event->position().x()), toPlan(event->position().y()));
}

void LayoutPicture::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(toPlan(event->position().x()), toPlan(event->position().y()));
}

MarkerShape::MarkerShape(Figure figure, QColor line, int lineWidth, Qt::BrushStyle fill,
                         QColor fillColor, QWidget* parent)
    : QWidget(parent), figure_(figure), line_(line), lineWidth_(lineWidth), fill_(fill),
      fillColor_(fillColor) {
    // Clicks on a marker belong to the plan under it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MarkerShape::setState(ElementState state) {
    if (state_ == state)
        return;
    state_ = state;
    update();
}

namespace {

// A colour halfway to white.
QColor paler(QColor c) {
    return QColor((c.red() + 255) / 2, (c.green() + 255) / 2, (c.blue() + 255) / 2);
}

const QColor kAbsentGrey(176, 176, 176);

} // namespace

void MarkerShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(line_, lineWidth_);
    pen.setJoinStyle(Qt::MiterJoin);
    QBrush brush = fill_ == Qt::NoBrush ? QBrush(Qt::NoBrush) : QBrush(fillColor_, fill_);
    if (state_ == ElementState::NotPlaced) {
        pen.setStyle(Qt::DashLine);
        if (fill_ != Qt::NoBrush)
            brush.setColor(paler(fillColor_));
    } else if (state_ == ElementState::Absent) {
        pen = QPen(kAbsentGrey, 1, Qt::DotLine);
        brush = QBrush(Qt::NoBrush);
    }
    p.setPen(pen);
    p.setBrush(brush);
    const double half = lineWidth_ / 2.0;
    QRectF box = QRectF(rect()).adjusted(half, half, -half, -half);
    if (figure_ == Figure::Circle) {
        p.setRenderHint(QPainter::Antialiasing);
        double d = std::min(box.width(), box.height());
        p.drawEllipse(QRectF(box.center().x() - d / 2, box.center().y() - d / 2, d, d));
    } else {
        p.drawRect(box);
    }
}

void setLabelState(QLabel* label, ElementState state) {
    QPalette palette = label->palette();
    const QColor colour = state == ElementState::Placed      ? QColor(Qt::black)
                          : state == ElementState::NotPlaced ? QColor(112, 112, 112)
                                                             : kAbsentGrey;
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setStrikeOut(state == ElementState::Absent);
    label->setFont(font);
}

QString stateText(ElementState state) {
    switch (state) {
    case ElementState::Placed:
        return QStringLiteral("配置済み");
    case ElementState::NotPlaced:
        return QStringLiteral("未配置（既定の位置）");
    case ElementState::Absent:
        return QStringLiteral("描かない");
    }
    return {};
}

ElementList::ElementList(QWidget* parent) : QWidget(parent) {
    constexpr int rowHeight = 24;
    int y = 0;
    for (Element element : kElements) {
        Row row;
        row.drawn = new QCheckBox(elementName(element), this);
        row.drawn->setGeometry(0, y, 112, rowHeight);
        row.drawn->setChecked(true);
        row.drawn->setEnabled(canBeAbsent(element));
        row.state = new QLabel(this);
        row.state->setGeometry(114, y, 130, rowHeight);
        connect(row.drawn, &QCheckBox::clicked, this,
                [this, element](bool checked) { emit drawnClicked(element, checked); });
        rows_[element] = row;
        y += rowHeight;
    }
    setFixedSize(244, y);
}

void ElementList::showPlan(const LayoutPlan& plan) {
    for (Element element : kElements) {
        const Row& row = rows_.at(element);
        const ElementState state = stateOf(plan, element);
        row.drawn->setChecked(state != ElementState::Absent);
        row.state->setText(stateText(state));
        setLabelState(row.state, state);
        row.state->setFont(font()); // the state is never struck through
    }
}

InstructionPanel::InstructionPanel(QWidget* parent) : QWidget(parent) {
    // 3255 x 1455 twips.
    setFixedSize(217, 97);
    setAutoFillBackground(true);
    setFont(editorFont(9.75));
}

void InstructionPanel::clear() {
    lines_.clear();
    update();
}

void InstructionPanel::print(const QString& line) {
    lines_.append(line);
    update();
}

void InstructionPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(0, 0, 255));
    const int lineHeight = fontMetrics().height();
    int y = 3 + fontMetrics().ascent();
    for (const QString& line : lines_) {
        p.drawText(4, y, line);
        y += lineHeight;
    }
}

} // namespace layout
