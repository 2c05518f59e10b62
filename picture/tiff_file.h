// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "picture/file_stamp.h"

struct tiff;  // libtiff's handle

// Whether the bytes begin as a TIFF does: classic or BigTIFF, in either byte order.
bool IsTiffSignature(const char* bytes, std::size_t size);

// A TIFF opened through libtiff, over a file descriptor or over bytes in memory, that finds any
// page without walking the directory chain from the start more than once: the offset of every
// directory found is kept, so the next page, or page 9,000 after page 10, is one directory read.
//
// The file is read with pread, never mapped: a file cut short while mapped would end the process
// with a bus error where a read just comes back short. libtiff's errors are kept for the page
// being read instead of going to standard error; its warnings are dropped.
class CTiffFile {
public:
    // Takes over `fd` (closed with the object); null when libtiff cannot open it, `error` says
    // why.
    static std::unique_ptr<CTiffFile> OpenFile(int fd, std::int64_t size, QString& error);
    // Reads from `data`, which must outlive the object (it is shared, not copied).
    static std::unique_ptr<CTiffFile> OpenMemory(const QByteArray& data, QString& error);
    ~CTiffFile();
    CTiffFile(const CTiffFile&) = delete;
    CTiffFile& operator=(const CTiffFile&) = delete;

    tiff* Handle() const { return m_tiff; }
    std::int64_t FileSize() const { return m_size; }

    enum class Select {
        Ok,
        NoSuchPage,  // the chain ends before the page
        Cut,         // the page's directory lies past the end of the file
        Damaged,     // libtiff cannot read the page's directory
    };
    // Makes page `page` (from 0) the current directory.
    Select SelectPage(std::int64_t page);
    // The number of pages, following the chain to its end once.
    std::int64_t CountPages();

    // The current page's strip or tile byte counts as the file stores them; none when it has
    // no such field.
    const std::vector<std::uint64_t>* StoredByteCounts() const {
        return m_hasByteCounts ? &m_byteCounts : nullptr;
    }

    // The first error libtiff reported since the last call, or empty.
    QString TakeError();

    // Which file this is, for a picture that keeps its stack open from one load to the next.
    std::string path;
    FileStamp stamp;

private:
    CTiffFile() = default;
    bool Open(QString& error);
    // Follows the chain until page `page` is known or the chain ends.
    void WalkTo(std::int64_t page);
    // Whether the directory at `at` and every value it points to lie in the file; keeps its
    // byte counts.
    bool ReadDirectory(std::uint64_t at);
    // Reads `bytes` (2, 4 or 8) at `at` in the file's byte order; false past the end.
    bool ReadNumber(std::uint64_t at, int bytes, std::uint64_t& value) const;
    std::int64_t ReadAt(void* into, std::int64_t bytes, std::int64_t at) const;

    friend struct TiffProcs;  // libtiff's callbacks

    int m_fd = -1;
    QByteArray m_data;  // the bytes when reading from memory
    std::int64_t m_size = 0;
    std::int64_t m_position = 0;  // where libtiff reads next
    tiff* m_tiff = nullptr;
    bool m_bigEndian = false;
    bool m_bigTiff = false;
    std::vector<std::uint64_t> m_offsets;  // of every page's directory found so far
    std::unordered_set<std::uint64_t> m_seen;  // the same, to stop at a chain that loops
    bool m_chainEnded = false;
    std::vector<std::uint64_t> m_byteCounts;
    bool m_hasByteCounts = false;
    QString m_error;
};

// A picture's open stack, if any. A copy of the picture opens its own: a libtiff handle is not
// shared between threads.
class CTiffHandle {
public:
    CTiffHandle() = default;
    CTiffHandle(const CTiffHandle&) {}
    CTiffHandle& operator=(const CTiffHandle& other) {
        if (this != &other) file.reset();
        return *this;
    }
    CTiffHandle(CTiffHandle&&) noexcept = default;
    CTiffHandle& operator=(CTiffHandle&&) noexcept = default;
    ~CTiffHandle();

    std::unique_ptr<CTiffFile> file;
};
