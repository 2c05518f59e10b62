// The first frame of a GIF through giflib. Only the plain case is taken: a frame that covers
// the whole logical screen, with a colour table and without a transparent colour. Then every
// pixel is its colour table entry and nothing of Qt's handling of background, transparency
// or disposal comes into it, so the pixels are Qt's. The rest goes to Qt.

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "picture/direct_decode.h"

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

// Reads the frame's rows into `pixels`; false on any trouble, including an index past the end
// of the colour table, whose colour Qt decides.
bool ReadFrame(GifFileType* file, const ColorMapObject& map, std::uint32_t* pixels) {
    const int width = file->Image.Width;
    const int height = file->Image.Height;
    std::array<std::uint32_t, 256> colours{};
    std::array<bool, 256> known{};
    for (int i = 0; i < map.ColorCount && i < 256; ++i) {
        const GifColorType& c = map.Colors[i];
        colours[static_cast<std::size_t>(i)] = 0xFF000000u | std::uint32_t{c.Red} << 16 |
                                               std::uint32_t{c.Green} << 8 | c.Blue;
        known[static_cast<std::size_t>(i)] = true;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    const auto readRow = [&](int y) {
        if (DGifGetLine(file, line.data(), width) == GIF_ERROR) return false;
        std::uint32_t* row = pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        bool valid = true;
        for (int x = 0; x < width; ++x) {
            const GifPixelType index = line[static_cast<std::size_t>(x)];
            valid &= known[index];
            row[x] = colours[index];
        }
        return valid;
    };
    if (file->Image.Interlace) {
        for (std::size_t pass = 0; pass < kPassStart.size(); ++pass) {
            for (int y = kPassStart[pass]; y < height; y += kPassStep[pass]) {
                if (!readRow(y)) return false;
            }
        }
        return true;
    }
    for (int y = 0; y < height; ++y) {
        if (!readRow(y)) return false;
    }
    return true;
}

}  // namespace

DirectDecode DecodeGif(const QByteArray& data, CPixelBuffer& buffer) {
    // Damaged files are refused by Qt's path, with the same checks and words as ever.
    if (CheckGifComplete(data)) return {};
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
    if (!ReadFrame(file, *map, pixels)) return {};
    result.outcome = DirectDecode::Outcome::Decoded;
    return result;
}
