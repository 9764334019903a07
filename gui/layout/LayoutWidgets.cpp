#include "layout/LayoutWidgets.h"

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
    child->setVisible(marker.visible);
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

void MarkerShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(line_, lineWidth_);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(fill_ == Qt::NoBrush ? QBrush(Qt::NoBrush) : QBrush(fillColor_, fill_));
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
