#include "export/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// Longest part of the target's name that goes into the temporary name, so that the temporary
// name stays within the file system's limit of 255 bytes.
constexpr std::size_t kMaxNameInTemp = 200;
constexpr int kTempAttempts = 100;

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

WriteResult Failure(const std::string& path, int errnoValue) {
    WriteResult result;
    result.error = ErrorFor(errnoValue);
    result.errnoValue = errnoValue;
    result.message = "cannot write " + path + ": " + CauseText(result.error, errnoValue);
    return result;
}

WriteResult FolderFailure(const std::string& path) {
    WriteResult result;
    result.error = WriteError::IsFolder;
    result.errnoValue = EISDIR;
    result.message = "cannot write " + path + ": " + CauseText(result.error, EISDIR);
    return result;
}

// The path the bytes really go to: a symbolic link is followed, so that the file it names is
// replaced and the link stays a link. A dangling link is replaced by the file itself.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// Creates a new file beside the target under an unused hidden name. The mode 0666 lets the
// umask (and a default ACL of the folder) decide the new file's permissions, as for any file
// the user creates.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    if (name.size() > kMaxNameInTemp) name.resize(kMaxNameInTemp);

    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
        std::string suffix(8, 'x');
        for (char& c : suffix) c = kLetters[pick(random)];
        tempPath = folder + "." + name + "." + suffix + ".tmp";
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncFile(fd);
    ::close(fd);
}

}  // namespace

WriteResult WriteFileSafely(const std::string& path, std::string_view bytes) {
    return detail::WriteFileSafely(path, bytes, &::write);
}

WriteResult detail::WriteFileSafely(const std::string& path, std::string_view bytes,
                                    WriteFunction writeFunction) {
    if (path.empty()) return Failure(path, ENOENT);
    const std::string target = ResolveTarget(path);

    // A folder under the chosen name is reported before anything is created.
    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) return FolderFailure(path);
        // A device, a pipe or a socket would be replaced by a plain file (as root, even in
        // /dev): refuse instead.
        if (!S_ISREG(old.st_mode)) {
            WriteResult result;
            result.error = WriteError::Other;
            result.errnoValue = EINVAL;
            result.message = "cannot write " + path + ": it is not a regular file";
            return result;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return Failure(path, errno);
    } else if (target.back() == '/') {
        return Failure(path, ENOENT);
    }

    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0) return Failure(path, errno);

    const auto fail = [&](int errnoValue, bool open) {
        if (open) ::close(fd);
        ::unlink(tempPath.c_str());
        return Failure(path, errnoValue);
    };

    if (exists) {
        // The replacement keeps the old file's permissions and, where allowed, its owner.
        if (::fchmod(fd, old.st_mode & 07777) != 0) return fail(errno, true);
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            // Only root may give a file away; when that is refused the new file stays the
            // writer's, as a file saved over another user's file would.
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    }
    if (!WriteAll(fd, bytes, writeFunction)) return fail(errno, true);
    if (SyncFile(fd) != 0) return fail(errno, true);
    // close can report a failed delayed write (network file systems); it is never retried.
    if (::close(fd) != 0) return fail(errno, false);
    if (::rename(tempPath.c_str(), target.c_str()) != 0) return fail(errno, false);
    SyncFolder(target);
    return {};
}
