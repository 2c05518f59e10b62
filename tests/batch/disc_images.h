// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

// A light picture of 120 x 100 pixels with a dark disc of the given radius around (60, 50).
// A scan line from the centre outwards finds, by the steepest rise, the index `radius`.
inline QImage MakeDisc(int radius) {
    QImage image(120, 100, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int dx = x - 60;
            const int dy = y - 50;
            const bool dark = dx * dx + dy * dy <= radius * radius;
            image.setPixel(x, y, dark ? qRgb(20, 30, 40) : qRgb(230, 220, 210));
        }
    }
    return image;
}

// Saves the disc as BMP or, for a name ending in .jpg, as a high-quality JPEG.
inline bool SaveDisc(const QString& path, int radius) {
    const bool jpeg = path.endsWith(QLatin1String(".jpg"));
    return MakeDisc(radius).save(path, jpeg ? "JPEG" : "BMP", jpeg ? 98 : -1);
}
