// Decoders on hand-made input: bounds, damaged data and the details of each
// format that whole files rarely reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include <zlib.h>

#include "imageio/decoders.h"
#include "imageio/imageerrors.h"

using namespace vt;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Runs one Decode into a buffer of `wanted` bytes preset to `fill`, followed
// by guard bytes that must stay untouched.
struct Result {
    Bytes out;
    std::size_t consumed = 0;
    std::size_t produced = 0;
};

Result Decode(TDecoder& d, const Bytes& in, std::size_t wanted, std::uint8_t fill = 0xEE) {
    Bytes buffer(wanted + 16, fill);
    const std::uint8_t* src = in.data();
    std::uint8_t* dst = buffer.data();
    d.DecodeInit();
    d.Decode(src, dst, in.size(), wanted);
    d.DecodeEnd();
    for (std::size_t i = wanted; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], fill) << "written beyond the wanted size at " << i;
    Result r;
    r.consumed = std::size_t(src - in.data());
    r.produced = std::size_t(dst - buffer.data());
    buffer.resize(wanted);
    r.out = buffer;
    return r;
}

// Writes codes of given widths, most significant bit first.
class BitWriter {
  public:
    void Put(unsigned code, int width) {
        for (int i = width - 1; i >= 0; --i)
            PutBit((code >> i) & 1);
    }
    void Put(const char* bits) {
        for (; *bits; ++bits)
            PutBit(*bits == '1');
    }
    void AlignByte() {
        while (count_ % 8)
            PutBit(0);
    }
    Bytes Take() {
        AlignByte();
        return bytes_;
    }

  private:
    void PutBit(bool b) {
        if (count_ % 8 == 0) bytes_.push_back(0);
        if (b) bytes_.back() |= std::uint8_t(0x80 >> (count_ % 8));
        ++count_;
    }
    Bytes bytes_;
    std::size_t count_ = 0;
};

// ---------------------------------------------------------------------------

TEST(PackBits, LiteralsRunsAndTheNoOpHeader) {
    TPackbitsRLEDecoder d;
    // 2 literals, -128 (skipped), a run of 3, a run cut by the output.
    const Bytes in = {0x01, 'a', 'b', 0x80, 0xFE, 'x', 0xF9, 'y'};
    Result r = Decode(d, in, 8);
    EXPECT_EQ(std::string(r.out.begin(), r.out.end()), "abxxxyyy");
    EXPECT_EQ(r.consumed, in.size());
    EXPECT_EQ(r.produced, 8u);

    // -128 alone produces nothing and consumes its byte.
    r = Decode(d, {0x80}, 4);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(r.produced, 0u);
    EXPECT_EQ(r.out, Bytes(4, 0xEE));
}

TEST(PackBits, CutInputKeepsTheRestOfTheOutput) {
    TPackbitsRLEDecoder d;
    // A literal of 5 bytes of which only 2 are present; a run header at the
    // very end without its byte.
    Result r = Decode(d, {0x04, 'p', 'q'}, 6);
    EXPECT_EQ(r.out, (Bytes{'p', 'q', 0xEE, 0xEE, 0xEE, 0xEE}));
    r = Decode(d, {0xFD}, 3);
    EXPECT_EQ(r.out, Bytes(3, 0xEE));
}

// ---------------------------------------------------------------------------

TEST(TIFFLZW, ClearLiteralsStringsAndEnd) {
    BitWriter w;
    w.Put(256, 9); // Clear
    w.Put('A', 9);
    w.Put('B', 9);
    w.Put(258, 9); // "AB"
    w.Put(260, 9); // not yet in the table: "AB" + 'A'
    w.Put(257, 9); // End
    w.Put('Z', 9); // after End: never read
    TTIFFLZWDecoder d;
    const Result r = Decode(d, w.Take(), 8);
    EXPECT_EQ(std::string(r.out.begin(), r.out.end()), "ABABABA\xEE");
    EXPECT_EQ(r.produced, 0u) << "the pointers are not advanced";
}

