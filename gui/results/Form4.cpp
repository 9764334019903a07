#include "results/Form4.h"

#include "Windows.h"

Form4::Form4(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("　ファイル保存"));
}

Form4& Windows::form4()
{
    static Form4* form = new Form4;
    return *form;
}
