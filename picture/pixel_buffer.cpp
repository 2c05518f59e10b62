// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/pixel_buffer.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

namespace {

// Pictures of some megabytes are held in huge pages where the system has them: a new block then
// takes a few dozen page faults rather than thousands, and the decoder's writes and the
// sampler's reads miss the address cache far less often.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

struct FreePixels {
    void operator()(std::uint32_t* pixels) const { std::free(pixels); }
};

std::uint32_t* AllocatePixels(std::size_t count) {
    const std::size_t bytes = count * sizeof(std::uint32_t);
    if (bytes < 2 * kHugePage) return static_cast<std::uint32_t*>(std::malloc(bytes));
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (memory != nullptr) ::madvise(memory, rounded, MADV_HUGEPAGE);  // a hint: may be refused
    return static_cast<std::uint32_t*>(memory);
}

}  // namespace

// One allocation of pixels and the number of holders: the buffer itself, and the QImage data
// that Wrap made over it, if it still exists. Images are released on any thread.
struct CPixelBuffer::Block {
    explicit Block(std::size_t n) : capacity(n), pixels(AllocatePixels(n)) {}

    std::atomic<int> holders{1};
    std::size_t capacity;  // in 32-bit words
    std::unique_ptr<std::uint32_t[], FreePixels> pixels;
};

namespace {

void Drop(CPixelBuffer::Block* block) {
    if (block != nullptr && block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete block;
    }
}

// Called by Qt when the last image that shows the block goes.
void DropFromImage(void* block) {
    Drop(static_cast<CPixelBuffer::Block*>(block));
}

}  // namespace

CPixelBuffer::~CPixelBuffer() {
    Release();
}

CPixelBuffer& CPixelBuffer::operator=(const CPixelBuffer& other) {
    if (this != &other) Release();
    return *this;
}

CPixelBuffer::CPixelBuffer(CPixelBuffer&& other) noexcept
    : m_block(std::exchange(other.m_block, nullptr)) {}

CPixelBuffer& CPixelBuffer::operator=(CPixelBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        m_block = std::exchange(other.m_block, nullptr);
    }
    return *this;
}

void CPixelBuffer::Release() {
    Drop(std::exchange(m_block, nullptr));
}

std::size_t CPixelBuffer::Capacity() const {
    return m_block != nullptr ? m_block->capacity : 0;
}

std::uint32_t* CPixelBuffer::Prepare(int width, int height) {
    return static_cast<std::uint32_t*>(
        PrepareBytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4));
}

void* CPixelBuffer::PrepareBytes(std::size_t bytes) {
    const std::size_t wanted = (bytes + 3) / 4;  // in 32-bit words
    // Acquire: an image released on another thread has finished reading the pixels.
    const bool free = m_block != nullptr && m_block->holders.load(std::memory_order_acquire) == 1;
    if (free && m_block->capacity >= wanted) return m_block->pixels.get();
    // Too small, or still shown by an image: let go of it before taking more, so that memory
    // holds one picture per buffer at a time where it can.
    Release();
    Block* block = new (std::nothrow) Block(wanted);
    if (block == nullptr) return nullptr;
    if (!block->pixels) {
        delete block;
        return nullptr;
    }
    m_block = block;
    return m_block->pixels.get();
}

QImage CPixelBuffer::Wrap(int width, int height) {
    if (m_block == nullptr) return {};
    m_block->holders.fetch_add(1, std::memory_order_relaxed);
    // Read-only data: whoever writes to the image gets a copy of its own.
    const auto* bits = reinterpret_cast<const uchar*>(m_block->pixels.get());
    QImage image(bits, width, height, static_cast<qsizetype>(width) * 4, QImage::Format_RGB32,
                 DropFromImage, m_block);
    if (image.isNull()) Drop(m_block);
    return image;
}

QImage CPixelBuffer::WrapWritable(int width, int height, qsizetype stride, QImage::Format format) {
    if (m_block == nullptr) return {};
    m_block->holders.fetch_add(1, std::memory_order_relaxed);
    auto* bits = reinterpret_cast<uchar*>(m_block->pixels.get());
    QImage image(bits, width, height, stride, format, DropFromImage, m_block);
    if (image.isNull()) Drop(m_block);
    return image;
}