TEST(TIFFLZW, CodesWidenOneCodeEarly) {
    // After Clear, every code but the first adds an entry; when the next
    // free code reaches 511 the codes are 10 bits wide.
    BitWriter w;
    w.Put(256, 9);
    for (int i = 0; i < 254; ++i)
        w.Put(i % 200, 9); // next free code ends at 258 + 253 = 511
    w.Put(7, 10);
    w.Put(257, 10);
    TTIFFLZWDecoder d;
    const Result r = Decode(d, w.Take(), 300);
    for (int i = 0; i < 254; ++i)
        ASSERT_EQ(r.out[std::size_t(i)], i % 200) << i;
    EXPECT_EQ(r.out[254], 7);
    EXPECT_EQ(r.out[255], 0xEE);
}

TEST(TIFFLZW, StopsAtTheEndOfInputAndOfOutput) {
    BitWriter w;
    w.Put(256, 9);
    w.Put('x', 9);
    w.Put('y', 9);
    w.Put(258, 9); // no End code follows
    TTIFFLZWDecoder d;
    Result r = Decode(d, w.Take(), 10);
    EXPECT_EQ(std::string(r.out.begin(), r.out.begin() + 4), "xyxy");
    EXPECT_EQ(r.out[4], 0xEE);
    // A string longer than the room left is cut.
    r = Decode(d, w.Take(), 3);
    EXPECT_EQ(std::string(r.out.begin(), r.out.end()), "xyx");
}

// The longest strings LZW can make: each code repeats the entry just added
// (one byte longer than the one before) until the table is full, then the
// last entry, 3839 bytes, again and again in 12-bit codes; widths follow the
// decoder's early change. Returns the codes and the bytes they make.
std::pair<Bytes, std::size_t> LongestLzw(int repeats) {
    BitWriter w;
    unsigned width = 9, next = 258;
    w.Put(256, 9);
    w.Put(0, 9);
    auto put = [&](unsigned code) {
        w.Put(code, int(width));
        if (next < 4096) ++next;
        if (next == (1u << width) - 1 && width < 12) ++width;
    };
    std::size_t made = 1;
    for (unsigned code = 258; code < 4096; ++code) {
        put(code);
        made += code - 256;
    }
    for (int i = 0; i < repeats; ++i) {
        put(4095);
        made += 3839;
    }
    return {w.Take(), made};
}

TEST(TIFFLZW, MaxExpansionIsTheMostOneInputByteCanMake) {
    const auto [shortIn, shortMade] = LongestLzw(1000);
    const auto [longIn, longMade] = LongestLzw(3000);
    for (const auto& [in, made] : {std::pair(shortIn, shortMade), std::pair(longIn, longMade)}) {
        TTIFFLZWDecoder d;
        const Result r = Decode(d, in, made, 0xEE);
        EXPECT_EQ(r.out[made - 1], 0) << "decoded to the end";
        EXPECT_LE(made, in.size() * TTIFFLZWDecoder::kMaxExpansion);
    }
    // What each further input byte makes, once the table is full: the
    // bound, to within one byte.
    const double rate = double(longMade - shortMade) / double(longIn.size() - shortIn.size());
    EXPECT_LE(rate, double(TTIFFLZWDecoder::kMaxExpansion));
    EXPECT_GT(rate, double(TTIFFLZWDecoder::kMaxExpansion - 1));
}

