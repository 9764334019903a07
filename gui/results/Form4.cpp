#include "results/Form4.h"

#include "Windows.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Form4::Form4(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("　ファイル保存"));

    Label1 = new QLabel(QStringLiteral("補正したデータは"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label3 = new QLabel(QStringLiteral("に保存しました。（拡張子：datC）"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignRight);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));

    setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(Command1, 0, Qt::AlignCenter);

    connect(Command1, &QPushButton::clicked, this, &QWidget::hide);
}

void Form4::showSaved(const QString& fileName) {
    Label2->setText(fileName);
    show();
    raise();
    activateWindow();
}

Form4& Windows::form4() {
    return detail::createdOnFirstUse<Form4>();
}
