// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the window on one document.
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/norvale_app.h"
#include "app/ui_language.h"
#include "app/window_arguments.h"

int main(int argc, char** argv) {
    // --help, --version and a wrong line are answered before Qt starts, so that they work
    // without a display.
    const WindowArguments early =
        ParseWindowArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!early.error.isEmpty()) {
        std::fprintf(stderr, "quandrel: %s\n%s", qPrintable(early.error),
                     qPrintable(WindowUsage()));
        return 2;
    }
    if (early.help || early.version) {
        std::fputs(qPrintable(early.help ? WindowUsage() : WindowVersion()), stdout);
        return 0;
    }
    const UiLanguage language =
        early.language.value_or(LanguageOfLocale(MessagesLocaleOfEnvironment()));

    QApplication application(argc, argv);
    // So that a desktop matches the window with its entry (its icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUANDREL_APP_ID));
    // Qt adopts the user's locale at start-up; numbers are always read and written with a point.
    std::setlocale(LC_NUMERIC, "C");
    try {
        CNorvaleApp theApp;
        theApp.UseLanguage(language);
        // Qt has taken its own options out of argv; the file names stay the system's bytes.
        if (!theApp.InitInstance(argc, argv)) return 1;
        return QApplication::exec();
    } catch (const std::bad_alloc&) {
        // A command ran out of memory and the event loop let the exception through. The windows
        // are gone with the application object and unwinding has freed what the command held,
        // so there is usually enough left to say so; if not, the exit status still does.
        try {
            const CUiTranslation translation(language);
            QMessageBox::critical(nullptr, QStringLiteral("Quandrel"),
                                  QCoreApplication::translate("Frame", "メモリが足りません。"));
        } catch (const std::bad_alloc&) {
        }
        return 5;
    }
}
