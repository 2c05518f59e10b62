// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// The text conversions of the dialogs' edit fields. They never consult the locale: a calibration
// typed as "0.5" means one half on every machine, and a value is always shown with a point.

// Optional spaces or tabs, an optional sign, decimal digits, optional spaces or tabs. Anything
// else, and a value outside the int range, is not an integer.
std::optional<int> ParseDialogInt(const QString& text);

// Optional spaces or tabs, an optional sign, a decimal number with an optional fraction and
// exponent, optional spaces or tabs. Infinities, NaNs, hexadecimal forms and values too large or
// too small for a double are not numbers.
std::optional<double> ParseDialogDouble(const QString& text);

// Up to 15 significant digits, shortest form, as "%.15g" writes in the C locale.
QString FormatDialogDouble(double value);
