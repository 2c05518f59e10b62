// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/plot_legend.h"

#include <QColor>
#include <algorithm>
#include <array>
#include <cmath>

QColor CurveColour(int curve) {
    // Ten strong colours, then ten lighter or darker ones of other hues; past twenty the hues
    // turn by the golden angle, which keeps neighbours apart.
    static constexpr std::array<QRgb, 20> kColours{
        0x005AC8, 0xE67800, 0x00963C, 0xD21E28, 0x823CB4, 0x8C5A28, 0xC828A0,
        0x008C96, 0x828200, 0x14286E, 0x46A0E6, 0xC8A000, 0x5ABE28, 0xF0645A,
        0xAA78DC, 0xBE8C5A, 0xF06EBE, 0x28BEC8, 0xA05000, 0x781428,
    };
    if (curve >= 0 && curve < static_cast<int>(kColours.size())) return QColor(kColours[curve]);
    return QColor::fromHsv((std::max(curve, 0) * 137) % 360, 220, 170);
}

LegendPlaces FlowLegend(const std::vector<double>& widths, double moreWidth, double width,
                        double rowHeight, double gap, int maxRows) {
    LegendPlaces places;
    if (widths.empty() || maxRows < 1) return places;
    double x = 0.0;
    int row = 0;
    for (const double w0 : widths) {
        const double w = std::min(w0, width);
        if (x > 0.0 && x + w > width) {
            ++row;
            x = 0.0;
        }
        if (row >= maxRows) break;
        places.entries.emplace_back(x, row * rowHeight, w, rowHeight);
        x += w + gap;
    }
    if (places.entries.size() < widths.size()) {
        while (!places.entries.empty()) {
            const QRectF& last = places.entries.back();
            if (last.right() + gap + moreWidth <= width) {
                places.more = QRectF(last.right() + gap, last.top(), moreWidth, rowHeight);
                break;
            }
            places.entries.pop_back();
        }
        if (!places.more) places.more = QRectF(0.0, 0.0, std::min(moreWidth, width), rowHeight);
    }
    const QRectF lowest = places.more ? *places.more : places.entries.back();
    places.rows = static_cast<int>(std::lround(lowest.top() / rowHeight)) + 1;
    return places;
}
