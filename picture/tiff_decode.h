// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include "model/pixel_request.h"
#include "model/sampling.h"
#include "picture/direct_decode.h"

class CTiffFile;
struct TiffBlockCount;

// Decodes the current page of `file` into the memory of `pixels`; `image` then holds it in the
// format a picture keeps (RGB32, or Grayscale16 and RGBX64 for 16-bit samples) with exactly the
// values Qt's TIFF reader and the conversion to that format give for the same page. The page is
// checked as Qt's path checks a whole file (compression, strips or tiles wholly in the file,
// uncompressed ones holding all their rows) and any error libtiff reports fails it.
//
// Declined, with a fault that names it, for the kinds of page not read here: fewer than 8 or more
// than 16 bits a sample, floating point, CMYK and other colour spaces, 16-bit colour in separate
// planes, tiles of a size the format does not allow.
DirectDecode DecodeTiffPage(CTiffFile& file, CPixelBuffer& pixels, QImage& image);

// Decodes of the current page of `file` only the strips or tiles holding a pixel of the region
// that `request` gives on the page; `part` then views the page's rows in the format
// DecodeTiffPage's image would have (RGB32, Grayscale16 as PixelFormat::Grey16, RGBX64 as
// PixelFormat::Rgba64), in the memory of `pixels`, where every pixel of the region holds exactly
// the value the whole decode gives and the others are undefined. The whole page is checked as
// DecodeTiffPage checks it before anything is read, so a page damaged where the region does not
// reach is refused all the same, with the same fault; libtiff's errors in what is read fail it.
//
// Declined (nothing read, `part` null) for a page it cannot read in part, which the whole decode
// then reads: those read through libtiff's RGBA reader (grey with alpha, 8-bit RGBA, 16-bit grey
// stored white as zero), and whatever the whole decode declines. `count`, if
// given, gets how many strips or tiles were read of how many.
DirectDecode DecodeTiffPagePart(CTiffFile& file, CPixelBuffer& pixels, const PixelRequest& request,
                                PixelView& part, TiffBlockCount* count = nullptr);

// The current page for a measurement that reads what `request` names (null: everything): in
// part where the page's kind allows (`part` set), whole otherwise (`image` set). A page that
// fails in part fails with the whole decode's fault, and is not read again whole.
DirectDecode DecodeTiffPageFor(CTiffFile& file, CPixelBuffer& pixels, const PixelRequest* request,
                               QImage& image, PixelView& part);
