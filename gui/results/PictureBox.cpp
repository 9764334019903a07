#include "results/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

PictureBox::PictureBox(QImage image, int left, int top, QWidget* parent)
    : QWidget(parent), image_(std::move(image)), left_(left), top_(top) {
    setFixedSize(image_.size());
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setImage(QImage image) {
    image_ = std::move(image);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseMovedTo(p.x() + left_, p.y() + top_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mousePressedAt(p.x() + left_, p.y() + top_, event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mouseReleasedAt(p.x() + left_, p.y() + top_, event->button());
}

void PictureBox::leaveEvent(QEvent*) {
    emit mouseLeft();
}
