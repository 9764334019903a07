// Controls placed at fixed positions in a window, named as the windows name
// them so that tests and the other windows can find them.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace controls {

inline QLabel* makeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h,
                         const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}

inline QPushButton* makeButton(QWidget* parent, const QString& caption, const char* name, int x,
                               int y, int w, int h) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, w, h);
    return button;
}

// A one-line text field of the usual height.
inline QLineEdit* makeText(QWidget* parent, const char* name, int x, int y, int w) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(x, y, w, 22);
    return field;
}

} // namespace controls
