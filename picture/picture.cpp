// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "picture/direct_decode.h"
#include "picture/file_stamp.h"
#include "picture/picture_checks.h"
#include "picture/qt_decode.h"
#include "picture/tiff_decode.h"
#include "picture/tiff_file.h"
#include "picture/video_frames.h"

namespace {

// The picture's colours cut to 8 bits, as GetPixel cuts them, in 32-bit rows for painting.
QImage MakeDisplayImage(const PixelView& view, CPixelBuffer& pixels) {
    std::uint32_t* out = pixels.Prepare(view.width, view.height);
    if (out == nullptr) return {};
    const auto cut = [](std::uint32_t v) { return (v + 128) / 257; };
    for (int y = 0; y < view.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(view.bits + y * view.stride);
        std::uint32_t* to = out + static_cast<std::ptrdiff_t>(y) * view.width;
        if (view.format == PixelFormat::Grey16) {
            for (int x = 0; x < view.width; ++x) to[x] = 0xFF000000u | cut(row[x]) * 0x010101u;
        } else {
            for (int x = 0; x < view.width; ++x) {
                const std::uint16_t* p = row + 4 * x;
                to[x] = 0xFF000000u | cut(p[0]) << 16 | cut(p[1]) << 8 | cut(p[2]);
            }
        }
    }
    return pixels.Wrap(view.width, view.height);
}

PictureFault NoPixels() {
    return {QStringLiteral("the picture has no pixels"),
            QCoreApplication::translate("Document", "画像に画素がありません。")};
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
    return {status, fault.reason, fault.uiReason, fault.problem, fault.systemError};
}

PictureFault OutOfMemory(const char* reason) {
    return {QString::fromLatin1(reason),
            QCoreApplication::translate("Document", "メモリが足りません。"),
            PictureProblem::OutOfMemory};
}

PictureFault FileTooLarge() {
    return {QStringLiteral("the file is larger than 2 GiB"),
            QCoreApplication::translate("Document", "ファイルが大きすぎます（上限は 2 GiB）。"),
            PictureProblem::TooLarge};
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
            return QCoreApplication::translate("Document", "ファイルが見つかりません。");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("Document", "アクセスが拒否されました。");
        case EISDIR:
            return QCoreApplication::translate("Document", "フォルダです。");
        case ENOTDIR:
            return QCoreApplication::translate("Document", "パスの途中がフォルダではありません。");
        case ENAMETOOLONG:
            return QCoreApplication::translate("Document", "パスが長すぎます。");
        default:
            return QCoreApplication::translate("Document", "ファイルを読み込めません（%1）。")
                .arg(SystemReason(error));
    }
}

QString NotRegularText() {
    return QCoreApplication::translate("Document", "通常のファイルではありません。");
}

// A file that cannot be opened or read, in both languages.
PictureFault OpenFault(int error) {
    // A part of the path that is no folder leaves no file of that name either.
    const bool missing = error == ENOENT || error == ENOTDIR;
    PictureFault fault(SystemReason(error), OpenFailureText(error),
                       missing ? PictureProblem::Missing : PictureProblem::Unreadable);
    // Running out of descriptors says nothing of the file: the caller must know.
    fault.systemError = error;
    return fault;
}

// Opens a plain file for reading, or says why it cannot be read (fd -1). Non-blocking, so that
// a pipe cannot hang the open; only plain files are read, since a device or a pipe may never
// end.
int OpenPlainFile(const std::string& path, struct stat& st, PictureFault& fault) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        fault = OpenFault(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        fault = folder ? PictureFault{QStringLiteral("it is a folder"), OpenFailureText(EISDIR),
                                      PictureProblem::Unreadable}
                       : PictureFault{QStringLiteral("not a regular file"), NotRegularText(),
                                      PictureProblem::Unreadable};
        return -1;
    }
    return fd;
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

// Whether the open file begins as a TIFF does.
bool IsTiffFile(int fd) {
    char header[4] = {};
    return ::pread(fd, header, sizeof header, 0) == 4 && IsTiffSignature(header, sizeof header);
}

}  // namespace

