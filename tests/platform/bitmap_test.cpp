#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "platform/bitmap.h"

using namespace vt;

namespace {

const PixelFormat kFormats[] = {PixelFormat::pf1bit,  PixelFormat::pf4bit,  PixelFormat::pf8bit,
                                PixelFormat::pf15bit, PixelFormat::pf16bit, PixelFormat::pf24bit,
                                PixelFormat::pf32bit};

int channelDistance(TColor a, TColor b) {
    return std::max({std::abs(GetRValue(a) - GetRValue(b)), std::abs(GetGValue(a) - GetGValue(b)),
                     std::abs(GetBValue(a) - GetBValue(b))});
}

} // namespace

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

TEST(Bitmap, ColourValueLayout) {
    EXPECT_EQ(RGBColor(0x12, 0x34, 0x56), 0x00563412);
    EXPECT_EQ(GetRValue(0x00563412), 0x12);
    EXPECT_EQ(GetGValue(0x00563412), 0x34);
    EXPECT_EQ(GetBValue(0x00563412), 0x56);
    EXPECT_LT(clInvalid, 0);
}

TEST(Bitmap, RowsArePaddedToFourBytes) {
    for (PixelFormat pf : kFormats) {
        const int bits = pf == PixelFormat::pf15bit ? 16 : BitsPerPixel(pf);
        for (int w : {1, 2, 3, 4, 5, 7, 8, 9, 31, 32, 33}) {
            Bitmap b(w, 2, pf);
            EXPECT_EQ(b.bytesPerLine(), std::size_t((w * bits + 31) / 32 * 4))
                << "bits " << bits << " width " << w;
            EXPECT_EQ(b.scanLine(1) - b.scanLine(0), std::ptrdiff_t(b.bytesPerLine()));
        }
    }
    EXPECT_EQ(StorageBits(PixelFormat::pf15bit), 16);
    EXPECT_EQ(BitsPerPixel(PixelFormat::pf15bit), 15);
}

TEST(Bitmap, EveryFormatStoresPixelsInTheDeviceIndependentLayout) {
    Bitmap b1(10, 1, PixelFormat::pf1bit); // black, white
    b1.setPixel(0, 0, RGBColor(255, 255, 255));
    b1.setPixel(9, 0, RGBColor(250, 250, 250));
    EXPECT_EQ(b1.scanLine(0)[0], 0x80); // leftmost pixel in the high bit
    EXPECT_EQ(b1.scanLine(0)[1], 0x40);

    Bitmap b4(3, 1, PixelFormat::pf4bit);
    b4.setPalette({RGBColor(0, 0, 0), RGBColor(1, 1, 1), RGBColor(200, 0, 0)});
    b4.setPixel(0, 0, RGBColor(200, 0, 0));
    b4.setPixel(1, 0, RGBColor(1, 1, 1));
    b4.setPixel(2, 0, RGBColor(190, 5, 0));
    EXPECT_EQ(b4.scanLine(0)[0], 0x21); // leftmost pixel in the high nibble
    EXPECT_EQ(b4.scanLine(0)[1] >> 4, 2);

    Bitmap b15(1, 1, PixelFormat::pf15bit);
    b15.setPixel(0, 0, RGBColor(255, 0, 8));
    EXPECT_EQ(b15.scanLine(0)[0] | b15.scanLine(0)[1] << 8, 0x7C01); // 0 rrrrr ggggg bbbbb

    Bitmap b16(1, 1, PixelFormat::pf16bit);
    b16.setPixel(0, 0, RGBColor(8, 255, 0));
    EXPECT_EQ(b16.scanLine(0)[0] | b16.scanLine(0)[1] << 8, 0x0FE0); // rrrrr gggggg bbbbb

    Bitmap b32(1, 1, PixelFormat::pf32bit);
    b32.scanLine(0)[3] = 0xA5;
    b32.setPixel(0, 0, RGBColor(1, 2, 3));
    const std::uint8_t want32[] = {3, 2, 1, 0xA5}; // blue, green, red, untouched byte
    EXPECT_EQ(std::memcmp(b32.scanLine(0), want32, 4), 0);
    EXPECT_EQ(b32.pixel(0, 0), RGBColor(1, 2, 3));
}

