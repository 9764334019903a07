// Placeholder window until its own work lands.
#pragma once

#include <QWidget>

class Form6 : public QWidget {
    Q_OBJECT
public:
    explicit Form6(QWidget* parent = nullptr);
    // Clears the picture: called by the conditions window before it shows the viewer.
    void reset();
};
