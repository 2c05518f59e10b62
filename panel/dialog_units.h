// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// Dialog templates place their controls in dialog units: a quarter of the font's average
// character width horizontally and an eighth of its height vertically. The forms of this program
// are laid out in those units, so their controls grow with the font as the texts do.
struct DialogBaseUnits {
    int cx = 0;  // average character width, pixels
    int cy = 0;  // character height, pixels

    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

// The average width is taken over the 52 letters of the Latin alphabet, halved and rounded the
// way the dialog manager does it, so proportional fonts get the same units there and here.
DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height);
DialogBaseUnits BaseUnitsOf(const QFont& font);

// a * b / c rounded to the nearest integer, halves away from zero; 0 when c is 0.
int MulDivRound(int a, int b, int c);

// A template rectangle (x, y, width, height in dialog units) in pixels. Each of the four numbers
// is converted on its own, as the dialog manager does when it creates the controls.
QRect DluToPixels(const QRect& dlu, const DialogBaseUnits& units);

// The font of the program's forms and dialogs: a proportional Japanese gothic at 9 points.
QFont DialogFont();

// Moves and sizes a control to its template rectangle.
void PlaceControl(QWidget* control, const QRect& dlu, const DialogBaseUnits& units);
