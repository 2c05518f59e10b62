// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the sample pictures of examples/: a dark disc (BMP), a dark square (JPEG) and a dark
// ellipse (GIF) on light ground, 200 x 150 pixels each, so that the scan lines of
// session.json cross real edges. Qt writes BMP and JPEG; the GIF is coded here.
//
// Build and run through make_examples.sh, which also writes expected.dat.

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// Light ground with a gentle shade, dark shape with a gentle shade: real pictures are not flat.
QRgb Shade(bool dark, int x, int y) {
    if (dark) return qRgb(30 + x / 20, 35 + y / 20, 60);
    return qRgb(225 - y / 10, 220 - x / 20, 200);
}

bool InEllipse(int x, int y, double cx, double cy, double rx, double ry) {
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

// GIF with a 256-entry colour table, every pixel coded as a literal LZW code, with a clear code
// before the table would need wider codes: larger than real LZW output but valid everywhere.
QByteArray EncodeGif(const std::vector<unsigned char>& indices, const std::vector<QRgb>& palette) {
    QByteArray out("GIF89a");
    const auto put16 = [&out](int v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    put16(kWidth);
    put16(kHeight);
    out.append(static_cast<char>(0xF7));
    out.append(2, '\0');
    for (int k = 0; k < 256; ++k) {
        const QRgb c = k < static_cast<int>(palette.size()) ? palette[k] : 0;
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    out.append(',');
    put16(0);
    put16(0);
    put16(kWidth);
    put16(kHeight);
    out.append('\0');
    out.append('\x08');

    QByteArray data;
    unsigned acc = 0;
    int bits = 0;
    const auto code = [&](unsigned c) {
        acc |= c << bits;
        bits += 9;
        while (bits >= 8) {
            data.append(static_cast<char>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    const std::size_t run = 512 - 256 - 2;
    for (std::size_t start = 0; start < indices.size(); start += run) {
        code(256);
        for (std::size_t k = start; k < std::min(indices.size(), start + run); ++k)
            code(indices[k]);
    }
    code(257);
    if (bits > 0) data.append(static_cast<char>(acc & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray chunk = data.mid(at, 255);
        out.append(static_cast<char>(chunk.size()));
        out.append(chunk);
    }
    out.append('\0');
    out.append(';');
    return out;
}

bool Write(const std::string& folder, const char* name, const QByteArray& bytes) {
    QFile file(QString::fromStdString(folder + "/" + name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    QImage disc(kWidth, kHeight, QImage::Format_RGB32);
    QImage square(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            disc.setPixel(x, y, Shade(InEllipse(x, y, 100, 75, 45, 45), x, y));
            square.setPixel(x, y, Shade(x >= 55 && x < 150 && y >= 30 && y < 125, x, y));
        }
    }
    bool ok = disc.save(QString::fromStdString(folder + "/disc.bmp"), "BMP");
    ok = square.save(QString::fromStdString(folder + "/square.jpg"), "JPEG", 90) && ok;

    // The ellipse in four grey levels, dark inside.
    const std::vector<QRgb> palette = {qRgb(230, 230, 225), qRgb(190, 190, 185), qRgb(70, 70, 80),
                                       qRgb(35, 35, 45)};
    std::vector<unsigned char> indices;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const bool inner = InEllipse(x, y, 98, 78, 70, 40);
            const bool core = InEllipse(x, y, 98, 78, 40, 20);
            indices.push_back(static_cast<unsigned char>(core ? 3 : inner ? 2 : (x + y) % 7 == 0));
        }
    }
    ok = Write(folder, "ellipse.gif", EncodeGif(indices, palette)) && ok;
    if (!ok) std::fprintf(stderr, "make_examples: cannot write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
