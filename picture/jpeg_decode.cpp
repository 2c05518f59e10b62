// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG through libjpeg's own interface, so that the decoder writes 32-bit rows in Qt's RGB32
// layout itself (JCS_EXT_BGRX sets the filler byte to 0xFF, as Qt's opaque pixels have it)
// instead of rows of 24 bits that are converted afterwards, and so that each warning reaches
// us directly rather than through Qt's log.

#include <QCoreApplication>
#include <algorithm>
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

// The part that libjpeg may jump out of: only plain data lives here, so that the jump skips no
// destructor.
Step Run(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data,
         CPixelBuffer& buffer, int& width, int& height) {
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
    std::uint32_t* pixels = buffer.Prepare(width, height);
    if (pixels == nullptr) return Step::OutOfMemory;
    jpeg_start_decompress(&info);
    if (info.output_width != info.image_width || info.output_height != info.image_height ||
        info.output_components != 4) {
        return Step::Declined;
    }
    JSAMPROW rows[16];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
        for (JDIMENSION k = 0; k < count; ++k) {
            rows[k] = reinterpret_cast<JSAMPROW>(pixels + static_cast<std::size_t>(first + k) *
                                                              static_cast<std::size_t>(width));
        }
        jpeg_read_scanlines(&info, rows, count);
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

DirectDecode DecodeJpeg(const QByteArray& data, CPixelBuffer& buffer) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.emit_message = EmitMessage;
    errors.base.output_message = OutputMessage;
    jpeg_create_decompress(&info);
    DirectDecode result;
    const Step step = Run(info, errors, data, buffer, result.width, result.height);
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
