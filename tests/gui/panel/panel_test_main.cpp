// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the panel's test classes in one program, then the number handling once more under a
// German locale, where a careless printf or QLocale would write "0,5" (in a dialog, or on the
// series plot's axes and tooltips).
#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <clocale>
#include <cstdio>

#include "gui/panel/panel_test_support.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    int failures = 0;
    failures += RunDialogNumbersTests(argc, argv);
    failures += RunProfileGraphTests(argc, argv);
    failures += RunDataViewTests(argc, argv);
    failures += RunFileListPanelTests(argc, argv);
    failures += RunAxisDlgTests(argc, argv);
    failures += RunCaliperRuleDlgTests(argc, argv);
    failures += RunPlotMappingTests(argc, argv);
    failures += RunProfileMappingTests(argc, argv);
    failures += RunSeriesPlotTests(argc, argv);
    failures += RunTimeRuleDlgTests(argc, argv);

    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        std::fprintf(stderr, "FAIL: the de_DE.UTF-8 locale is not installed\n");
        return failures + 1;
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::printf("--- again under de_DE.UTF-8 ---\n");
    failures += RunDialogNumbersTests(argc, argv);
    failures += RunAxisDlgTests(argc, argv);
    failures += RunCaliperRuleDlgTests(argc, argv);
    failures += RunTimeRuleDlgTests(argc, argv);
    failures += RunPlotMappingTests(argc, argv);
    failures += RunProfileMappingTests(argc, argv);
    return failures;
}
