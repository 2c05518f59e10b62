// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/picture_scaler.h"

#include <algorithm>
#include <thread>

namespace {

// Two 8-bit channels of an RGB32 word in 16-bit lanes: blue and red, or green and alpha. A lane
// holds the sum of up to 257 samples, which bounds the boxes the packed sums may take.
constexpr std::uint32_t kLanes = 0x00FF00FFu;
constexpr long long kPackedLimit = 257;
// Below this many image pixels a second thread costs more than it saves.
constexpr long long kThreadedWork = 1 << 20;

bool IsWordFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// One picture row into the column sums. The pointers never overlap, which lets the compiler
// take several pixels per instruction.
void AddRow(const std::uint32_t* __restrict in, std::size_t count, std::uint32_t* __restrict low,
            std::uint32_t* __restrict high) {
    for (std::size_t i = 0; i < count; ++i) {
        low[i] += in[i] & kLanes;
        high[i] += (in[i] >> 8) & kLanes;
    }
}

// sum / n rounded, as a multiplication by 2^32 / n, for the sample counts of packed sums.
struct Reciprocals {
    std::uint64_t of[kPackedLimit + 1] = {};
    Reciprocals() {
        for (std::uint64_t n = 1; n <= kPackedLimit; ++n) of[n] = ((1ull << 32) + n - 1) / n;
    }
};
const Reciprocals kReciprocals;

std::uint32_t Mean(std::uint32_t sum, std::uint64_t reciprocal) {
    return static_cast<std::uint32_t>((sum * reciprocal + (1ull << 31)) >> 32);
}

}  // namespace

void CPictureScaler::Ranges(double scale, double dpr, int scroll, int origin, int count,
                            int limit, std::vector<int>& lo, std::vector<int>& hi) const {
    lo.resize(static_cast<std::size_t>(count));
    hi.resize(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double left = (origin + k) / dpr;
        int first = 0;
        int last = 0;
        if (scale < 1.0) {
            // Every image pixel the device pixel's area touches, at least the one under its
            // centre.
            first = static_cast<int>(std::floor((left + scroll) / scale + 1e-9));
            last = static_cast<int>(std::ceil(((origin + k + 1) / dpr + scroll) / scale - 1e-9));
        } else {
            first = PixelUnder(left, scroll, dpr, scale);
            last = first + 1;
        }
        first = std::clamp(first, 0, limit - 1);
        lo[i] = first;
        hi[i] = std::clamp(last, first + 1, limit);
    }
}

void CPictureScaler::Paint(const QImage& picture, const ScaleMapping& mapping, QPoint origin,
                           QImage& target) {
    const int width = target.width();
    const int height = target.height();
    if (width <= 0 || height <= 0 || picture.isNull()) return;
    Ranges(mapping.scale, mapping.dpr, mapping.scroll.x(), origin.x(), width, picture.width(),
           m_colLo, m_colHi);
    Ranges(mapping.scale, mapping.dpr, mapping.scroll.y(), origin.y(), height, picture.height(),
           m_rowLo, m_rowHi);
    // Three sums per picture column a thread, for two threads.
    const auto span = static_cast<std::size_t>(m_colHi.back() - m_colLo.front());
    m_sums.resize(6 * span);

    const bool words = IsWordFormat(picture.format());
    const long long work = static_cast<long long>(m_colHi.back() - m_colLo.front()) *
                           (m_rowHi.back() - m_rowLo.front());
    if (!words || work < kThreadedWork) {
        PaintRows(picture, 0, height, target, m_sums.data());
        return;
    }
    // The two halves write disjoint rows of the target and read the picture only.
    const int middle = height / 2;
    std::thread other(
        [&] { PaintRows(picture, middle, height, target, m_sums.data() + 3 * span); });
    PaintRows(picture, 0, middle, target, m_sums.data());
    other.join();
}

