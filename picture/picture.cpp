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
#include "picture/picture_io.h"
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
// first bytes as Qt tells them apart (so a JPEG named .bmp is still a JPEG). With a request, a
// JPEG is decoded only where it reads, `part` then set.
DirectDecode DecodeDirect(const QByteArray& data, CPixelBuffer& pixels,
                          const PixelRequest* request, PixelView& part) {
    if (data.startsWith("\xFF\xD8")) {
        return request != nullptr ? DecodeJpegPart(data, pixels, *request, part)
                                  : DecodeJpeg(data, pixels);
    }
    if (data.startsWith("BM")) return DecodeBmp24(data, pixels);
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) return DecodeGif(data, pixels);
    return {};
}

}  // namespace

using namespace picture_io;

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
    DropPicture();
    m_pixels = CPixelBuffer();
    m_displayPixels = CPixelBuffer();
    m_file = QByteArray();
    m_video.reset();
}

CPicture::LoadResult CPicture::Load(const std::string& path) {
    return LoadFile(path, nullptr);
}

CPicture::LoadResult CPicture::LoadFile(const std::string& path, const PixelRequest* request) {
    DropPicture();
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
        PixelView part;
        if (tiff && tiff->SelectPage(0) == CTiffFile::Select::Ok &&
            DecodeTiffPageFor(*tiff, m_pixels, request, image, part).outcome ==
                DirectDecode::Outcome::Decoded) {
            ::close(fd);
            return part.IsNull() ? Keep(std::move(image)) : KeepPart(part, *request);
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
    LoadResult result = Decode(m_file, request);
    if (m_fileBytes == FileBytes::Release) m_file = QByteArray();
    return result;
}

CPicture::LoadResult CPicture::LoadData(QByteArray data) {
    DropPicture();
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

CPicture::LoadResult CPicture::Decode(const QByteArray& data, const PixelRequest* request) {
    if (data.isEmpty()) {
        // Mostly a copy that stopped before its first byte.
        return Failed(LoadStatus::CannotDecode,
                      {QStringLiteral("the file is empty"),
                       QCoreApplication::translate("Document", "ファイルが空です。"),
                       PictureProblem::CutShort});
    }
    PixelView part;
    const DirectDecode direct = DecodeDirect(data, m_pixels, request, part);
    if (!part.IsNull()) return KeepPart(part, *request);
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

void CPicture::DropPicture() {
    m_image = QImage();
    m_part = {};
    m_display = QImage();
}

CPicture::LoadResult CPicture::KeepPart(const PixelView& part, const PixelRequest& request) {
    m_part = part;
    m_partRequest = request;
    return {};
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
