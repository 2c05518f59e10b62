// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "picture/tiff_file.h"

namespace {

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

}  // namespace

namespace picture_io {

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

PictureFault OpenFault(int error) {
    // A part of the path that is no folder leaves no file of that name either.
    const bool missing = error == ENOENT || error == ENOTDIR;
    PictureFault fault(SystemReason(error), OpenFailureText(error),
                       missing ? PictureProblem::Missing : PictureProblem::Unreadable);
    // Running out of descriptors says nothing of the file: the caller must know.
    fault.systemError = error;
    return fault;
}

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

bool IsTiffFile(int fd) {
    char header[4] = {};
    return ::pread(fd, header, sizeof header, 0) == 4 && IsTiffSignature(header, sizeof header);
}

}  // namespace picture_io
