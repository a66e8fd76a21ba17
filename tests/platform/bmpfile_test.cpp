#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

#include "platform/bmpfile.h"
#include "support/filesizelimit.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

const std::string kDir = std::string(VORANTEL_TESTDATA) + "/bmp/";

std::vector<std::uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Pixels of a binary PPM (P6, maxval 255) as 0x00BBGGRR colours.
struct Ppm {
    int width = 0, height = 0;
    std::vector<TColor> pixels;
    TColor at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

Ppm readPpm(const std::string& path) {
    std::vector<std::uint8_t> d = slurp(path);
    std::size_t pos = 0;
    auto token = [&]() {
        while (pos < d.size() && std::isspace(d[pos]))
            ++pos;
        std::string t;
        while (pos < d.size() && !std::isspace(d[pos]))
            t += char(d[pos++]);
        return t;
    };
    Ppm p;
    EXPECT_EQ(token(), "P6") << path;
    p.width = std::stoi(token());
    p.height = std::stoi(token());
    EXPECT_EQ(token(), "255") << path;
    ++pos;
    EXPECT_EQ(d.size() - pos, std::size_t(p.width) * p.height * 3) << path;
    for (std::size_t i = pos; i + 2 < d.size(); i += 3)
        p.pixels.push_back(RGBColor(d[i], d[i + 1], d[i + 2]));
    return p;
}

Bitmap read(const std::vector<std::uint8_t>& d) {
    return ReadBmp(d.data(), d.size());
}

std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
           std::uint32_t(d[at + 3]) << 24;
}
void setLe32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        d[at + i] = std::uint8_t(v >> (8 * i));
}

// A BMP file with a 40-byte header around the given colour table (as
// 4-byte entries) and pixel bytes.
std::vector<std::uint8_t> makeBmp(int w, int h, int bits, std::uint32_t compression,
                                  const std::vector<std::uint8_t>& table,
                                  const std::vector<std::uint8_t>& pixels,
                                  std::uint32_t colorsUsed = 0) {
    std::vector<std::uint8_t> d(54, 0);
    d[0] = 'B';
    d[1] = 'M';
    setLe32(d, 2, std::uint32_t(54 + table.size() + pixels.size()));
    setLe32(d, 10, std::uint32_t(54 + table.size()));
    setLe32(d, 14, 40);
    setLe32(d, 18, std::uint32_t(w));
    setLe32(d, 22, std::uint32_t(h));
    d[26] = 1;
    d[28] = std::uint8_t(bits);
    setLe32(d, 30, compression);
    setLe32(d, 34, std::uint32_t(pixels.size()));
    setLe32(d, 46, colorsUsed);
    std::vector<std::uint8_t> file(d.size() + table.size() + pixels.size());
    std::copy(d.begin(), d.end(), file.begin());
    std::copy(table.begin(), table.end(), file.begin() + std::ptrdiff_t(d.size()));
    std::copy(pixels.begin(), pixels.end(), file.begin() + std::ptrdiff_t(d.size() + table.size()));
    return file;
}

