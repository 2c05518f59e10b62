// SPDX-License-Identifier: GPL-3.0-or-later
// The pages of a multi-page TIFF and the frames of a video, each loaded as one picture.
#include <unistd.h>

#include <QCoreApplication>
#include <memory>

#include "picture/file_stamp.h"
#include "picture/picture.h"
#include "picture/picture_io.h"
#include "picture/tiff_decode.h"
#include "picture/tiff_file.h"
#include "picture/video_frames.h"

using namespace picture_io;

CPicture::LoadResult CPicture::Load(const std::string& path, std::int64_t frame) {
    return LoadEntry(path, frame, nullptr);
}

CPicture::LoadResult CPicture::Load(const std::string& path, std::int64_t frame,
                                    const PixelRequest& request) {
    return LoadEntry(path, frame, &request);
}

CPicture::LoadResult CPicture::LoadEntry(const std::string& path, std::int64_t frame,
                                         const PixelRequest* request) {
    if (frame < 0) return LoadFile(path, request);
    DropPicture();
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
    return LoadPage(frame, request);
}

CPicture::LoadResult CPicture::LoadPage(std::int64_t page, const PixelRequest* request) {
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
    PixelView part;
    const DirectDecode decoded = DecodeTiffPageFor(tiff, m_pixels, request, image, part);
    switch (decoded.outcome) {
        case DirectDecode::Outcome::Decoded:
            return part.IsNull() ? Keep(std::move(image)) : KeepPart(part, *request);
        case DirectDecode::Outcome::OutOfMemory:
            return Failed(LoadStatus::OutOfMemory,
                          OutOfMemory("not enough memory for the decoded picture"));
        case DirectDecode::Outcome::Declined:
        case DirectDecode::Outcome::Failed:
            break;
    }
    return Failed(LoadStatus::CannotDecode, decoded.fault);
}

