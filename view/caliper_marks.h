// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPointF>
#include <QString>

#include "model/caliper.h"

class CNorvaleDoc;
class QPainter;
struct CaliperMeasure;

// How the image view marks an edge a caliper rule found, by its status. An edge found cleanly
// keeps the plain circle in the line's colour; any other status is drawn in a colour of its own
// over a dark halo, so that it reads on light and dark pictures alike, and in a shape that says
// what went wrong without the colour:
//   weak         a dashed amber circle
//   ambiguous    a dashed magenta circle
//   fit-failed   an amber circle crossed by a diagonal (the position is the Gaussian estimate's)
//   at-line-end  an amber square
//   not-found    a white cross where the cursor stayed, no circle
struct CaliperMarkStyle {
    bool plain = true;  // the plain circle in the line's colour
    QColor colour;
    bool dashed = false;
    bool slash = false;   // a diagonal through the circle
    bool square = false;  // a square in place of the circle
    bool circle = true;   // false: a cross alone
};

CaliperMarkStyle MarkStyleOf(CaliperStatus status);

// Every caliper edge of the current image: the first edge's mark where it is not plain (the view
// leaves those circles out), a pair's second edge, and the width between the two drawn as a
// dimension line beside the scan line with its number of samples. A picture point p is drawn at
// origin + scale * p.
void DrawCaliperMarks(QPainter& painter, const CNorvaleDoc& doc, const QPointF& origin,
                      const QPointF& scale);

// The status bar's text for what a caliper rule measured: the position with its uncertainty,
// the contrast, the noise and the status, and a pair's width ("12.31 ± 0.021 サンプル  コントラ
// スト 98.5  ノイズ 0.8  良好"). Numbers in the C locale.
QString CaliperReadOut(const CaliperMeasure& measure);
