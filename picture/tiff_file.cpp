// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/tiff_file.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

bool IsTiffSignature(const char* bytes, std::size_t size) {
    if (size < 4) return false;
    const auto b = [bytes](int k) { return static_cast<unsigned char>(bytes[k]); };
    return (b(0) == 'I' && b(1) == 'I' && (b(2) == 42 || b(2) == 43) && b(3) == 0) ||
           (b(0) == 'M' && b(1) == 'M' && b(2) == 0 && (b(3) == 42 || b(3) == 43));
}

struct TiffProcs {
    static tmsize_t Read(thandle_t handle, void* into, tmsize_t bytes) {
        auto* file = static_cast<CTiffFile*>(handle);
        const std::int64_t got = file->ReadAt(into, bytes, file->m_position);
        if (got > 0) file->m_position += got;
        return got;
    }
    static tmsize_t Write(thandle_t, void*, tmsize_t) { return -1; }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        auto* file = static_cast<CTiffFile*>(handle);
        const auto to = static_cast<std::int64_t>(offset);
        switch (whence) {
            case SEEK_SET:
                file->m_position = to;
                break;
            case SEEK_CUR:
                file->m_position += to;
                break;
            case SEEK_END:
                file->m_position = file->m_size + to;
                break;
            default:
                return static_cast<toff_t>(-1);
        }
        return static_cast<toff_t>(file->m_position);
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t handle) {
        return static_cast<toff_t>(static_cast<CTiffFile*>(handle)->m_size);
    }
    static int Map(thandle_t, void**, toff_t*) { return 0; }
    static void Unmap(thandle_t, void*, toff_t) {}
    static int Error(TIFF*, void* user, const char* module, const char* format, va_list args) {
        auto* file = static_cast<CTiffFile*>(user);
        if (file != nullptr && file->m_error.isEmpty()) {
            char text[512];
            std::vsnprintf(text, sizeof text, format, args);
            file->m_error = module != nullptr && *module != '\0'
                                ? QStringLiteral("%1: %2").arg(QString::fromUtf8(module),
                                                               QString::fromUtf8(text))
                                : QString::fromUtf8(text);
        }
        return 1;  // handled: nothing on standard error
    }
    static int Warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }
};

std::unique_ptr<CTiffFile> CTiffFile::OpenFile(int fd, std::int64_t size, QString& error) {
    std::unique_ptr<CTiffFile> file(new CTiffFile);
    file->m_fd = fd;
    file->m_size = size;
    if (!file->Open(error)) return nullptr;
    return file;
}

std::unique_ptr<CTiffFile> CTiffFile::OpenMemory(const QByteArray& data, QString& error) {
    std::unique_ptr<CTiffFile> file(new CTiffFile);
    file->m_data = data;
    file->m_size = data.size();
    if (!file->Open(error)) return nullptr;
    return file;
}

CTiffFile::~CTiffFile() {
    if (m_tiff != nullptr) TIFFClose(m_tiff);
    if (m_fd >= 0) ::close(m_fd);
}

CTiffHandle::~CTiffHandle() = default;

