// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_entries.h"

#include <fcntl.h>
#include <tiffio.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>

#include "picture/entry_times.h"
#include "picture/tiff_file.h"
#include "picture/video_frames.h"

namespace {

FileEntries Failure(CPicture::LoadStatus status, const QString& reason, const QString& uiReason,
                    PictureProblem problem) {
    FileEntries entries;
    entries.result = {status, reason, uiReason, problem, 0};
    return entries;
}

// The pages of a TIFF and the times its first page's description gives them.
FileEntries SurveyTiff(int fd, std::int64_t size) {
    QString error;
    const std::unique_ptr<CTiffFile> tiff = CTiffFile::OpenFile(fd, size, error);
    if (!tiff) {
        return Failure(CPicture::LoadStatus::CannotDecode, error,
                       QCoreApplication::translate("Document", "画像のデータが壊れています。"),
                       PictureProblem::Damaged);
    }
    FileEntries entries;
    entries.count = tiff->CountPages();
    if (entries.count <= 1) {
        entries.count = 1;
        return entries;
    }
    entries.kind = FileEntries::Kind::Pages;
    const char* description = nullptr;
    if (tiff->SelectPage(0) == CTiffFile::Select::Ok &&
        TIFFGetField(tiff->Handle(), TIFFTAG_IMAGEDESCRIPTION, &description) != 0 &&
        description != nullptr) {
        entries.times = TimesFromDescription(description, entries.count);
    }
    return entries;
}

}  // namespace

FileEntries SurveyEntries(const std::string& path, const ReadProgress& progress) {
    // The open failures in the loader's own words.
    if (const CPicture::LoadResult probe = CPicture::Probe(path);
        probe.status != CPicture::LoadStatus::Ok) {
        FileEntries entries;
        entries.result = probe;
        return entries;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return FileEntries{FileEntries::Kind::Single, 1, {}, CPicture::Probe(path)};
    std::array<char, 8> head{};
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    const off_t size = ::lseek(fd, 0, SEEK_END);
    if (got >= 4 && IsTiffSignature(head.data(), static_cast<std::size_t>(got))) {
        return SurveyTiff(fd, size);  // which keeps and closes the descriptor
    }
    ::close(fd);
    FileEntries entries;
    const auto starts = [&](const char* magic, std::size_t length) {
        return got >= static_cast<ssize_t>(length) && std::equal(magic, magic + length, head.data());
    };
    if (starts("\xFF\xD8", 2)) {
        const EntryTime time = ExifTimeOfFile(path);
        if (time.Known()) entries.times = {time};
        return entries;
    }
    if (starts("BM", 2) || starts("GIF8", 4) || starts("\x89PNG", 4)) return entries;
    // Neither a picture nor a stack: a video gives its frames, and says why when it is none.
    return SurveyVideo(path, progress);
}
