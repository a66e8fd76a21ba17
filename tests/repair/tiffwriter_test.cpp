#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "repair/tiffwriter.h"
#include "support/filesizelimit.h"
#include "support/tempdir.h"

using namespace vt;
namespace fs = std::filesystem;

using vt::testing::FileSizeLimit;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t get16(const Bytes& d, std::size_t at) {
    return std::uint32_t(d.at(at) | (d.at(at + 1) << 8));
}
std::uint32_t get32(const Bytes& d, std::size_t at) {
    return get16(d, at) | (get16(d, at + 2) << 16);
}

struct Entry {
    std::uint32_t tag, type, count, value;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& o, const Entry& e) {
    return o << "{" << e.tag << ", " << e.type << ", " << e.count << ", " << e.value << "}";
}

// The parts of a TIFF file the tests look at, read by the rules of TIFF 6.0.
struct Tiff {
    Bytes bytes;
    std::uint32_t ifd = 0;
    std::vector<Entry> entries;

    explicit Tiff(Bytes b) : bytes(std::move(b)) {
        EXPECT_EQ(bytes.at(0), 'I');
        EXPECT_EQ(bytes.at(1), 'I');
        EXPECT_EQ(get16(bytes, 2), 42u);
        ifd = get32(bytes, 4);
        const std::uint32_t n = get16(bytes, ifd);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::size_t at = ifd + 2 + 12 * i;
            entries.push_back({get16(bytes, at), get16(bytes, at + 2), get32(bytes, at + 4),
                               get32(bytes, at + 8)});
        }
        EXPECT_EQ(get32(bytes, ifd + 2 + 12 * n), 0u) << "next IFD";
        EXPECT_EQ(bytes.size(), ifd + 2 + 12 * n + 4) << "the IFD ends the file";
    }

    std::uint32_t tag(std::uint32_t t) const {
        for (const Entry& e : entries)
            if (e.tag == t) return e.value;
        ADD_FAILURE() << "no tag " << t;
        return 0;
    }

    // Pixels decoded from the strip as 0x00BBGGRR colours, row by row.
    std::vector<TColor> pixels() const {
        const std::uint32_t w = tag(256), h = tag(257), photometric = tag(262);
        const std::uint32_t bits = photometric == 2 ? 8 : tag(258);
        const std::uint32_t spp = tag(277);
        const std::uint32_t rowBytes = (w * bits * spp + 7) / 8;
        EXPECT_EQ(tag(279), rowBytes * h);
        const std::uint32_t strip = tag(273);
        std::vector<TColor> out;
        for (std::uint32_t y = 0; y < h; ++y) {
            const std::size_t row = strip + std::size_t(y) * rowBytes;
            for (std::uint32_t x = 0; x < w; ++x) {
                if (photometric == 2) {
                    const std::size_t p = row + 3 * x;
                    out.push_back(RGBColor(bytes.at(p), bytes.at(p + 1), bytes.at(p + 2)));
                    continue;
                }
                const std::uint32_t bitPos = x * bits;
                const std::uint32_t v =
                    (bytes.at(row + bitPos / 8) >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                if (photometric == 1) {
                    out.push_back(v ? RGBColor(255, 255, 255) : RGBColor(0, 0, 0));
                } else {
                    const std::uint32_t map = tag(320), n = 1u << bits;
                    out.push_back(RGBColor(int(get16(bytes, map + 2 * v) >> 8),
                                           int(get16(bytes, map + 2 * (n + v)) >> 8),
                                           int(get16(bytes, map + 2 * (2 * n + v)) >> 8)));
                }
            }
        }
        return out;
    }
};

Tiff Encode(const Bitmap& b) {
    return Tiff(EncodeTiff(b));
}

std::vector<TColor> PixelsOf(const Bitmap& b, int width) {
    std::vector<TColor> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < width; ++x)
            out.push_back(b.pixel(x, y));
    return out;
}

