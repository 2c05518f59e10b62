// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One line's profile on every entry of the list, entry by entry: row i is the profile the line's
// rule reads on entry i (after line width, smoothing and any reading between pixels), kept at
// the picture's own depth so that a long series fits in memory: one byte a sample for 8-bit
// pictures, two for 16-bit ones. Each value is the rule's value rounded to the nearest integer
// (those of a line one pixel wide, unsmoothed and read on the pixels, are integers already).
struct KymoRow {
    enum class State : std::uint8_t {
        Pending,     // not measured yet
        Ok,          // the profile
        Unreadable,  // the entry's picture did not decode wholly: no values, never made-up ones
    };
    State state = State::Pending;
    bool wide = false;                // two bytes a sample (a picture of 16-bit samples)
    std::vector<std::uint8_t> bytes;  // the samples in line order, native byte order when wide

    int Count() const { return static_cast<int>(wide ? bytes.size() / 2 : bytes.size()); }
    int Value(int sample) const;
    // Stores the values, each rounded and kept within 0 to the depth's white.
    void Set(const std::vector<double>& values, bool wideSamples);
    void SetUnreadable();
};

// A kymograph needs at most this many bytes of samples (two a sample assumed, whatever the
// pictures turn out to be): 512 Mi samples, 100,000 entries of a 5,000-sample line. A larger
// one is refused before anything is measured.
inline constexpr std::int64_t kMaxKymographBytes = std::int64_t(1) << 30;
bool KymographFits(std::int64_t entries, std::int64_t samples);

class CKymograph {
public:
    explicit CKymograph(int entries = 0) : m_rows(static_cast<std::size_t>(entries)) {}

    int Entries() const { return static_cast<int>(m_rows.size()); }
    const KymoRow& Row(int entry) const { return m_rows[static_cast<std::size_t>(entry)]; }
    // A row to fill; NoteRow afterwards brings the summary below up to date. Different rows may
    // be filled by different threads at once.
    KymoRow& RowToFill(int entry) { return m_rows[static_cast<std::size_t>(entry)]; }
    void NoteRow(int entry);
    void SetRow(int entry, const std::vector<double>& values, bool wide);

    // The longest row's sample count, and the white of the deepest row: 65535 when any row holds
    // 16-bit samples, else 255 (of the rows noted so far).
    int Samples() const { return m_samples; }
    bool Wide() const { return m_wide; }
    int MaxValue() const { return m_wide ? 65535 : 255; }
    // A row's value on the kymograph's scale: 8-bit rows of a kymograph with 16-bit rows are
    // multiplied by 257, which takes 0..255 exactly onto 0..65535.
    int ScaledValue(int entry, int sample) const;

private:
    std::vector<KymoRow> m_rows;
    int m_samples = 0;
    bool m_wide = false;
};

// Many rows to few pixel rows, as the series plot takes many images to few pixel columns: entry
// i of n sits at the middle of its band, (i + 0.5) * pixels / n, and each pixel row keeps, per
// sample, the smallest and the largest value of the entries sitting in it, so that no extreme is
// lost. With fewer entries than pixel rows a pixel row holds the one entry whose band covers its
// middle. Rows without values (pending, unreadable, or shorter than the sample) add nothing.
struct ReducedRow {
    int first = 0;  // the entries sitting in the pixel row: first to last
    int last = -1;
    std::vector<int> lo;  // per sample: the smallest value, -1 where no entry has one
    std::vector<int> hi;
};
// The entries of pixel row p of `pixels` over n entries (last < first: none).
void EntriesOfPixelRow(int n, int pixels, int p, int& first, int& last);
// The pixel row that entry i sits in.
int PixelRowOfEntry(int n, int pixels, int entry);
// Pixel row p of `pixels`, on the kymograph's scale (ScaledValue).
ReducedRow ReducePixelRow(const CKymograph& kymograph, int pixels, int p);
