// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/dialog_units.h"

#include <QFontMetrics>
#include <QWidget>
#include <cstdint>

DialogBaseUnits BaseUnitsFromMetrics(int alphabetWidth, int height) {
    return {(alphabetWidth / 26 + 1) / 2, height};
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnitsFromMetrics(alphabet, metrics.height());
}

int MulDivRound(int a, int b, int c) {
    if (c == 0) return 0;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = (c > 0 ? c : -c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QRect DluToPixels(const QRect& dlu, const DialogBaseUnits& units) {
    return {MulDivRound(dlu.x(), units.cx, 4), MulDivRound(dlu.y(), units.cy, 8),
            MulDivRound(dlu.width(), units.cx, 4), MulDivRound(dlu.height(), units.cy, 8)};
}

QFont DialogFont() {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPointSize(9);
    return font;
}

void PlaceControl(QWidget* control, const QRect& dlu, const DialogBaseUnits& units) {
    control->setGeometry(DluToPixels(dlu, units));
}
