#include "layout/Form5.h"

#include "Windows.h"

Form5::Form5(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("    透視室レイアウト"));
}

Form5& Windows::form5()
{
    static Form5* form = new Form5;
    return *form;
}
