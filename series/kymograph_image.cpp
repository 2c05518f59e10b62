// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/kymograph_image.h"

#include <QBuffer>
#include <QImageWriter>
#include <cstring>

QImage KymographImage(const CKymograph& kymograph) {
    const int width = kymograph.Samples();
    const int height = kymograph.Entries();
    if (width <= 0 || height <= 0) return {};
    QImage image(width, height,
                 kymograph.Wide() ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    if (image.isNull()) return image;
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        std::memset(line, 0, static_cast<std::size_t>(image.bytesPerLine()));
        const KymoRow& row = kymograph.Row(y);
        if (row.state != KymoRow::State::Ok) continue;
        const int count = std::min(row.Count(), width);
        if (!kymograph.Wide()) {
            std::memcpy(line, row.bytes.data(), static_cast<std::size_t>(count));
            continue;
        }
        auto* out = reinterpret_cast<quint16*>(line);
        for (int x = 0; x < count; ++x) out[x] = static_cast<quint16>(kymograph.ScaledValue(y, x));
    }
    return image;
}

QByteArray EncodeKymographImage(const QImage& image, const char* format) {
    QByteArray bytes;
    if (image.isNull()) return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) bytes.clear();
    return bytes;
}
