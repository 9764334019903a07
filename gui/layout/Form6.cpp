#include "layout/Form6.h"

#include "Windows.h"

#include <QLabel>
#include <QLineEdit>

Form6::Form6(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  透視室内散乱線分布図"));

    auto makeText = [this](QLineEdit*& field, const char* name) {
        field = new QLineEdit(this);
        field->setObjectName(QString::fromLatin1(name));
        field->hide();
    };
    Label44 = new QLabel(this);
    Label44->setObjectName(QStringLiteral("Label44"));
    Label44->hide();
    makeText(Text18, "Text18");
    makeText(Text2, "Text2");
    makeText(Text3, "Text3");
    makeText(Text4, "Text4");
    makeText(Text9, "Text9");
    makeText(Text1, "Text1");
    makeText(Text12, "Text12");
    makeText(Text10, "Text10");
    makeText(Text11, "Text11");
    makeText(Text5, "Text5");
    makeText(Text6, "Text6");
    makeText(Text7, "Text7");
    makeText(Text13, "Text13");
    makeText(Text14, "Text14");
    makeText(Text15, "Text15");
    makeText(Text16, "Text16");
    makeText(Text17, "Text17");
    makeText(Text19, "Text19");
    makeText(Text20, "Text20");
    makeText(Text21, "Text21");
    Label51 = new QLabel(QStringLiteral("Gy/min"), this);
    Label51->setObjectName(QStringLiteral("Label51"));
    Label51->hide();
    Label10 = new QLabel(this);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->hide();
}

void Form6::reset()
{
    for (QLineEdit* field :
         {Text1,  Text2,  Text3,  Text4,  Text5,  Text6,  Text7,  Text9,  Text10, Text11,
          Text12, Text13, Text14, Text15, Text16, Text17, Text18, Text19, Text20, Text21})
        field->clear();
    Label44->clear();
}

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