std::vector<std::uint8_t> greyTable(int n) {
    std::vector<std::uint8_t> t;
    for (int i = 0; i < n; ++i)
        t.insert(t.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    return t;
}

std::string errorOf(const std::vector<std::uint8_t>& d) {
    try {
        read(d);
    } catch (const BmpError& e) {
        return e.what();
    }
    return "(no error)";
}

struct Fixture {
    const char* file;
    PixelFormat format;
    int tolerance; // widened 4, 5 and 6-bit channels may round differently
    std::size_t paletteSize;
};

// Files written by netpbm and ImageMagick; NAME.ppm holds the pixels as
// ImageMagick reads the file.
const Fixture kFixtures[] = {
    {"pal1.bmp", PixelFormat::pf1bit, 0, 2},
    {"pal4.bmp", PixelFormat::pf4bit, 0, 16},
    {"pal4_v5.bmp", PixelFormat::pf4bit, 0, 16},
    {"pal8.bmp", PixelFormat::pf8bit, 0, 256},
    {"pal8_short.bmp", PixelFormat::pf8bit, 0, 91},
    {"os2_pal4.bmp", PixelFormat::pf4bit, 0, 16},
    {"os2_pal4_short.bmp", PixelFormat::pf4bit, 0, 11},
    {"os2_pal8.bmp", PixelFormat::pf8bit, 0, 256},
    {"os2_rgb24.bmp", PixelFormat::pf24bit, 0, 0},
    {"rle4_full.rle", PixelFormat::pf4bit, 0, 16},
    {"rle8.rle", PixelFormat::pf8bit, 0, 256},
    {"rle8_v5.bmp", PixelFormat::pf8bit, 0, 256},
    {"rgb555.bmp", PixelFormat::pf15bit, 1, 0},
    {"rgb555_rgb.bmp", PixelFormat::pf15bit, 1, 0},
    {"rgb565.bmp", PixelFormat::pf16bit, 1, 0},
    {"argb4444.bmp", PixelFormat::pf24bit, 0, 0},
    {"rgb24.bmp", PixelFormat::pf24bit, 0, 0},
    {"rgb24_v5.bmp", PixelFormat::pf24bit, 0, 0},
    {"topdown24.bmp", PixelFormat::pf24bit, 0, 0},
    {"rgb32.dib", PixelFormat::pf32bit, 0, 0},
    {"rgba32.bmp", PixelFormat::pf32bit, 0, 0},
    {"rgbx32.bmp", PixelFormat::pf32bit, 0, 0},
};

std::string stem(const std::string& file) {
    return file.substr(0, file.find('.'));
}

} // namespace

TEST(BmpRead, FilesOfOtherToolsGiveTheirPixels) {
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.file);
        Bitmap b = ReadBmpFile(kDir + f.file);
        Ppm want = readPpm(kDir + stem(f.file) + ".ppm");
        ASSERT_EQ(b.width(), want.width);
        ASSERT_EQ(b.height(), want.height);
        EXPECT_EQ(b.pixelFormat(), f.format);
        EXPECT_EQ(b.palette().size(), f.paletteSize);
        int bad = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                TColor got = b.pixel(x, y), exp = want.at(x, y);
                bool ok = std::abs(GetRValue(got) - GetRValue(exp)) <= f.tolerance &&
                          std::abs(GetGValue(got) - GetGValue(exp)) <= f.tolerance &&
                          std::abs(GetBValue(got) - GetBValue(exp)) <= f.tolerance;
                if (!ok && ++bad <= 3)
                    ADD_FAILURE() << "pixel " << x << "," << y << ": got " << std::hex << got
                                  << " want " << exp;
            }
        EXPECT_EQ(bad, 0);
    }
}

TEST(BmpRead, PixelsKeepTheFileLayout) {
    // 32-bit files keep their fourth byte; 15 and 16-bit files their raw
    // values; a palette file its indexes.
    Bitmap rgba = ReadBmpFile(kDir + "rgb32.dib");
    std::vector<std::uint8_t> file = slurp(kDir + "rgb32.dib");
    std::size_t off = le32(file, 10);
    // Bottom row of the file is the last bitmap row.
    EXPECT_EQ(std::memcmp(rgba.scanLine(rgba.height() - 1), file.data() + off, 13 * 4), 0);

    Bitmap b565 = ReadBmpFile(kDir + "rgb565.bmp");
    file = slurp(kDir + "rgb565.bmp");
    off = le32(file, 10);
    EXPECT_EQ(std::memcmp(b565.scanLine(b565.height() - 1), file.data() + off, 13 * 2), 0);

    // Columns re-arranged: red, green, blue, x in the file become blue,
    // green, red, x in the bitmap.
    Bitmap x32 = ReadBmpFile(kDir + "rgbx32.bmp");
    file = slurp(kDir + "rgbx32.bmp");
    off = le32(file, 10);
    const std::uint8_t* s = file.data() + off;
    const std::uint8_t* d = x32.scanLine(x32.height() - 1);
    EXPECT_EQ(d[4], s[6]);
    EXPECT_EQ(d[5], s[5]);
    EXPECT_EQ(d[6], s[4]);

    Bitmap top = ReadBmpFile(kDir + "topdown24.bmp");
    EXPECT_EQ(top, ReadBmpFile(kDir + "rgb24.bmp"));
}

