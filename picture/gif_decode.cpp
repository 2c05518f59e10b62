// SPDX-License-Identifier: GPL-3.0-or-later
// The first frame of a GIF: its blocks through giflib, its LZW codes here. Only the plain case is
// taken: a frame that covers the whole logical screen, with a colour table and without a
// transparent colour. Then every pixel is its colour table entry and nothing of Qt's handling of
// background, transparency or disposal comes into it, so the pixels are Qt's. The rest goes to
// Qt. The codes are decoded by the rules of the completeness check, in the same pass that counts
// the pixels: a frame whose codes fail it is declined, and Qt's path then says why.

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "picture/direct_decode.h"
#include "picture/gif_codes.h"

namespace {

struct Source {
    const unsigned char* at;
    const unsigned char* end;
};

int ReadBytes(GifFileType* file, GifByteType* into, int wanted) {
    auto* source = static_cast<Source*>(file->UserData);
    const auto left = static_cast<int>(std::min<qint64>(wanted, source->end - source->at));
    std::memcpy(into, source->at, static_cast<std::size_t>(left));
    source->at += left;
    return left;
}

class GifFile {
public:
    explicit GifFile(Source& source) {
        int error = 0;
        m_file = DGifOpen(&source, ReadBytes, &error);
    }
    ~GifFile() {
        if (m_file != nullptr) DGifCloseFile(m_file, nullptr);
    }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    GifFileType* get() const { return m_file; }

private:
    GifFileType* m_file = nullptr;
};

// Skips an extension; false when the file is not plain: a transparent colour before the frame,
// or a read error.
bool SkipExtension(GifFileType* file) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(file, &code, &block) == GIF_ERROR) return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4 && (block[1] & 1)) {
        return false;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(file, &block) == GIF_ERROR) return false;
    }
    return true;
}

// The rows of an interlaced frame come in four passes: every eighth from 0, every eighth from
// 4, every fourth from 2, every second from 1.
constexpr std::array<int, 4> kPassStart{0, 4, 2, 1};
constexpr std::array<int, 4> kPassStep{8, 8, 4, 2};

// Decodes the LZW codes at `at` into `wanted` colour indices in the order stored; false when a
// code is invalid or the codes end first. Each code's string is written backwards from its last
// pixel along the table's prefixes; `out` has room for a string that runs past the last pixel.
bool DecodeIndices(const QByteArray& data, qsizetype at, int minCodeSize, std::size_t wanted,
                   std::vector<unsigned char>& out) {
    constexpr int kMaxCodes = 4096;  // codes are at most 12 bits wide
    if (minCodeSize < 1 || minCodeSize > 11) return false;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint16_t, kMaxCodes> length{};
    std::array<unsigned char, kMaxCodes> suffix{};
    std::array<unsigned char, kMaxCodes> first{};  // the first pixel of each code's string
    for (int c = 0; c < clear; ++c) {
        length[static_cast<std::size_t>(c)] = 1;
        first[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c);
    }
    out.resize(wanted + kMaxCodes);
    GifCodeReader reader(data, at);
    int width = minCodeSize + 1;
    int next = end + 1;  // the entry the next code adds
    int previous = -1;   // none right after a clear code
    std::size_t pixels = 0;
    for (;;) {
        const int code = reader.Next(width);
        if (code < 0 || code == end) return false;
        if (code == clear) {
            width = minCodeSize + 1;
            next = end + 1;
            previous = -1;
            continue;
        }
        const auto c = static_cast<std::size_t>(code);
        if (previous < 0) {
            if (code > clear) return false;  // nothing in the table yet
        } else {
            if (code > next) return false;
            // The previous string and one pixel more: the first of this code's string, or of
            // the previous one for the code that names the very entry being added.
            if (next < kMaxCodes) {
                const auto n = static_cast<std::size_t>(next);
                const auto p = static_cast<std::size_t>(previous);
                prefix[n] = static_cast<std::uint16_t>(previous);
                suffix[n] = first[code == next ? p : c];
                first[n] = first[p];
                length[n] = static_cast<std::uint16_t>(length[p] + 1);
                if (++next == 1 << width && width < 12) ++width;
            }
        }
        unsigned char* to = out.data() + pixels + length[c];
        std::size_t k = c;
        while (k >= static_cast<std::size_t>(clear)) {
            *--to = suffix[k];
            k = prefix[k];
        }
        *--to = static_cast<unsigned char>(k);
        pixels += length[c];
        if (pixels >= wanted) return true;
        previous = code;
    }
}

