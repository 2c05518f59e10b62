// SPDX-License-Identifier: GPL-3.0-or-later
// A sequence of operations on the image records, decoded from the input, with the records'
// invariants checked after every step: both arrays the same size, every record holding the same
// lines with the same end points, every cursor on its line, lookups in range. Each operation's
// own result is checked too where it is known: which calls succeed, the order after sorting, the
// edges detection leaves against the batch detection's, the samples of a line's stored walk
// against those of its end points.
//
// The input is read from the front, one field after another (fuzz/make_model_seeds.py writes
// seeds in the same layout):
//   picture   width, height, kind, seed: four bytes that make the whole picture, so that the
//             operations start at the fifth byte
//   operation an opcode byte, then its fields; an input that ends inside an operation reads as
//             zeros to its end
// An index byte names -1..count (one past the end and one before the start are tried too); a
// coordinate byte is a position around the picture, or announces a 16- or 32-bit one for long
// lines, or one near the least or the greatest int.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "export/data_file.h"
#include "model/data_profile.h"
#include "model/edge_detect.h"
#include "model/hit_geometry.h"
#include "model/title_order.h"
#include "support/invariants.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckInvariants(const CDataProfile& profile) {
    Check(ProfileInvariantBroken(profile).empty());
    const CScanArray* first = profile.GetArray(0, 0);
    if (first != nullptr) {
        Check(first->GetAt(first->GetSize()) == nullptr && first->GetAt(-1) == nullptr);
    }
    Check(profile.GetSeries(profile.GetSize()) == nullptr && profile.GetSeries(-1) == nullptr);
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_p(data), m_end(data + size) {}

    bool Empty() const { return m_p == m_end; }
    std::uint8_t Byte() { return m_p != m_end ? *m_p++ : 0; }
    bool Bool() { return (Byte() & 1) != 0; }
    // -1..count.
    int Index(int count) { return Byte() % (count + 2) - 1; }
    std::uint32_t Word32() {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= static_cast<std::uint32_t>(Byte()) << (8 * k);
        return v;
    }
    // Below 0xF0: -64..175, around a 64 x 48 picture. 0xF0..0xFB: the next two bytes as a
    // signed 16-bit value, for lines longer than a walk. 0xFC, 0xFD: the next four bytes as a
    // signed 32-bit value. 0xFE, 0xFF: the next byte's distance from the least or the greatest
    // int, the extremes a session file or the axis dialog may hold, which random 32-bit values
    // would hardly ever come near.
    int Coordinate() {
        const std::uint8_t c = Byte();
        if (c < 0xF0) return c - 64;
        if (c < 0xFC) {
            const auto lo = static_cast<std::uint16_t>(Byte());
            const auto hi = static_cast<std::uint16_t>(Byte());
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
        }
        if (c < 0xFE) return static_cast<std::int32_t>(Word32());
        if (c == 0xFE) return std::numeric_limits<int>::min() + Byte();
        return std::numeric_limits<int>::max() - Byte();
    }
    // Below 0xF0: (v - 120) / 4, small values around zero. From 0xF0: the next eight bytes as a
    // double; as the dialog and the session file hold finite numbers only, a non-finite one
    // reads as 1.
    double Value() {
        const std::uint8_t v = Byte();
        if (v < 0xF0) return (v - 120) / 4.0;
        std::uint64_t bits = Word32();
        bits |= static_cast<std::uint64_t>(Word32()) << 32;
        double d = 0.0;
        std::memcpy(&d, &bits, sizeof d);
        return std::isfinite(d) ? d : 1.0;
    }
    std::string Title() {
        const int length = Byte() % 16;
        std::string title;
        for (int k = 0; k < length && !Empty(); ++k) title.push_back(static_cast<char>(Byte()));
        return title;
    }

private:
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
};

std::uint32_t NextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

// The picture: none at all (kind 0), noise (1), or bars of random colours across (2) or down (3)
// the picture, each 1..8 pixels wide. Bars give flat runs and ties for the edge rules, noise
// gives steps everywhere.
struct Picture {
    std::vector<std::uint32_t> pixels;
    PixelView view;

    explicit Picture(Reader& in) {
        const int width = 1 + in.Byte() % 64;
        const int height = 1 + in.Byte() % 48;
        const int kind = in.Byte() % 4;
        const std::uint8_t seed = in.Byte();
        if (kind == 0) return;
        std::uint32_t state = 0x9E3779B9u ^ seed;
        const int bar = 1 + (seed & 7);
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        std::vector<std::uint32_t> colours(64);
        for (auto& c : colours) c = NextRandom(state);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t c = 0;
                if (kind == 1) c = NextRandom(state);
                if (kind == 2) c = colours[static_cast<std::size_t>(x / bar)];
                if (kind == 3) c = colours[static_cast<std::size_t>(y / bar)];
                pixels[static_cast<std::size_t>(y * width + x)] = 0xFF000000u | c;
            }
        }
        view = {reinterpret_cast<const std::uint8_t*>(pixels.data()), width, height, width * 4};
    }
};