void ExpectResolutionAndSoftware(const Tiff& t, std::uint32_t x, std::uint32_t y,
                                 std::uint32_t sw) {
    EXPECT_EQ(get32(t.bytes, x), 877u);
    EXPECT_EQ(get32(t.bytes, x + 4), 10u);
    EXPECT_EQ(get32(t.bytes, y), 877u);
    EXPECT_EQ(get32(t.bytes, y + 4), 10u);
    // Ten characters and the null byte that ends every ASCII value.
    EXPECT_EQ(std::string(t.bytes.begin() + sw, t.bytes.begin() + sw + 11),
              std::string("Quendraval", 11));
}

Bitmap Patterned(int w, int h, PixelFormat pf) {
    Bitmap b(w, h, pf);
    if (IsPaletteFormat(pf)) b.setPalette(Bitmap::defaultPalette(pf));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y, RGBColor(37 * x + 11 * y, 255 - 29 * y, 13 * x * y + 5));
    return b;
}

std::size_t FilesIn(const std::string& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

} // namespace

TEST(WriteTiff, Rgb2x2IsLaidOutByteForByte) {
    Bitmap b(2, 2);
    std::uint8_t* p = b.scanLine(0);
    p[0] = 10, p[1] = 20, p[2] = 30; // blue, green, red
    b.setPixel(1, 0, RGBColor(1, 2, 3));
    b.setPixel(0, 1, RGBColor(4, 5, 6));
    b.setPixel(1, 1, RGBColor(7, 8, 9));
    const Tiff t = Encode(b);
    ASSERT_EQ(t.bytes.size(), 239u);
    EXPECT_EQ(t.ifd, 53u); // odd: no filler byte before the directory
    ExpectResolutionAndSoftware(t, 8, 16, 30);
    EXPECT_EQ(get16(t.bytes, 24), 8u);
    EXPECT_EQ(get16(t.bytes, 26), 8u);
    EXPECT_EQ(get16(t.bytes, 28), 8u);
    // Red, green, blue from offset 41, rows top first, no padding.
    EXPECT_EQ(Bytes(t.bytes.begin() + 41, t.bytes.begin() + 53),
              (Bytes{30, 20, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(t.entries, (std::vector<Entry>{{254, 4, 1, 0},
                                             {256, 3, 1, 2},
                                             {257, 3, 1, 2},
                                             {258, 3, 3, 24},
                                             {259, 3, 1, 1},
                                             {262, 3, 1, 2},
                                             {273, 4, 1, 41},
                                             {277, 3, 1, 3},
                                             {278, 4, 1, 2},
                                             {279, 4, 1, 12},
                                             {282, 5, 1, 8},
                                             {283, 5, 1, 16},
                                             {284, 3, 1, 1},
                                             {296, 3, 1, 2},
                                             {305, 2, 11, 30}}));
}

TEST(WriteTiff, RgbRowsDropPaddingAndTheIfdFollowsThem) {
    const Bitmap b = Patterned(3, 1, PixelFormat::pf24bit);
    ASSERT_EQ(b.bytesPerLine(), 12u);
    const Tiff t = Encode(b);
    EXPECT_EQ(t.ifd, 50u);
    EXPECT_EQ(t.bytes.size(), 50u + 186u);
    EXPECT_EQ(t.pixels(), PixelsOf(b, 3));

    const Bitmap tall = Patterned(5, 7, PixelFormat::pf24bit);
    const Tiff t2 = Encode(tall);
    EXPECT_EQ(t2.ifd, 41u + 5 * 3 * 7);
    EXPECT_EQ(t2.tag(279), 105u);
    EXPECT_EQ(t2.pixels(), PixelsOf(tall, 5));
}

TEST(WriteTiff, OtherDirectFormatsAreWrittenAsRgb) {
    for (PixelFormat pf : {PixelFormat::pf32bit, PixelFormat::pf16bit, PixelFormat::pf15bit}) {
        Bitmap b = Patterned(6, 3, pf);
        if (pf == PixelFormat::pf32bit)
            for (int y = 0; y < 3; ++y)
                b.scanLine(y)[3] = 0xAB; // the fourth byte carries no colour
        const Tiff t = Encode(b);
        EXPECT_EQ(t.bytes.size(), 41u + 6 * 3 * 3 + 186) << BitsPerPixel(pf);
        EXPECT_EQ(t.tag(262), 2u);
        EXPECT_EQ(t.pixels(), PixelsOf(b, 6)) << BitsPerPixel(pf);
    }
}

TEST(WriteTiff, Bilevel8x2IsLaidOutByteForByte) {
    Bitmap b(8, 2, PixelFormat::pf1bit);
    // A palette that says otherwise does not matter: 0 is black, 1 white.
    b.setPalette({RGBColor(255, 255, 255), RGBColor(0, 0, 0)});
    b.scanLine(0)[0] = 0xA5;
    b.scanLine(1)[0] = 0x3C;
    const Tiff t = Encode(b);
    ASSERT_EQ(t.bytes.size(), 211u);
    EXPECT_EQ(t.ifd, 37u);
    EXPECT_EQ(t.bytes[8], 0xA5);
    EXPECT_EQ(t.bytes[9], 0x3C);
    ExpectResolutionAndSoftware(t, 10, 18, 26);
    EXPECT_EQ(t.entries, (std::vector<Entry>{{254, 4, 1, 0},
                                             {256, 3, 1, 8},
                                             {257, 3, 1, 2},
                                             {258, 3, 1, 1},
                                             {259, 3, 1, 1},
                                             {262, 3, 1, 1},
                                             {273, 4, 1, 8},
                                             {277, 3, 1, 1},
                                             {278, 4, 1, 2},
                                             {279, 4, 1, 2},
                                             {282, 5, 1, 10},
                                             {283, 5, 1, 18},
                                             {296, 3, 1, 2},
                                             {305, 2, 11, 26}}));
}

TEST(WriteTiff, BilevelRowsAreRoundedUpToWholeBytes) {
    Bitmap b(11, 3, PixelFormat::pf1bit);
    b.setPalette({RGBColor(0, 0, 0), RGBColor(255, 255, 255)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x)
            if ((x * 7 + y) % 3 == 0) b.setPixel(x, y, RGBColor(255, 255, 255));
    const Tiff t = Encode(b);
    EXPECT_EQ(t.tag(279), 6u);
    EXPECT_EQ(t.tag(282), 14u);
    EXPECT_EQ(t.ifd, 14u + 8 + 8 + 11);
    EXPECT_EQ(t.pixels(), PixelsOf(b, 11));
}

TEST(WriteTiff, Palette8Bit2x2IsLaidOutByteForByte) {
    Bitmap b(2, 2, PixelFormat::pf8bit);
    std::vector<TColor> pal(256, RGBColor(0, 0, 0));
    pal[0] = RGBColor(1, 2, 3);
    pal[7] = RGBColor(200, 100, 50);
    pal[255] = RGBColor(255, 254, 253);
    b.setPalette(pal);
    b.scanLine(0)[0] = 7, b.scanLine(0)[1] = 255;
    b.scanLine(1)[0] = 0, b.scanLine(1)[1] = 7;
    const Tiff t = Encode(b);
    ASSERT_EQ(t.bytes.size(), 1761u);
    EXPECT_EQ(t.ifd, 1575u);
    // Colour map: reds, then greens, then blues, each value times 256.
    EXPECT_EQ(get16(t.bytes, 8 + 2 * 7), 200u * 256);
    EXPECT_EQ(get16(t.bytes, 8 + 2 * (256 + 7)), 100u * 256);
    EXPECT_EQ(get16(t.bytes, 8 + 2 * (512 + 7)), 50u * 256);
    EXPECT_EQ(get16(t.bytes, 8 + 2 * 255), 255u * 256);
    EXPECT_EQ(get16(t.bytes, 1542), 253u * 256);
    ExpectResolutionAndSoftware(t, 1544, 1552, 1560);
    EXPECT_EQ(Bytes(t.bytes.begin() + 1571, t.bytes.begin() + 1575), (Bytes{7, 255, 0, 7}));
    EXPECT_EQ(t.entries, (std::vector<Entry>{{254, 4, 1, 0},
                                             {256, 3, 1, 2},
                                             {257, 3, 1, 2},
                                             {258, 3, 1, 8},
                                             {259, 3, 1, 1},
                                             {262, 3, 1, 3},
                                             {273, 4, 1, 1571},
                                             {277, 3, 1, 1},
                                             {278, 4, 1, 2},
                                             {279, 4, 1, 4},
                                             {282, 5, 1, 1544},
                                             {283, 5, 1, 1552},
                                             {296, 3, 1, 2},
                                             {305, 2, 11, 1560},
                                             {320, 3, 768, 8}}));
    EXPECT_EQ(t.pixels(), PixelsOf(b, 2));
}

TEST(WriteTiff, Palette4BitWidthIsCutToAMultipleOfFour) {
    const Bitmap b = Patterned(5, 3, PixelFormat::pf4bit);
    const Tiff t = Encode(b);
    EXPECT_EQ(t.tag(256), 4u);
    EXPECT_EQ(t.tag(258), 4u);
    EXPECT_EQ(t.tag(279), 2u * 3);
    // 96 bytes of colour map, 27 of resolution and Software.
    EXPECT_EQ(t.tag(282), 104u);
    EXPECT_EQ(t.tag(273), 131u);
    EXPECT_EQ(t.ifd, 137u);
    EXPECT_EQ(t.entries.back(), (Entry{320, 3, 48, 8}));
    EXPECT_EQ(t.pixels(), PixelsOf(b, 4));

    const Bitmap wide = Patterned(9, 2, PixelFormat::pf4bit);
    EXPECT_EQ(Encode(wide).pixels(), PixelsOf(wide, 8));
}

TEST(WriteTiff, Palette4BitNarrowerThanFourPixelsKeepsItsColumns) {
    const Bitmap b = Patterned(3, 2, PixelFormat::pf4bit);
    const Tiff t = Encode(b);
    EXPECT_EQ(t.tag(256), 3u);
    EXPECT_EQ(t.tag(258), 8u);
    EXPECT_EQ(t.pixels(), PixelsOf(b, 3));
}

TEST(WriteTiff, ShortPaletteIsFilledWithBlack) {
    Bitmap b(2, 1, PixelFormat::pf8bit);
    b.setPalette({RGBColor(9, 8, 7)});
    b.scanLine(0)[1] = 3;
    EXPECT_EQ(Encode(b).pixels(), (std::vector<TColor>{RGBColor(9, 8, 7), RGBColor(0, 0, 0)}));
}

TEST(WriteTiff, SizesBeyondShortAreLongEntries) {
    const Bitmap wide = Patterned(65536, 1, PixelFormat::pf24bit);
    const Tiff t = Encode(wide);
    EXPECT_EQ(t.entries[1], (Entry{256, 4, 1, 65536}));
    EXPECT_EQ(t.entries[2], (Entry{257, 4, 1, 1}));
    EXPECT_EQ(t.tag(279), 65536u * 3);
    EXPECT_EQ(t.pixels(), PixelsOf(wide, 65536));

    const Bitmap tall = Patterned(1, 65536, PixelFormat::pf1bit);
    const Tiff t2 = Encode(tall);
    EXPECT_EQ(t2.entries[1], (Entry{256, 4, 1, 1}));
    EXPECT_EQ(t2.entries[2], (Entry{257, 4, 1, 65536}));

    const Tiff edge = Encode(Bitmap(65535, 1, PixelFormat::pf8bit));
    EXPECT_EQ(edge.entries[1], (Entry{256, 3, 1, 65535}));
}

TEST(WriteTiff, EmptyBitmapWritesNothing) {
    std::ostringstream s;
    WriteTiff(s, Bitmap());
    EXPECT_TRUE(s.str().empty());
}

TEST(WriteTiff, FailingStreamThrows) {
    std::ostringstream s;
    s.setstate(std::ios::badbit);
    EXPECT_THROW(WriteTiff(s, Bitmap(2, 2)), std::runtime_error);
}

TEST(WriteTiffFile, WritesTheEncodedBytesAndReplacesAReadOnlyFile) {
    vt::testing::TempDir dir;
    const Bitmap b = Patterned(7, 5, PixelFormat::pf24bit);
    dir.write("a.tif", "old");
    fs::permissions(dir.file("a.tif"), fs::perms::owner_read);
    WriteTiffFile(dir.file("a.tif"), b);
    const std::string got = dir.read("a.tif");
    const Bytes expected = EncodeTiff(b);
    EXPECT_EQ(Bytes(got.begin(), got.end()), expected);
    EXPECT_EQ(FilesIn(dir.path()), 1u) << "no temporary file is left";
}

TEST(WriteTiffFile, FailureLeavesThePreviousFileAsItWas) {
    vt::testing::TempDir dir;
    dir.write("a.tif", "previous photograph");
    const Bitmap big = Patterned(300, 200, PixelFormat::pf24bit);
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(WriteTiffFile(dir.file("a.tif"), big), std::runtime_error);
    }
    EXPECT_EQ(dir.read("a.tif"), "previous photograph");
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    // An empty bitmap is refused rather than leaving an empty file.
    EXPECT_THROW(WriteTiffFile(dir.file("a.tif"), Bitmap()), std::runtime_error);
    EXPECT_EQ(dir.read("a.tif"), "previous photograph");

    // A folder in the file's place stays.
    fs::create_directory(dir.file("d.tif"));
    EXPECT_THROW(WriteTiffFile(dir.file("d.tif"), big), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(dir.file("d.tif")));
    EXPECT_EQ(FilesIn(dir.path()), 2u);

    try {
        WriteTiffFile(dir.file("missing/x.tif"), big);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(dir.file("missing/x.tif")), std::string::npos)
            << e.what();
    }
}

#if __has_include("imageio/tiffgraphic.h")
#include "imageio/fileformatlist.h"
#define VORANTEL_TEST_TIFF_READER 1
#else
#define VORANTEL_TEST_TIFF_READER 0
#endif

// Every layout read back by the program's own TIFF reader. Colour map values
// are 8-bit values times 256, which a reader may scale back by 256 or 257.
TEST(WriteTiffFile, ReadBackByTheProgramsReader) {
#if VORANTEL_TEST_TIFF_READER
    vt::testing::TempDir dir;
    struct Case {
        PixelFormat pf;
        int width, height, writtenWidth;
    };
    for (const Case& c :
         {Case{PixelFormat::pf1bit, 13, 5, 13}, Case{PixelFormat::pf4bit, 7, 4, 4},
          Case{PixelFormat::pf4bit, 3, 2, 3}, Case{PixelFormat::pf8bit, 9, 6, 9},
          Case{PixelFormat::pf15bit, 5, 3, 5}, Case{PixelFormat::pf16bit, 5, 3, 5},
          Case{PixelFormat::pf24bit, 11, 7, 11}, Case{PixelFormat::pf32bit, 6, 5, 6}}) {
        Bitmap b = Patterned(c.width, c.height, c.pf);
        if (c.pf == PixelFormat::pf1bit) b.setPalette({RGBColor(0, 0, 0), RGBColor(255, 255, 255)});
        const std::string path = dir.file("r.tif");
        WriteTiffFile(path, b);
        const Bitmap back = LoadPicture(path);
        ASSERT_EQ(back.width(), c.writtenWidth) << BitsPerPixel(c.pf);
        ASSERT_EQ(back.height(), c.height);
        const int tolerance = IsPaletteFormat(c.pf) && c.pf != PixelFormat::pf1bit ? 1 : 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.writtenWidth; ++x) {
                const TColor want = b.pixel(x, y), got = back.pixel(x, y);
                EXPECT_LE(std::abs(GetRValue(want) - GetRValue(got)), tolerance);
                EXPECT_LE(std::abs(GetGValue(want) - GetGValue(got)), tolerance);
                EXPECT_LE(std::abs(GetBValue(want) - GetBValue(got)), tolerance)
                    << BitsPerPixel(c.pf) << " bits at " << x << "," << y;
            }
    }
#else
    GTEST_SKIP() << "the program's TIFF reader is not built";
#endif
}
