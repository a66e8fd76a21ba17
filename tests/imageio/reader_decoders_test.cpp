// The run-length decoders of the Targa, PCX and SGI readers and the GIF LZW
// decoder on hand-made input: bounds, packets that span calls, and the
// details whole files rarely reach.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/rundecoders.h"

namespace vt {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One Decode into a buffer of `wanted` units of unitBytes, preset to 0xEE
// and followed by guard bytes that must stay untouched.
struct Decoded {
    Bytes out;
    std::size_t consumed = 0;
    std::size_t produced = 0; // bytes
};

Decoded decode(TDecoder& d, const Bytes& in, std::size_t wanted, std::size_t unitBytes = 1) {
    Bytes buffer(wanted * unitBytes + 16, 0xEE);
    const std::uint8_t* src = in.data();
    std::uint8_t* dst = buffer.data();
    d.Decode(src, dst, in.size(), wanted);
    for (std::size_t i = wanted * unitBytes; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], 0xEE) << "written beyond the wanted size at " << i;
    Decoded r;
    r.consumed = std::size_t(src - in.data());
    r.produced = std::size_t(dst - buffer.data());
    buffer.resize(wanted * unitBytes);
    r.out = buffer;
    return r;
}

Bytes repeat(std::initializer_list<std::uint8_t> unit, std::size_t count) {
    Bytes b;
    for (std::size_t i = 0; i < count; ++i)
        b.insert(b.end(), unit);
    return b;
}

// --- Targa ----------------------------------------------------------------

TEST(TargaRLEDecoder, RunOf128At24BitsTakesFourBytes) {
    TTargaRLEDecoder d(24);
    const Decoded r = decode(d, {0xFF, 1, 2, 3, 0x00, 9, 9, 9}, 128, 3);
    EXPECT_EQ(r.consumed, 4u);
    EXPECT_EQ(r.produced, 384u);
    EXPECT_EQ(r.out, repeat({1, 2, 3}, 128));
}

TEST(TargaRLEDecoder, PacketsGoOnInTheNextCall) {
    // A run of 5 and a raw packet of 3 at 16 bits, decoded 3 pixels a call.
    TTargaRLEDecoder d(16);
    d.DecodeInit();
    const Bytes in = {0x84, 0xAA, 0xBB, 0x02, 1, 2, 3, 4, 5, 6};
    const std::uint8_t* src = in.data();
    Bytes out(16, 0);
    std::uint8_t* dst = out.data();
    d.Decode(src, dst, in.size(), 3);
    EXPECT_EQ(src - in.data(), 3);
    EXPECT_EQ(dst - out.data(), 6);
    d.Decode(src, dst, std::size_t(in.data() + in.size() - src), 3);
    EXPECT_EQ(src - in.data(), 6);
    d.Decode(src, dst, std::size_t(in.data() + in.size() - src), 3);
    EXPECT_EQ(src - in.data(), 10);
    EXPECT_EQ(
        out, (Bytes{0xAA, 0xBB, 0xAA, 0xBB, 0xAA, 0xBB, 0xAA, 0xBB, 0xAA, 0xBB, 1, 2, 3, 4, 5, 6}));
}

