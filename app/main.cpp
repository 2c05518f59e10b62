// The program: the window on one document.
#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <new>

#include "app/norvale_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt adopts the user's locale at start-up; numbers are always read and written with a point.
    std::setlocale(LC_NUMERIC, "C");
    try {
        CNorvaleApp theApp;
        if (!theApp.InitInstance(QApplication::arguments().mid(1))) return 1;
        return QApplication::exec();
    } catch (const std::bad_alloc&) {
        // A command ran out of memory and the event loop let the exception through. The windows
        // are gone with the application object and unwinding has freed what the command held,
        // so there is usually enough left to say so; if not, the exit status still does.
        try {
            QMessageBox::critical(nullptr, QStringLiteral("Quandrel"),
                                  QStringLiteral("メモリが足りません。"));
        } catch (const std::bad_alloc&) {
        }
        return 5;
    }
}
