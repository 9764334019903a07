#include <QApplication>

#include "setup/Form2.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Form2 form2;
    form2.show();
    return app.exec();
}
