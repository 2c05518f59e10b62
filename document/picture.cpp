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

#include "document/direct_decode.h"
#include "document/picture_checks.h"

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

PictureFault NoPixels() {
    return {QStringLiteral("the picture has no pixels"),
            QStringLiteral("画像に画素がありません。")};
}

// The decoder's own words for a failure. Qt's JPEG plugin says "Premature end of JPEG file" for a
// cut file; any other warning means data that does not make the picture it announces.
PictureFault DecoderFault(const QString& reason) {
    return reason.contains(QLatin1String("Premature end")) ? CutFault(reason)
                                                           : CorruptFault(reason);
}

// Decodes the first picture of the bytes with Qt's readers; returns why it cannot, or no fault.
PictureFault DecodeWithQt(QBuffer& buffer, const QByteArray& data, QImage& image) {
    // Everything the reader says while it reads headers or pixels belongs to this decode.
    WarningCapture capture;
    QImageReader reader(&buffer);
    reader.setAutoTransform(false);  // pixel positions are the file's own, whatever EXIF says
    reader.setAllocationLimit(static_cast<int>(CPicture::kMaxPixelBytes >> 20));

    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        return {QStringLiteral("not a BMP, JPEG or GIF picture"),
                QStringLiteral("BMP、JPEG、GIF のいずれの画像でもありません。")};
    }
    if (format != "bmp" && format != "jpeg" && format != "gif") {
        const QString name = QString::fromLatin1(format.toUpper());
        return {
            QStringLiteral("a %1 picture, not BMP, JPEG or GIF").arg(name),
            QStringLiteral("%1 の画像です。読み込めるのは BMP、JPEG、GIF の画像です。").arg(name)};
    }
    const QSize size = reader.size();
    if (size.isValid()) {
        if (size.width() <= 0 || size.height() <= 0) return NoPixels();
        if (PictureFault tooLarge = TooLargeFault(size.width(), size.height())) return tooLarge;
    }
    if (format == "bmp") {
        if (PictureFault incomplete = CheckBmpComplete(data)) return incomplete;
    }
    if (format == "gif") {
        if (PictureFault incomplete = CheckGifComplete(data)) return incomplete;
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
    return {};
}

// The kinds of picture that series are made of go to the direct decoders, told apart by their
// first bytes as Qt tells them apart (so a JPEG named .bmp is still a JPEG).
DirectDecode DecodeDirect(const QByteArray& data, CPixelBuffer& pixels) {
    if (data.startsWith("\xFF\xD8")) return DecodeJpeg(data, pixels);
    if (data.startsWith("BM")) return DecodeBmp24(data, pixels);
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) return DecodeGif(data, pixels);
    return {};
}

CPicture::LoadResult Failed(CPicture::LoadStatus status, const PictureFault& fault) {
    return {status, fault.reason, fault.uiReason};
}

PictureFault OutOfMemory(const char* reason) {
    return {QString::fromLatin1(reason), QStringLiteral("メモリが足りません。")};
}

PictureFault FileTooLarge() {
    return {QStringLiteral("the file is larger than 2 GiB"),
            QStringLiteral("ファイルが大きすぎます（上限は 2 GiB）。")};
}

// The system's reason in English, whatever the process locale.
QString SystemReason(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
}

// The window's words for a file that cannot be opened. Rare errors keep the system's English
// words inside the Japanese sentence: strerror's translated text is not safe on the worker
// threads that load pictures.
QString OpenFailureText(int error) {
    switch (error) {
        case ENOENT:
            return QStringLiteral("ファイルが見つかりません。");
        case EACCES:
        case EPERM:
            return QStringLiteral("アクセスが拒否されました。");
        case EISDIR:
            return QStringLiteral("フォルダです。");
        case ENOTDIR:
            return QStringLiteral("パスの途中がフォルダではありません。");
        case ENAMETOOLONG:
            return QStringLiteral("パスが長すぎます。");
        default:
            return QStringLiteral("ファイルを読み込めません（%1）。").arg(SystemReason(error));
    }
}

