#include "document/picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QLoggingCategory>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

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
    if (qstrncmp(category->categoryName(), "qt.gui.imageio", 14) == 0) {
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

// libjpeg reports stray bytes between two segments this way; the pixels are all there, and
// many cameras write such files, so this one warning does not fail the decode.
bool IsHarmless(const QString& warning) {
    return warning.contains(QLatin1String("extraneous bytes before marker"));
}

QString TooLarge(qint64 width, qint64 height) {
    // Divided rather than multiplied: a header may claim sizes whose product overflows.
    if (width <= 0 || height <= 0 || width <= CPicture::kMaxPixelBytes / 4 / height) return {};
    return QStringLiteral("the picture of %1 x %2 pixels is larger than 1 GiB")
        .arg(width)
        .arg(height);
}

// ---------------------------------------------------------------------------------------------
// Structural checks for the two formats whose Qt readers return a picture from a cut-off file
// without any sign: BMP leaves the missing rows as they were in memory, GIF paints them black.

// Callers check the size first.
unsigned ByteAt(const QByteArray& data, qsizetype at) {
    return static_cast<unsigned char>(data.at(at));
}

quint32 ReadLe32(const QByteArray& data, qsizetype at) {
    return ByteAt(data, at) | ByteAt(data, at + 1) << 8 | ByteAt(data, at + 2) << 16 |
           ByteAt(data, at + 3) << 24;
}

quint16 ReadLe16(const QByteArray& data, qsizetype at) {
    return static_cast<quint16>(ByteAt(data, at) | ByteAt(data, at + 1) << 8);
}

// Empty when the pixel data that the header announces is all in the file and not too large.
QString CheckBmpComplete(const QByteArray& data) {
    if (data.size() < 26) return QStringLiteral("the file ends inside the header");
    const qint64 offset = ReadLe32(data, 10);
    const quint32 headerSize = ReadLe32(data, 14);
    qint64 width = 0;
    qint64 height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    quint32 imageSize = 0;
    if (headerSize == 12) {  // the old core header with 16-bit sizes
        width = ReadLe16(data, 18);
        height = ReadLe16(data, 20);
        bitCount = ReadLe16(data, 24);
    } else {
        if (data.size() < 38) return QStringLiteral("the file ends inside the header");
        width = static_cast<qint32>(ReadLe32(data, 18));
        height = static_cast<qint32>(ReadLe32(data, 22));  // negative: rows stored top down
        bitCount = ReadLe16(data, 28);
        compression = ReadLe32(data, 30);
        imageSize = ReadLe32(data, 34);
    }
    // Qt refuses such a header before it reports a size; say why.
    const QString tooLarge = TooLarge(width < 0 ? -width : width, height < 0 ? -height : height);
    if (!tooLarge.isEmpty()) return tooLarge;
    qint64 needed = 0;
    if (compression == 0 || compression == 3 || compression == 6) {
        // Uncompressed rows (bit fields only mask them), each padded to 4 bytes.
        const qint64 rowBytes = (width * bitCount + 31) / 32 * 4;
        needed = offset + rowBytes * (height < 0 ? -height : height);
    } else {
        // Run-length data: its size is the one the header states, when it states one.
        needed = offset + imageSize;
    }
    if (needed > data.size()) return QStringLiteral("the file ends inside the pixel data");
    return {};
}

// Empty when the first picture of the GIF, with its colour tables and data blocks, is all in the
// file. Later frames are never read, so they may be missing.
QString CheckGifComplete(const QByteArray& data) {
    const QString cut = QStringLiteral("the file ends inside the picture data");
    const qsizetype size = data.size();
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(data[at]); };
    const auto tableBytes = [](unsigned char flags) { return 3 * (qsizetype(2) << (flags & 7)); };
    // Skips a chain of data sub-blocks; returns the offset after its terminator, or -1 when the
    // file ends first.
    const auto skipBlocks = [&](qsizetype at) -> qsizetype {
        while (at < size) {
            const unsigned char length = byte(at);
            if (length == 0) return at + 1;
            at += 1 + length;
        }
        return -1;
    };
    qsizetype at = 13;
    if (size < at) return cut;
    if (byte(10) & 0x80) at += tableBytes(byte(10));
    while (at < size) {
        const unsigned char introducer = byte(at);
        if (introducer == 0x21) {  // extension: label, then sub-blocks
            at = at + 2 > size ? -1 : skipBlocks(at + 2);
        } else if (introducer == 0x2C) {  // image descriptor: 9 bytes, table, code size, data
            if (at + 10 > size) return cut;
            const unsigned char flags = byte(at + 9);
            at += 10;
            if (flags & 0x80) at += tableBytes(flags);
            at += 1;  // LZW minimum code size
            return skipBlocks(at) < 0 ? cut : QString();
        } else {
            return {};  // a trailer or a corrupt block: the decoder judges that itself
        }
        if (at < 0) return cut;
    }
    return cut;
}

