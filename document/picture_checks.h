#pragma once

#include <QByteArray>
#include <QString>

// Why the bytes of a file do not hold one whole picture: in English for the batch tool, in
// Japanese for the window. True when there is a fault.
struct PictureFault {
    QString reason;
    QString uiReason;

    explicit operator bool() const { return !reason.isEmpty(); }
};

// The two common faults, with their Japanese texts: the file stops before the picture does,
// and the data is there but does not make the picture it announces.
PictureFault CutFault(const QString& reason);
PictureFault CorruptFault(const QString& reason);

// A fault when a picture of this size would take more than CPicture::kMaxPixelBytes decoded.
PictureFault TooLargeFault(qint64 width, qint64 height);

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
