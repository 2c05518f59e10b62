// The program: the window on one document.
#include <QApplication>
#include <clocale>

#include "app/norvale_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt adopts the user's locale at start-up; numbers are always read and written with a point.
    std::setlocale(LC_NUMERIC, "C");
    CNorvaleApp theApp;
    if (!theApp.InitInstance(QApplication::arguments().mid(1))) return 1;
    return QApplication::exec();
}