TEST(BmpRead, RunLengthExamplesOfTheFormatDocumentation) {
    // The documentation's expansions; skipped pixels stay index 0. `rows`
    // start at x 0 from the bottom row up; the delta moves to x `dx` of the
    // second row.
    auto check = [](const std::string& file, PixelFormat pf,
                    const std::vector<std::vector<int>>& rows, int dx,
                    const std::vector<int>& deltaRow) {
        SCOPED_TRACE(file);
        Bitmap b = ReadBmpFile(kDir + file);
        ASSERT_EQ(b.width(), 32);
        ASSERT_EQ(b.height(), 4);
        ASSERT_EQ(b.pixelFormat(), pf);
        auto index = [&](int x, int y) -> int {
            const std::uint8_t* row = b.scanLine(y);
            if (pf == PixelFormat::pf8bit) return row[x];
            return (x & 1) ? (row[x / 2] & 15) : (row[x / 2] >> 4);
        };
        std::vector<std::vector<int>> want(4, std::vector<int>(32, 0));
        for (std::size_t r = 0; r < rows.size(); ++r)
            for (std::size_t x = 0; x < rows[r].size(); ++x)
                want[r][x] = rows[r][x];
        for (std::size_t i = 0; i < deltaRow.size(); ++i)
            want[1][dx + i] = deltaRow[i];
        for (int r = 0; r < 4; ++r)
            for (int x = 0; x < 32; ++x)
                EXPECT_EQ(index(x, 3 - r), want[r][x]) << "row " << r << " x " << x;
    };
    check("rle4.rle", PixelFormat::pf4bit,
          {{0, 4, 0, 0, 6, 0, 6, 0, 4, 5, 5, 6, 6, 7, 7, 8, 7, 8},
           {},
           {1, 14, 1, 14, 1, 14, 1, 14, 1}},
          23, {7, 8, 7, 8});
    check("rle8_doc.rle", PixelFormat::pf8bit,
          {{4, 4, 4, 6, 6, 6, 6, 6, 0x45, 0x56, 0x67, 0x78, 0x78}, {}, std::vector<int>(9, 0x1E)},
          18, {0x78, 0x78});
}

TEST(BmpWrite, RoundTripInEveryFormat) {
    std::mt19937 rng(7);
    const PixelFormat formats[] = {PixelFormat::pf1bit,  PixelFormat::pf4bit,  PixelFormat::pf8bit,
                                   PixelFormat::pf15bit, PixelFormat::pf16bit, PixelFormat::pf24bit,
                                   PixelFormat::pf32bit};
    for (PixelFormat pf : formats) {
        for (int w : {1, 2, 3, 5, 7, 8, 9, 17, 33}) {
            SCOPED_TRACE(::testing::Message() << "format " << int(pf) << " width " << w);
            Bitmap b(w, 3, pf);
            if (IsPaletteFormat(pf)) {
                // Own palette, shorter than the format allows for 4 and 8 bits.
                std::size_t n = pf == PixelFormat::pf1bit   ? 2
                                : pf == PixelFormat::pf4bit ? 11
                                                            : 200;
                std::vector<TColor> pal;
                for (std::size_t i = 0; i < n; ++i)
                    pal.push_back(TColor(rng() & 0xFFFFFF));
                b.setPalette(pal);
            }
            // Random indexes/values straight into the rows (within the
            // palette for palette formats).
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x) {
                    if (IsPaletteFormat(pf))
                        b.setPixel(x, y, b.palette()[rng() % b.palette().size()]);
                    else
                        b.setPixel(x, y, TColor(rng() & 0xFFFFFF));
                }
            if (pf == PixelFormat::pf32bit) b.scanLine(1)[3] = 0x7F; // the unused byte survives
            std::vector<std::uint8_t> file = WriteBmp(b);
            Bitmap back = read(file);
            EXPECT_EQ(back, b);
            EXPECT_EQ(back.palette(), b.palette());
        }
    }
}