// Decodes the first picture of the bytes; returns why it cannot, or an empty string.
QString Decode(QBuffer& buffer, const QByteArray& data, QImage& image) {
    // Everything the reader says while it reads headers or pixels belongs to this decode.
    WarningCapture capture;
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);  // pixel positions are the file's own, whatever EXIF says
    reader.setAllocationLimit(static_cast<int>(CPicture::kMaxPixelBytes >> 20));

    const QByteArray format = reader.format();
    if (format.isEmpty()) return QStringLiteral("not a BMP, JPEG or GIF picture");
    if (format != "bmp" && format != "jpeg" && format != "gif") {
        return QStringLiteral("a %1 picture, not BMP, JPEG or GIF")
            .arg(QString::fromLatin1(format.toUpper()));
    }
    const QSize size = reader.size();
    if (size.isValid()) {
        if (size.width() <= 0 || size.height() <= 0) {
            return QStringLiteral("the picture has no pixels");
        }
        const QString tooLarge = TooLarge(size.width(), size.height());
        if (!tooLarge.isEmpty()) return tooLarge;
    }
    if (format == "bmp") {
        const QString incomplete = CheckBmpComplete(data);
        if (!incomplete.isEmpty()) return incomplete;
    }
    if (format == "gif") {
        const QString incomplete = CheckGifComplete(data);
        if (!incomplete.isEmpty()) return incomplete;
    }

    const bool decoded = reader.read(&image);
    const QStringList& warnings = capture.Messages();
    if (!decoded || image.isNull()) {
        image = QImage();
        return warnings.isEmpty() ? reader.errorString() : warnings.join(QStringLiteral("; "));
    }
    for (const QString& warning : warnings) {
        if (!IsHarmless(warning)) {
            image = QImage();
            return warning;
        }
    }
    return {};
}

CPicture::LoadResult Failed(CPicture::LoadStatus status, const QString& reason) {
    return {status, reason};
}

// The system's reason in English, whatever the process locale.
QString SystemReason(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
}

// Reads the whole file; returns 0 or the errno of the failure. The size is a hint: the file may
// grow or shrink while it is read.
int ReadAll(int fd, qsizetype sizeHint, QByteArray& data) {
    try {
        data.reserve(sizeHint + 1);
        qsizetype used = 0;
        for (;;) {
            if (data.size() - used < 65536) data.resize(used + std::max<qsizetype>(65536, used));
            const ssize_t got =
                ::read(fd, data.data() + used, static_cast<std::size_t>(data.size() - used));
            if (got < 0) {
                if (errno == EINTR) continue;
                return errno;
            }
            if (got == 0) break;
            used += got;
            if (used > 2 * CPicture::kMaxPixelBytes) return EFBIG;
        }
        data.resize(used);
    } catch (const std::bad_alloc&) {
        data = QByteArray();
        return ENOMEM;
    }
    return 0;
}

}  // namespace

