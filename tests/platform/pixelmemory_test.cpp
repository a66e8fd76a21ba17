// Pixel memory handed out again after use must honour what was asked: zeroed
// blocks read zero whatever they held before, and a bitmap made without
// clearing still pads its rows with zeros.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bitmap.h"
#include "platform/pixelmemory.h"

using namespace vt;

namespace {

constexpr std::size_t kBig = std::size_t(24) << 20; // a large block, reused through the cache

bool AllZero(const PixelBuffer& b) {
    for (std::size_t i = 0; i < b.size(); ++i)
        if (b.data()[i] != 0) return false;
    return true;
}

} // namespace

TEST(PixelMemory, AZeroedBlockReadsZeroEvenWhenItWasUsedBefore) {
    for (int round = 0; round < 3; ++round) {
        {
            PixelBuffer used(kBig, false);
            std::memset(used.data(), 0xA5, used.size());
        }
        PixelBuffer fresh(kBig, true);
        ASSERT_EQ(fresh.size(), kBig);
        EXPECT_TRUE(AllZero(fresh)) << round;
    }
    PixelBuffer small(1000, true);
    EXPECT_TRUE(AllZero(small));
}

TEST(PixelMemory, BlocksMoveAndTheCacheKeepsToItsLimit) {
    PixelBuffer a(kBig, false);
    std::uint8_t* where = a.data();
    PixelBuffer b(std::move(a));
    EXPECT_EQ(b.data(), where);
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0u);

    const std::size_t old = SetPixelCacheLimit(0);
    b = PixelBuffer(); // nothing may be kept
    EXPECT_EQ(PixelCacheBytes(), 0u);
    {
        ScopedPixelCacheLimit raised(std::size_t(256) << 20);
        PixelBuffer c(kBig, false);
        c = PixelBuffer();
        // Freed blocks are kept for reuse (none under the sanitizers, whose
        // pixels come from the heap).
        EXPECT_LE(PixelCacheBytes(), std::size_t(256) << 20);
    }
    EXPECT_EQ(PixelCacheBytes(), 0u); // back to a limit of 0: given back
    SetPixelCacheLimit(old);
}

TEST(PixelMemory, UnclearedBitmapsStillHaveZeroPadding) {
    {
        // Leave old bytes in a block the next bitmap may get.
        PixelBuffer used(std::size_t(13) << 20, false);
        std::memset(used.data(), 0xFF, used.size());
    }
    Bitmap b(1001, 4001, PixelFormat::pf24bit, Bitmap::NoClear{});
    const std::size_t used = 3 * 1001;
    ASSERT_GT(b.bytesPerLine(), used);
    for (int y = 0; y < b.height(); ++y)
        for (std::size_t i = used; i < b.bytesPerLine(); ++i)
            ASSERT_EQ(b.scanLine(y)[i], 0) << y;
    // And a cleared one is zero throughout, padding and pixels.
    Bitmap c(1001, 4001);
    EXPECT_EQ(c.pixel(500, 2000), RGBColor(0, 0, 0));
    for (int y = 0; y < c.height(); y += 97)
        for (std::size_t i = 0; i < c.bytesPerLine(); ++i)
            ASSERT_EQ(c.scanLine(y)[i], 0);
    // Copies are whole and separate.
    b.fill(RGBColor(1, 2, 3));
    Bitmap copy = b;
    EXPECT_EQ(copy, b);
    copy.setPixel(0, 0, RGBColor(9, 9, 9));
    EXPECT_NE(copy, b);
    copy = b;
    EXPECT_EQ(copy, b);
}
