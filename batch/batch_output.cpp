// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/batch_output.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>

#include "export/safe_write.h"
#include "export/write_failure.h"

namespace {

// Links followed before giving up, as many as the kernel follows in one path.
constexpr int kMaxLinks = 40;

std::string SystemReason(int error) {
    // strerror follows the process locale; the messages are always English.
    if (const char* text = strerrordesc_np(error)) return text;
    return "error " + std::to_string(error);
}

// The descriptor a name stands for: /dev/stdin, /dev/stdout, /dev/stderr, /dev/fd/N and
// /proc/self/fd/N (also by thread-self or this process's id).
std::optional<int> DescriptorNamed(std::string_view name) {
    if (name == "/dev/stdin") return 0;
    if (name == "/dev/stdout") return 1;
    if (name == "/dev/stderr") return 2;
    const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
    for (const std::string_view folder :
         {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/"),
          std::string_view("/proc/thread-self/fd/"), std::string_view(own)}) {
        if (!name.starts_with(folder)) continue;
        const std::string_view digits = name.substr(folder.size());
        int fd = -1;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
        if (error == std::errc() && end == digits.data() + digits.size() && fd >= 0) return fd;
        return std::nullopt;
    }
    return std::nullopt;
}

// The descriptor the name stands for, itself or through the symbolic links it ends in.
std::optional<int> DescriptorBehind(const std::string& output) {
    std::string name = output;
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
        if (const std::optional<int> fd = DescriptorNamed(name)) return fd;
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return std::nullopt;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(name.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<std::size_t>(length) >= link.size()) return std::nullopt;
        link.resize(static_cast<std::size_t>(length));
        if (link.empty() || link.front() != '/') {
            const std::size_t slash = name.rfind('/');
            link = (slash == std::string::npos ? std::string() : name.substr(0, slash + 1)) + link;
        }
        name = link;
    }
    return std::nullopt;
}

// Writes all the bytes to the descriptor, waiting where it is non-blocking and full; 0 or the
// errno of the failure.
int WriteAllTo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd ready{fd, POLLOUT, 0};
                ::poll(&ready, 1, -1);
                continue;
            }
            return errno;
        }
        if (written == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

BatchOutcome Failed(const BatchOutput& output, int error) {
    if (IsOutOfDescriptors(error)) return OutOfDescriptors("writing " + output.name);
    if (output.IsStandardOutput()) {
        return {BatchStatus::WriteFailed,
                "cannot write to standard output: " + SystemReason(error)};
    }
    return {BatchStatus::WriteFailed, WriteFailure(output.name, error).message};
}

}  // namespace

BatchOutput ResolveBatchOutput(const std::string& output) {
    BatchOutput resolved;
    resolved.name = output;
    resolved.path = output;
    const std::optional<int> fd = output == "-" ? std::optional<int>(1) : DescriptorBehind(output);
    if (fd) {
        resolved.kind = BatchOutput::Kind::Descriptor;
        resolved.fd = *fd;
        if (*fd == 1) resolved.name = "standard output";
        return resolved;
    }
    struct stat st {};
    if (::stat(output.c_str(), &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        resolved.kind = BatchOutput::Kind::Stream;
    }
    return resolved;
}

BatchOutcome CheckBatchOutput(const BatchOutput& output) {
    struct stat st {};
    switch (output.kind) {
        case BatchOutput::Kind::Descriptor: {
            const int flags = ::fcntl(output.fd, F_GETFL);
            if (flags == -1) return Failed(output, errno);
            if ((flags & O_ACCMODE) == O_RDONLY) return Failed(output, EBADF);
            return {};
        }
        case BatchOutput::Kind::File:
            if (::stat(output.path.c_str(), &st) != 0) return {};  // to be made
            if (S_ISDIR(st.st_mode)) return Failed(output, EISDIR);
            if (!S_ISREG(st.st_mode)) {
                return {BatchStatus::WriteFailed,
                        WriteFailure(output.name, WriteError::Other, EINVAL,
                                     "it is a block device or a socket")
                            .message};
            }
            return {};
        case BatchOutput::Kind::Stream:
            return {};
    }
    return {};
}

bool StatBatchOutput(const BatchOutput& output, struct stat& st) {
    if (output.kind == BatchOutput::Kind::Descriptor) return ::fstat(output.fd, &st) == 0;
    return ::stat(output.path.c_str(), &st) == 0;
}

BatchOutcome WriteBatchOutput(const BatchOutput& output, std::string_view bytes) {
    switch (output.kind) {
        case BatchOutput::Kind::File: {
            const WriteResult written = WriteFileSafely(output.path, bytes);
            if (IsOutOfDescriptors(written.errnoValue)) {
                return OutOfDescriptors("writing " + output.name);
            }
            if (!written.ok()) return {BatchStatus::WriteFailed, written.message};
            return {};
        }
        case BatchOutput::Kind::Descriptor:
            if (const int error = WriteAllTo(output.fd, bytes); error != 0) {
                return Failed(output, error);
            }
            return {};
        case BatchOutput::Kind::Stream: {
            // A FIFO waits here for its reader, as for any program that writes one.
            const int fd = ::open(output.path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) return Failed(output, errno);
            int error = WriteAllTo(fd, bytes);
            if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
            if (error != 0) return Failed(output, error);
            return {};
        }
    }
    return {};
}
