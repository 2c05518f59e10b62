// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

#include "model/kymograph.h"

// The kymograph as a grey picture, one pixel a sample and one row an entry: Grayscale16 when any
// row holds 16-bit samples (8-bit rows then times 257, exactly their place on 0..65535), else
// Grayscale8. Pixels without a value (an entry without a row, samples past a shorter row) are
// black. A null image when there is no memory for it.
QImage KymographImage(const CKymograph& kymograph);

// The picture as the bytes of a PNG or TIFF file (`format` "PNG" or "TIFF"); empty on failure.
QByteArray EncodeKymographImage(const QImage& image, const char* format);
