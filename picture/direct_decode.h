// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include "model/pixel_request.h"
#include "model/sampling.h"
#include "picture/picture_checks.h"
#include "picture/pixel_buffer.h"

// Decoders that write a file's pixels straight into the 32-bit rows of a CPixelBuffer, for the
// kinds of picture that series are made of. Each gives exactly the pixels that Qt's reader
// gives for the same bytes, and declines whatever it does not cover, which then goes to Qt.

struct DirectDecode {
    enum class Outcome {
        Declined,     // not a kind this decoder reads: nothing was written, let Qt decode it
        Decoded,      // width x height pixels are in the buffer
        Failed,       // not a whole picture: the fault says why
        OutOfMemory,  // a whole picture, but the buffer could not hold it
    };
    Outcome outcome = Outcome::Declined;
    PictureFault fault;
    int width = 0;
    int height = 0;
};

// JPEG in grey, YCbCr or RGB, through libjpeg-turbo with the accurate DCT and smooth
// upsampling, as Qt decodes it. Every warning of the decoder fails the picture.
DirectDecode DecodeJpeg(const QByteArray& data, CPixelBuffer& buffer);
// The same, decoding only the rows and columns that hold a pixel `request` may read, where the
// picture allows it: `part` then views the picture's rows, where those pixels are exactly the
// whole decode's and the others undefined. The checks are the whole decode's, over the whole
// file. A progressive picture is decoded whole, `part` null.
DirectDecode DecodeJpegPart(const QByteArray& data, CPixelBuffer& buffer,
                            const PixelRequest& request, PixelView& part);

// Uncompressed 24-bit BMP; every other kind is declined.
DirectDecode DecodeBmp24(const QByteArray& data, CPixelBuffer& buffer);

// The first frame of a GIF that covers its whole screen without transparency, through giflib;
// every other kind, and anything giflib stumbles on, is declined.
DirectDecode DecodeGif(const QByteArray& data, CPixelBuffer& buffer);
