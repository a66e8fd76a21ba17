#include "platform/pixelmemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

// Under AddressSanitizer every block comes from the heap, so that the
// sanitizer sees each access past a picture's end.
#if defined(__SANITIZE_ADDRESS__)
#define VORANTEL_HEAP_PIXELS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORANTEL_HEAP_PIXELS 1
#endif
#endif
#ifndef VORANTEL_HEAP_PIXELS
#define VORANTEL_HEAP_PIXELS 0
#endif

namespace vt {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Blocks below this come from the heap: their pages are few and the heap
// recycles them well.
constexpr std::size_t kLargeBlock = kHugePage;
constexpr std::size_t kDefaultCacheLimit = std::size_t(192) << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

struct Cache {
    std::mutex lock;
    std::size_t limit = kDefaultCacheLimit;
    std::size_t bytes = 0;
    // Freed blocks, oldest first: address and mapped size.
    std::vector<std::pair<std::uint8_t*, std::size_t>> blocks;
};

Cache& TheCache() {
    static Cache* cache = new Cache; // lives until the process ends
    return *cache;
}

// Maps `capacity` bytes (a multiple of kHugePage) aligned to kHugePage.
std::uint8_t* MapAligned(std::size_t capacity) {
    const std::size_t span = capacity + kHugePage;
    void* p = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    auto* raw = static_cast<std::uint8_t*>(p);
    const auto addr = reinterpret_cast<std::uintptr_t>(raw);
    const std::size_t lead = (kHugePage - addr % kHugePage) % kHugePage;
    if (lead) ::munmap(raw, lead);
    const std::size_t trail = span - lead - capacity;
    if (trail) ::munmap(raw + lead + capacity, trail);
    std::uint8_t* block = raw + lead;
#ifdef MADV_HUGEPAGE
    ::madvise(block, capacity, MADV_HUGEPAGE); // a hint; refusal costs only speed
#endif
    return block;
}

// Takes a cached block of at least `capacity` bytes that wastes at most
// half of itself; nullptr when there is none.
std::pair<std::uint8_t*, std::size_t> TakeCached(std::size_t capacity) {
    Cache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    std::size_t best = c.blocks.size();
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
        const std::size_t size = c.blocks[i].second;
        if (size < capacity || size > 2 * capacity) continue;
        if (best == c.blocks.size() || size < c.blocks[best].second) best = i;
    }
    if (best == c.blocks.size()) return {nullptr, 0};
    auto block = c.blocks[best];
    c.blocks.erase(c.blocks.begin() + std::ptrdiff_t(best));
    c.bytes -= block.second;
    return block;
}

// Unmaps the oldest cached blocks until the cache fits its limit. The caller
// holds the lock; the blocks are returned for unmapping outside it.
std::vector<std::pair<std::uint8_t*, std::size_t>> TrimLocked(Cache& c) {
    std::vector<std::pair<std::uint8_t*, std::size_t>> dropped;
    while (c.bytes > c.limit && !c.blocks.empty()) {
        dropped.push_back(c.blocks.front());
        c.bytes -= c.blocks.front().second;
        c.blocks.erase(c.blocks.begin());
    }
    return dropped;
}

void Unmap(const std::vector<std::pair<std::uint8_t*, std::size_t>>& blocks) {
    for (const auto& [p, size] : blocks)
        ::munmap(p, size);
}

} // namespace

PixelBuffer::PixelBuffer(std::size_t bytes, bool zeroed) : size_(bytes) {
    if (bytes == 0) return;
    if (VORANTEL_HEAP_PIXELS || bytes < kLargeBlock) {
        void* p = zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
        if (!p) throw std::bad_alloc();
        data_ = static_cast<std::uint8_t*>(p);
        return;
    }
    const std::size_t capacity = RoundUp(bytes, kHugePage);
    auto [block, size] = TakeCached(capacity);
    if (block) {
        data_ = block;
        capacity_ = size;
        if (zeroed) std::memset(data_, 0, bytes);
        return;
    }
    data_ = MapAligned(capacity); // fresh pages read as zero
    capacity_ = capacity;
}

PixelBuffer::~PixelBuffer() {
    release();
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void PixelBuffer::release() noexcept {
    if (!data_) return;
    if (capacity_ == 0) {
        std::free(data_);
    } else {
        Cache& c = TheCache();
        std::vector<std::pair<std::uint8_t*, std::size_t>> dropped;
        {
            std::lock_guard<std::mutex> guard(c.lock);
            c.blocks.emplace_back(data_, capacity_);
            c.bytes += capacity_;
            dropped = TrimLocked(c);
        }
        Unmap(dropped);
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
}

std::size_t SetPixelCacheLimit(std::size_t bytes) {
    Cache& c = TheCache();
    std::vector<std::pair<std::uint8_t*, std::size_t>> dropped;
    std::size_t previous;
    {
        std::lock_guard<std::mutex> guard(c.lock);
        previous = c.limit;
        c.limit = bytes;
        dropped = TrimLocked(c);
    }
    Unmap(dropped);
    return previous;
}

std::size_t PixelCacheBytes() {
    Cache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.bytes;
}

ScopedPixelCacheLimit::ScopedPixelCacheLimit(std::size_t bytes) {
    Cache& c = TheCache();
    std::lock_guard<std::mutex> guard(c.lock);
    previous_ = c.limit;
    c.limit = std::max(c.limit, bytes);
}

ScopedPixelCacheLimit::~ScopedPixelCacheLimit() {
    SetPixelCacheLimit(previous_);
}

} // namespace vt
