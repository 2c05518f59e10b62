// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG through libjpeg's own interface, so that the decoder writes 32-bit rows in Qt's RGB32
// layout itself (JCS_EXT_BGRX sets the filler byte to 0xFF, as Qt's opaque pixels have it)
// instead of rows of 24 bits that are converted afterwards, and so that each warning reaches
// us directly rather than through Qt's log.

#include <QCoreApplication>
#include <algorithm>
#include <utility>
#include <vector>
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs the size types of stdio.h declared first.
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

#include "picture/direct_decode.h"
#include "picture/picture.h"

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
    char message[JMSG_LENGTH_MAX];
    bool warned;
};

[[noreturn]] void Escape(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->escape, 1);
}

void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    if (!errors->warned) errors->base.format_message(info, errors->message);
    Escape(info);
}

// Level -1 is a warning: damaged data the decoder would paper over. Qt's reader lets the decode
// go on and we refuse the picture afterwards; stopping at once gives the same verdict sooner.
void EmitMessage(j_common_ptr info, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    errors->base.format_message(info, errors->message);
    errors->warned = true;
    Escape(info);
}

void OutputMessage(j_common_ptr) {}

enum class Step { Decoded, Declined, Failed, TooLarge, OutOfMemory };

// The rows [first, end) a partial decode reads, from the top.
struct RowSpan {
    int first;
    int end;
};

// Where a picture's pixels are to be, and which of them: the whole picture, or the rows and the
// columns a region needs.
struct Target {
    CPixelBuffer& buffer;
    const PixelRequest* request = nullptr;  // null: the whole picture
    std::uint32_t* pixels = nullptr;        // set when only part of it was decoded
    // Made here, outside the calls that libjpeg may jump out of, so that no jump skips their
    // destructors.
    PixelRegion region;
    std::vector<RowSpan> spans;
};

// The rows of the region's cells, each span begun one iMCU row early so that the upsampler's
// context above the first needed row is the whole decode's, and spans closer than two iMCU
// rows read through rather than skipped.
void SpansOf(const PixelRegion& region, int mcuRows, std::vector<RowSpan>& spans) {
    spans.clear();
    for (const PixelRegion::Run& run : region.Runs()) {
        const int first = std::max(0, (run.row * PixelRegion::kCellHeight / mcuRows - 1) * mcuRows);
        const int end = std::min(region.Height(), (run.row + 1) * PixelRegion::kCellHeight);
        if (!spans.empty() && first <= spans.back().end + 2 * mcuRows) {
            spans.back().end = std::max(spans.back().end, end);
        } else {
            spans.push_back({first, end});
        }
    }
    // The last row is always read: skipping to the end would leave the tail's data unread.
    spans.push_back({region.Height() - 1, region.Height()});
}

// The columns of the region's cells, widened by one iMCU column on each side so that the
// upsampler reads at the crop's inner pixels what it reads in the whole picture.
std::pair<int, int> ColumnsOf(const PixelRegion& region, int mcuColumns) {
    int first = region.Width();
    int end = 0;
    for (const PixelRegion::Run& run : region.Runs()) {
        first = std::min(first, run.first * PixelRegion::kCellWidth);
        end = std::max(end, run.end * PixelRegion::kCellWidth);
    }
    if (first >= end) return {0, region.Width()};
    return {std::max(0, first - mcuColumns), std::min(region.Width(), end + mcuColumns)};
}

// Reads `count` rows from the current one into their places in the picture, at column `x`.
void ReadRows(jpeg_decompress_struct& info, std::uint32_t* pixels, int width, int x, int count) {
    JSAMPROW rows[16];
    while (count > 0) {
        const JDIMENSION first = info.output_scanline;
        const int n = std::min(16, count);
        for (int k = 0; k < n; ++k) {
            rows[k] = reinterpret_cast<JSAMPROW>(
                pixels + static_cast<std::size_t>(first + static_cast<JDIMENSION>(k)) *
                             static_cast<std::size_t>(width) +
                static_cast<std::size_t>(x));
        }
        const JDIMENSION got = jpeg_read_scanlines(&info, rows, static_cast<JDIMENSION>(n));
        if (got == 0) return;  // only a suspending source stops; ours never does
        count -= static_cast<int>(got);
    }
}

