// SPDX-License-Identifier: GPL-3.0-or-later
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

// Writes the bytes to the file at `path`, as far as the user may write that file: a file the
// user may not write is refused, whoever may write its folder.
//
// Normally the bytes go to a temporary file beside the target, which is renamed over the target
// only when every byte is on disk, so the target is either the old file, untouched, or the new
// one. A symbolic link is followed and stays a link (a dangling one gets the file it names).
// Two kinds of target are written in place instead, into the existing file: one with more than
// one name (a rename would leave the other names on the old file), and one in a folder where
// the user may not create the temporary. In place, the target is left as it was when the write
// is refused or the disk is too full to start, but a failure or a crash in the middle leaves it
// mixed, part new and part old.
//
// A new file is made with `newFileMode` less the umask; a replaced one keeps its own mode.
WriteResult WriteFileSafely(const std::string& path, std::string_view bytes,
                            mode_t newFileMode = 0666);

// The file that the path names once the symbolic links it ends in are followed, each relative
// one read from the folder that holds it, as far as a name that is no link or is not there
// (which is then the result). Links inside the path are left to the kernel. Returns 0 or an
// errno. WriteFileSafely writes the file so named.
int FollowFinalLinks(const std::string& path, std::string& target);

// Makes SIGTERM, SIGINT and SIGHUP remove the temporary file of a write in progress before they
// end the process as they would have; signals the process ignores stay ignored. For programs
// that write one file at a time, like the batch tool.
void RemoveTemporaryOnSignals();

namespace detail {
// The file's bytes go out through this function (::write in the program), so that tests can
// make a write fail part of the way through, as a full disk does.
using WriteFunction = ssize_t (*)(int fd, const void* data, std::size_t count);
WriteResult WriteFileSafely(const std::string& path, std::string_view bytes,
                            WriteFunction writeFunction, mode_t newFileMode = 0666);
}  // namespace detail
