// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/file_stamp.h"

#include <sys/stat.h>

std::optional<FileStamp> StampFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return StampOf(st);
}

FileStamp StampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.modifiedSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    stamp.modifiedNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    stamp.changedSec = static_cast<std::int64_t>(st.st_ctim.tv_sec);
    stamp.changedNsec = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    return stamp;
}
