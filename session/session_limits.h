// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// What a session may make the batch tool read and build. Without bounds, a device given as the
// session (/dev/zero) or a short file naming many images and many lines would run the program
// out of memory; the limits stop such sessions with a message before anything is built.

// Largest session file read. Even 100,000 images, each with its own calibration and cursors,
// take some 40 MB of text, and the parsed text takes up to twenty times its size in memory.
inline constexpr std::size_t kMaxSessionFileBytes = std::size_t(64) << 20;
// Most images in one session: about 1 GiB for the records alone.
inline constexpr std::uint64_t kMaxSessionImages = 1'000'000;
// Most lines measured in all (images x lines per image): about 1.7 GiB.
inline constexpr std::uint64_t kMaxSessionLines = 10'000'000;
// Different settings of detections: more than the channels, rules and options can make.
inline constexpr std::size_t kMaxSessionDetections = 65'536;

// The memory that measuring so many images and lines takes, in bytes.
std::uint64_t SessionMemoryNeeded(std::uint64_t images, std::uint64_t lines);

struct SessionSizeProblem {
    std::string field;  // the session's field to name, or empty
    std::string problem;
};

// Why a session of so many images, each with so many lines, is not measured; nullopt when it is
// within the limits.
std::optional<SessionSizeProblem> CheckSessionSize(std::uint64_t images, std::uint64_t lines);

// What a session may be read from. The batch tool reads a pipe as well (a session handed over on
// standard input); the window only a regular file: a pipe chosen by mistake, or one that took
// the place of a recent file, would block it until a writer came, and a window must not hang.
enum class SessionInput { FileOrPipe, RegularFile };

// Reads the session file at `path` into `text`, but never more than kMaxSessionFileBytes. Returns
// an empty string, or why the file cannot be read (for "PATH: cannot be read: WHY").
std::string ReadSessionText(const std::string& path, std::string& text,
                            SessionInput input = SessionInput::FileOrPipe);
