// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/safe_write.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "export/temp_cleanup.h"
#include "export/write_failure.h"

namespace {

// Longest part of the target's name that goes into the temporary name, so that the temporary
// name stays within the file system's limit of 255 bytes.
constexpr std::size_t kMaxNameInTemp = 200;
constexpr int kTempAttempts = 100;
// Links followed before giving up, as many as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// The folder part of the path with its final slash; empty for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates a new file beside the target under an unused hidden name. The mode (0666 but for
// files that others must not read) lets the umask (and a default ACL of the folder) decide the
// new file's permissions, as for any file the user creates.
int CreateTemporary(const std::string& target, std::string& tempPath, mode_t mode) {
    const std::string folder = FolderOf(target);
    std::string name = target.substr(folder.size());
    if (name.size() > kMaxNameInTemp) name.resize(kMaxNameInTemp);

    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string suffix(8, 'x');
        for (char& c : suffix) c = kLetters[pick(random)];
        tempPath = folder + "." + name + "." + suffix + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::string_view bytes, detail::WriteFunction writeFunction) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = writeFunction(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            // A regular file that takes nothing would loop for ever; call it an I/O error.
            errno = EIO;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

int SyncFile(int fd) {
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// Makes the rename itself durable; a failure here leaves the new file in place, so it is not
// reported.
void SyncFolder(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string name =
        folder.empty() ? "." : (folder.size() == 1 ? "/" : folder.substr(0, folder.size() - 1));
    const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncFile(fd);
    ::close(fd);
}

WriteResult NotRegular(const std::string& path) {
    return WriteFailure(path, WriteError::Other, EINVAL, "it is not a regular file");
}

// Writes a new file beside the target and renames it over the target (`old` is the target's
// state, or null when there is none yet; a new file is made with `newMode`). Sets
// `folderRefused`, writing nothing, when the folder will not take the new file or the rename but
// the target exists, so it may be written in place.
WriteResult ReplaceByRename(const std::string& path, const std::string& target,
                            const struct stat* old, std::string_view bytes,
                            detail::WriteFunction writeFunction, mode_t newMode,
                            bool& folderRefused) {
    std::string tempPath;
    bool noted = false;
    int fd = -1;
    int createError = 0;
    {
        HeldSignals held;
        fd = CreateTemporary(target, tempPath, newMode);
        if (fd >= 0) {
            noted = NoteTemporary(tempPath);
        } else {
            createError = errno;
        }
    }
    if (fd < 0) {
        if (old != nullptr && (createError == EACCES || createError == EPERM)) {
            folderRefused = true;
            return {};
        }
        return WriteFailure(path, createError);
    }

    // Nothing is left behind on any failure.
    const auto removeTemporary = [&] {
        HeldSignals held;
        ::unlink(tempPath.c_str());
        if (noted) ForgetTemporary();
    };
    const auto fail = [&](int errnoValue, bool open) {
        if (open) ::close(fd);
        removeTemporary();
        return WriteFailure(path, errnoValue);
    };

    if (old != nullptr) {
        // The replacement keeps the old file's permissions and, where allowed, its owner.
        if (::fchmod(fd, old->st_mode & 07777) != 0) return fail(errno, true);
        if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
            // Only root may give a file away; when that is refused the new file stays the
            // writer's, as a file saved over another user's file would.
            [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
        }
    }
    if (!WriteAll(fd, bytes, writeFunction)) return fail(errno, true);
    if (SyncFile(fd) != 0) return fail(errno, true);
    // close can report a failed delayed write (network file systems); it is never retried.
    if (::close(fd) != 0) return fail(errno, false);

    int renameError = 0;
    {
        HeldSignals held;
        if (::rename(tempPath.c_str(), target.c_str()) == 0) {
            if (noted) ForgetTemporary();
        } else {
            renameError = errno;
        }
    }
    if (renameError != 0) {
        removeTemporary();
        // A folder with the sticky bit (like /tmp) takes new files from everyone but lets only
        // a file's owner replace it; another user's file that is writable is written in place.
        if (old != nullptr && (renameError == EACCES || renameError == EPERM)) {
            folderRefused = true;
            return {};
        }
        return WriteFailure(path, renameError);
    }
    SyncFolder(target);
    return {};
}

// Writes the bytes into the existing file through `fd` (opened for writing, not truncated) and
// closes it. All bytes are built before the first write, and space for a longer file is
// reserved first, so the file is left as it was when the disk is too full to start. What this
// costs against the rename is atomicity: from the first write on, readers see a file part new
// and part old, and a failure or a crash in the middle leaves it so (or cut short). The message
// says when that happened.
WriteResult WriteInPlace(const std::string& path, int fd, const struct stat& old,
                         std::string_view bytes, detail::WriteFunction writeFunction) {
    const auto size = static_cast<off_t>(bytes.size());
    if (size > old.st_size) {
        int rc;
        do {
            rc = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size);
        } while (rc != 0 && errno == EINTR);
        // A file system that cannot reserve space (EOPNOTSUPP) leaves it to the writes.
        if (rc != 0 && (errno == ENOSPC || errno == EDQUOT)) {
            const int error = errno;
            ::close(fd);
            return WriteFailure(path, error);
        }
    }
    const auto broken = [&](int errnoValue, bool open) {
        if (open) ::close(fd);
        WriteResult result = WriteFailure(path, errnoValue);
        result.message += " (the file was being written in place and is now incomplete)";
        return result;
    };
    if (!WriteAll(fd, bytes, writeFunction)) return broken(errno, true);
    if (::ftruncate(fd, size) != 0) return broken(errno, true);
    if (SyncFile(fd) != 0) return broken(errno, true);
    if (::close(fd) != 0) return broken(errno, false);
    return {};
}

}  // namespace

int FollowFinalLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
        if (hop == kMaxLinks) return ELOOP;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) return errno;
        if (static_cast<std::size_t>(length) >= link.size()) return ENAMETOOLONG;
        link.resize(static_cast<std::size_t>(length));
        // A relative link is read from the folder that holds it, as the kernel reads it.
        target = !link.empty() && link.front() == '/' ? link : FolderOf(target) + link;
    }
}

