// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

// The memory that a picture's 32-bit rows are decoded into, kept from one picture to the next.
// A picture of 12 megapixels takes 46 MiB: allocated afresh for every image of a series it would
// be mapped and zeroed page by page each time, which costs as much as a good part of the decode.
//
// The pixels are handed out as a QImage that shares the memory and keeps it alive. While such an
// image (or any copy of it) exists, Prepare does not write over it but takes new memory, and the
// old block is freed with the last image that shows it; so an image once handed out never
// changes under its holder.
class CPixelBuffer {
public:
    CPixelBuffer() = default;
    ~CPixelBuffer();
    // A copy starts empty: the pixels stay with the images that show them.
    CPixelBuffer(const CPixelBuffer&) {}
    CPixelBuffer& operator=(const CPixelBuffer& other);
    CPixelBuffer(CPixelBuffer&& other) noexcept;
    CPixelBuffer& operator=(CPixelBuffer&& other) noexcept;

    // Contiguous rows of width x height pixels (stride width * 4) to decode into, their contents
    // undefined; nullptr when there is no memory for them. Sizes must be positive and within the
    // picture size limit.
    std::uint32_t* Prepare(int width, int height);

    // The same for pixels of any size: at least `bytes` contiguous bytes, 4-byte aligned.
    void* PrepareBytes(std::size_t bytes);

    // The pixels of the last Prepare as an RGB32 image; a null image when there is no memory.
    // Writing to the image (or a copy) detaches it, leaving the buffer as it was.
    QImage Wrap(int width, int height);

    // The memory of the last Prepare as an image of any format with rows of `stride` bytes, for
    // a decoder to write into: the image's holder may write to it; a copy that writes detaches.
    // The rows must fit in what was prepared.
    QImage WrapWritable(int width, int height, qsizetype stride, QImage::Format format);

    std::size_t Capacity() const;

    struct Block;

private:
    void Release();

    Block* m_block = nullptr;
};