CPicture::LoadResult CPicture::Load(const QString& path) {
    return Load(QFile::encodeName(path).toStdString());
}

CPicture::LoadResult CPicture::Load(const std::string& path) {
    Clear();
    // Opening and decoding are told apart: a file that cannot be read at all is reported with the
    // system's own words, before any decoder looks at it. Non-blocking, so that a pipe cannot
    // hang the open; only plain files are read, since a device or a pipe may never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Failed(CPicture::LoadStatus::CannotOpen, SystemReason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return Failed(CPicture::LoadStatus::CannotOpen, folder
                                                            ? QStringLiteral("it is a folder")
                                                            : QStringLiteral("not a regular file"));
    }
    // No picture we accept needs more bytes than twice its largest decoded size.
    if (st.st_size > 2 * kMaxPixelBytes) {
        ::close(fd);
        return Failed(CPicture::LoadStatus::CannotDecode,
                      QStringLiteral("the file is larger than 2 GiB"));
    }
    QByteArray data;
    const int error = ReadAll(fd, static_cast<qsizetype>(st.st_size), data);
    ::close(fd);
    if (error == ENOMEM) {
        return Failed(CPicture::LoadStatus::OutOfMemory,
                      QStringLiteral("not enough memory to read the file"));
    }
    if (error == EFBIG) {
        return Failed(CPicture::LoadStatus::CannotDecode,
                      QStringLiteral("the file is larger than 2 GiB"));
    }
    if (error != 0) return Failed(CPicture::LoadStatus::CannotOpen, SystemReason(error));
    return LoadData(std::move(data));
}

CPicture::LoadResult CPicture::LoadData(QByteArray data) {
    Clear();
    if (data.isEmpty())
        return Failed(CPicture::LoadStatus::CannotDecode, QStringLiteral("the file is empty"));

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImage image;
    const QString failure = Decode(buffer, data, image);
    if (!failure.isEmpty()) return Failed(CPicture::LoadStatus::CannotDecode, failure);
    if (image.width() <= 0 || image.height() <= 0) {
        return Failed(CPicture::LoadStatus::CannotDecode,
                      QStringLiteral("the picture has no pixels"));
    }
    if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
        if (image.isNull() || image.format() != QImage::Format_RGB32) {
            return Failed(CPicture::LoadStatus::OutOfMemory,
                          QStringLiteral("not enough memory for the decoded picture"));
        }
    }
    m_image = std::move(image);
    return {};
}

PixelView CPicture::View() const {
    if (m_image.isNull()) return {};
    return {m_image.constBits(), m_image.width(), m_image.height(),
            static_cast<std::ptrdiff_t>(m_image.bytesPerLine())};
}

CPicture::LoadResult CPicture::CheckReadable(const std::string& path) {
    LoadResult result;
    // Non-blocking, so that a pipe chosen by mistake cannot hang the program in open().
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    int error = fd < 0 ? errno : 0;
    bool regular = true;
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
        regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        ::close(fd);
    }
    if (error == 0 && regular) return result;
    result.status = LoadStatus::CannotOpen;
    if (error == 0) {
        result.reason = QStringLiteral("通常のファイルではありません。");
        return result;
    }
    switch (error) {
        case ENOENT:
            result.reason = QStringLiteral("ファイルが見つかりません。");
            break;
        case EACCES:
        case EPERM:
            result.reason = QStringLiteral("アクセスが拒否されました。");
            break;
        case EISDIR:
            result.reason = QStringLiteral("フォルダです。");
            break;
        case ENOTDIR:
            result.reason = QStringLiteral("パスの途中がフォルダではありません。");
            break;
        case ENAMETOOLONG:
            result.reason = QStringLiteral("パスが長すぎます。");
            break;
        default:
            result.reason = QString::fromLocal8Bit(std::strerror(error));
            break;
    }
    return result;
}
