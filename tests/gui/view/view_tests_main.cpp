// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QStandardPaths>

#include "view_tests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    int failures = 0;
    failures += RunViewPaintTests(argc, argv);
    failures += RunViewInputTests(argc, argv);
    failures += RunViewZoomTests(argc, argv);
    return failures;
}