TEST(BmpWrite, HeaderAndRowsAsTheFormatDefines) {
    // 2 x 2, 24 bits: rows bottom-up, each padded to 8 bytes.
    Bitmap b(2, 2);
    b.setPixel(0, 0, RGBColor(1, 2, 3));
    b.setPixel(1, 0, RGBColor(4, 5, 6));
    b.setPixel(0, 1, RGBColor(7, 8, 9));
    b.setPixel(1, 1, RGBColor(10, 11, 12));
    std::vector<std::uint8_t> d = WriteBmp(b);
    ASSERT_EQ(d.size(), 54u + 16u);
    EXPECT_EQ(d[0], 'B');
    EXPECT_EQ(d[1], 'M');
    EXPECT_EQ(le32(d, 2), 70u);  // file size
    EXPECT_EQ(le32(d, 10), 54u); // pixel offset
    EXPECT_EQ(le32(d, 14), 40u); // BITMAPINFOHEADER
    EXPECT_EQ(le32(d, 18), 2u);  // width
    EXPECT_EQ(le32(d, 22), 2u);  // positive height: bottom-up
    EXPECT_EQ(d[26] | d[27] << 8, 1);
    EXPECT_EQ(d[28] | d[29] << 8, 24);
    EXPECT_EQ(le32(d, 30), 0u);  // BI_RGB
    EXPECT_EQ(le32(d, 34), 16u); // image size
    const std::vector<std::uint8_t> rows = {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0};
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), d.begin() + 54));

    // pf16bit: BI_BITFIELDS with 5-6-5 masks after the header.
    Bitmap b16(1, 1, PixelFormat::pf16bit);
    b16.setPixel(0, 0, RGBColor(255, 0, 255));
    d = WriteBmp(b16);
    EXPECT_EQ(le32(d, 30), 3u);
    EXPECT_EQ(le32(d, 10), 66u);
    EXPECT_EQ(le32(d, 54), 0xF800u);
    EXPECT_EQ(le32(d, 58), 0x07E0u);
    EXPECT_EQ(le32(d, 62), 0x001Fu);
    EXPECT_EQ(d[66] | d[67] << 8, 0xF81F);

    // pf15bit: plain 16-bit BI_RGB.
    Bitmap b15(1, 1, PixelFormat::pf15bit);
    b15.setPixel(0, 0, RGBColor(255, 0, 255));
    d = WriteBmp(b15);
    EXPECT_EQ(d[28], 16);
    EXPECT_EQ(le32(d, 30), 0u);
    EXPECT_EQ(d[54] | d[55] << 8, 0x7C1F);

    // 4 bits: colour table blue, green, red, 0 with the count declared;
    // the unused low nibble of the last byte is written as zero.
    Bitmap b4(3, 1, PixelFormat::pf4bit);
    b4.setPalette({RGBColor(1, 2, 3), RGBColor(4, 5, 6), RGBColor(7, 8, 9)});
    b4.setPixel(0, 0, RGBColor(4, 5, 6));
    b4.setPixel(1, 0, RGBColor(7, 8, 9));
    b4.setPixel(2, 0, RGBColor(4, 5, 6));
    b4.scanLine(0)[1] |= 0x0F;
    d = WriteBmp(b4);
    EXPECT_EQ(le32(d, 46), 3u);
    EXPECT_EQ(le32(d, 10), 54u + 12u);
    const std::vector<std::uint8_t> table = {3, 2, 1, 0, 6, 5, 4, 0, 9, 8, 7, 0};
    EXPECT_TRUE(std::equal(table.begin(), table.end(), d.begin() + 54));
    EXPECT_EQ(d[66], 0x12);
    EXPECT_EQ(d[67], 0x10);
}

TEST(BmpWrite, EmptyOrPaletteLessBitmaps) {
    EXPECT_THROW(WriteBmp(Bitmap()), BmpError);
    EXPECT_THROW(WriteBmp(Bitmap(0, 5)), BmpError);

    // A palette bitmap without colours reads black everywhere, and so does
    // its file.
    Bitmap b(4, 2, PixelFormat::pf8bit);
    b.setPalette({});
    b.scanLine(0)[1] = 77;
    Bitmap back = read(WriteBmp(b));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(back.pixel(x, y), RGBColor(0, 0, 0));
}

