// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Series of picture files for the decoding benchmarks: JPEG as Qt writes it, 24-bit BMP and
// GIF with real LZW data, all of one textured scene with a disc that moves from file to file.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace series_files {

// A dark disc on a shaded ground with a fine texture, so the JPEG data is that of a real
// photograph rather than of flat areas.
inline QImage Scene(int width, int height, int k) {
    QImage image(width, height, QImage::Format_RGB32);
    const int cx = width / 2 + (k % 13) * 9 - 54;
    const int cy = height / 2 + (k % 7) * 11 - 33;
    const int r = height / 4 + (k * 37) % (height / 6);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int dx = x - cx;
            const int dy = y - cy;
            const int texture = ((x * 7) ^ (y * 13) ^ k) & 15;
            row[x] = dx * dx + dy * dy <= r * r
                         ? qRgb(30 + texture, 40 + texture, 60)
                         : qRgb(180 + texture + y * 40 / height, 170 + texture,
                                150 + x * 40 / width);
        }
    }
    return image;
}

inline void Put16(QByteArray& out, unsigned v) {
    out.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8 & 0xFF));
}

inline void Put32(QByteArray& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The scene in 16 grey-blue levels for GIF: runs of equal pixels, as in drawn or thresholded
// pictures, with the texture breaking them up.
inline std::vector<unsigned char> Indices(const QImage& image) {
    std::vector<unsigned char> indices(static_cast<std::size_t>(image.width()) * image.height());
    std::size_t k = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) indices[k++] = static_cast<unsigned char>(qGreen(row[x]) >> 4);
    }
    return indices;
}

// The scene in 256 colours: every level of a weighted sum of the channels, as a photograph
// reduced to a palette gives them.
inline std::vector<unsigned char> Indices256(const QImage& image) {
    std::vector<unsigned char> indices(static_cast<std::size_t>(image.width()) * image.height());
    std::size_t k = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            indices[k++] = static_cast<unsigned char>(qRed(row[x]) + 2 * qGreen(row[x]) + qBlue(row[x]));
        }
    }
    return indices;
}

// A GIF of 16 or 256 colours with real LZW data (a clear code whenever the table is full);
// interlaced, its rows are stored in the four passes of the format.
inline QByteArray Gif(int width, int height, const std::vector<unsigned char>& rows,
                      int colours = 16, bool interlaced = false) {
    std::vector<unsigned char> pixels = rows;
    if (interlaced) {
        pixels.clear();
        const int start[] = {0, 4, 2, 1};
        const int step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = start[pass]; y < height; y += step[pass]) {
                const auto* row = &rows[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
                pixels.insert(pixels.end(), row, row + width);
            }
        }
    }
    const int kMinCodeSize = colours == 256 ? 8 : 4;
    const int kClear = 1 << kMinCodeSize;
    const auto fanout = static_cast<std::size_t>(kClear);
    std::vector<std::uint16_t> child(4096 * fanout);  // 0: no entry
    QByteArray data;
    std::uint32_t acc = 0;
    int bits = 0;
    int codeWidth = kMinCodeSize + 1;
    const auto putCode = [&](int code) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        for (bits += codeWidth; bits >= 8; bits -= 8, acc >>= 8) data.append(static_cast<char>(acc));
    };
    int next = kClear + 2;
    putCode(kClear);
    int prefix = pixels[0];
    for (std::size_t k = 1; k < pixels.size(); ++k) {
        const int pixel = pixels[k];
        std::uint16_t& entry = child[static_cast<std::size_t>(prefix) * fanout + static_cast<std::size_t>(pixel)];
        if (entry != 0) {
            prefix = entry;
            continue;
        }
        putCode(prefix);
        if (next < 4096) {
            entry = static_cast<std::uint16_t>(next++);
            if (next > (1 << codeWidth) && codeWidth < 12) ++codeWidth;
        } else {
            putCode(kClear);
            std::fill(child.begin(), child.end(), std::uint16_t{0});
            next = kClear + 2;
            codeWidth = kMinCodeSize + 1;
        }
        prefix = pixel;
    }
    putCode(prefix);
    putCode(kClear + 1);
    if (bits > 0) data.append(static_cast<char>(acc));

    QByteArray gif("GIF89a");
    Put16(gif, static_cast<unsigned>(width));
    Put16(gif, static_cast<unsigned>(height));
    // A global table of 16 or 256 colours.
    gif.append(static_cast<char>(colours == 256 ? 0xF7 : 0xF3)).append(2, '\0');
    for (int i = 0; i < colours; ++i) {
        const int scale = colours == 256 ? 1 : 16;
        gif.append(static_cast<char>(i * scale / 2)).append(static_cast<char>(i * scale)).append(static_cast<char>(i * scale * 3 / 4));
    }
    gif.append(',');
    Put32(gif, 0);
    Put16(gif, static_cast<unsigned>(width));
    Put16(gif, static_cast<unsigned>(height));
    gif.append(interlaced ? '\x40' : '\0').append(static_cast<char>(kMinCodeSize));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif.append(static_cast<char>(block.size())).append(block);
    }
    return gif.append('\0').append(';');
}

// Writes picture k of a series in the format ("JPEG", "BMP", "GIF", or "GIF256I" for an
// interlaced GIF of 256 colours); false on failure.
inline bool WritePicture(const std::string& path, const char* format, int width, int height,
                         int k) {
    const QImage scene = Scene(width, height, k);
    const bool gif256 = qstrcmp(format, "GIF256I") == 0;
    if (qstrcmp(format, "GIF") != 0 && !gif256) {
        return scene.save(QString::fromStdString(path), format, 90);
    }
    QFile file(QString::fromStdString(path));
    const QByteArray bytes = gif256 ? Gif(width, height, Indices256(scene), 256, true)
                                    : Gif(width, height, Indices(scene));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace series_files
