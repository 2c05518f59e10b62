#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

enum class WriteError {
    None,
    DiskFull,
    NoPermission,
    FolderMissing,
    IsFolder,
    Other,
};

struct WriteResult {
    WriteError error = WriteError::None;
    int errnoValue = 0;
    std::string message;  // names the cause and the path; empty on success

    bool ok() const { return error == WriteError::None; }
};

// Writes the bytes to a temporary file beside the target and renames it over the target only
// when every byte is on disk, so the target is either the old file, untouched, or the new one.
WriteResult WriteFileSafely(const std::string& path, std::string_view bytes);

namespace detail {
// The file's bytes go out through this function (::write in the program), so that tests can
// make a write fail part of the way through, as a full disk does.
using WriteFunction = ssize_t (*)(int fd, const void* data, std::size_t count);
WriteResult WriteFileSafely(const std::string& path, std::string_view bytes,
                            WriteFunction writeFunction);
}  // namespace detail