// Decodes the spans of the region and skips the rest. Skipped rows still go through the entropy
// decoder, which is what finds a cut or damaged file; only their inverse DCT, upsampling and
// colour conversion are saved.
void ReadPart(jpeg_decompress_struct& info, Target& target, std::uint32_t* pixels, int width) {
    const PixelRegion& region = target.region;
    const int mcuRows = info.max_v_samp_factor * DCTSIZE;
    const int mcuColumns = info.max_h_samp_factor * DCTSIZE;
    auto [x0, x1] = ColumnsOf(region, mcuColumns);
    JDIMENSION xOffset = static_cast<JDIMENSION>(x0);
    JDIMENSION cropWidth = static_cast<JDIMENSION>(x1 - x0);
    if (cropWidth < static_cast<JDIMENSION>(width)) jpeg_crop_scanline(&info, &xOffset, &cropWidth);
    const int x = static_cast<int>(xOffset);
    SpansOf(region, mcuRows, target.spans);
    for (const RowSpan& span : target.spans) {
        const int at = static_cast<int>(info.output_scanline);
        if (span.end <= at) continue;
        if (span.first > at) {
            jpeg_skip_scanlines(&info, static_cast<JDIMENSION>(span.first - at));
        }
        ReadRows(info, pixels, width, x, span.end - static_cast<int>(info.output_scanline));
    }
}

// The part that libjpeg may jump out of: only plain data lives here, so that the jump skips no
// destructor.
Step Run(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data,
         Target& target, int& width, int& height) {
    if (setjmp(errors.escape) != 0) {
        // The decoder's own memory (a progressive picture's coefficients, say) ran out: that is
        // no fault of the file.
        return errors.base.msg_code == JERR_OUT_OF_MEMORY ? Step::OutOfMemory : Step::Failed;
    }
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    // CMYK and YCCK need Qt's inversion of Adobe's inverted ink values.
    if (info.jpeg_color_space != JCS_GRAYSCALE && info.jpeg_color_space != JCS_YCbCr &&
        info.jpeg_color_space != JCS_RGB) {
        return Step::Declined;
    }
    width = static_cast<int>(info.image_width);
    height = static_cast<int>(info.image_height);
    if (width <= 0 || height <= 0 || TooLargeFault(width, height)) return Step::TooLarge;
    info.out_color_space = JCS_EXT_BGRX;
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    std::uint32_t* pixels = target.buffer.Prepare(width, height);
    if (pixels == nullptr) return Step::OutOfMemory;
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != 4) {
        return Step::Declined;
    }
    // A progressive picture's coefficients are all decoded before the first row anyway, and
    // its block smoothing reads the blocks around each one: it is decoded whole.
    if (target.request != nullptr && !jpeg_has_multiple_scans(&info)) {
        target.pixels = pixels;
        target.region = PixelRegion(*target.request, width, height);
        ReadPart(info, target, pixels, width);
    } else {
        ReadRows(info, pixels, width, 0, height);
    }
    jpeg_finish_decompress(&info);
    return Step::Decoded;
}

// The decoder's words for a failure: "Premature end of JPEG file" is a cut file, any other
// means data that does not make the picture it announces.
PictureFault Fault(const char* message) {
    const QString reason = QString::fromLatin1(message);
    return reason.contains(QLatin1String("Premature end")) ? CutFault(reason)
                                                           : CorruptFault(reason);
}

}  // namespace

namespace {

DirectDecode Decode(const QByteArray& data, Target& target) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.emit_message = EmitMessage;
    errors.base.output_message = OutputMessage;
    jpeg_create_decompress(&info);
    DirectDecode result;
    const Step step = Run(info, errors, data, target, result.width, result.height);
    jpeg_destroy_decompress(&info);
    switch (step) {
        case Step::Decoded:
            result.outcome = DirectDecode::Outcome::Decoded;
            break;
        case Step::Declined:
            result = {};
            break;
        case Step::Failed:
            result.outcome = DirectDecode::Outcome::Failed;
            result.fault = Fault(errors.message);
            break;
        case Step::TooLarge:
            result.outcome = DirectDecode::Outcome::Failed;
            result.fault = result.width <= 0 || result.height <= 0
                               ? PictureFault{QStringLiteral("the picture has no pixels"),
                                              QCoreApplication::translate(
                                                  "Document", "画像に画素がありません。")}
                               : TooLargeFault(result.width, result.height);
            break;
        case Step::OutOfMemory:
            result.outcome = DirectDecode::Outcome::OutOfMemory;
            break;
    }
    return result;
}

}  // namespace

DirectDecode DecodeJpeg(const QByteArray& data, CPixelBuffer& buffer) {
    Target target{buffer, nullptr, nullptr, {}, {}};
    return Decode(data, target);
}

DirectDecode DecodeJpegPart(const QByteArray& data, CPixelBuffer& buffer,
                            const PixelRequest& request, PixelView& part) {
    Target target{buffer, &request, nullptr, {}, {}};
    DirectDecode result = Decode(data, target);
    part = {};
    if (target.pixels != nullptr && result.outcome == DirectDecode::Outcome::Decoded) {
        part = {reinterpret_cast<const std::uint8_t*>(target.pixels), result.width, result.height,
                static_cast<std::ptrdiff_t>(result.width) * 4, PixelFormat::Rgb32};
    }
    return result;
}
