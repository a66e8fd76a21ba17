// Memory for the pixels of pictures. A 24-megapixel picture is 72 MB; taken
// from the heap page by page, each 4 KB page costs a fault here, and clearing
// it in user space pays again for what the kernel has already zeroed. Large
// blocks therefore come straight from the kernel, aligned so that it can
// back them with huge pages, and a block given back is kept for the next
// picture (up to a limit), so that a run over many photographs touches its
// pixel memory once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vt {

// An owned block of pixel memory; move-only.
class PixelBuffer {
  public:
    PixelBuffer() = default;
    // A block of at least `bytes` bytes. With `zeroed` every byte reads 0;
    // without, the content is unspecified (a block used before may hold
    // old pixels). Throws std::bad_alloc.
    PixelBuffer(std::size_t bytes, bool zeroed);
    ~PixelBuffer();
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    void release() noexcept;

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;     // bytes asked for
    std::size_t capacity_ = 0; // bytes mapped, 0 for heap blocks
};

// Most bytes of freed large blocks kept for reuse; returns the previous
// limit. Lowering it gives the surplus back to the system at once.
std::size_t SetPixelCacheLimit(std::size_t bytes);
// Bytes of freed blocks kept now.
std::size_t PixelCacheBytes();

// Raises the cache limit to at least `bytes` while it lives (a batch keeps
// one block per picture in flight), then restores the previous limit.
class ScopedPixelCacheLimit {
  public:
    explicit ScopedPixelCacheLimit(std::size_t bytes);
    ~ScopedPixelCacheLimit();
    ScopedPixelCacheLimit(const ScopedPixelCacheLimit&) = delete;
    ScopedPixelCacheLimit& operator=(const ScopedPixelCacheLimit&) = delete;

  private:
    std::size_t previous_;
};

} // namespace vt
