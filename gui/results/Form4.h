// Notice that a corrected result file was saved, with the new file's name.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

class Form4 : public QWidget {
    Q_OBJECT
public:
    explicit Form4(QWidget* parent = nullptr);

    // Puts the saved file's name between the fixed texts and shows the window
    // without blocking the others.
    void showSaved(const QString& fileName);

    QLabel* Label1 = nullptr;        // "補正したデータは"
    QLabel* Label2 = nullptr;        // the corrected file's name
    QLabel* Label3 = nullptr;        // "に保存しました。（拡張子：datC）"
    QPushButton* Command1 = nullptr; // "OK": hides the window
};
