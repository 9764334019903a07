// Placeholder window until its own work lands.
#pragma once

#include <QWidget>

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    // Back to the state of a fresh viewer: called by the conditions window before
    // it shows the viewer.
    void reset();
};
