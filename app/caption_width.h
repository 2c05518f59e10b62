// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QMessageBox;

// The narrowest top-level window whose title bar shows the caption whole. Window managers
// draw captions in a larger, often bold font, beside an icon and up to three buttons; a window
// sized to its contents alone (a short message) gets its caption cut to "Qua…el".
int CaptionWidth(const QString& caption);

// Makes a message box at least as wide as its caption needs (a message box sizes itself to its
// text and ignores a plain minimum width).
void FitCaption(QMessageBox& box);
