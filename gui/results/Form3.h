// Placeholder window until its own work lands.
#pragma once

#include <QWidget>

class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);
};
