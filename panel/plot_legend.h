// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QRectF>
#include <optional>
#include <vector>

// The series plot's colours and legend: which colour each curve takes, and where its name goes.

// Colour of curve i: distinct from each other for the first twenty, dark enough to read on
// white, and none of them the grey of the current image's mark.
QColor CurveColour(int curve);

// The legend's entries in rows from the top left of a strip `width` wide: each entry is placed
// at the next free place of its row, or starts a new row, up to maxRows rows. Entries that do
// not fit are summed up by one more entry of width moreWidth (the widget writes "ほか N 本"),
// which takes the place of as many entries as it needs on the last row.
struct LegendPlaces {
    std::vector<QRectF> entries;  // of the first entries.size() curves
    std::optional<QRectF> more;
    int rows = 0;
};
LegendPlaces FlowLegend(const std::vector<double>& widths, double moreWidth, double width,
                        double rowHeight, double gap, int maxRows);
