// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plainest decode of a JPEG series, the baseline of the batch tool's decoding: each file read
// into memory kept from file to file, and TurboJPEG's decode into pixels likewise kept.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "session/session_file.h"

// Reads a whole file into `bytes`, keeping its memory from file to file.
inline bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes, std::size_t& size) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size = 0;
    for (;;) {
        if (bytes.size() - size < 65536) bytes.resize(size + 65536 + size / 2);
        const ssize_t got = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (got <= 0) {
            ::close(fd);
            return got == 0;
        }
        size += static_cast<std::size_t>(got);
    }
}

// TurboJPEG's decoder with the file and pixel memory it keeps from file to file.
class TurboDecoder {
public:
    TurboDecoder() : m_handle(tjInitDecompress()) {}
    ~TurboDecoder() { tjDestroy(m_handle); }
    TurboDecoder(const TurboDecoder&) = delete;
    TurboDecoder& operator=(const TurboDecoder&) = delete;

    // Decodes images first, first + step, ... of the series; false on any failure.
    bool DecodeEvery(const std::vector<SessionImage>& images, std::size_t first, std::size_t step) {
        for (std::size_t k = first; k < images.size(); k += step) {
            std::size_t size = 0;
            int width = 0;
            int height = 0;
            int subsampling = 0;
            int colours = 0;
            if (!ReadFile(images[k].path, m_bytes, size) ||
                tjDecompressHeader3(m_handle, m_bytes.data(), size, &width, &height,
                                    &subsampling, &colours) != 0) {
                return false;
            }
            m_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
            if (tjDecompress2(m_handle, m_bytes.data(), size, m_pixels.data(), width, width * 4,
                              height, TJPF_BGRX, 0) != 0) {
                return false;
            }
            benchmark::DoNotOptimize(m_pixels.data());
        }
        return true;
    }

private:
    tjhandle m_handle;
    std::vector<unsigned char> m_bytes;
    std::vector<unsigned char> m_pixels;
};

