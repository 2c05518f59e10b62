// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the whole and the partial decoding of a TIFF page share: the checks of a page before any
// pixel is read, and the reading of its strips or tiles as stored into the rows of a picture.

#include <QImage>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/direct_decode.h"
#include "picture/tiff_page.h"

class CTiffFile;
class PixelRegion;

// The kinds of page, by the format Qt's reader gives for them. Rgb8 is 8-bit RGB without extra
// samples, which Qt reads through libtiff's RGBA reader (as ViaRgba) and which gives there
// exactly its stored samples; it is read as stored.
enum class TiffKind { Grey8, Indexed8, Grey16, Rgb48, Rgba64, Rgb8, ViaRgba };

DirectDecode TiffOutcome(DirectDecode::Outcome outcome, PictureFault fault = {});
// Declined: a kind of page not read here.
DirectDecode TiffNotRead(const QString& what);
// Failed with libtiff's first error since the last one taken, or `what`.
DirectDecode TiffDamaged(CTiffFile& file, const char* what);

// Reads the current page's fields and checks the whole page (size, kind, tiles, then every strip
// or tile in the file) before any pixel is read. False with the refusal in `refused`.
bool OpenTiffPage(CTiffFile& file, TiffPage& p, TiffKind& kind, DirectDecode& refused);

// Whether an alpha channel of the page reaches Qt premultiplied.
bool TiffPremultiplied(CTiffFile& file, const TiffPage& p);

// A strip or tile as pixels of the page: columns from x, rows from y.
struct TiffBlock {
    std::uint32_t x, y, columns, rows;
};

// The strips or tiles read of a page, of all it has (each plane's counted apart).
struct TiffBlockCount {
    std::size_t read = 0;
    std::size_t total = 0;
};

// The rows of a page of a stored kind (not ViaRgba) in the memory of a pixel buffer.
struct TiffRows {
    unsigned char* bits = nullptr;
    std::ptrdiff_t stride = 0;
    QImage::Format format = QImage::Format_RGB32;  // as read, before alpha goes
    QImage::Format held = QImage::Format_RGB32;    // as a picture keeps it
    std::vector<TiffBlock> read;                   // those read, when only a region's are
    TiffBlockCount count;
};

// Reads the page's strips or tiles, all of them or those holding a pixel of `region`, into
// `pixels` as the format `rows.format` has them. Decoded, or why not (libtiff's errors fail it).
DirectDecode ReadTiffRows(CTiffFile& file, const TiffPage& p, TiffKind kind, CPixelBuffer& pixels,
                          const PixelRegion* region, TiffRows& rows);
