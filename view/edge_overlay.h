// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>

class CNorvaleDoc;
class QPainter;

// What the finer detection options add to the image view, over the lines and edge markers:
// the band a line width above 1 averages (two thin lines along each line, half the width to
// either side), and a cross at each edge placed between pixels (the circle stays on the
// integer pixel the data file holds). A picture point p is drawn at origin + scale * p, as the
// view maps whole pixels; nothing is drawn with the plain options.
void DrawEdgeOverlay(QPainter& painter, const CNorvaleDoc& doc, const QPointF& origin,
                     const QPointF& scale);