void CPictureScaler::PaintRows(const QImage& picture, int rowBegin, int rowEnd,
                               QImage& target, std::uint32_t* sums) const {
    const auto w = static_cast<std::size_t>(target.width());
    const bool words = IsWordFormat(picture.format());
    const int left = m_colLo.front();
    const auto span = static_cast<std::size_t>(m_colHi.back() - left);
    int widest = 0;
    for (std::size_t k = 0; k < w; ++k) widest = std::max(widest, m_colHi[k] - m_colLo[k]);

    QImage band;
    for (int row = rowBegin; row < rowEnd; ++row) {
        const auto r = static_cast<std::size_t>(row);
        const int top = m_rowLo[r];
        const int rows = m_rowHi[r] - top;
        auto* out = reinterpret_cast<std::uint32_t*>(target.scanLine(row));
        // A picture of other samples (16-bit colour or grey) is read through a converted copy
        // of just the rows and columns this target row needs.
        const QImage* source = &picture;
        int dx = left;
        int dy = 0;
        if (!words) {
            band = picture.copy(left, top, static_cast<int>(span), rows)
                       .convertToFormat(QImage::Format_RGB32);
            if (band.isNull()) {
                std::fill(out, out + w, 0xFF000000u);
                continue;
            }
            source = &band;
            dx = 0;
            dy = top;
        }
        const auto line = [&](int y) {
            return reinterpret_cast<const std::uint32_t*>(source->constScanLine(y - dy)) + dx;
        };

        // Down the columns first, a plain loop over whole rows that the compiler vectorises,
        // then across each target pixel's columns.
        if (static_cast<long long>(widest) * rows <= kPackedLimit) {
            std::uint32_t* low = sums;
            std::uint32_t* high = sums + span;
            std::fill(low, low + 2 * span, 0u);
            for (int y = top; y < top + rows; ++y) AddRow(line(y), span, low, high);
            for (std::size_t k = 0; k < w; ++k) {
                std::uint32_t a = 0;
                std::uint32_t b = 0;
                for (int x = m_colLo[k] - left; x < m_colHi[k] - left; ++x) {
                    a += low[x];
                    b += high[x];
                }
                const auto n = static_cast<std::size_t>((m_colHi[k] - m_colLo[k]) * rows);
                const std::uint64_t reciprocal = kReciprocals.of[n];
                const std::uint32_t blue = Mean(a & 0xFFFFu, reciprocal);
                const std::uint32_t red = Mean(a >> 16, reciprocal);
                const std::uint32_t green = Mean(b & 0xFFFFu, reciprocal);
                out[k] = 0xFF000000u | std::min(red, 255u) << 16 | std::min(green, 255u) << 8 |
                         std::min(blue, 255u);
            }
            continue;
        }
        // Boxes too large for 16-bit lanes: a 32-bit sum per channel.
        std::fill(sums, sums + 3 * span, 0u);
        for (int y = top; y < top + rows; ++y) {
            const std::uint32_t* in = line(y);
            for (std::size_t i = 0; i < span; ++i) {
                sums[i] += in[i] & 0xFFu;
                sums[span + i] += (in[i] >> 8) & 0xFFu;
                sums[2 * span + i] += (in[i] >> 16) & 0xFFu;
            }
        }
        for (std::size_t k = 0; k < w; ++k) {
            std::uint64_t c[3] = {0, 0, 0};
            for (int x = m_colLo[k] - left; x < m_colHi[k] - left; ++x) {
                for (std::size_t ch = 0; ch < 3; ++ch) c[ch] += sums[ch * span + x];
            }
            const auto n = static_cast<std::uint64_t>(m_colHi[k] - m_colLo[k]) *
                           static_cast<std::uint64_t>(rows);
            const auto mean = [n](std::uint64_t sum) {
                return static_cast<std::uint32_t>(std::min<std::uint64_t>((sum + n / 2) / n, 255));
            };
            out[k] = 0xFF000000u | mean(c[2]) << 16 | mean(c[1]) << 8 | mean(c[0]);
        }
    }
}
