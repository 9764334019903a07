#include "results/Form3.h"

#include "Windows.h"

Form3::Form3(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("   実測値による産卵線量率の補正"));
}

Form3& Windows::form3()
{
    static Form3* form = new Form3;
    return *form;
}
