#include "model/profile_filter.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest Gaussian half-window: three standard deviations of the widest kernel.
constexpr int kMaxGaussReach = 3 * kMaxSmoothWidth / 2 + 1;

void MovingAverage(const double* in, int count, int width, double* out) {
    // Sums of in[0..k), so that any window's sum is one difference.
    double prefix[kProfileSize + 1];
    prefix[0] = 0.0;
    for (int i = 0; i <= count; ++i) prefix[i + 1] = prefix[i] + in[i];
    const int half = width / 2;
    for (int i = 0; i <= count; ++i) {
        const int r = std::min({half, i, count - i});
        out[i] = (prefix[i + r + 1] - prefix[i - r]) / (2 * r + 1);
    }
}

void Gaussian(const double* in, int count, int width, double* out) {
    const double sigma = width / (2.0 * std::sqrt(2.0 * std::log(2.0)));
    const int reach = std::min(kMaxGaussReach, static_cast<int>(std::ceil(3.0 * sigma)));
    double weight[kMaxGaussReach + 1] = {};
    for (int k = 0; k <= reach; ++k) weight[k] = std::exp(-0.5 * (k / sigma) * (k / sigma));
    // Inside, the whole kernel: one pass per weight over every sample, which vectorises.
    const int first = reach;
    const int last = count - reach;
    if (first <= last) {
        double norm = weight[0];
        for (int k = 1; k <= reach; ++k) norm += 2.0 * weight[k];
        for (int i = first; i <= last; ++i) out[i] = weight[0] * in[i];
        for (int k = 1; k <= reach; ++k) {
            const double w = weight[k];
            for (int i = first; i <= last; ++i) out[i] += w * (in[i - k] + in[i + k]);
        }
        const double scale = 1.0 / norm;
        for (int i = first; i <= last; ++i) out[i] *= scale;
    }
    // Near the ends the window shrinks.
    for (int i = 0; i <= count; ++i) {
        if (i == first && first <= last) i = last + 1;
        if (i > count) break;
        const int r = std::min({reach, i, count - i});
        double sum = weight[0] * in[i];
        double norm = weight[0];
        for (int k = 1; k <= r; ++k) {
            sum += weight[k] * (in[i - k] + in[i + k]);
            norm += 2.0 * weight[k];
        }
        out[i] = sum / norm;
    }
}

// GetSampleValue of samples 0..count, the channel chosen once, outside the loops.
void SampleValues(const ProfileBuffer& buffer, int count, int channel, double* out) {
    if (buffer.m_nWidth <= 1) {
        for (int i = 0; i <= count; ++i) out[i] = GetBrightness(buffer, i, channel);
        return;
    }
    const int* r = buffer.m_nRed;
    const int* g = buffer.m_nGreen;
    const int* b = buffer.m_nBlue;
    const int* n = buffer.m_nInside;
    switch (channel) {
        case kChannelSum:
            for (int i = 0; i <= count; ++i) {
                out[i] = static_cast<double>(r[i] + g[i] + b[i]) / (3.0 * std::max(n[i], 1));
            }
            break;
        case kChannelRed:
            for (int i = 0; i <= count; ++i) out[i] = static_cast<double>(r[i]) / std::max(n[i], 1);
            break;
        case kChannelGreen:
            for (int i = 0; i <= count; ++i) out[i] = static_cast<double>(g[i]) / std::max(n[i], 1);
            break;
        default:
            for (int i = 0; i <= count; ++i) out[i] = static_cast<double>(b[i]) / std::max(n[i], 1);
            break;
    }
}

}  // namespace

void SmoothProfile(const double* in, int count, int kind, int width, double* out) {
    if (count < 0) return;
    count = std::min(count, kProfileSize - 1);
    width = std::clamp(width | 1, kMinSmoothWidth, kMaxSmoothWidth);
    switch (kind) {
        case kSmoothMean:
            MovingAverage(in, count, width, out);
            break;
        case kSmoothGaussian:
            Gaussian(in, count, width, out);
            break;
        default:
            std::copy(in, in + count + 1, out);
            break;
    }
}

void ProfileValues(const ProfileBuffer& buffer, int count, int channel, const EdgeOptions& options,
                   double* out) {
    if (count < 0) return;
    count = std::min(count, kProfileSize - 1);
    double raw[kProfileSize];
    double* values = options.smoothing == kSmoothNone ? out : raw;
    SampleValues(buffer, count, channel, values);
    if (options.smoothing != kSmoothNone) {
        SmoothProfile(raw, count, options.smoothing, options.smoothWidth, out);
    }
}
