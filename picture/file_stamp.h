// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the file system tells of a file without reading it: which file it is and when its
// content last changed. Two equal stamps taken before and after a decode say that the picture
// is that of the bytes on disk; a stamp taken again before the picture is used says whether it
// still is. The change time is kept beside the modification time because a copy that keeps the
// source's modification time (cp -p) still sets it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSec = 0;
    std::int64_t modifiedNsec = 0;
    std::int64_t changedSec = 0;
    std::int64_t changedNsec = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at the path (followed through links); none when it cannot be had.
std::optional<FileStamp> StampFile(const std::string& path);

// The stamp of what fstat or stat told of a file.
struct stat;
FileStamp StampOf(const struct stat& st);
