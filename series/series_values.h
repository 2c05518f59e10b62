// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cmath>
#include <vector>

// What the series plot shows: one quantity for every image of the list, as one curve per scan
// line (or a single curve for the length or the area). No widgets: the document fills it in,
// the plot only draws it.

// The quantities the plot can show.
enum class SeriesQuantity {
    ConvertedX,  // the edge point's x in the calibration's units
    ConvertedY,
    PixelDx,  // the edge point's pixel offset from the image's origin, x to the right
    PixelDy,  // rows counted upwards, as the data file counts them
    Length,   // of the polyline through the edge points (when measured)
    Area,     // of the polygon they enclose (when measured)
    // Of lines under a caliper rule: a pair's width on the picture and converted, and the
    // edge's uncertainty in samples along the line.
    PairWidthPx,
    PairWidth,
    EdgeSigma,
};

// The quantity as the list offers it and the axis names it, in the window's language.
QString SeriesQuantityLabel(SeriesQuantity quantity);

struct SeriesCurve {
    QString name;  // "走査線 1", ..., or the quantity for the length and the area
    // Per image, in list order; NaN where the image has no value (not measured yet, a
    // calibration that cannot convert, a file that cannot be read).
    std::vector<double> values;
    // Per image, where an edge's uncertainty reaches in the quantity's units (a caliper rule's
    // sigma either way): the error bar's half length; NaN where there is none. Empty for a
    // curve without any.
    std::vector<double> errors = {};
};

// What the plot is asked to show: a quantity, or its rate of change over time, against the
// image numbers or the entries' times.
struct SeriesView {
    SeriesQuantity quantity = SeriesQuantity::ConvertedX;
    bool rate = false;      // d/dt of the quantity (RateOfChange), in its units per second
    bool timeAxis = false;  // the x axis in seconds from the first entry
};

struct SeriesData {
    SeriesQuantity quantity = SeriesQuantity::ConvertedX;
    QString label;  // the quantity as the axis names it
    QString xLabel;  // the x axis as it is named: the image number, or the time and its source
    // Per image, its place on a time axis: seconds from the first entry. Empty for the image
    // numbers, which the plot also falls back to when any image has no time.
    std::vector<double> times;
    int images = 0;
    std::vector<SeriesCurve> curves;
    // Per image: why it has no values (a file that cannot be read, a calibration that cannot
    // convert); empty where it has them or they are still being measured.
    std::vector<QString> gaps;
    // Per image: whether its points wait for a detection that is under way.
    std::vector<bool> pending;
    // Per image: its file's name, as the file list shows it; empty where it is not known.
    std::vector<QString> names;
    int current = -1;  // the current image, marked on the plot

    static bool HasValue(double v) { return !std::isnan(v); }
};

class CSeriesHost;

// The quantity for every image of the document. A line still waiting for its detection has no
// value yet (its image is marked pending); an image whose file cannot be read, or whose
// calibration cannot convert a converted quantity, is a gap with the reason. The length and the
// area come only with their switches on, and only for images whose lines are all measured.
SeriesData BuildSeriesData(const CSeriesHost& host, SeriesQuantity quantity);
// The same, as a rate of change and over time where asked. A rate is taken over the entries'
// times when every entry has one, else over their numbers in the list (per image, and the
// label says so); it has no error bars.
SeriesData BuildSeriesData(const CSeriesHost& host, const SeriesView& view);