TEST(Bitmap, ReadsOutsideAreInvalidAndWritesOutsideChangeNothing) {
    for (PixelFormat pf : kFormats) {
        Bitmap b(5, 4, pf);
        b.fill(RGBColor(255, 255, 255));
        const Bitmap before = b;
        for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{-1, 0},
                                                                      {0, -1},
                                                                      {5, 0},
                                                                      {0, 4},
                                                                      {INT_MIN, INT_MIN},
                                                                      {INT_MAX, 0},
                                                                      {0, INT_MAX}}) {
            EXPECT_EQ(b.pixel(x, y), clInvalid) << int(pf);
            b.setPixel(x, y, RGBColor(0, 0, 0));
        }
        EXPECT_EQ(b, before);
        // Every pixel inside reads as a colour, never as invalid.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_GE(b.pixel(x, y), 0);
    }
    EXPECT_EQ(Bitmap().pixel(0, 0), clInvalid);
}

TEST(Bitmap, DirectFormatsKeepTheirPrecision) {
    // 24 and 32 bits are exact; 15 and 16 bits keep the top 5 (green in
    // 16 bits: 6) bits of each channel and widen them back to full range.
    const TColor samples[] = {RGBColor(0, 0, 0),     RGBColor(255, 255, 255),
                              RGBColor(1, 2, 3),     RGBColor(128, 64, 32),
                              RGBColor(7, 250, 131), RGBColor(255, 0, 255)};
    for (PixelFormat pf :
         {PixelFormat::pf15bit, PixelFormat::pf16bit, PixelFormat::pf24bit, PixelFormat::pf32bit}) {
        Bitmap b(1, 1, pf);
        for (TColor c : samples) {
            b.setPixel(0, 0, c);
            const TColor got = b.pixel(0, 0);
            if (pf == PixelFormat::pf24bit || pf == PixelFormat::pf32bit) {
                EXPECT_EQ(got, c);
            } else {
                EXPECT_LE(channelDistance(got, c), 7) << std::hex << c;
                // Storing what was read stores the same value again.
                b.setPixel(0, 0, got);
                EXPECT_EQ(b.pixel(0, 0), got);
            }
        }
        b.setPixel(0, 0, RGBColor(255, 255, 255));
        EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 255, 255));
        b.setPixel(0, 0, RGBColor(0, 0, 0));
        EXPECT_EQ(b.pixel(0, 0), RGBColor(0, 0, 0));
    }
    Bitmap g(1, 1, PixelFormat::pf16bit);
    g.setPixel(0, 0, RGBColor(0, 4, 0)); // 6-bit green keeps 4; 5 bits would lose it
    EXPECT_EQ(GetGValue(g.pixel(0, 0)), 4);
}

TEST(Bitmap, PaletteWritesStoreTheNearestEntry) {
    Bitmap b(4, 1, PixelFormat::pf8bit);
    b.setPalette(
        {RGBColor(0, 0, 0), RGBColor(255, 0, 0), RGBColor(0, 0, 255), RGBColor(255, 0, 0)});
    b.setPixel(0, 0, RGBColor(200, 30, 30));
    EXPECT_EQ(b.scanLine(0)[0], 1); // of two equal entries, the first
    EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 0, 0));
    b.setPixel(1, 0, RGBColor(10, 10, 140));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(0, 0, 255));
    b.setPixel(2, 0, RGBColor(40, 40, 40));
    EXPECT_EQ(b.pixel(2, 0), RGBColor(0, 0, 0));
    EXPECT_EQ(b.nearestPaletteIndex(RGBColor(0, 0, 250)), 2);

    // A palette longer than the format can index: only reachable entries
    // are chosen, so the pixel reads back as the colour chosen.
    Bitmap one(2, 1, PixelFormat::pf1bit);
    one.setPalette({RGBColor(0, 0, 0), RGBColor(100, 100, 100), RGBColor(250, 250, 250)});
    one.setPixel(0, 0, RGBColor(255, 255, 255));
    EXPECT_EQ(one.pixel(0, 0), RGBColor(100, 100, 100));
    Bitmap four(1, 1, PixelFormat::pf4bit);
    std::vector<TColor> grey;
    for (int i = 0; i < 20; ++i)
        grey.push_back(RGBColor(i * 10, i * 10, i * 10));
    four.setPalette(grey);
    four.setPixel(0, 0, RGBColor(190, 190, 190));
    EXPECT_EQ(four.pixel(0, 0), RGBColor(150, 150, 150));

    // Palette entries carry only colour bytes: no pixel reads as invalid.
    Bitmap flags(1, 1, PixelFormat::pf8bit);
    flags.setPalette({TColor(0x80000000u | 0x00112233u)});
    EXPECT_EQ(flags.pixel(0, 0), 0x00112233);
}

