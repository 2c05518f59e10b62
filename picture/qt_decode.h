// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

#include "picture/picture_checks.h"
#include "picture/pixel_buffer.h"

// Decoding through Qt's image readers, for every kind of picture the direct decoders decline:
// PNG and TIFF always, and the unusual BMP, GIF and JPEG files.

// The format a picture of Qt's `format` is held in: 16-bit grey stays Grayscale16, every other
// picture of more than 8 bits a channel becomes RGBX64 (alpha dropped, as Qt drops it when it
// makes RGB32 of an 8-bit picture), and everything else RGB32.
QImage::Format HeldFormat(QImage::Format format);

// The bytes a held picture of this format takes per pixel, with the 32-bit copy for the screen
// that a picture of 16-bit samples keeps beside its own.
int HeldBytesPerPixel(QImage::Format format);

// Decodes the first picture of the bytes into `image`, in the format Qt's reader gives; returns
// why it cannot, or no fault. A PNG or TIFF whose pixels Qt gives in their held format is read
// straight into the memory of `pixels`.
PictureFault DecodeWithQt(const QByteArray& data, CPixelBuffer& pixels, QImage& image);
