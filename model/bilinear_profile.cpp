// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/bilinear_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "model/profile_filter.h"

namespace {

int Brightness(const PixelView& picture, int x, int y, int channel) {
    x = std::clamp(x, 0, picture.width - 1);
    y = std::clamp(y, 0, picture.height - 1);
    const SampleRgb s = picture.SampleAt(x, y);
    switch (channel) {
        case kChannelSum:
            return (s.r + s.g + s.b) / 3;
        case kChannelRed:
            return s.r;
        case kChannelGreen:
            return s.g;
        default:
            return s.b;
    }
}

double Bilinear(const PixelView& picture, double x, double y, int channel) {
    // Far off the picture every point reads its edge; clamping first keeps floor in int range.
    x = std::clamp(x, -1.0, static_cast<double>(picture.width));
    y = std::clamp(y, -1.0, static_cast<double>(picture.height));
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0;
    const double fy = y - y0;
    const double top = (1 - fx) * Brightness(picture, x0, y0, channel) +
                       fx * Brightness(picture, x0 + 1, y0, channel);
    const double bottom = (1 - fx) * Brightness(picture, x0, y0 + 1, channel) +
                          fx * Brightness(picture, x0 + 1, y0 + 1, channel);
    return top * (1 - fy) + bottom * fy;
}

void Smooth(std::vector<double>& v, int smoothing, int width) {
    if (smoothing == kSmoothNone || v.size() < 3) return;
    width = std::clamp(width | 1, kMinSmoothWidth, kMaxSmoothWidth);
    std::vector<std::int64_t> weights(static_cast<std::size_t>(width / 2 + 1), 1);
    if (smoothing == kSmoothGaussian) weights = GaussianWeights(width);
    const int reach = static_cast<int>(weights.size()) - 1;
    const int last = static_cast<int>(v.size()) - 1;
    const std::vector<double> in = v;
    for (int i = 0; i <= last; ++i) {
        const int h = std::min({reach, i, last - i});
        double sum = 0.0;
        double total = 0.0;
        for (int k = -h; k <= h; ++k) {
            const double w = static_cast<double>(weights[static_cast<std::size_t>(std::abs(k))]);
            sum += w * in[static_cast<std::size_t>(i + k)];
            total += w;
        }
        v[static_cast<std::size_t>(i)] = sum / total;
    }
}

}  // namespace

void BilinearValues(const PixelView& picture, const CScan& line, int channel,
                    const EdgeOptions& options, std::vector<double>& values) {
    values.clear();
    if (picture.IsNull() || line.m_nCount < 0) return;
    const double dx = line.m_ptEnd.x - line.m_ptStart.x;
    const double dy = line.m_ptEnd.y - line.m_ptStart.y;
    const double length = std::hypot(dx, dy);
    const double nx = length > 0.0 ? -dy / length : 0.0;
    const double ny = length > 0.0 ? dx / length : 0.0;
    const int half = std::max(options.lineWidth, 1) / 2;
    values.resize(static_cast<std::size_t>(line.m_nCount) + 1);
    for (int k = 0; k <= line.m_nCount; ++k) {
        const CPointF p = line.ExactPointAt(k);
        double sum = 0.0;
        for (int j = -half; j <= half; ++j) sum += Bilinear(picture, p.x + j * nx, p.y + j * ny, channel);
        values[static_cast<std::size_t>(k)] = sum / (2 * half + 1);
    }
    Smooth(values, options.smoothing, options.smoothWidth);
}