TEST(TargaRLEDecoder, WaitsForWholePixels) {
    TTargaRLEDecoder d(32);
    // A run header without its whole pixel value is left in the input.
    EXPECT_EQ(decode(d, {0x81, 1, 2, 3}, 2, 4).consumed, 0u);
    // A raw packet is taken with the pixels that are there; the rest of the
    // packet follows in the next call.
    d.DecodeInit();
    const Decoded r = decode(d, {0x02, 1, 2, 3, 4, 5, 6}, 3, 4);
    EXPECT_EQ(r.consumed, 5u);
    EXPECT_EQ(r.produced, 4u);
    const Decoded rest = decode(d, {5, 6, 7, 8, 9, 10, 11, 12}, 2, 4);
    EXPECT_EQ(rest.out, (Bytes{5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(TargaRLEDecoder, EncodedPixelsDecodeToThemselves) {
    // Runs and raw stretches, one of them longer than a packet.
    Bytes pixels;
    for (int i = 0; i < 700; ++i) {
        const int v = i < 200 ? 7 : i < 450 ? i : (i / 3) % 5;
        pixels.insert(pixels.end(), {std::uint8_t(v), std::uint8_t(v >> 8), 0x40});
    }
    TTargaRLEDecoder d(24);
    Bytes packed(700 * 4);
    const std::uint8_t* src = pixels.data();
    std::uint8_t* dst = packed.data();
    const std::size_t stored = d.Encode(src, dst, 700);
    EXPECT_EQ(std::size_t(dst - packed.data()), stored);
    EXPECT_LT(stored, pixels.size());
    packed.resize(stored);
    d.DecodeInit();
    EXPECT_EQ(decode(d, packed, 700, 3).out, pixels);

    // Equal neighbours make a run packet, the others raw packets.
    Bytes few = {5, 5, 5, 6, 7, 8, 8};
    TTargaRLEDecoder grey(8);
    Bytes out(16);
    src = few.data();
    dst = out.data();
    out.resize(grey.Encode(src, dst, few.size()));
    EXPECT_EQ(out, (Bytes{0x82, 5, 0x01, 6, 7, 0x81, 8}));
}

// --- PCX ------------------------------------------------------------------

TEST(PCXRLEDecoder, CountsLiteralsAndEmptyRuns) {
    TPCXRLEDecoder d;
    // 0xC0 x writes nothing and takes both bytes; 0xC3 x three bytes; a
    // byte below 0xC0 stands for itself.
    const Decoded r = decode(d, {0xC0, 9, 0xC3, 7, 0x05, 0xBF}, 5);
    EXPECT_EQ(r.consumed, 6u);
    EXPECT_EQ(r.out, (Bytes{7, 7, 7, 5, 0xBF}));
}

TEST(PCXRLEDecoder, RunsGoOnInTheNextCall) {
    TPCXRLEDecoder d;
    d.DecodeInit();
    Decoded r = decode(d, {0xC5, 4, 1}, 3);
    EXPECT_EQ(r.out, (Bytes{4, 4, 4}));
    EXPECT_EQ(r.consumed, 2u);
    r = decode(d, {1}, 3);
    EXPECT_EQ(r.out, (Bytes{4, 4, 1}));
    // A count byte at the end of the input waits for its value.
    d.DecodeInit();
    r = decode(d, {8, 0xC2}, 3);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(r.produced, 1u);
}

// --- SGI ------------------------------------------------------------------

TEST(SGIRLEDecoder, EightBitRows) {
    TSGIRLEDecoder d(8);
    // A first control of 0 ends the row at once.
    Decoded r = decode(d, {0x00, 0x83, 1, 2, 3}, 4);
    EXPECT_EQ(r.produced, 0u);
    EXPECT_EQ(r.out, (Bytes{0xEE, 0xEE, 0xEE, 0xEE}));
    // Copy 2, repeat 9 three times, end; a run is cut to the wanted bytes.
    r = decode(d, {0x82, 1, 2, 0x03, 9, 0x00}, 5);
    EXPECT_EQ(r.out, (Bytes{1, 2, 9, 9, 9}));
    r = decode(d, {0x05, 4, 0x00}, 3);
    EXPECT_EQ(r.out, (Bytes{4, 4, 4}));
    // A copy longer than the input takes what there is.
    r = decode(d, {0x85, 1, 2}, 5);
    EXPECT_EQ(r.out, (Bytes{1, 2, 0xEE, 0xEE, 0xEE}));
}

TEST(SGIRLEDecoder, SixteenBitRows) {
    TSGIRLEDecoder d(16);
    // Controls and values are 16-bit big-endian units.
    const Decoded r =
        decode(d, {0x00, 0x82, 0x12, 0x34, 0x56, 0x78, 0x00, 0x02, 0xAB, 0xCD, 0, 0}, 8);
    EXPECT_EQ(r.out, (Bytes{0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD, 0xAB, 0xCD}));
}

// --- GIF LZW --------------------------------------------------------------

// Writes codes least significant bit first.
class LsbWriter {
  public:
    void Put(unsigned code, unsigned width) {
        acc_ |= std::uint64_t(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out.push_back(std::uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    Bytes Finish() {
        if (bits_) out.push_back(std::uint8_t(acc_));
        acc_ = bits_ = 0;
        return out;
    }
    Bytes out;

  private:
    std::uint64_t acc_ = 0;
    unsigned bits_ = 0;
};

TEST(GIFLZWDecoder, StringsAndTheCodeNotYetInTheTable) {
    // Code size 2: Clear 4, End 5, first entry 6, 3-bit codes.
    LsbWriter w;
    w.Put(4, 3); // Clear
    w.Put(1, 3); // 1
    w.Put(1, 3); // 1, adds 6 = "1 1"
    w.Put(6, 3); // "1 1", adds 7 = "1 1": width grows to 4
    w.Put(8, 4); // not yet in the table: "1 1 1", adds 8
    w.Put(2, 4); // 2
    w.Put(5, 4); // End
    TGIFLZWDecoder d(2);
    EXPECT_EQ(decode(d, w.Finish(), 8).out, (Bytes{1, 1, 1, 1, 1, 1, 1, 2}));
}

TEST(GIFLZWDecoder, WidensOnlyAfterEntry511WasAdded) {
    // Code size 8: 9-bit codes until the entry 511 (the 255th literal after
    // the first) is in the table. TIFF widens one code earlier.
    LsbWriter w;
    w.Put(256, 9);
    Bytes want;
    for (unsigned i = 0; i < 255; ++i) {
        w.Put(i, 9);
        want.push_back(std::uint8_t(i));
    }
    w.Put(200, 10);
    w.Put(257, 10);
    want.push_back(200);
    TGIFLZWDecoder d(8);
    EXPECT_EQ(decode(d, w.Finish(), want.size()).out, want);
}

TEST(GIFLZWDecoder, ClearStartsOverAndBadCodesDropTheirByte) {
    LsbWriter w;
    w.Put(4, 3);
    w.Put(3, 3);
    w.Put(4, 3); // Clear: back to 3 bits, empty table
    w.Put(2, 3); // 2
    w.Put(7, 3); // not in the table (next free is 6): the rest of its byte goes
    Bytes in = w.Finish();
    LsbWriter tail;
    tail.Put(1, 3); // decoding goes on at the next byte
    tail.Put(5, 3);
    Bytes more = tail.Finish();
    in.insert(in.end(), more.begin(), more.end());
    TGIFLZWDecoder d(2);
    const Decoded r = decode(d, in, 3);
    EXPECT_EQ(r.out, (Bytes{3, 2, 1}));
}

TEST(GIFLZWDecoder, StopsAtTheWantedSizeAndAtTheEndOfInput) {
    LsbWriter w;
    w.Put(4, 3);
    for (int i = 0; i < 6; ++i)
        w.Put(3, i < 3 ? 3 : 4);
    const Bytes in = w.Finish();
    TGIFLZWDecoder d(2);
    EXPECT_EQ(decode(d, in, 4).out, (Bytes{3, 3, 3, 3}));
    // Input used up: what was not written keeps its content.
    const Decoded r = decode(d, Bytes(in.begin(), in.begin() + 2), 8);
    EXPECT_LT(r.produced, 8u);
    EXPECT_EQ(r.out.back(), 0xEE);
}

TEST(GIFLZWDecoder, LongestStringsAndAFullTable) {
    // Code size 8: a literal 0, then every code the one not yet in the
    // table, so that code c stands for c - 256 zeros; the table is full after
    // 4095, which then stands for 3839 zeros however often it comes.
    LsbWriter w;
    w.Put(256, 9);
    w.Put(0, 9);
    std::size_t total = 1;
    for (unsigned c = 258; c < 4096; ++c) {
        w.Put(c, c <= 511 ? 9 : c <= 1023 ? 10 : c <= 2047 ? 11 : 12);
        total += c - 256;
    }
    w.Put(4095, 12);
    total += 3839;
    w.Put(257, 12);
    TGIFLZWDecoder d(8);
    const Decoded r = decode(d, w.Finish(), total + 1);
    EXPECT_EQ(r.produced, total);
    EXPECT_EQ(Bytes(r.out.begin(), r.out.end() - 1), Bytes(total, 0));
}

} // namespace
} // namespace vt