TEST(Decoders, OtherLimitsAreReachedButNeverPassed) {
    // ThunderScan: a run code repeats the last pixel 63 times.
    TThunderDecoder thunder(2000);
    Result r = Decode(thunder, Bytes(16, 0x3F), 1000, 0x11);
    EXPECT_EQ(r.out[16 * 63 / 2 - 1], 0x00);
    EXPECT_EQ(r.out[16 * 63 / 2], 0x11);
    EXPECT_LE(16u * 63 / 2, 16 * TThunderDecoder::kMaxExpansion);
    // PackBits: two bytes make 128.
    TPackbitsRLEDecoder packbits;
    r = Decode(packbits, {0x81, 0x07}, 200, 0);
    EXPECT_EQ(r.out[127], 7);
    EXPECT_EQ(r.out[128], 0);
    EXPECT_LE(128u, 2 * TPackbitsRLEDecoder::kMaxExpansion);
    // Group 4: a white row under a white one is a single bit (V0), of any
    // width: one byte of ones makes eight rows, and the codes after it make
    // the ninth, black.
    TCCITTFax4Decoder g4(0, 8, false, false);
    BitWriter rows;
    rows.Put(0xFF, 8);
    rows.Put("001");      // horizontal
    rows.Put("00110101"); // white 0
    rows.Put("000101");   // black 8
    r = Decode(g4, rows.Take(), 10, 0xEE);
    EXPECT_EQ(r.out[7], 0x00);
    EXPECT_EQ(r.out[8], 0xFF) << "row 9 is black";
    EXPECT_EQ(TCCITTFax4Decoder::kMaxRowsPerByte, 8u);
    // Modified Huffman: every row starts on a new byte, whatever is left.
    TCCITTMHDecoder mh(0, 64, false, false);
    BitWriter w;
    for (int row = 0; row < 3; ++row) {
        w.Put("11011");    // white 64
        w.Put("00110101"); // white 0
        w.AlignByte();
    }
    r = Decode(mh, w.Take(), 8 * 4, 0xEE);
    EXPECT_EQ(r.out[3 * 8 - 1], 0x00);
    EXPECT_LE(3u, 3 * 2 * TCCITTMHDecoder::kMaxRowsPerByte) << "two bytes a row here";
}

TEST(TIFFLZW, RandomDataStaysInBounds) {
    std::mt19937 rng(11);
    TTIFFLZWDecoder d;
    for (int round = 0; round < 200; ++round) {
        Bytes in(std::size_t(rng() % 3000));
        for (auto& b : in)
            b = std::uint8_t(rng());
        if (!in.empty() && round % 2) in[0] = 0x80; // starts with Clear
        Decode(d, in, std::size_t(rng() % 5000));
    }
}

// ---------------------------------------------------------------------------

Bytes Deflate(const Bytes& plain) {
    uLongf size = compressBound(uLong(plain.size()));
    Bytes z(size);
    compress2(z.data(), &size, plain.data(), uLong(plain.size()), 9);
    z.resize(size);
    return z;
}

TEST(LZ77, EachStripIsAStreamOfItsOwnWithAutomaticReset) {
    const Bytes a(1000, 'a'), b = {'h', 'e', 'l', 'l', 'o'};
    TLZ77Decoder d(Z_PARTIAL_FLUSH, true);
    d.DecodeInit();
    for (const Bytes& plain : {a, b}) {
        const Bytes z = Deflate(plain);
        Bytes out(plain.size());
        const std::uint8_t* src = z.data();
        std::uint8_t* dst = out.data();
        d.Decode(src, dst, z.size(), out.size());
        EXPECT_EQ(out, plain);
        EXPECT_EQ(d.ZLibResult(), Z_STREAM_END);
        EXPECT_EQ(d.AvailableOutput(), 0u);
        EXPECT_EQ(dst, out.data() + out.size()) << "the pointers are advanced";
        EXPECT_EQ(src, z.data() + z.size());
    }
    d.DecodeEnd();
}

