// Placeholder window until its own work lands.
#pragma once

#include <QWidget>

class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);
};
