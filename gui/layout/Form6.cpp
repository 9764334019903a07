#include "layout/Form6.h"

#include "Windows.h"

Form6::Form6(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  透視室内散乱線分布図"));
}

void Form6::reset() {}

namespace {
Form6* theForm6 = nullptr;
}

Form6& Windows::form6()
{
    if (!theForm6)
        theForm6 = new Form6;
    return *theForm6;
}

bool Windows::form6Exists() { return theForm6 != nullptr; }
