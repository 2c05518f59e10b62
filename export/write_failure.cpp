// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/write_failure.h"

#include <cerrno>
#include <cstring>

namespace {

WriteError ErrorFor(int errnoValue) {
    switch (errnoValue) {
        case ENOSPC:
        case EDQUOT:
            return WriteError::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return WriteError::NoPermission;
        case ENOENT:
        case ENOTDIR:
            return WriteError::FolderMissing;
        case EISDIR:
            return WriteError::IsFolder;
        default:
            return WriteError::Other;
    }
}

std::string CauseText(WriteError error, int errnoValue) {
    switch (error) {
        case WriteError::DiskFull:
            return "the disk is full";
        case WriteError::NoPermission:
            return "permission denied";
        case WriteError::FolderMissing:
            return "the folder does not exist";
        case WriteError::IsFolder:
            return "it is a folder";
        case WriteError::None:
        case WriteError::Other:
            break;
    }
    // strerror follows the process locale; the message is always English.
    if (const char* text = strerrordesc_np(errnoValue)) return text;
    return "error " + std::to_string(errnoValue);
}

}  // namespace

WriteResult WriteFailure(const std::string& path, int errnoValue) {
    const WriteError error = ErrorFor(errnoValue);
    return WriteFailure(path, error, errnoValue, CauseText(error, errnoValue));
}

WriteResult WriteFailure(const std::string& path, WriteError error, int errnoValue,
                         const std::string& cause) {
    WriteResult result;
    result.error = error;
    result.errnoValue = errnoValue;
    result.message = "cannot write " + path + ": " + cause;
    return result;
}
