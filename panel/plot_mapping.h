// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "panel/plot_legend.h"
#include "series/series_values.h"

// The arithmetic of the series plot: data ranges to pixels and back, axis ticks, the points a
// curve is drawn through, which image lies under a position and what its tooltip says. No
// widgets and no fonts: the widget measures its texts and hands the sizes in.
//
// Only finite values are plotted. NaN is "no value" (SeriesData::HasValue); an infinity has no
// place on a finite axis either, so it breaks the curve like a NaN does.

inline bool IsPlottable(double v) {
    return SeriesData::HasValue(v) && !std::isinf(v);
}

struct ValueRange {
    double lo = 0.0;
    double hi = 0.0;
};

// The smallest and the largest plottable value over every curve, looking only at the first
// `data.images` values of each; nullopt when there is none.
std::optional<ValueRange> DataRange(const SeriesData& data);

// An axis from `lo` to `hi` with ticks at whole multiples of `step`, a step of 1, 2 or 5 times
// a power of ten.
struct AxisTicks {
    double lo = 0.0;
    double hi = 1.0;
    double step = 1.0;
    std::vector<double> values;
    // Digits after the point in the labels; -1 for labels in exponent form (very large or very
    // small values, where fixed digits would run long).
    int decimals = 0;
    int significant = 1;  // digits of the exponent form
};

// The ticks of an axis over [lo, hi] with at most about maxTicks intervals. The axis ends are
// the multiples of the step just outside the data, so the data never touches the frame's edge
// by accident; a range of one value is widened around it. Ends that would overflow a double
// stay at the data's own ends.
AxisTicks NiceTicks(double lo, double hi, int maxTicks);

// Image numbers (1-based) to label on an axis of `images` images: multiples of a 1-2-5 step,
// at most about maxTicks of them.
std::vector<int> ImageTicks(int images, int maxTicks);

// A tick's label, in the C locale whatever the user's.
QString TickText(double value, const AxisTicks& ticks);

// The plot area in pixels and what it spans: image i (0-based) owns the column from
// left + i * w / images to left + (i + 1) * w / images and sits at its middle; the value axis
// runs from lo at the bottom edge to hi at the top edge.
//
// On a time axis (`times` holds each image's seconds) image i sits at its time instead, on an
// axis from tlo at the left edge to thi at the right edge; an image's column is then a pixel
// either side of it.
struct PlotFrame {
    QRectF area;
    int images = 0;
    double lo = 0.0;
    double hi = 1.0;
    std::vector<double> times = {};
    double tlo = 0.0;
    double thi = 1.0;

    bool OverTime() const { return !times.empty(); }
};

// Where a time lies across the area of a frame over time.
double TimeX(const PlotFrame& frame, double seconds);

double ImageX(const PlotFrame& frame, int index);
// Left edge of image index's column; ColumnLeft(frame, images) is the area's right edge.
double ColumnLeft(const PlotFrame& frame, int index);
// The image whose column holds x, clamped to the first and the last (over time: the image
// nearest to x, the first of equals); -1 when there are none.
int ImageAt(const PlotFrame& frame, double x);
double ValueY(const PlotFrame& frame, double value);
double ValueAt(const PlotFrame& frame, double y);

// What a curve is drawn through, in pixels: runs of consecutive images with values, one
// polyline each, never joined across an image without one. Where several images share a pixel
// column, a run keeps only its first, lowest, highest and last point in that column (in image
// order): the polyline through them covers the same pixels as the polyline through all of
// them, so 10,000 images cost what a few points per column cost.
struct CurvePath {
    std::vector<QPointF> points;
    std::vector<int> runStarts;  // index into points where each run starts
    int RunEnd(std::size_t run) const {
        return run + 1 < runStarts.size() ? runStarts[run + 1] : static_cast<int>(points.size());
    }
};
CurvePath MapCurve(const PlotFrame& frame, const std::vector<double>& values);


// The pixels that a line one pixel wide through each run of the path passes through: one
// rectangle one pixel wide per pixel column and run. This is how a curve with more images than
// pixel columns is painted. The raster engine's one-pixel lines are no use there: a segment
// shorter than a pixel both ways sets no pixel at all when it is steep, and a curve of such
// segments comes out in dashes.
std::vector<QRect> ColumnCover(const CurvePath& path);

// The horizontal pixel spans of the columns of the images whose flag is set, each at least
// minWidth wide (centred on its column), spans that touch or overlap joined into one.
struct Span {
    double left = 0.0;
    double right = 0.0;
    bool operator==(const Span&) const = default;
};
std::vector<Span> FlagSpans(const PlotFrame& frame, const std::vector<bool>& flags,
                            double minWidth);

// What lies under a position: the point nearest to it within `radius` pixels (its image and
// curve); failing that, the nearest image with a gap reason whose column is within `radius`;
// failing that, the image whose column holds the position. Positions farther than `radius`
// outside the plot area hit nothing (image -1).
struct PlotHit {
    int image = -1;
    int curve = -1;  // -1: no point was hit
    bool gap = false;
    bool operator==(const PlotHit&) const = default;
};
PlotHit HitTest(const PlotFrame& frame, const SeriesData& data, QPointF pos, double radius);

// The tooltip for a hit: the image number, then the curve and its value; or the gap's reason;
// or, where no point was hit, the values of the first few curves at that image ("値なし" for
// none). A pending image says so as well. Empty when nothing was hit.
QString HitText(const SeriesData& data, const PlotHit& hit);
