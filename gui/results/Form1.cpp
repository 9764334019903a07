#include "results/Form1.h"

#include "Windows.h"

Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Scattered dose distribution"));
}

void Form1::reset() {}

namespace {
Form1* theForm1 = nullptr;
}

Form1& Windows::form1()
{
    if (!theForm1)
        theForm1 = new Form1;
    return *theForm1;
}

bool Windows::form1Exists() { return theForm1 != nullptr; }
