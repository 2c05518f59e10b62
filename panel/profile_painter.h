// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QRgb>
#include <QSize>
#include <QString>

#include "model/line_profile.h"
#include "panel/profile_mapping.h"

class QFontMetricsF;
class QPainter;

// The colours of the profile plot's marks.
inline constexpr QRgb kProfileCurve = 0x000000;
inline constexpr QRgb kResponseCurve = 0x008C96;
inline constexpr QRgb kCursorMark = 0xFF0000;
inline constexpr QRgb kSoundEdge = 0x00963C;
inline constexpr QRgb kDoubtfulEdge = 0xE67800;
inline constexpr QRgb kLevelLine = 0x823CB4;
inline constexpr QRgb kNotFoundText = 0xD21E28;

// The plot area in a drawing of `size`: room for the summary above, the value labels on the
// left, the sample labels below and, with a caliper rule, the response labels on the right.
QRectF ProfileArea(QSize size, const QFontMetricsF& metrics, bool caliper);

// Paints the plot into [0, size) of the painter's coordinates, in the painter's font; `empty`
// (when not empty) is said in the middle instead. `hover` is the sample under the pointer, -1
// for none.
void PaintProfile(QPainter& painter, QSize size, const LineProfile& profile,
                  const ProfileFrame& frame, const QString& empty, int hover);
