// Picture files as the program reads them: any bytes either decode into a whole 32-bit picture
// within the size limit, or fail with a reason for the batch tool and one for the window.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "document/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CPicture picture;
    const CPicture::LoadResult result = picture.LoadData(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (result.status != CPicture::LoadStatus::Ok) {
        if (result.reason.isEmpty() || result.uiReason.isEmpty() || !picture.IsNull()) {
            std::abort();
        }
        return 0;
    }
    if (picture.IsNull() || picture.Image().format() != QImage::Format_RGB32 ||
        qint64(picture.Width()) * picture.Height() * 4 > CPicture::kMaxPixelBytes) {
        std::abort();
    }
    // Every pixel is readable; outside reads as invalid.
    const PixelView view = picture.View();
    (void)view.GetPixel(picture.Width() - 1, picture.Height() - 1);
    if (view.GetPixel(picture.Width(), 0) != CLR_INVALID) std::abort();
    return 0;
}
