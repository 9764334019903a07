#include "setup/Form2.h"

#include "Windows.h"

Form2::Form2(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Scattered dose distribution"));
    resize(800, 600);
}

Form2& Windows::form2()
{
    static Form2* form = new Form2;
    return *form;
}
