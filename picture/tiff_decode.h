// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include "picture/direct_decode.h"

class CTiffFile;

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