TEST(LZ77, WithoutResetLaterCallsDoNothingAfterTheEnd) {
    const Bytes plain(64, 'q');
    const Bytes z = Deflate(plain);
    TLZ77Decoder d(Z_PARTIAL_FLUSH, false);
    d.DecodeInit();
    Bytes out(64);
    const std::uint8_t* src = z.data();
    std::uint8_t* dst = out.data();
    d.Decode(src, dst, z.size(), 64);
    ASSERT_EQ(d.ZLibResult(), Z_STREAM_END);
    Bytes again(64, 0);
    src = z.data();
    dst = again.data();
    d.Decode(src, dst, z.size(), 64);
    EXPECT_EQ(again, Bytes(64, 0));
    d.DecodeEnd();
}

TEST(LZ77, DamagedDataReportsAnError) {
    TLZ77Decoder d(Z_PARTIAL_FLUSH, true);
    d.DecodeInit();
    const Bytes junk = {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    Bytes out(32);
    const std::uint8_t* src = junk.data();
    std::uint8_t* dst = out.data();
    d.Decode(src, dst, junk.size(), out.size());
    EXPECT_LT(d.ZLibResult(), 0);
    d.DecodeEnd();
    d.DecodeEnd(); // a second end is harmless
}

// ---------------------------------------------------------------------------
// CCITT. Codes of ITU-T T.4: white 8 = 10011, white 0 = 00110101,
// black 8 = 000101, white 3 = 1000, black 2 = 11, white 64 = 11011,
// black 5 = 0011, EOL = 000000000001; 2-D modes: V0 = 1, H = 001, P = 0001.

TEST(CCITT, ModifiedHuffmanRowsStartOnWholeBytes) {
    BitWriter w;
    w.Put("10011"); // row 1: white 8
    w.AlignByte();
    w.Put("00110101"); // row 2: white 0, black 8
    w.Put("000101");
    w.AlignByte();
    w.Put("1000"); // row 3: white 3, black 2, white 3
    w.Put("11");
    w.Put("1000");
    TCCITTMHDecoder d(0, 8, false, false);
    const Result r = Decode(d, w.Take(), 3);
    EXPECT_EQ(r.out, (Bytes{0x00, 0xFF, 0x18}));
}

TEST(CCITT, WordAlignedRowsStartOnEvenBytes) {
    BitWriter w;
    w.Put("10011");
    w.AlignByte();
    w.Put(0, 8); // padding to the next even byte
    w.Put("00110101");
    w.Put("000101");
    const Bytes in = w.Take();
    TCCITTMHDecoder aligned(0, 8, true, false);
    EXPECT_EQ(Decode(aligned, in, 2).out, (Bytes{0x00, 0xFF}));
    // The same data with reversed bits and the bit-reversal flag.
    Bytes reversed = in;
    for (auto& b : reversed) {
        std::uint8_t r = 0;
        for (int i = 0; i < 8; ++i)
            if (b & (1 << i)) r |= std::uint8_t(0x80 >> i);
        b = r;
    }
    TCCITTMHDecoder swapped(0, 8, true, true);
    EXPECT_EQ(Decode(swapped, reversed, 2).out, (Bytes{0x00, 0xFF}));
}

TEST(CCITT, MakeUpCodesAddUpAndLongRowsFillTheirBytes) {
    BitWriter w;
    w.Put("11011"); // white 64
    w.Put("1000");  // white 3
    w.Put("0011");  // black 5 -> 72 pixels
    TCCITTMHDecoder d(0, 72, false, false);
    const Result r = Decode(d, w.Take(), 9);
    Bytes want(9, 0);
    want[8] = 0x1F;
    EXPECT_EQ(r.out, want);
}

TEST(CCITT, Group3SynchronisesOnEndOfLineAndSurvivesABadRow) {
    BitWriter w;
    w.Put("0000000000000001"); // EOL with fill bits
    w.Put("00110101");         // row 1: white 0, black 8
    w.Put("000101");
    w.Put("000000000001");   // EOL
    w.Put("00000000000000"); // row 2: no valid code at all
    w.Put("000000000001");   // EOL
    w.Put("10011");          // row 3: white 8
    w.Put("000000000001");   // EOL
    w.Put("1000");           // row 4: white 3, black 2, white 3
    w.Put("11");
    w.Put("1000");
    TCCITTFax3Decoder d(0, 8, false, false);
    const Result r = Decode(d, w.Take(), 4);
    EXPECT_EQ(r.out, (Bytes{0xFF, 0x00, 0x00, 0x18}));
}

TEST(CCITT, Group3TwoDimensionalRowsFollowTheRowAbove) {
    BitWriter w;
    w.Put("000000000001");
    w.Put("1");    // 1-D row
    w.Put("1000"); // white 3, black 2, white 3
    w.Put("11");
    w.Put("1000");
    w.Put("000000000001");
    w.Put("0"); // 2-D row: V0 V0 (same changes as above), then V0 to the end
    w.Put("111");
    TCCITTFax3Decoder d(kFax2DEncoding, 8, false, false);
    EXPECT_EQ(Decode(d, w.Take(), 2).out, (Bytes{0x18, 0x18}));
}

TEST(CCITT, Group4CodesAgainstAWhiteFirstRow) {
    BitWriter w;
    w.Put("001"); // horizontal: white 3, black 2
    w.Put("1000");
    w.Put("11");
    w.Put("1");    // V0: b1 is the end of the row
    w.Put("0001"); // row 2: pass over the black run above
    w.Put("1");    // V0 to the end
    TCCITTFax4Decoder d(0, 8, false, false);
    const Result r = Decode(d, w.Take(), 2);
    EXPECT_EQ(r.out[0], 0x18);
    EXPECT_EQ(r.out[1], 0x00);
}

TEST(CCITT, RandomDataStaysInBounds) {
    std::mt19937 rng(5);
    for (int round = 0; round < 100; ++round) {
        Bytes in(std::size_t(rng() % 400));
        for (auto& b : in)
            b = std::uint8_t(rng());
        const std::uint32_t width = 1 + rng() % 300;
        const std::size_t wanted = (width + 7) / 8 * (rng() % 20);
        TCCITTMHDecoder mh(0, width, round % 2 == 0, round % 3 == 0);
        TCCITTFax3Decoder g3(round % 2 ? kFax2DEncoding : 0, width, false, round % 3 == 0);
        TCCITTFax4Decoder g4(0, width, false, false);
        Decode(mh, in, wanted);
        Decode(g3, in, wanted);
        Decode(g4, in, wanted);
    }
}

// ---------------------------------------------------------------------------

TEST(ThunderScan, RawValuesDeltasAndRunsWithEachRowStartingAtZero) {
    // Row 1 (7 pixels): raw 5; 2-bit deltas +1, skip, -1; run of 2;
    // 3-bit deltas +3, -3. Row 2: a run of 3 repeats the row's start value 0
    // (a 2-bit delta of +1 comes after).
    const Bytes in = {0xC5, 0x40 | 0x10 | 0x08 | 0x03, 0x02, 0x80 | 0x18 | 0x05, 0x03, 0x40 | 0x12};
    TThunderDecoder d(7);
    const Result r = Decode(d, in, 8, 0x00);
    EXPECT_EQ(r.out, (Bytes{0x56, 0x55, 0x58, 0x50, 0x00, 0x01, 0x10, 0x00}));
}

TEST(ThunderScan, RandomDataStaysInBounds) {
    std::mt19937 rng(9);
    for (int round = 0; round < 100; ++round) {
        Bytes in(std::size_t(rng() % 500));
        for (auto& b : in)
            b = std::uint8_t(rng());
        TThunderDecoder d(1 + rng() % 100);
        Decode(d, in, std::size_t(rng() % 700));
    }
}

// ---------------------------------------------------------------------------
// JPEG in TIFF.

Bytes EncodeJpeg(int width, int height, int components, bool tablesOnly = false) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = components == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (components == 3) { // RGB components as TIFF stores them, not subsampled
        jpeg_set_colorspace(&c, JCS_RGB);
        for (int i = 0; i < 3; ++i)
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    }
    if (tablesOnly) {
        jpeg_write_tables(&c);
    } else {
        jpeg_start_compress(&c, TRUE);
        std::vector<JSAMPLE> row(std::size_t(width) * components);
        while (c.next_scanline < c.image_height) {
            for (int x = 0; x < width * components; ++x)
                row[std::size_t(x)] = JSAMPLE((x * 7 + int(c.next_scanline) * 3) & 0xFF);
            JSAMPROW p = row.data();
            jpeg_write_scanlines(&c, &p, 1);
        }
        jpeg_finish_compress(&c);
    }
    Bytes out(mem, mem + size);
    jpeg_destroy_compress(&c);
    std::free(mem);
    return out;
}