WriteResult WriteFileSafely(const std::string& path, std::string_view bytes, mode_t newFileMode) {
    return detail::WriteFileSafely(path, bytes, &::write, newFileMode);
}

WriteResult detail::WriteFileSafely(const std::string& path, std::string_view bytes,
                                    WriteFunction writeFunction, mode_t newFileMode) {
    if (path.empty()) return WriteFailure(path, ENOENT);
    std::string target;
    // The symbolic links that the path ends in are followed, so that the file a link names is
    // written and the link stays a link; a dangling link names the file to create.
    if (const int error = FollowFinalLinks(path, target); error != 0) {
        return WriteFailure(path, error);
    }

    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) {
        if (errno != ENOENT) return WriteFailure(path, errno);
        if (target.back() == '/') return WriteFailure(path, ENOENT);
        bool folderRefused = false;  // there is no file to write in place
        return ReplaceByRename(path, target, nullptr, bytes, writeFunction, newFileMode,
                               folderRefused);
    }
    // A folder under the chosen name is reported before anything is created.
    if (S_ISDIR(old.st_mode)) return WriteFailure(path, EISDIR);
    // A device, a pipe or a socket would be replaced by a plain file (as root, even in /dev):
    // refuse instead.
    if (!S_ISREG(old.st_mode)) return NotRegular(path);

    // Whether the user may write the file is the kernel's to say, as for any program that opens
    // it: mode bits, ACLs, a read-only mount, an immutable file, root's privilege. Replacing the
    // file through its folder must not get round a refusal.
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return WriteFailure(path, errno);
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return NotRegular(path);
    }
    // A rename would leave the file's other names on the old bytes.
    if (opened.st_nlink > 1) return WriteInPlace(path, fd, opened, bytes, writeFunction);

    bool folderRefused = false;
    WriteResult result =
        ReplaceByRename(path, target, &opened, bytes, writeFunction, newFileMode, folderRefused);
    if (folderRefused) return WriteInPlace(path, fd, opened, bytes, writeFunction);
    ::close(fd);
    return result;
}
