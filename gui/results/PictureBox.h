// A picture surface that shows one image, painted elsewhere in one pass, and
// reports mouse moves in the picture's own coordinates.
#pragma once

#include <QImage>
#include <QWidget>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    // `left` and `top` are the picture coordinates of the top-left pixel; one unit
    // is one pixel.
    PictureBox(QImage image, int left, int top, QWidget* parent = nullptr);

    const QImage& image() const { return image_; }
    void setImage(QImage image);

signals:
    void mouseMovedTo(double X, double Y);
    // A mouse button pressed or released over the picture (or released
    // anywhere after a press on it), at picture coordinates.
    void mousePressedAt(double X, double Y, Qt::MouseButton button);
    void mouseReleasedAt(double X, double Y, Qt::MouseButton button);
    // The mouse left the picture.
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QImage image_;
    int left_;
    int top_;
};