TImageProperties JpegProperties(std::uint32_t width, std::uint8_t samples) {
    TImageProperties p;
    p.Width = width;
    p.Height = 16;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = samples;
    p.ColorModel = samples == 3 ? TColorModel::RGB : TColorModel::Grey;
    return p;
}

std::string JpegError(const TImageProperties& p, const Bytes& data, std::size_t wanted) {
    TTIFFJPEGDecoder d(p);
    try {
        Decode(d, data, wanted);
    } catch (const EGraphicCompression& e) {
        return e.what();
    }
    return "";
}

TEST(TIFFJPEG, DecodesStripsAsBlueGreenRed) {
    const Bytes grey = EncodeJpeg(16, 8, 1);
    TTIFFJPEGDecoder d(JpegProperties(16, 1));
    const Result r = Decode(d, grey, 16 * 8);
    for (int x = 0; x < 16; ++x) // smooth ramp: JPEG keeps it within a few levels
        EXPECT_NEAR(r.out[std::size_t(x)], x * 7, 4);

    const Bytes rgb = EncodeJpeg(8, 8, 3);
    TTIFFJPEGDecoder c(JpegProperties(8, 3));
    const Result rc = Decode(c, rgb, 8 * 8 * 3);
    // Pixel 1 of row 0 was red 21, green 28, blue 35.
    EXPECT_NEAR(rc.out[3], 35, 8);
    EXPECT_NEAR(rc.out[4], 28, 8);
    EXPECT_NEAR(rc.out[5], 21, 8);
}

