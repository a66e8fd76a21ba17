#include <gtest/gtest.h>

#include "platform/bitmap.h"

using namespace vt;

TEST(Bitmap, PixelReadWriteAndOutside) {
    Bitmap b(3, 2);
    EXPECT_EQ(b.bytesPerLine(), 12u);
    b.setPixel(2, 1, RGBColor(10, 20, 30));
    EXPECT_EQ(b.pixel(2, 1), RGBColor(10, 20, 30));
    // Rows hold blue, green, red.
    EXPECT_EQ(b.scanLine(1)[6], 30);
    EXPECT_EQ(b.scanLine(1)[8], 10);
    EXPECT_LT(b.pixel(-1, 0), 0);
    EXPECT_LT(b.pixel(3, 0), 0);
    EXPECT_LT(b.pixel(0, 2), 0);
    b.setPixel(5, 5, 0); // ignored
}
