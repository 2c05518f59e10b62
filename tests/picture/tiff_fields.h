// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A TIFF's bytes with a field changed, to damage a file that libtiff or Qt wrote.

#include <gtest/gtest.h>

#include <QByteArray>

// The value of a field of the first directory of a little-endian TIFF (Qt writes those) set to
// `value`: the field's own, or the last of its list when the values lie elsewhere.
inline QByteArray WithTiffField(QByteArray tiff, unsigned tag, quint32 value) {
    const auto at = [&tiff](qsizetype k) { return static_cast<unsigned char>(tiff[k]); };
    const auto le32 = [&at](qsizetype k) {
        return at(k) | at(k + 1) << 8 | at(k + 2) << 16 | qsizetype(at(k + 3)) << 24;
    };
    const qsizetype ifd = le32(4);
    for (int k = 0; k < (at(ifd) | at(ifd + 1) << 8); ++k) {
        const qsizetype e = ifd + 2 + 12 * k;
        if (static_cast<unsigned>(at(e) | at(e + 1) << 8) != tag) continue;
        const int bytes = at(e + 2) == 3 ? 2 : 4;  // SHORT or LONG
        const qsizetype count = le32(e + 4);
        const qsizetype where = count * bytes > 4 ? le32(e + 8) + (count - 1) * bytes : e + 8;
        for (int b = 0; b < bytes; ++b) tiff[where + b] = static_cast<char>(value >> (8 * b));
        return tiff;
    }
    ADD_FAILURE() << "no field " << tag;
    return tiff;
}
