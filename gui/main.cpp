#include <QApplication>

#include "Windows.h"
#include "setup/Form2.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Windows::form2().show();
    return app.exec();
}