TEST(BmpRead, HeaderFaultsAreReported) {
    const std::vector<std::uint8_t> good = slurp(kDir + "rgb24.bmp");
    EXPECT_NO_THROW(read(good));
    auto with = [&](std::size_t at, std::uint32_t v) {
        std::vector<std::uint8_t> d = good;
        setLe32(d, at, v);
        return d;
    };
    EXPECT_THROW(ReadBmp(nullptr, 0), BmpError);
    std::vector<std::uint8_t> d = good;
    d[1] = 'A';
    EXPECT_NE(errorOf(d).find("BM"), std::string::npos);
    EXPECT_NE(errorOf(with(14, 20)).find("header size"), std::string::npos);
    EXPECT_NE(errorOf(with(18, 0)).find("size"), std::string::npos);          // width 0
    EXPECT_NE(errorOf(with(18, 0xFFFFFFF3)).find("size"), std::string::npos); // width -13
    EXPECT_NE(errorOf(with(22, 0)).find("size"), std::string::npos);          // height 0
    EXPECT_NE(errorOf(with(22, 0x80000000)).find("too large"), std::string::npos);
    EXPECT_NE(errorOf(with(18, 1 << 15)).find("truncated"), std::string::npos);
    // Over 2^28 pixels is refused before anything is allocated.
    std::vector<std::uint8_t> big = with(18, 1 << 15);
    setLe32(big, 22, (1 << 13) + 1);
    EXPECT_NE(errorOf(big).find("too large"), std::string::npos);
    EXPECT_NE(errorOf(with(28, 17)).find("bit count"), std::string::npos);
    EXPECT_NE(errorOf(with(28, 2)).find("bit count"), std::string::npos);
    EXPECT_NE(errorOf(with(30, 4)).find("compression"), std::string::npos); // JPEG
    EXPECT_NE(errorOf(with(30, 5)).find("compression"), std::string::npos); // PNG
    EXPECT_NE(errorOf(with(30, 1)).find("run-length"), std::string::npos);  // RLE8 at 24 bits
    EXPECT_NE(errorOf(with(30, 3)).find("bit fields"), std::string::npos);  // at 24 bits
    EXPECT_NE(errorOf(with(10, 20)).find("offset"), std::string::npos);
    EXPECT_NE(errorOf(with(10, 100000)).find("truncated"), std::string::npos);

    // A palette file whose pixels start right after the header has no
    // colour table.
    std::vector<std::uint8_t> pal = slurp(kDir + "pal8.bmp");
    setLe32(pal, 10, 54);
    EXPECT_NE(errorOf(pal).find("colour table"), std::string::npos);
}

