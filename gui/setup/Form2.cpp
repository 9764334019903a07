#include "setup/Form2.h"

Form2::Form2(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Scattered dose distribution"));
    resize(800, 600);
}