TEST(TIFFJPEG, StripsThatDoNotFitTheImageFail) {
    const Bytes grey = EncodeJpeg(16, 8, 1);
    EXPECT_EQ(JpegError(JpegProperties(20, 1), grey, 20 * 8), "Improper JPEG strip/tile size.");
    EXPECT_EQ(JpegError(JpegProperties(16, 1), grey, 16 * 4), "Improper JPEG strip/tile size.");
    EXPECT_EQ(JpegError(JpegProperties(16, 1), grey, 16 * 8 + 3),
              "Fractional JPEG scanline unsupported.");
    const Bytes rgb = EncodeJpeg(16, 8, 3);
    TImageProperties p = JpegProperties(16, 3);
    p.SamplesPerPixel = 1;
    EXPECT_EQ(JpegError(p, rgb, 16 * 8), "Improper JPEG component count.");
    p = JpegProperties(16, 3);
    p.ColorModel = TColorModel::YCbCr;
    p.YCbCrSubSampling = {2, 2}; // the data is not subsampled
    EXPECT_EQ(JpegError(p, rgb, 16 * 8 * 3), "Improper JPEG sampling factors.");
    p = JpegProperties(16, 1);
    p.BitsPerSample = 12;
    EXPECT_EQ(JpegError(p, grey, 16 * 8), "Improper JPEG data precision.");
    // Not JPEG data at all: libjpeg's own message.
    EXPECT_NE(JpegError(JpegProperties(16, 1), Bytes(100, 0x42), 16 * 8), "");
}