bool SameSamples(const ProfileBuffer& a, const ProfileBuffer& b, int count) {
    const auto bytes = static_cast<std::size_t>(count + 1) * sizeof(int);
    return a.m_nLastSample == b.m_nLastSample &&
           std::memcmp(a.m_nRed.data(), b.m_nRed.data(), bytes) == 0 &&
           std::memcmp(a.m_nGreen.data(), b.m_nGreen.data(), bytes) == 0 &&
           std::memcmp(a.m_nBlue.data(), b.m_nBlue.data(), bytes) == 0;
}

enum Op {
    kAddImage,
    kRemoveImage,
    kAddLine,
    kReshapeLine,
    kRemoveLine,
    kMoveImage,
    kSort,
    kCalibrate,
    kCursor,
    kDetect,
    kValues,
    kDataFile,
    kRemoveAll,
    kProfile,
    kHitTest,
    kOpCount
};

// Faults in the bookkeeping show with a few records and lines; more only slow every step, since
// the invariants are checked over all of them after each one.
constexpr int kMaxRecords = 8;
constexpr int kMaxLines = 16;

// The buffers are large; one set for the whole run.
ProfileBuffer g_buffer;
ProfileBuffer g_check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const Picture picture(in);
    const PixelView& pixels = picture.view;
    CDataProfile profile;
    g_buffer = {};

    while (!in.Empty()) {
        const int n = profile.GetSize();
        const int lineCount = n > 0 ? profile.GetArray(0, 0)->GetSize() : 0;
        switch (in.Byte() % kOpCount) {
            case kAddImage: {
                const std::string title = in.Title();
                if (n < kMaxRecords) profile.AddImage(title, "p");
                break;
            }
            case kRemoveImage:
                profile.RemoveImage(in.Index(n));
                break;
            case kAddLine: {  // a line drawn on every image, as the view adds it
                const int x1 = in.Coordinate(), y1 = in.Coordinate(), x2 = in.Coordinate(),
                          y2 = in.Coordinate();
                const bool detect = in.Bool();
                if (lineCount == kMaxLines) break;
                for (auto& series : profile.m_arSeries) {
                    series->AddLine(0, x1, y1, x2, y2);
                    CScanArray* lines = series->GetAt(0);
                    lines->GetAt(lines->GetSize() - 1)->m_bDetect = detect;
                }
                break;
            }
            case kReshapeLine: {
                const int line = in.Index(lineCount);
                const int x1 = in.Coordinate(), y1 = in.Coordinate(), x2 = in.Coordinate(),
                          y2 = in.Coordinate();
                const bool exists = line >= 0 && line < lineCount && n > 0;
                Check(profile.ReshapeLine(line, x1, y1, x2, y2) == exists);
                break;
            }
            case kRemoveLine:
                profile.RemoveLine(in.Index(lineCount));
                break;
            case kMoveImage: {
                const int record = in.Index(n);
                const int dir = in.Byte() % 5 - 2;
                const bool moves = (dir == -1 && record >= 1 && record < n) ||
                                   (dir == 1 && record >= 0 && record < n - 1);
                Check(profile.MoveImage(record, dir) == moves);
                break;
            }
            case kSort:
                profile.SortByTitle();
                for (int i = 1; i < n; ++i) {
                    Check(CompareTitles(profile.GetSeries(i - 1)->m_strTitle,
                                        profile.GetSeries(i)->m_strTitle) <= 0);
                }
                break;
            case kCalibrate: {
                const int record = in.Index(n);
                const int which = in.Byte() % 3;
                const int xPixel = in.Coordinate(), yPixel = in.Coordinate();
                const double xValue = in.Value(), yValue = in.Value();
                const std::uint8_t logs = in.Byte();
                if (CDataAxis* axis = profile.GetAxis(record)) {
                    CData& point = which == 0   ? axis->m_origin
                                   : which == 1 ? axis->m_xAxis
                                                : axis->m_yAxis;
                    point = {xValue, yValue, xPixel, yPixel};
                    axis->m_bLogX = (logs & 1) != 0;
                    axis->m_bLogY = (logs & 2) != 0;
                }
                break;
            }
            case kCursor: {
                const int record = in.Index(n);
                const int line = in.Index(lineCount);
                const int how = in.Byte() % 3;
                const int pos = in.Coordinate();
                if (CScan* scan = profile.GetLine(record, 0, line)) {
                    if (how == 0) scan->Next();
                    if (how == 1) scan->Prev();
                    if (how == 2) scan->SetPos(pos);
                }
                break;
            }
            case kDetect: {
                const int record = in.Index(n);
                const int line = in.Index(lineCount);
                const int channel = in.Byte() % 5;
                const int mode = in.Byte() % 5;
                if (CScan* scan = profile.GetLine(record, 0, line)) scan->m_bDetect = true;
                const CScanArray* lines = profile.GetArray(record, 0);
                std::vector<bool> pending;
                if (lines != nullptr) {
                    for (const auto& l : lines->m_arLine) pending.push_back(l->m_bDetect);
                }
                const int detected =
                    DetectPending(profile, record, 0, pixels, channel, mode, g_buffer);
                Check(g_buffer.m_nLastSample >= -1 && g_buffer.m_nLastSample < g_buffer.Size());
                int expected = 0;
                for (std::size_t k = 0; k < pending.size(); ++k) {
                    const CScan& l = *lines->m_arLine[k];
                    if (!pending[k]) {
                        Check(!l.m_bDetect);
                        continue;
                    }
                    Check(l.m_bDetect == pixels.IsNull());
                    if (pixels.IsNull()) continue;
                    ++expected;
                    // The batch detection samples the stored walk; it must find the same edge
                    // as the interactive one, which walks the end points afresh.
                    SampleScan(pixels, l, g_check);
                    Check(l.m_nPos == FindEdge(g_check, l.m_nCount, channel, mode));
                }
                Check(detected == expected);
                break;
            }
            case kValues: {
                const int record = in.Index(n);
                const int line = in.Index(lineCount);
                const double x = profile.GetValueX(record, 0, line);
                const double y = profile.GetValueY(record, 0, line);
                if (!profile.IsAxisValid(record)) Check(x == 0.0 && y == 0.0);
                const CScan* scan = profile.GetLine(record, 0, line);
                const CPoint cur = profile.GetCurPoint(record, 0, line);
                Check(cur == (scan != nullptr ? scan->m_ptCur : CPoint{}));
                if (const CScanSeries* series = profile.GetSeries(record)) {
                    Check(series->GetCurPoint(0, line) == cur);
                    Check(series->GetCurPoint(1, line) == CPoint{});
                }
                break;
            }
            case kDataFile: {
                const std::uint8_t flags = in.Byte();
                const auto bytes = BuildDataFile(profile, (flags & 1) != 0, (flags & 2) != 0);
                Check(bytes.has_value() == (n > 0 && lineCount > 0));
                if (bytes) {
                    for (const char c : *bytes) Check(static_cast<unsigned char>(c) < 0x80);
                }
                break;
            }
            case kRemoveAll:
                profile.RemoveAll();
                Check(profile.GetSize() == 0 && profile.m_arAxis.empty());
                break;
            case kProfile: {  // the profile graph of a line
                const int record = in.Index(n);
                const int line = in.Index(lineCount);
                const int channel = in.Byte() % 5;
                if (const CScan* scan = profile.GetLine(record, 0, line)) {
                    SampleScan(pixels, *scan, g_buffer);
                    g_check = g_buffer;
                    SampleLine(pixels, scan->m_ptStart.x, scan->m_ptStart.y, scan->m_ptEnd.x,
                               scan->m_ptEnd.y, g_check);
                    Check(SameSamples(g_buffer, g_check, scan->m_nCount));
                    if (!pixels.IsNull()) Check(g_buffer.m_nLastSample == scan->m_nCount);
                    for (int i = 0; i <= scan->m_nCount; ++i) {
                        const int v = GetBrightness(g_buffer, i, channel);
                        Check(v >= 0 && v <= 255);
                    }
                }
                Check(GetBrightness(g_buffer, -1, channel) == 0);
                Check(GetBrightness(g_buffer, g_buffer.Size(), channel) == 0);
                break;
            }
            case kHitTest: {  // a click on the image: the line ends, the lines, the axis points
                const int record = in.Index(n);
                const int x = in.Coordinate(), y = in.Coordinate();
                const int r = in.Byte() % 16;
                const CPoint p{x, y};
                Check(PointInCircle(p, r, p) == (r > 0));
                if (const CScanArray* lines = profile.GetArray(record, 0)) {
                    for (const auto& l : lines->m_arLine) {
                        (void)PointInCircle(l->m_ptStart, r, p);
                        (void)PointInCircle(l->m_ptEnd, r, p);
                        (void)PointInPolygon(LineBand(l->m_ptStart, l->m_ptEnd, r), p);
                    }
                }
                if (const CDataAxis* axis = profile.GetAxis(record)) {
                    for (const CData* point : {&axis->m_origin, &axis->m_xAxis, &axis->m_yAxis}) {
                        (void)PointInCircle({point->m_xPixel, point->m_yPixel}, r, p);
                    }
                }
                break;
            }
            default:
                break;
        }
        CheckInvariants(profile);
    }
    return 0;
}
