// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// The about box: the program's icon, name and version, and an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