QString NotRegularText() {
    return QStringLiteral("通常のファイルではありません。");
}

// Reads the whole file into `data`, from its start and into the memory it already has; returns
// 0 or the errno of the failure. The size is a hint: the file may grow or shrink while it is
// read.
int ReadAll(int fd, qsizetype sizeHint, QByteArray& data) {
    try {
        // One byte more than the hint, so that the read that finds the end needs no growth.
        data.resize(std::max(data.capacity(), sizeHint + 1));
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

void CPicture::Clear() {
    m_image = QImage();
    m_pixels = CPixelBuffer();
    m_file = QByteArray();
}

CPicture::LoadResult CPicture::Load(const std::string& path) {
    m_image = QImage();
    // Opening and decoding are told apart: a file that cannot be read at all is reported with the
    // system's own words, before any decoder looks at it. Non-blocking, so that a pipe cannot
    // hang the open; only plain files are read, since a device or a pipe may never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        return Failed(LoadStatus::CannotOpen, {SystemReason(error), OpenFailureText(error)});
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return Failed(LoadStatus::CannotOpen,
                      folder
                          ? PictureFault{QStringLiteral("it is a folder"), OpenFailureText(EISDIR)}
                          : PictureFault{QStringLiteral("not a regular file"), NotRegularText()});
    }
    // No picture we accept needs more bytes than twice its largest decoded size.
    if (st.st_size > 2 * kMaxPixelBytes) {
        ::close(fd);
        return Failed(LoadStatus::CannotDecode, FileTooLarge());
    }
    const int error = ReadAll(fd, static_cast<qsizetype>(st.st_size), m_file);
    ::close(fd);
    if (error == ENOMEM) {
        return Failed(LoadStatus::OutOfMemory, OutOfMemory("not enough memory to read the file"));
    }
    if (error == EFBIG) return Failed(LoadStatus::CannotDecode, FileTooLarge());
    if (error != 0) {
        return Failed(LoadStatus::CannotOpen, {SystemReason(error), OpenFailureText(error)});
    }
    LoadResult result = Decode(m_file);
    if (m_fileBytes == FileBytes::Release) m_file = QByteArray();
    return result;
}

CPicture::LoadResult CPicture::LoadData(QByteArray data) {
    m_image = QImage();
    return Decode(data);
}

CPicture::LoadResult CPicture::Decode(const QByteArray& data) {
    if (data.isEmpty()) {
        return Failed(LoadStatus::CannotDecode,
                      {QStringLiteral("the file is empty"), QStringLiteral("ファイルが空です。")});
    }
    const DirectDecode direct = DecodeDirect(data, m_pixels);
    switch (direct.outcome) {
        case DirectDecode::Outcome::Decoded:
            m_image = m_pixels.Wrap(direct.width, direct.height);
            if (m_image.isNull()) {
                return Failed(LoadStatus::OutOfMemory,
                              OutOfMemory("not enough memory for the decoded picture"));
            }
            return {};
        case DirectDecode::Outcome::Failed:
            return Failed(LoadStatus::CannotDecode, direct.fault);
        case DirectDecode::Outcome::OutOfMemory:
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
        case DirectDecode::Outcome::Declined:
            break;
    }
    // Shares the bytes only while the reader runs: the file's memory is free again for the
    // next load afterwards.
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImage image;
    if (const PictureFault fault = DecodeWithQt(buffer, data, image)) {
        return Failed(LoadStatus::CannotDecode, fault);
    }
    if (image.width() <= 0 || image.height() <= 0) {
        return Failed(LoadStatus::CannotDecode, NoPixels());
    }
    if (image.format() != QImage::Format_RGB32) {
        image.convertTo(QImage::Format_RGB32);
        if (image.isNull() || image.format() != QImage::Format_RGB32) {
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
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