TEST(TIFFJPEG, TablesComeFromTheTablesField) {
    TImageProperties p = JpegProperties(16, 1);
    p.JPEGTables = EncodeJpeg(16, 8, 1, true);
    const Bytes strip = EncodeJpeg(16, 8, 1);
    TTIFFJPEGDecoder d(p);
    Result r;
    EXPECT_NO_THROW(r = Decode(d, strip, 16 * 8));
    ASSERT_GE(r.out.size(), 16u);
    for (int x = 0; x < 16; ++x) // the same ramp as without a tables field
        EXPECT_NEAR(r.out[std::size_t(x)], x * 7, 4);
    p.JPEGTables = {0x00, 0x11, 0x22, 0x33};
    TTIFFJPEGDecoder bogus(p);
    EXPECT_THROW(
        {
            try {
                bogus.DecodeInit();
            } catch (const EGraphicCompression& e) {
                EXPECT_STREQ(e.what(), "Bogus JPEG tables field.");
                throw;
            }
        },
        EGraphicCompression);
}

TEST(TIFFJPEG, DataThatEndsEarlyWarnsOnceAndKeepsWhatWasDecoded) {
    std::vector<std::string> warnings;
    TWarningHandler previous =
        SetWarningHandler([&](const std::string& caption, const std::string& text) {
            warnings.push_back(caption + ": " + text);
        });
    Bytes cut = EncodeJpeg(16, 64, 1);
    // Cut in the middle of the scan data.
    std::size_t sos = 0;
    while (sos + 1 < cut.size() && !(cut[sos] == 0xFF && cut[sos + 1] == 0xDA))
        ++sos;
    cut.resize(sos + (cut.size() - sos) / 2);
    TTIFFJPEGDecoder d(JpegProperties(16, 1));
    Result r;
    EXPECT_NO_THROW(r = Decode(d, cut, 16 * 64));
    EXPECT_NEAR(r.out[16 + 5], 3 + 35, 4) << "row 1 was decoded";
    SetWarningHandler(previous);
    const std::string expected = "Warning: JPEG decompression error. Unexpected end of input.";
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), expected), 1);
}

TEST(TIFFJPEG, MarkersThatLibjpegSkipsAreSkipped) {
    // A comment marker after the start of image: libjpeg skips its bytes
    // through the decoder's source, the picture is the same.
    const Bytes plain = EncodeJpeg(16, 8, 1);
    const std::string text(300, 'c');
    Bytes commented(plain.begin(), plain.begin() + 2);
    const Bytes marker = {0xFF, 0xFE, std::uint8_t((text.size() + 2) >> 8),
                          std::uint8_t(text.size() + 2)};
    commented.insert(commented.end(), marker.begin(), marker.end());
    commented.insert(commented.end(), text.begin(), text.end());
    commented.insert(commented.end(), plain.begin() + 2, plain.end());
    TTIFFJPEGDecoder a(JpegProperties(16, 1)), b(JpegProperties(16, 1));
    EXPECT_EQ(Decode(a, commented, 16 * 8).out, Decode(b, plain, 16 * 8).out);

    // A comment that claims more bytes than the strip holds: the skip runs
    // out of data, which warns once and ends the data.
    std::vector<std::string> warnings;
    TWarningHandler previous =
        SetWarningHandler([&](const std::string&, const std::string& t) { warnings.push_back(t); });
    Bytes cut(plain.begin(), plain.begin() + 2);
    const Bytes longMarker = {0xFF, 0xFE, 0x7F, 0xFF, 'a', 'b', 'c'};
    cut.insert(cut.end(), longMarker.begin(), longMarker.end());
    EXPECT_EQ(JpegError(JpegProperties(16, 1), cut, 16 * 8), "JPEG datastream contains no image");
    SetWarningHandler(previous);
    EXPECT_EQ(warnings,
              std::vector<std::string>{"JPEG decompression error. Unexpected end of input."});
}

} // namespace
