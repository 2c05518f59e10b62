// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/qt_decode.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QStringList>
#include <cstdio>
#include <mutex>

#include "picture/picture.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Warnings raised while decoding. Qt's JPEG plugin decodes a cut-off file "successfully", fills
// the missing rows with grey and says so only through a log warning; the capture turns such a
// warning into a failure of the decode that raised it. The handler is process-wide, the capture
// slot is per thread, so several threads can decode at once.

thread_local QStringList* t_capture = nullptr;
QtMessageHandler g_previousHandler = nullptr;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;

void CaptureHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (t_capture != nullptr && type != QtDebugMsg && type != QtInfoMsg) {
        t_capture->append(message);
        return;
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
}

// The JPEG plugin's warnings are our only sign of a truncated file: keep them on even when the
// logging rules of the environment switch that category off.
void KeepDecoderWarnings(QLoggingCategory* category) {
    if (g_previousFilter != nullptr) g_previousFilter(category);
    if (qstrncmp(category->categoryName(), "qt.gui.imageio", 14) == 0 ||
        qstrncmp(category->categoryName(), "qt.imageformats", 15) == 0) {
        category->setEnabled(QtWarningMsg, true);
        category->setEnabled(QtCriticalMsg, true);
    }
}

void InstallCapture() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_previousHandler = qInstallMessageHandler(CaptureHandler);
        g_previousFilter = QLoggingCategory::installFilter(KeepDecoderWarnings);
    });
}

class WarningCapture {
public:
    WarningCapture() {
        InstallCapture();
        m_outer = t_capture;
        t_capture = &m_messages;
    }
    ~WarningCapture() { t_capture = m_outer; }
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;

    const QStringList& Messages() const { return m_messages; }

private:
    QStringList m_messages;
    QStringList* m_outer = nullptr;
};

PictureFault NoPixels() {
    return {QStringLiteral("the picture has no pixels"),
            QCoreApplication::translate("Document", "画像に画素がありません。")};
}

// The decoder's own words for a failure. Qt's JPEG plugin says "Premature end of JPEG file" for a
// cut file; any other warning means data that does not make the picture it announces.
PictureFault DecoderFault(const QString& reason) {
    return reason.contains(QLatin1String("Premature end")) ? CutFault(reason)
                                                           : CorruptFault(reason);
}

}  // namespace

QImage::Format HeldFormat(QImage::Format format) {
    switch (format) {
        case QImage::Format_Grayscale16:
            return QImage::Format_Grayscale16;
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_RGBX16FPx4:
        case QImage::Format_RGBA16FPx4:
        case QImage::Format_RGBA16FPx4_Premultiplied:
        case QImage::Format_RGBX32FPx4:
        case QImage::Format_RGBA32FPx4:
        case QImage::Format_RGBA32FPx4_Premultiplied:
            return QImage::Format_RGBX64;
        default:
            return QImage::Format_RGB32;
    }
}

int HeldBytesPerPixel(QImage::Format format) {
    switch (HeldFormat(format)) {
        case QImage::Format_Grayscale16:
            return 2 + 4;
        case QImage::Format_RGBX64:
            return 8 + 4;
        default:
            return 4;
    }
}

PictureFault DecodeWithQt(const QByteArray& data, CPixelBuffer& pixels, QImage& image) {
    // Shares the bytes only while the reader runs: the file's memory is free again for the
    // next load afterwards.
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // Everything the reader says while it reads headers or pixels belongs to this decode.
    WarningCapture capture;
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);  // pixel positions are the file's own, whatever EXIF says
    reader.setAllocationLimit(static_cast<int>(CPicture::kMaxPixelBytes >> 20));

    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        return {QStringLiteral("not a BMP, JPEG, GIF, PNG or TIFF picture"),
                QCoreApplication::translate(
                    "Document", "BMP、JPEG、GIF、PNG、TIFF のいずれの画像でもありません。"),
                PictureProblem::NotPicture};
    }
    const bool deepFormat = format == "png" || format == "tiff";
    if (format != "bmp" && format != "jpeg" && format != "gif" && !deepFormat) {
        const QString name = QString::fromLatin1(format.toUpper());
        return {
            QStringLiteral("a %1 picture, not BMP, JPEG, GIF, PNG or TIFF").arg(name),
            QCoreApplication::translate(
                "Document", "%1 の画像です。読み込めるのは BMP、JPEG、GIF、PNG、TIFF の画像です。")
                .arg(name),
            PictureProblem::NotPicture};
    }
    // A cut TIFF may have lost the very directory that gives its size, and libtiff prints its
    // complaints about such a file on standard error: its structure is checked before Qt looks.
    if (format == "tiff") {
        if (PictureFault incomplete = CheckTiffComplete(data)) return incomplete;
    }
    const QSize size = reader.size();
    // What Qt will decode into, known from the headers for PNG and TIFF; 32-bit otherwise.
    const QImage::Format qtFormat = deepFormat ? reader.imageFormat() : QImage::Format_Invalid;
    const QImage::Format held = HeldFormat(qtFormat);
    if (size.isValid()) {
        if (size.width() <= 0 || size.height() <= 0) return NoPixels();
        if (PictureFault tooLarge =
                TooLargeFault(size.width(), size.height(), HeldBytesPerPixel(qtFormat))) {
            return tooLarge;
        }
    }
    if (format == "bmp") {
        if (PictureFault incomplete = CheckBmpComplete(data)) return incomplete;
    } else if (format == "gif") {
        if (PictureFault incomplete = CheckGifComplete(data)) return incomplete;
    } else if (format == "png") {
        if (PictureFault incomplete = CheckPngComplete(data)) return incomplete;
    }
    // Qt's readers allocate a new image unless they are given one of the very size and format
    // they decode into: a series then costs no new memory, and no page faults, per picture.
    image = QImage();
    if (deepFormat && size.isValid() && qtFormat == held) {
        const qsizetype stride =
            (static_cast<qsizetype>(size.width()) * QImage::toPixelFormat(held).bitsPerPixel() / 8 +
             3) /
            4 * 4;
        if (pixels.PrepareBytes(static_cast<std::size_t>(stride) * size.height()) != nullptr) {
            image = pixels.WrapWritable(size.width(), size.height(), stride, held);
        }
    }

    const bool decoded = reader.read(&image);
    const QStringList& warnings = capture.Messages();
    if (!decoded || image.isNull()) {
        image = QImage();
        return DecoderFault(warnings.isEmpty() ? reader.errorString()
                                               : warnings.join(QStringLiteral("; ")));
    }
    // The JPEG plugin decodes damaged data "successfully": it fills what it cannot decode and
    // only warns. Stray bytes before a marker count as well: that is all the decoder says when
    // bytes were inserted into the coded data, since it then runs out of blocks before the data
    // ends, and every block after the damage is wrong.
    if (!warnings.isEmpty()) {
        image = QImage();
        return DecoderFault(warnings.front());
    }
    // A reader that decoded into a deeper format than its headers said is held to the limit too.
    if (PictureFault tooLarge =
            TooLargeFault(image.width(), image.height(), HeldBytesPerPixel(image.format()))) {
        image = QImage();
        return tooLarge;
    }
    return {};
}
