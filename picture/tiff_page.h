// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <tiff.h>

#include <cstdint>

#include "picture/picture_checks.h"

class CTiffFile;

// The fields of a TIFF page that say how it is stored, with the format's defaults.
struct TiffPage {
    std::uint32_t width = 0, height = 0;
    std::uint16_t photometric = 0, bits = 1, samples = 1, sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    bool tiled = false;
};

// The page's structure as Qt's path checks a whole file's: a compression whose decoder fails on
// damaged data, strips or tiles that lie wholly in the file by the byte counts the file stores,
// uncompressed ones with all their rows. No fault when it is whole.
PictureFault CheckTiffPage(CTiffFile& file, const TiffPage& p);