CPicture::LoadResult CPicture::Probe(const std::string& path) {
    struct stat st {};
    PictureFault fault;
    const int fd = OpenPlainFile(path, st, fault);
    if (fd < 0) return Failed(LoadStatus::CannotOpen, fault);
    ::close(fd);
    return {};
}

CPicture::LoadResult CPicture::Load(const QString& path) {
    return Load(QFile::encodeName(path).toStdString());
}

void CPicture::Clear() {
    m_image = QImage();
    m_part = {};
    m_display = QImage();
    m_pixels = CPixelBuffer();
    m_displayPixels = CPixelBuffer();
    m_file = QByteArray();
    m_video.reset();
}

CPicture::LoadResult CPicture::Load(const std::string& path) {
    m_image = QImage();
    m_part = {};
    m_display = QImage();
    // Opening and decoding are told apart: a file that cannot be read at all is reported with the
    // system's own words, before any decoder looks at it.
    struct stat st {};
    PictureFault openFault;
    const int fd = OpenPlainFile(path, st, openFault);
    if (fd < 0) return Failed(LoadStatus::CannotOpen, openFault);
    // A TIFF is read through libtiff from the file, without its bytes in memory first. Whatever
    // that path does not decode goes the way of every picture, whose checks and words then say
    // why it fails.
    if (IsTiffFile(fd)) {
        QString error;
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        std::unique_ptr<CTiffFile> tiff =
            copy >= 0 ? CTiffFile::OpenFile(copy, st.st_size, error) : nullptr;
        QImage image;
        if (tiff && tiff->SelectPage(0) == CTiffFile::Select::Ok &&
            DecodeTiffPage(*tiff, m_pixels, image).outcome == DirectDecode::Outcome::Decoded) {
            ::close(fd);
            return Keep(std::move(image));
        }
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
    if (error != 0) return Failed(LoadStatus::CannotOpen, OpenFault(error));
    LoadResult result = Decode(m_file);
    if (m_fileBytes == FileBytes::Release) m_file = QByteArray();
    return result;
}

CPicture::LoadResult CPicture::LoadData(QByteArray data) {
    m_image = QImage();
    m_part = {};
    m_display = QImage();
    if (IsTiffSignature(data.constData(), static_cast<std::size_t>(data.size()))) {
        QString error;
        std::unique_ptr<CTiffFile> tiff = CTiffFile::OpenMemory(data, error);
        QImage image;
        if (tiff && tiff->SelectPage(0) == CTiffFile::Select::Ok &&
            DecodeTiffPage(*tiff, m_pixels, image).outcome == DirectDecode::Outcome::Decoded) {
            return Keep(std::move(image));
        }
    }
    return Decode(data);
}

CPicture::LoadResult CPicture::Load(const std::string& path, std::int64_t frame) {
    return LoadEntry(path, frame, nullptr);
}

CPicture::LoadResult CPicture::Load(const std::string& path, std::int64_t frame,
                                    const PixelRequest& request) {
    return LoadEntry(path, frame, &request);
}

CPicture::LoadResult CPicture::LoadEntry(const std::string& path, std::int64_t frame,
                                         const PixelRequest* request) {
    if (frame < 0) return Load(path);
    m_image = QImage();
    m_part = {};
    m_display = QImage();
    struct stat st {};
    PictureFault openFault;
    const int fd = OpenPlainFile(path, st, openFault);
    if (fd < 0) return Failed(LoadStatus::CannotOpen, openFault);
    // Whatever is not a TIFF is taken for a video, whose reader says why when it is none.
    if (!IsTiffFile(fd)) {
        ::close(fd);
        const LoadResult result = LoadVideoFrame(
            m_video, path, frame, {m_pixels, m_image, request, request != nullptr ? &m_part : nullptr});
        if (!m_part.IsNull()) m_partRequest = *request;
        return result;
    }
    // The stack stays open from page to page while the file is the same and unchanged.
    const FileStamp stamp = StampOf(st);
    if (m_tiff.file && m_tiff.file->path == path && m_tiff.file->stamp == stamp) {
        ::close(fd);
    } else {
        m_tiff.file.reset();
        QString error;
        m_tiff.file = CTiffFile::OpenFile(fd, st.st_size, error);
        if (!m_tiff.file) return Failed(LoadStatus::CannotDecode, CorruptFault(error));
        m_tiff.file->path = path;
        m_tiff.file->stamp = stamp;
    }
    return LoadPage(frame);
}

CPicture::LoadResult CPicture::LoadPage(std::int64_t page) {
    CTiffFile& tiff = *m_tiff.file;
    const qint64 number = page + 1;  // as the image list counts them
    switch (tiff.SelectPage(page)) {
        case CTiffFile::Select::Ok:
            break;
        case CTiffFile::Select::NoSuchPage: {
            const qint64 count = tiff.CountPages();
            return Failed(LoadStatus::CannotDecode,
                          {QStringLiteral("the file has no page %1, only %2").arg(number).arg(count),
                           QCoreApplication::translate(
                               "Document", "ページ %1 はありません（ファイルは %2 ページです）。")
                               .arg(number)
                               .arg(count),
                           PictureProblem::CutShort});
        }
        case CTiffFile::Select::Cut:
            return Failed(LoadStatus::CannotDecode,
                          CutFault(QStringLiteral("the file ends inside the TIFF directory of page %1")
                                       .arg(number)));
        case CTiffFile::Select::Damaged: {
            const QString error = tiff.TakeError();
            return Failed(LoadStatus::CannotDecode,
                          CorruptFault(error.isEmpty()
                                           ? QStringLiteral("the directory of page %1 cannot be read")
                                                 .arg(number)
                                           : error));
        }
    }
    QImage image;
    const DirectDecode decoded = DecodeTiffPage(tiff, m_pixels, image);
    switch (decoded.outcome) {
        case DirectDecode::Outcome::Decoded:
            return Keep(std::move(image));
        case DirectDecode::Outcome::OutOfMemory:
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
        case DirectDecode::Outcome::Declined:
        case DirectDecode::Outcome::Failed:
            break;
    }
    return Failed(LoadStatus::CannotDecode, decoded.fault);
}

CPicture::LoadResult CPicture::Decode(const QByteArray& data) {
    if (data.isEmpty()) {
        // Mostly a copy that stopped before its first byte.
        return Failed(LoadStatus::CannotDecode,
                      {QStringLiteral("the file is empty"),
                       QCoreApplication::translate("Document", "ファイルが空です。"),
                       PictureProblem::CutShort});
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
    QImage image;
    if (const PictureFault fault = DecodeWithQt(data, m_pixels, image)) {
        return Failed(LoadStatus::CannotDecode, fault);
    }
    if (image.width() <= 0 || image.height() <= 0) {
        return Failed(LoadStatus::CannotDecode, NoPixels());
    }
    const QImage::Format held = HeldFormat(image.format());
    if (image.format() != held) {
        image.convertTo(held);
        if (image.isNull() || image.format() != held) {
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
        }
    }
    return Keep(std::move(image));
}

CPicture::LoadResult CPicture::Keep(QImage image) {
    m_image = std::move(image);
    if (m_image.format() != QImage::Format_RGB32 && m_displayCopy == DisplayCopy::AtLoad) {
        if (DisplayImage().isNull()) {
            m_image = QImage();
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
        }
    }
    return {};
}

PixelView CPicture::View() const {
    if (m_image.isNull()) return {};
    const PixelFormat format = m_image.format() == QImage::Format_RGBX64 ? PixelFormat::Rgba64
                               : m_image.format() == QImage::Format_Grayscale16
                                   ? PixelFormat::Grey16
                                   : PixelFormat::Rgb32;
    return {m_image.constBits(), m_image.width(), m_image.height(),
            static_cast<std::ptrdiff_t>(m_image.bytesPerLine()), format};
}

PixelView CPicture::View(const PixelRequest& request) const {
    if (m_part.IsNull()) return View();
    return request == m_partRequest ? m_part : PixelView{};
}

const QImage& CPicture::DisplayImage() const {
    if (m_image.isNull() || m_image.format() == QImage::Format_RGB32) return m_image;
    if (m_display.isNull()) m_display = MakeDisplayImage(View(), m_displayPixels);
    return m_display;
}
