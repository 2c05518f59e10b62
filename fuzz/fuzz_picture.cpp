// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files as the program reads them: any bytes either decode into a whole picture (32-bit,
// or 16-bit grey or colour with its 32-bit copy to paint) within the size limit, or fail with a
// reason for the batch tool and one for the window. A TIFF's first pages are also read as the
// pages of a stack, from a file.
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "picture/picture.h"
#include "picture/qt_decode.h"
#include "picture/tiff_file.h"

namespace {

void Check(const CPicture& picture, const CPicture::LoadResult& result) {
    if (result.status != CPicture::LoadStatus::Ok) {
        if (result.reason.isEmpty() || result.uiReason.isEmpty() || !picture.IsNull()) {
            std::abort();
        }
        return;
    }
    const QImage::Format format = picture.Image().format();
    if (picture.IsNull() || HeldFormat(format) != format ||
        qint64(picture.Width()) * picture.Height() * HeldBytesPerPixel(format) >
            CPicture::kMaxPixelBytes) {
        std::abort();
    }
    const QImage& display = picture.DisplayImage();
    if (display.format() != QImage::Format_RGB32 || display.size() != picture.Image().size()) {
        std::abort();
    }
    // Every pixel is readable; outside reads as invalid.
    const PixelView view = picture.View();
    const int x = picture.Width() - 1;
    const int y = picture.Height() - 1;
    // What is painted is the 8-bit colour that GetPixel gives.
    const std::uint32_t bgr = view.GetPixel(x, y);
    const QRgb painted = display.pixel(x, y);
    if (qRed(painted) != int(bgr & 0xFF) || qGreen(painted) != int(bgr >> 8 & 0xFF) ||
        qBlue(painted) != int(bgr >> 16 & 0xFF)) {
        std::abort();
    }
    if (view.GetPixel(picture.Width(), 0) != CLR_INVALID) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    const char* bytes = reinterpret_cast<const char*>(data);
    Check(picture, picture.LoadData(QByteArray(bytes, static_cast<qsizetype>(size))));
    if (!IsTiffSignature(bytes, size)) return 0;
    const int fd = ::memfd_create("stack.tif", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    CPicture pages;  // one for all pages, as the image list reads them
    for (const std::int64_t page : {1, 0, 2}) Check(pages, pages.Load(path, page));
    ::close(fd);
    return 0;
}
