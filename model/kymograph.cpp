// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/kymograph.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

int KymoRow::Value(int sample) const {
    const auto i = static_cast<std::size_t>(sample);
    if (!wide) return bytes[i];
    std::uint16_t v = 0;
    std::memcpy(&v, bytes.data() + 2 * i, sizeof v);
    return v;
}

void KymoRow::Set(const std::vector<double>& values, bool wideSamples) {
    wide = wideSamples;
    state = State::Ok;
    const double white = wide ? 65535.0 : 255.0;
    bytes.assign(values.size() * (wide ? 2u : 1u), 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        // The rule never reads a NaN; were one to come, it has no grey level and reads 0.
        const double v = std::isnan(values[i]) ? 0.0 : std::clamp(std::round(values[i]), 0.0, white);
        if (wide) {
            const auto w = static_cast<std::uint16_t>(v);
            std::memcpy(bytes.data() + 2 * i, &w, sizeof w);
        } else {
            bytes[i] = static_cast<std::uint8_t>(v);
        }
    }
}

void KymoRow::SetUnreadable() {
    state = State::Unreadable;
    wide = false;
    std::vector<std::uint8_t>().swap(bytes);
}

bool KymographFits(std::int64_t entries, std::int64_t samples) {
    if (entries <= 0 || samples <= 0) return true;
    return samples <= kMaxKymographBytes / 2 / entries;
}

void CKymograph::NoteRow(int entry) {
    const KymoRow& row = Row(entry);
    if (row.state != KymoRow::State::Ok) return;
    m_samples = std::max(m_samples, row.Count());
    m_wide = m_wide || row.wide;
}

void CKymograph::SetRow(int entry, const std::vector<double>& values, bool wide) {
    RowToFill(entry).Set(values, wide);
    NoteRow(entry);
}

int CKymograph::ScaledValue(int entry, int sample) const {
    const KymoRow& row = Row(entry);
    const int v = row.Value(sample);
    return m_wide && !row.wide ? v * 257 : v;
}

void EntriesOfPixelRow(int n, int pixels, int p, int& first, int& last) {
    first = 0;
    last = -1;
    if (n <= 0 || pixels <= 0 || p < 0 || p >= pixels) return;
    const std::int64_t N = n;
    const std::int64_t P = pixels;
    // Entry i sits in floor((2i + 1) * P / (2N)); those of row p are the i with
    // 2pN <= (2i + 1) P < 2(p + 1)N.
    const auto firstAtLeast = [&](std::int64_t bound) {
        // the smallest i >= 0 with (2i + 1) P >= bound
        const std::int64_t num = bound - P;
        if (num <= 0) return std::int64_t{0};
        return (num + 2 * P - 1) / (2 * P);
    };
    const std::int64_t lo = firstAtLeast(2 * p * N);
    const std::int64_t hi = std::min(N, firstAtLeast(2 * (p + 1) * N)) - 1;
    if (lo <= hi) {
        first = static_cast<int>(lo);
        last = static_cast<int>(hi);
        return;
    }
    // Fewer entries than pixel rows: the entry whose band covers the row's middle.
    const std::int64_t i = std::min(N - 1, (2 * p + 1) * N / (2 * P));
    first = last = static_cast<int>(i);
}

int PixelRowOfEntry(int n, int pixels, int entry) {
    if (n <= 0 || pixels <= 0) return -1;
    return static_cast<int>((2 * std::int64_t{entry} + 1) * pixels / (2 * std::int64_t{n}));
}

namespace {

// The running extremes of one pixel row, over rows of one kind of sample: a plain loop the
// compiler vectorises, as a reduction of 100,000 rows must be quick.
template <typename Sample>
void Extremes(const Sample* values, int count, int scale, int* lo, int* hi) {
    for (int s = 0; s < count; ++s) {
        const int v = values[s] * scale;
        lo[s] = std::min(lo[s], v);
        hi[s] = std::max(hi[s], v);
    }
}

}  // namespace

ReducedRow ReducePixelRow(const CKymograph& kymograph, int pixels, int p) {
    ReducedRow out;
    EntriesOfPixelRow(kymograph.Entries(), pixels, p, out.first, out.last);
    const auto samples = static_cast<std::size_t>(kymograph.Samples());
    constexpr int kNone = std::numeric_limits<int>::max();
    out.lo.assign(samples, kNone);
    out.hi.assign(samples, -1);
    std::vector<std::uint16_t> wide;
    for (int i = out.first; i <= out.last; ++i) {
        const KymoRow& row = kymograph.Row(i);
        if (row.state != KymoRow::State::Ok) continue;
        const int count = std::min(row.Count(), kymograph.Samples());
        if (!row.wide) {
            Extremes(row.bytes.data(), count, kymograph.Wide() ? 257 : 1, out.lo.data(),
                     out.hi.data());
            continue;
        }
        // Two-byte samples need not be aligned in the row's bytes.
        wide.resize(static_cast<std::size_t>(count));
        std::memcpy(wide.data(), row.bytes.data(), wide.size() * 2);
        Extremes(wide.data(), count, 1, out.lo.data(), out.hi.data());
    }
    for (int& lo : out.lo) {
        if (lo == kNone) lo = -1;
    }
    return out;
}
