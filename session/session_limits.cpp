// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/session_limits.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Measured as the batch tool's peak resident size over sessions of 1,000 to 200,000 images and
// 1 to 2,000 lines. A line on an image costs its CScan in the record (held by pointer), the
// copy that a detection worker measures and its share of the data file's text; an image costs
// its record (title, path, line set, calibration), its detection job and its share of the
// parsed session.
constexpr std::uint64_t kBytesPerLine = 180;
constexpr std::uint64_t kBytesPerImage = 820;

std::string Gib(std::uint64_t bytes) {
    const std::uint64_t tenths = (bytes * 10 + (std::uint64_t(1) << 29)) >> 30;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " GiB";
}

std::string SystemReason(int error) {
    // strerror follows the process locale; the messages are always English.
    if (const char* text = strerrordesc_np(error)) return text;
    return "error " + std::to_string(error);
}

std::string TooLarge() {
    return "it is larger than " + std::to_string(kMaxSessionFileBytes >> 20) +
           " MiB, the most a session file may hold";
}

}  // namespace

std::uint64_t SessionMemoryNeeded(std::uint64_t images, std::uint64_t lines) {
    // In floating point: the counts come from the file and their product may not fit.
    const double bytes = static_cast<double>(images) * static_cast<double>(kBytesPerImage) +
                         static_cast<double>(images) * static_cast<double>(lines) *
                             static_cast<double>(kBytesPerLine);
    return bytes >= 1.8e19 ? UINT64_MAX : static_cast<std::uint64_t>(bytes);
}

std::optional<SessionSizeProblem> CheckSessionSize(std::uint64_t images, std::uint64_t lines) {
    if (images == 0) return std::nullopt;
    const std::string memory =
        ": it would need about " + Gib(SessionMemoryNeeded(images, lines)) + " of memory; ";
    if (images > kMaxSessionImages) {
        return SessionSizeProblem{
            "images", "the session has " + std::to_string(images) + " images" + memory +
                          "at most " + std::to_string(kMaxSessionImages) + " images are measured"};
    }
    if (lines > kMaxSessionLines / images) {
        return SessionSizeProblem{"", "the session has " + std::to_string(images) + " images x " +
                                          std::to_string(lines) + " lines" + memory + "at most " +
                                          std::to_string(kMaxSessionLines) +
                                          " lines in all are measured"};
    }
    return std::nullopt;
}

std::string ReadSessionText(const std::string& path, std::string& text, SessionInput input) {
    text.clear();
    const bool pipes = input == SessionInput::FileOrPipe;
    // For the batch tool a FIFO blocks here until a writer comes, as it would for any program
    // reading it; for the window nothing blocks, and a FIFO is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (pipes ? 0 : O_NONBLOCK));
    if (fd < 0) return SystemReason(errno);
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0) return SystemReason(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    // A device may never end (/dev/zero) or may be a whole disk. A pipe is read (a session
    // handed over by another program), but no further than the limit.
    if (!S_ISREG(st.st_mode) && !(pipes && S_ISFIFO(st.st_mode))) return "it is not a regular file";
    if (S_ISREG(st.st_mode)) {
        if (static_cast<std::uint64_t>(st.st_size) > kMaxSessionFileBytes) return TooLarge();
        text.reserve(static_cast<std::size_t>(st.st_size));
    }
    // Read to the end, which may lie elsewhere than the size said (the file may be growing),
    // but stop one byte past the limit.
    char chunk[65536];
    for (;;) {
        const std::size_t room = kMaxSessionFileBytes + 1 - text.size();
        const ssize_t got = ::read(fd, chunk, std::min(sizeof chunk, room));
        if (got < 0) {
            if (errno == EINTR) continue;
            text.clear();
            return SystemReason(errno);
        }
        if (got == 0) break;
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > kMaxSessionFileBytes) {
            text.clear();
            return TooLarge();
        }
    }
    return {};
}