std::int64_t CTiffFile::ReadAt(void* into, std::int64_t bytes, std::int64_t at) const {
    if (bytes <= 0 || at < 0 || at >= m_size) return 0;
    if (m_fd < 0) {
        const std::int64_t n = std::min(bytes, m_size - at);
        std::memcpy(into, m_data.constData() + at, static_cast<std::size_t>(n));
        return n;
    }
    std::int64_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(m_fd, static_cast<char*>(into) + done,
                                    static_cast<std::size_t>(bytes - done), at + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return done > 0 ? done : -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool CTiffFile::ReadNumber(std::uint64_t at, int bytes, std::uint64_t& value) const {
    unsigned char raw[8] = {};
    if (at > static_cast<std::uint64_t>(m_size) ||
        ReadAt(raw, bytes, static_cast<std::int64_t>(at)) != bytes) {
        return false;
    }
    value = 0;
    for (int k = 0; k < bytes; ++k) value = value << 8 | raw[m_bigEndian ? k : bytes - 1 - k];
    return true;
}

bool CTiffFile::Open(QString& error) {
    char header[4] = {};
    if (ReadAt(header, 4, 0) != 4 || !IsTiffSignature(header, 4)) {
        error = QStringLiteral("not a TIFF file");
        return false;
    }
    m_bigEndian = header[0] == 'M';
    std::uint64_t version = 0;
    std::uint64_t first = 0;
    ReadNumber(2, 2, version);
    m_bigTiff = version == 43;
    if (!ReadNumber(m_bigTiff ? 8 : 4, m_bigTiff ? 8 : 4, first)) first = 0;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, TiffProcs::Error, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, TiffProcs::Warning, this);
    // "h": the header only, the pages are read when asked for; "m": never map the file; "c":
    // strips as stored, not cut into smaller ones, so that their sizes are the file's own.
    m_tiff = TIFFClientOpenExt("tiff", "rhmc", this, TiffProcs::Read, TiffProcs::Write,
                               TiffProcs::Seek, TiffProcs::Close, TiffProcs::Size, TiffProcs::Map,
                               TiffProcs::Unmap, options);
    TIFFOpenOptionsFree(options);
    if (m_tiff == nullptr) {
        error = TakeError();
        if (error.isEmpty()) error = QStringLiteral("libtiff cannot open the file");
        return false;
    }
    if (first != 0) {
        m_offsets.push_back(first);
        m_seen.insert(first);
    } else {
        m_chainEnded = true;
    }
    return true;
}

void CTiffFile::WalkTo(std::int64_t page) {
    // Each directory: a count of entries, the entries, and the next directory's offset.
    const int countBytes = m_bigTiff ? 8 : 2;
    const std::uint64_t entryBytes = m_bigTiff ? 20 : 12;
    const int offsetBytes = m_bigTiff ? 8 : 4;
    while (!m_chainEnded && static_cast<std::int64_t>(m_offsets.size()) <= page) {
        const std::uint64_t at = m_offsets.back();
        std::uint64_t entries = 0;
        std::uint64_t next = 0;
        if (!ReadNumber(at, countBytes, entries) ||
            entries > static_cast<std::uint64_t>(m_size) / entryBytes ||
            !ReadNumber(at + countBytes + entries * entryBytes, offsetBytes, next) || next == 0 ||
            !m_seen.insert(next).second) {
            // The end, a directory cut short (whose page then says so) or a loop.
            m_chainEnded = true;
            break;
        }
        m_offsets.push_back(next);
    }
}

std::int64_t CTiffFile::CountPages() {
    WalkTo(INT64_MAX - 1);
    return static_cast<std::int64_t>(m_offsets.size());
}

bool CTiffFile::ReadDirectory(std::uint64_t at) {
    m_byteCounts.clear();
    m_hasByteCounts = false;
    const int countBytes = m_bigTiff ? 8 : 2;
    const int word = m_bigTiff ? 8 : 4;
    const std::uint64_t entrySize = m_bigTiff ? 20 : 12;
    const auto size = static_cast<std::uint64_t>(m_size);
    std::uint64_t entries = 0;
    if (!ReadNumber(at, countBytes, entries) || entries > size / entrySize ||
        at + countBytes + entries * entrySize + word > size) {
        return false;
    }
    // The size of one value of each field type; 0 for a type libtiff skips.
    static constexpr std::uint64_t kTypeSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4,
                                                   8, 4, 8, 4, 0, 0, 8, 8, 8};
    std::vector<unsigned char> raw(static_cast<std::size_t>(entries * entrySize));
    const auto rawSize = static_cast<std::int64_t>(raw.size());
    if (ReadAt(raw.data(), rawSize, static_cast<std::int64_t>(at) + countBytes) != rawSize) {
        return false;
    }
    const auto number = [this](const unsigned char* from, std::uint64_t bytes) {
        std::uint64_t v = 0;
        for (std::uint64_t k = 0; k < bytes; ++k) {
            v = v << 8 | from[m_bigEndian ? k : bytes - 1 - k];
        }
        return v;
    };
    // Values that do not fit in their entry lie elsewhere: every byte of them must be there.
    for (std::size_t e = 0; e < raw.size(); e += entrySize) {
        const std::uint64_t tag = number(&raw[e], 2);
        const std::uint64_t type = number(&raw[e + 2], 2);
        const std::uint64_t typeSize = type < std::size(kTypeSizes) ? kTypeSizes[type] : 0;
        if (typeSize == 0) continue;
        const std::uint64_t count = number(&raw[e + 4], word);
        if (count > size / typeSize) return false;
        const std::uint64_t bytes = count * typeSize;
        std::vector<unsigned char> values(&raw[e + 4 + word], &raw[e + 4 + 2 * word]);
        if (bytes > static_cast<std::uint64_t>(word)) {
            const std::uint64_t offset = number(&raw[e + 4 + word], word);
            if (offset > size || bytes > size - offset) return false;
            if (tag != TIFFTAG_STRIPBYTECOUNTS && tag != TIFFTAG_TILEBYTECOUNTS) continue;
            values.resize(static_cast<std::size_t>(bytes));
            if (ReadAt(values.data(), static_cast<std::int64_t>(bytes),
                       static_cast<std::int64_t>(offset)) != static_cast<std::int64_t>(bytes)) {
                return false;
            }
        }
        // The byte counts as stored: libtiff replaces one it finds too small by its own guess,
        // which would read bytes of the file that are not the picture's.
        if (tag == TIFFTAG_STRIPBYTECOUNTS || tag == TIFFTAG_TILEBYTECOUNTS) {
            m_hasByteCounts = true;
            for (std::uint64_t k = 0; k < count; ++k) {
                m_byteCounts.push_back(number(&values[k * typeSize], typeSize));
            }
        }
    }
    return true;
}

CTiffFile::Select CTiffFile::SelectPage(std::int64_t page) {
    WalkTo(page);
    if (page < 0 || page >= static_cast<std::int64_t>(m_offsets.size())) return Select::NoSuchPage;
    const std::uint64_t at = m_offsets[static_cast<std::size_t>(page)];
    // A directory cut short may still read in libtiff, which drops the fields it cannot read.
    if (!ReadDirectory(at)) return Select::Cut;
    TakeError();
    return TIFFSetSubDirectory(m_tiff, at) != 0 ? Select::Ok : Select::Damaged;
}

QString CTiffFile::TakeError() {
    QString error;
    std::swap(error, m_error);
    return error;
}
