#include <QApplication>
#include <cstdlib>

#include "Windows.h"
#include "setup/Form2.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The viewer hides itself and shows the conditions window again, so the
    // program ends only from the conditions window, never because no window
    // happens to be visible.
    app.setQuitOnLastWindowClosed(false);

    Form2& home = Windows::form2();
    if (!home.tablesLoaded())
        return EXIT_FAILURE; // the window has said which data file is missing
    home.show();
    return app.exec();
}