TEST(Bitmap, DefaultPalettes) {
    EXPECT_EQ(Bitmap::defaultPalette(PixelFormat::pf1bit).size(), 2u);
    EXPECT_EQ(Bitmap::defaultPalette(PixelFormat::pf4bit).size(), 16u);
    EXPECT_EQ(Bitmap::defaultPalette(PixelFormat::pf8bit).size(), 256u);
    EXPECT_TRUE(Bitmap::defaultPalette(PixelFormat::pf24bit).empty());
    // Black, white and the primaries are stored exactly by a fresh palette
    // bitmap of 4 or 8 bits.
    for (PixelFormat pf : {PixelFormat::pf4bit, PixelFormat::pf8bit}) {
        Bitmap b(1, 1, pf);
        for (TColor c : {RGBColor(0, 0, 0), RGBColor(255, 255, 255), RGBColor(255, 0, 0),
                         RGBColor(0, 255, 0), RGBColor(0, 0, 255)}) {
            b.setPixel(0, 0, c);
            EXPECT_EQ(b.pixel(0, 0), c);
        }
    }
    EXPECT_TRUE(Bitmap(2, 2).palette().empty());
}

TEST(Bitmap, ConversionKeepsThePicture) {
    // A 24-bit picture of colours every format holds exactly (black and
    // white) goes through every format and back unchanged.
    Bitmap bw(9, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            bw.setPixel(x, y, (x + y) % 3 ? RGBColor(255, 255, 255) : RGBColor(0, 0, 0));
    for (PixelFormat pf : kFormats) {
        Bitmap c = bw;
        c.setPixelFormat(pf);
        EXPECT_EQ(c.pixelFormat(), pf);
        EXPECT_EQ(c.width(), 9);
        EXPECT_EQ(c.height(), 3);
        Bitmap back = c.convertedTo24();
        EXPECT_EQ(c.pixelFormat(), pf); // the source stays as it is
        EXPECT_EQ(back.pixelFormat(), PixelFormat::pf24bit);
        EXPECT_EQ(back, bw) << int(pf);
    }

    // Any picture to 15 bits: every channel within the 5-bit step.
    Bitmap colours(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            colours.setPixel(x, y, RGBColor(x * 17, y * 16, 255 - x * y));
    Bitmap c15 = colours;
    c15.setPixelFormat(PixelFormat::pf15bit);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_LE(channelDistance(c15.pixel(x, y), colours.pixel(x, y)), 7);

    // A palette picture to 24 bits shows its palette colours.
    Bitmap pal(3, 1, PixelFormat::pf8bit);
    pal.setPalette({RGBColor(9, 8, 7), RGBColor(100, 150, 200), RGBColor(3, 33, 99)});
    pal.scanLine(0)[0] = 2;
    pal.scanLine(0)[1] = 0;
    pal.scanLine(0)[2] = 1;
    Bitmap rgb = pal.convertedTo24();
    EXPECT_EQ(rgb.pixel(0, 0), RGBColor(3, 33, 99));
    EXPECT_EQ(rgb.pixel(1, 0), RGBColor(9, 8, 7));
    EXPECT_EQ(rgb.pixel(2, 0), RGBColor(100, 150, 200));

    // Greys into 1 bit go to the nearer of black and white.
    Bitmap grey(2, 1);
    grey.setPixel(0, 0, RGBColor(100, 100, 100));
    grey.setPixel(1, 0, RGBColor(160, 160, 160));
    grey.setPixelFormat(PixelFormat::pf1bit);
    EXPECT_EQ(grey.pixel(0, 0), RGBColor(0, 0, 0));
    EXPECT_EQ(grey.pixel(1, 0), RGBColor(255, 255, 255));
}

TEST(Bitmap, CopiesAreIndependent) {
    Bitmap a(4, 4, PixelFormat::pf8bit);
    a.setPixel(1, 1, RGBColor(255, 0, 0));
    Bitmap b = a;
    b.setPixel(1, 1, RGBColor(0, 0, 255));
    b.setPalette({RGBColor(1, 1, 1)});
    EXPECT_EQ(a.pixel(1, 1), RGBColor(255, 0, 0));
    EXPECT_EQ(a.palette().size(), 256u);
    Bitmap c;
    c = a;
    EXPECT_EQ(c, a);
    EXPECT_NE(c.bits(), a.bits());
}

TEST(Bitmap, SizesAndLimits) {
    Bitmap b(3, 3);
    b.fill(RGBColor(9, 9, 9));
    b.setSize(5, 2);
    EXPECT_EQ(b.width(), 5);
    EXPECT_EQ(b.height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b.pixel(x, y), RGBColor(0, 0, 0));

    EXPECT_THROW(Bitmap(-1, 5), std::invalid_argument);
    EXPECT_THROW(Bitmap(5, -1), std::invalid_argument);
    // Over the pixel limit is refused before any memory is taken, also when
    // width times height overflows 32 bits.
    EXPECT_THROW(Bitmap(16385, 16384), std::length_error);
    EXPECT_THROW(Bitmap(INT_MAX, INT_MAX, PixelFormat::pf1bit), std::length_error);
    Bitmap kept(2, 2);
    EXPECT_THROW(kept.setSize(1 << 20, 1 << 20), std::length_error);
    EXPECT_TRUE(kept.empty()); // a failed resize leaves an empty bitmap
    EXPECT_EQ(kept.pixel(0, 0), clInvalid);

    EXPECT_TRUE(Bitmap().empty());
    EXPECT_TRUE(Bitmap(0, 4).empty());
    EXPECT_FALSE(Bitmap(1, 1).empty());
}

TEST(Bitmap, EqualityIgnoresPaddingButNotPalette) {
    for (PixelFormat pf : kFormats) {
        Bitmap a(3, 2, pf), b(3, 2, pf);
        a.fill(RGBColor(255, 255, 255));
        b.fill(RGBColor(255, 255, 255));
        // Scribble over the padding and the unused bits of the last byte.
        const std::size_t used = (std::size_t(3) * StorageBits(pf) + 7) / 8;
        for (std::size_t i = used; i < b.bytesPerLine(); ++i)
            b.scanLine(0)[i] = 0xEE;
        if (StorageBits(pf) < 8) b.scanLine(1)[used - 1] |= 0x01;
        EXPECT_EQ(a, b) << int(pf);
        b.setPixel(2, 1, RGBColor(0, 0, 0));
        EXPECT_NE(a, b) << int(pf);
    }
    Bitmap p(2, 2, PixelFormat::pf4bit), q(2, 2, PixelFormat::pf4bit);
    q.setPalette({RGBColor(1, 2, 3)});
    EXPECT_NE(p, q);
    EXPECT_NE(Bitmap(2, 2, PixelFormat::pf24bit), Bitmap(2, 2, PixelFormat::pf32bit));
    EXPECT_NE(Bitmap(2, 3), Bitmap(3, 2));
}

TEST(Bitmap, FillPaintsEveryPixel) {
    for (PixelFormat pf : kFormats) {
        Bitmap b(7, 3, pf);
        b.fill(RGBColor(255, 255, 255));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                EXPECT_EQ(b.pixel(x, y), RGBColor(255, 255, 255)) << int(pf);
    }
}

TEST(Bitmap, MovingLeavesAnEmptyBitmapAndConvertsInPlace) {
    Bitmap a(4, 3, PixelFormat::pf8bit);
    a.setPixel(1, 1, RGBColor(255, 255, 255));
    Bitmap b = std::move(a);
    EXPECT_EQ(b.width(), 4);
    EXPECT_EQ(b.pixel(1, 1), RGBColor(255, 255, 255));
    EXPECT_TRUE(a.empty()); // NOLINT: the moved-from state is what is tested
    EXPECT_EQ(a.width(), 0);
    EXPECT_LT(a.pixel(0, 0), 0);
    Bitmap c(2, 2);
    c = std::move(b);
    EXPECT_EQ(c.width(), 4);
    EXPECT_EQ(b.height(), 0); // NOLINT
    // A temporary is converted where it stands.
    Bitmap d = Bitmap(c).convertedTo24();
    EXPECT_EQ(d.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(d.pixel(1, 1), RGBColor(255, 255, 255));
    Bitmap e = std::move(c).convertedTo24();
    EXPECT_EQ(e, d);
}
