// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>

// The kind of fault that keeps a file from giving a picture: the word the window's image list
// shows beside the file's name.
enum class PictureProblem {
    None,
    Missing,     // no file of that name
    Unreadable,  // a file that cannot be read: no permission, a folder, a read error
    CutShort,    // the file ends before the picture does
    Damaged,     // the data does not make the picture it announces
    NotPicture,  // not a picture of a kind the program reads
    TooLarge,    // more than the program takes
    OutOfMemory,
};

// Why the bytes of a file do not hold one whole picture: in English for the batch tool, in
// Japanese for the window. True when there is a fault.
struct PictureFault {
    PictureFault() = default;
    PictureFault(QString english, QString japanese, PictureProblem kind = PictureProblem::Damaged)
        : reason(std::move(english)), uiReason(std::move(japanese)), problem(kind) {}

    QString reason;
    QString uiReason;
    PictureProblem problem = PictureProblem::None;
    // The system's error number where the file could not be opened or read, 0 otherwise.
    int systemError = 0;

    explicit operator bool() const { return !reason.isEmpty(); }
};

// The two common faults, with their Japanese texts: the file stops before the picture does,
// and the data is there but does not make the picture it announces.
PictureFault CutFault(const QString& reason);
PictureFault CorruptFault(const QString& reason);

// A fault when a picture of this size would take more than CPicture::kMaxPixelBytes decoded,
// at `bytesPerPixel` bytes for each pixel held.
PictureFault TooLargeFault(qint64 width, qint64 height, int bytesPerPixel = 4);

// Completeness checks for the formats whose Qt readers hand back a picture from damaged data
// without a word: for BMP the missing pixels are whatever was in memory, for GIF they are
// black. Each check reads only the headers and, for run-length BMPs and the first GIF frame, the
// codes of the pixel data, without decoding any pixel; its cost grows with the file's bytes.

// The pixel data that the header announces is all in the file and not too large; run-length
// data codes every pixel, each row ended at its last pixel, and nothing outside the picture.
PictureFault CheckBmpComplete(const QByteArray& data);

// The first frame of the GIF lies within the logical screen, its colour tables and data blocks
// are all in the file, and its LZW codes yield every one of its pixels. Later frames are never
// shown, so they are not looked at.
PictureFault CheckGifComplete(const QByteArray& data);

// The chunks of the PNG are all in the file, from the header chunk up to and including the end
// chunk. Qt's reader makes up the end chunk's checksum when the file stops inside it, and the
// checksums and the compressed stream of the pixel data are the decoder's to judge.
PictureFault CheckPngComplete(const QByteArray& data);

// The first directory of the TIFF and every value it points to are in the file, its strips or
// tiles cover the picture and lie wholly in the file (uncompressed ones hold all their rows),
// and the compression is one whose decoder reports damaged or short data as an error; the
// others (JPEG inside TIFF among them) only warn, on a channel that does not reach us.
PictureFault CheckTiffComplete(const QByteArray& data);
