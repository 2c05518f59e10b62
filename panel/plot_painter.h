// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QLineF>
#include <QRgb>
#include <QSize>
#include <QString>
#include <vector>

#include "panel/plot_mapping.h"

class QPaintDevice;
class QPainter;

// The colours of the plot's own marks.
inline constexpr QRgb kPlotBackground = 0xFFFFFF;
inline constexpr QRgb kPlotGrid = 0xEBEBEB;
inline constexpr QRgb kCurrentMark = 0x606060;
inline constexpr QRgb kPendingBand = 0xFFF0C8;
inline constexpr QRgb kGapBand = 0xF8DCDC;
inline constexpr QRgb kGapMark = 0xB40000;
// The gap marks hang below the x axis, this many pixels deep.
inline constexpr int kGapMarkDepth = 4;

// One drawing of the series plot at one size, with its texts measured in one font on one
// device: everything that depends only on the data and the size, worked out once so that a
// paint only strokes it.
struct PlotLayout {
    QSize size;
    PlotFrame frame;
    bool drawable = false;  // the area has room for a plot at all
    bool hasValues = false;
    AxisTicks yTicks;
    std::vector<int> xTicks;  // image numbers, on an axis of image numbers
    AxisTicks timeTicks;      // seconds, on an axis over time
    LegendPlaces legend;  // in the drawing's coordinates
    QString moreText;     // "ほか N 本" when the legend has no room for every name
    std::vector<CurvePath> curves;
    std::vector<std::vector<QLineF>> errorBars;  // per curve, where there is room for them
    // With more images than pixel columns, each curve is painted as the pixels its line
    // covers (ColumnCover), one rectangle per column; otherwise as polylines through `curves`.
    std::vector<std::vector<QRect>> cover;
    std::vector<Span> pending;
    std::vector<Span> gaps;
    // Columns of two pixels or more: smoothed lines 1.5 pixels wide and a two-pixel mark for
    // the current image; with room enough, a dot on every point.
    bool smooth = false;
    bool dots = false;
};

PlotLayout LayoutPlot(const SeriesData& data, QSize size, const QFont& font,
                      const QPaintDevice* device);

// Paints the drawing into [0, size) of the painter's current coordinates.
void PaintPlot(QPainter& painter, const PlotLayout& layout, const SeriesData& data,
               const QFont& font);