// Whether the frame's data sub-blocks from `at` reach their terminator within the file.
bool BlocksEnd(const QByteArray& data, qsizetype at) {
    while (at < data.size()) {
        const auto length = static_cast<unsigned char>(data[at]);
        if (length == 0) return true;
        at += 1 + length;
    }
    return false;
}

// Puts the frame's indices into `pixels` through the colour table; false for an index past the
// end of the table, whose colour Qt decides.
bool PutRows(const GifImageDesc& frame, const ColorMapObject& map,
             const std::vector<unsigned char>& indices, std::uint32_t* pixels) {
    const int width = frame.Width;
    const int height = frame.Height;
    std::array<std::uint32_t, 256> colours{};
    std::array<bool, 256> known{};
    for (int i = 0; i < map.ColorCount && i < 256; ++i) {
        const GifColorType& c = map.Colors[i];
        colours[static_cast<std::size_t>(i)] = 0xFF000000u | std::uint32_t{c.Red} << 16 |
                                               std::uint32_t{c.Green} << 8 | c.Blue;
        known[static_cast<std::size_t>(i)] = true;
    }
    const unsigned char* from = indices.data();
    const auto putRow = [&](int y) {
        std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        bool valid = true;
        for (int x = 0; x < width; ++x) {
            const unsigned char index = from[x];
            valid &= known[index];
            row[x] = colours[index];
        }
        from += width;
        return valid;
    };
    bool valid = true;
    if (frame.Interlace) {
        for (std::size_t pass = 0; pass < kPassStart.size(); ++pass) {
            for (int y = kPassStart[pass]; y < height; y += kPassStep[pass]) valid &= putRow(y);
        }
    } else {
        for (int y = 0; y < height; ++y) valid &= putRow(y);
    }
    return valid;
}

}  // namespace

DirectDecode DecodeGif(const QByteArray& data, CPixelBuffer& buffer) {
    Source source{reinterpret_cast<const unsigned char*>(data.constData()),
                  reinterpret_cast<const unsigned char*>(data.constData()) + data.size()};
    const GifFile gif(source);
    GifFileType* file = gif.get();
    if (file == nullptr) return {};
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(file, &type) == GIF_ERROR) return {};
        if (type == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(file)) return {};
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) return {};
        break;
    }
    if (DGifGetImageDesc(file) == GIF_ERROR) return {};
    const GifImageDesc& frame = file->Image;
    if (frame.Left != 0 || frame.Top != 0 || frame.Width != file->SWidth ||
        frame.Height != file->SHeight || frame.Width <= 0 || frame.Height <= 0) {
        return {};
    }
    if (TooLargeFault(frame.Width, frame.Height)) return {};
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : file->SColorMap;
    if (map == nullptr) return {};
    DirectDecode result;
    result.width = frame.Width;
    result.height = frame.Height;
    std::uint32_t* pixels = buffer.Prepare(result.width, result.height);
    if (pixels == nullptr) {
        result.outcome = DirectDecode::Outcome::OutOfMemory;
        return result;
    }
    // giflib has read the frame's code size; its data blocks follow. Damaged files are refused
    // by Qt's path, with the same checks and words as ever.
    const qsizetype codes = source.at - reinterpret_cast<const unsigned char*>(data.constData());
    std::vector<unsigned char> indices;
    if (codes < 1 || !BlocksEnd(data, codes) ||
        !DecodeIndices(data, codes, source.at[-1],
                       static_cast<std::size_t>(frame.Width) * static_cast<std::size_t>(frame.Height),
                       indices) ||
        !PutRows(frame, *map, indices, pixels)) {
        return {};
    }
    result.outcome = DirectDecode::Outcome::Decoded;
    return result;
}
