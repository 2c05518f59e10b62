// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <algorithm>
#include <cmath>
#include <vector>

// How the image view's device pixels see the picture at a scale that is not a whole number.
// Device pixel X of the viewport reaches from view coordinate X / dpr + scroll (logical pixels,
// unscrolled) one device pixel on; view coordinate v lies in image pixel floor(v / scale), so
// image pixel i is painted over [i * scale, (i + 1) * scale).
struct ScaleMapping {
    double scale = 1.0;  // logical pixels per image pixel
    double dpr = 1.0;    // device pixels per logical pixel
    QPoint scroll;       // logical pixels
};

// The image pixel (along one axis) that a pointer at a logical client position stands for: the
// one whose painted area holds the centre of the device pixel under the pointer. A centre exactly
// on the border of two image pixels takes the upper or left one; at a reduced scale, where one
// device pixel shows the mean of several image pixels, that is one of the central pixels of
// those it shows. Painting and picking both use this, so they agree to the last bit.
inline int PixelUnder(double client, int scroll, double dpr, double scale) {
    const double half = 0.5 / dpr;
    // Clamped, a pointer far outside a reduced view still names a pixel, if a distant one.
    const double pixel = std::floor((client + scroll + half) / scale - 1e-6);
    return static_cast<int>(std::clamp(pixel, -1e9, 1e9));
}

// Paints the picture into a rectangle of device pixels: target's pixel (0, 0) is the viewport's
// device pixel origin. Below scale 1 each device pixel shows the mean of the image pixels its area
// touches; above it, the image pixel under its centre (PixelUnder). Only the image pixels the
// rectangle covers are read. target must be Format_RGB32 and lie on the picture; the buffers of
// the column ranges are kept between calls, so a paint allocates nothing once the sizes settle.
class CPictureScaler {
public:
    void Paint(const QImage& picture, const ScaleMapping& mapping, QPoint origin, QImage& target);

private:
    // Per target column and row: the first image pixel and one past the last it averages.
    std::vector<int> m_colLo, m_colHi, m_rowLo, m_rowHi;
    std::vector<std::uint32_t> m_sums;  // per target column, the channel sums of one row
    QImage m_strip;                     // pictures not in 32-bit words, converted a band at a time

    void Ranges(double scale, double dpr, int scroll, int origin, int count, int limit,
                std::vector<int>& lo, std::vector<int>& hi) const;
    void PaintRows(const QImage& picture, int rowBegin, int rowEnd, QImage& target,
                   std::uint32_t* sums) const;
};