TEST(BmpRead, RunLengthFaultsAreReported) {
    auto rle8 = [](int w, int h, const std::vector<std::uint8_t>& codes) {
        return makeBmp(w, h, 8, 1, greyTable(256), codes);
    };
    auto rle4 = [](int w, int h, const std::vector<std::uint8_t>& codes) {
        return makeBmp(w, h, 4, 2, greyTable(16), codes);
    };
    // Sane: a short picture ending with end-of-line then end-of-bitmap.
    EXPECT_NO_THROW(read(rle8(4, 2, {4, 1, 0, 0, 4, 2, 0, 0, 0, 1})));
    EXPECT_NO_THROW(read(rle4(4, 1, {0, 4, 0x12, 0x34, 0, 1})));

    // Runs past the end of a row are clipped there, and the row goes on
    // until its end-of-line code, as other decoders read them.
    const Bitmap clipped = read(rle8(4, 2, {5, 1, 0, 0, 2, 2, 0, 5, 6, 7, 8, 9, 4, 0, 0, 1}));
    EXPECT_EQ(std::vector<std::uint8_t>(clipped.scanLine(1), clipped.scanLine(1) + 4),
              (std::vector<std::uint8_t>{1, 1, 1, 1}));
    EXPECT_EQ(std::vector<std::uint8_t>(clipped.scanLine(0), clipped.scanLine(0) + 4),
              (std::vector<std::uint8_t>{2, 2, 6, 7}));
    // Runs may cover the row's padding (a 3-pixel row holds 4 bytes, or 8
    // pixels at 4 bits); what they put there is dropped.
    Bitmap padded = read(rle8(3, 1, {4, 7, 0, 1}));
    EXPECT_EQ(padded.scanLine(0)[2], 7);
    EXPECT_EQ(padded.scanLine(0)[3], 0);
    EXPECT_NO_THROW(read(rle4(3, 1, {8, 0x11, 0, 1})));
    EXPECT_EQ(read(rle4(3, 1, {0, 9, 0x12, 0x34, 0x56, 0x78, 0x90, 0, 0, 1})).scanLine(0)[1], 0x30);
    // Pixels after the last row.
    EXPECT_NE(errorOf(rle8(2, 1, {2, 1, 0, 0, 1, 1, 0, 1})).find("picture"), std::string::npos);
    EXPECT_NE(errorOf(rle8(2, 1, {0, 0, 0, 0, 0, 1})).find("picture"), std::string::npos);
    // Deltas beyond the picture.
    EXPECT_NE(errorOf(rle8(4, 2, {0, 2, 5, 0, 0, 1})).find("delta"), std::string::npos);
    EXPECT_NE(errorOf(rle8(4, 2, {0, 2, 0, 3, 0, 1})).find("delta"), std::string::npos);
    EXPECT_NO_THROW(read(rle8(4, 2, {0, 2, 4, 1, 0, 1})));
    // Data that stops early: no end-of-bitmap, a cut delta, a cut
    // absolute run (including its padding byte).
    EXPECT_NE(errorOf(rle8(4, 2, {4, 1, 0, 0})).find("end-of-bitmap"), std::string::npos);
    EXPECT_THROW(read(rle8(4, 2, {0, 2, 1})), BmpError);
    EXPECT_THROW(read(rle8(4, 2, {0, 3, 1, 2, 3})), BmpError);
    EXPECT_THROW(read(rle4(4, 2, {0, 3, 0x12})), BmpError);
    // Run-length codes at the wrong bit count.
    EXPECT_THROW(read(makeBmp(4, 1, 8, 2, greyTable(16), {0, 1})), BmpError);
    EXPECT_THROW(read(makeBmp(4, 1, 4, 1, greyTable(16), {0, 1})), BmpError);
}

TEST(BmpRead, EveryTruncationFails) {
    std::vector<std::string> files = {"rle4.rle", "rle8_doc.rle"};
    for (const Fixture& f : kFixtures)
        files.push_back(f.file);
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> d = slurp(kDir + name);
        ASSERT_NO_THROW(read(d));
        for (std::size_t n = 0; n < d.size(); ++n) {
            // A copy of exactly n bytes, so that a read past it is caught by
            // the sanitizers.
            std::vector<std::uint8_t> cut(d.begin(), d.begin() + std::ptrdiff_t(n));
            EXPECT_THROW(read(cut), BmpError) << "length " << n;
        }
    }
}

TEST(BmpRead, DamagedBytesFailCleanlyOrDecode) {
    // Every byte of each fixture inverted in turn, and single bits flipped in
    // the headers: the reader either throws BmpError or returns a bitmap of
    // a sane size, and never reads outside the buffer.
    for (const Fixture& f : kFixtures) {
        SCOPED_TRACE(f.file);
        const std::vector<std::uint8_t> d = slurp(kDir + f.file);
        auto attempt = [&](const std::vector<std::uint8_t>& bad) {
            try {
                Bitmap b = read(bad);
                EXPECT_GT(b.width(), 0);
                EXPECT_LE(std::uint64_t(b.width()) * std::uint64_t(b.height()), kMaxBitmapPixels);
            } catch (const BmpError&) {
            }
        };
        for (std::size_t i = 0; i < d.size(); ++i) {
            std::vector<std::uint8_t> bad = d;
            bad[i] ^= 0xFF;
            attempt(bad);
        }
        for (std::size_t i = 0; i < std::min<std::size_t>(d.size(), 70); ++i)
            for (int bit = 0; bit < 8; ++bit) {
                std::vector<std::uint8_t> bad = d;
                bad[i] ^= std::uint8_t(1 << bit);
                attempt(bad);
            }
    }
    // Damage in the fields that define the layout is always reported.
    const std::vector<std::uint8_t> d = slurp(kDir + "pal4.bmp");
    for (std::size_t i : {0, 1, 14, 28, 30}) {
        std::vector<std::uint8_t> bad = d;
        bad[i] ^= 0xFF;
        EXPECT_THROW(read(bad), BmpError) << "byte " << i;
    }
}

class BmpFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vorantel-bmp-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, ec);
        fs::remove_all(dir_, ec);
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    Bitmap sample(int w, int h) const {
        Bitmap b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.setPixel(x, y, RGBColor(x * 7, y * 5, x ^ y));
        return b;
    }
    fs::path dir_;
};

TEST_F(BmpFileTest, WritesAndReplacesWithoutLeftovers) {
    const std::string path = dir_ / "photo.bmp";
    Bitmap first = sample(5, 4);
    WriteBmpFile(path, first);
    EXPECT_EQ(ReadBmpFile(path), first);
    EXPECT_EQ(slurp(path), WriteBmp(first));

    Bitmap second = sample(9, 2);
    second.setPixelFormat(PixelFormat::pf8bit);
    // A read-only file is replaced too.
    fs::permissions(path, fs::perms::owner_read);
    WriteBmpFile(path, second);
    EXPECT_EQ(ReadBmpFile(path), second);
    EXPECT_EQ(entries(), std::vector<std::string>{"photo.bmp"});
}

TEST_F(BmpFileTest, FailedWriteKeepsTheOldFile) {
    const std::string path = dir_ / "photo.bmp";
    WriteBmpFile(path, sample(3, 3));
    const std::vector<std::uint8_t> old = slurp(path);

    // Writing stops half-way: the file size limit stands in for a full disk.
    std::string message;
    {
        vt::testing::FileSizeLimit limit(1000);
        try {
            WriteBmpFile(path, sample(100, 100));
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    }
    EXPECT_NE(message.find(std::strerror(EFBIG)), std::string::npos) << message;
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_EQ(slurp(path), old);
    EXPECT_EQ(entries(), std::vector<std::string>{"photo.bmp"});

    // The target is a folder: the finished temporary file cannot take its
    // place and is removed.
    fs::create_directory(dir_ / "folder.bmp");
    EXPECT_THROW(WriteBmpFile(dir_ / "folder.bmp", sample(2, 2)), std::runtime_error);
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder.bmp", "photo.bmp"}));

    // An empty bitmap is refused before the old file is touched.
    EXPECT_THROW(WriteBmpFile(path, Bitmap()), BmpError);
    EXPECT_EQ(slurp(path), old);

    // A folder that cannot be written (not enforced for root).
    if (::geteuid() != 0) {
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        try {
            WriteBmpFile(path, sample(4, 4));
            ADD_FAILURE() << "write into a read-only folder succeeded";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(std::strerror(EACCES)), std::string::npos);
        }
        fs::permissions(dir_, fs::perms::owner_all);
        EXPECT_EQ(slurp(path), old);
    }
    EXPECT_THROW(WriteBmpFile(dir_ / "missing" / "x.bmp", sample(2, 2)), std::runtime_error);
}

TEST_F(BmpFileTest, ReadErrorsNameTheCause) {
    try {
        ReadBmpFile(dir_ / "none.bmp");
        ADD_FAILURE() << "missing file read";
    } catch (const BmpError&) {
        ADD_FAILURE() << "a missing file is not a content fault";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(ENOENT)), std::string::npos);
    }
    std::ofstream(dir_ / "text.bmp") << "hello";
    EXPECT_THROW(ReadBmpFile(dir_ / "text.bmp"), BmpError);
    EXPECT_THROW(ReadBmpFile(dir_), std::runtime_error);

    // A file far larger than any bitmap is refused before it is loaded (the
    // file is sparse: it takes no disk space).
    const fs::path huge = dir_ / "huge.bmp";
    fs::copy_file(kDir + "rgb24.bmp", huge);
    fs::resize_file(huge, kMaxBitmapPixels * 8);
    try {
        ReadBmpFile(huge);
        ADD_FAILURE() << "huge file read";
    } catch (const BmpError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos);
    }
}
