#include "imageio/decoders.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <zlib.h>

namespace vt {

std::size_t TDecoder::Encode(const std::uint8_t*&, std::uint8_t*&, std::size_t) {
    throw std::logic_error("Abstract Error");
}

// ---------------------------------------------------------------------------
// PackBits

void TPackbitsRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                                 std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;
    while (in < inEnd && out < outEnd) {
        const int n = static_cast<std::int8_t>(*in++);
        if (n >= 0) {
            std::size_t count = std::size_t(n) + 1;
            count = std::min({count, std::size_t(inEnd - in), std::size_t(outEnd - out)});
            std::memcpy(out, in, count);
            in += count;
            out += count;
        } else if (n != -128) {
            if (in == inEnd) break;
            const std::size_t count = std::min(std::size_t(1 - n), std::size_t(outEnd - out));
            std::memset(out, *in++, count);
            out += count;
        }
    }
    source = in;
    dest = out;
}

// ---------------------------------------------------------------------------
// TIFF LZW

namespace {
constexpr unsigned kLzwClear = 256;
constexpr unsigned kLzwEnd = 257;
constexpr unsigned kLzwFirstFree = 258;
constexpr unsigned kLzwNone = 4096;
} // namespace

TTIFFLZWDecoder::TTIFFLZWDecoder() = default;

template <bool OldStyle>
void TTIFFLZWDecoder::Run(const std::uint8_t* source, std::uint8_t* dest, std::size_t packedSize,
                          std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* const begin = dest;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;

    // New style: the newest `count` bits at the bottom, codes taken from the
    // top. Old style: the oldest bits at the bottom, codes taken from there.
    std::uint64_t bits = 0;
    unsigned count = 0;
    unsigned width = 9;
    unsigned mask = 511;
    unsigned next = kLzwFirstFree;
    unsigned previous = kLzwNone;
    std::size_t previousAt = 0;     // output offset of the previous string
    std::size_t previousLength = 0; // and its length
    std::uint64_t* const table = strings_.data();

    while (out < outEnd) {
        if (count < width) {
            if (inEnd - in >= 4) {
                if constexpr (OldStyle)
                    bits |= (std::uint64_t(in[0]) | std::uint64_t(in[1]) << 8 |
                             std::uint64_t(in[2]) << 16 | std::uint64_t(in[3]) << 24)
                            << count;
                else
                    bits = bits << 32 | std::uint32_t(in[0]) << 24 | std::uint32_t(in[1]) << 16 |
                           std::uint32_t(in[2]) << 8 | in[3];
                in += 4;
                count += 32;
            } else {
                while (count < width) {
                    if (in == inEnd) return;
                    if constexpr (OldStyle)
                        bits |= std::uint64_t(*in++) << count;
                    else
                        bits = bits << 8 | *in++;
                    count += 8;
                }
            }
        }
        unsigned code;
        if constexpr (OldStyle) {
            code = unsigned(bits) & ((1u << width) - 1);
            bits >>= width;
            count -= width;
        } else {
            count -= width;
            code = unsigned(bits >> count) & ((1u << width) - 1);
        }

        if (code == kLzwEnd) return;
        if (code == kLzwClear) {
            width = 9;
            mask = 511;
            next = kLzwFirstFree;
            previous = kLzwNone;
            continue;
        }
        if (code > next) continue; // not a code of this table: damaged data, skipped
        const std::size_t at = std::size_t(out - begin);
        if (previous == kLzwNone) {
            if (code > 255) continue;
            *out++ = std::uint8_t(code);
            previous = code;
            previousAt = at;
            previousLength = 1;
            continue;
        }

        // The new entry is the previous string plus the first byte of this
        // one; in the output it starts where the previous string starts. A
        // code equal to the next free one is that very entry.
        if (next < unsigned(kTableSize)) {
            table[next] = std::uint64_t(previousAt) << 16 | (previousLength + 1);
            ++next;
            // New style widens one code early, old style when the code no
            // longer fits.
            if ((OldStyle ? next > mask : next == mask) && width < 12) {
                ++width;
                mask = (1u << width) - 1;
            }
        } else if (code == next) {
            continue; // cannot happen with 12-bit codes; kept for safety
        }
        previous = code;
        previousAt = at;
        if (code < 256) {
            *out++ = std::uint8_t(code);
            previousLength = 1;
            continue;
        }
        previousLength = CopyOutputString(begin, table[code], out, std::size_t(outEnd - out));
    }
}

void TTIFFLZWDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                             std::size_t packedSize, std::size_t unpackedSize) {
    // Writers before TIFF 6.0 stored the codes least significant bit first;
    // their strips begin with a Clear code read that way (bytes 00, x1).
    if (packedSize >= 2 && source[0] == 0 && (source[1] & 1))
        Run<true>(source, dest, packedSize, unpackedSize);
    else
        Run<false>(source, dest, packedSize, unpackedSize);
}

// ---------------------------------------------------------------------------
// LZ77 (zlib)

struct TLZ77Decoder::Stream {
    z_stream z{};
};

TLZ77Decoder::TLZ77Decoder(int flushMode, bool autoReset)
    : stream_(std::make_unique<Stream>()), flushMode_(flushMode), autoReset_(autoReset) {}

TLZ77Decoder::~TLZ77Decoder() {
    if (initialized_) inflateEnd(&stream_->z);
}

void TLZ77Decoder::DecodeInit() {
    if (initialized_) inflateEnd(&stream_->z);
    stream_->z = z_stream{};
    initialized_ = false;
    result_ = 0;
    if (inflateInit(&stream_->z) != Z_OK) throw EGraphicCompression("LZ77 decompression error.");
    initialized_ = true;
}

void TLZ77Decoder::DecodeEnd() {
    if (!initialized_) return;
    initialized_ = false;
    if (inflateEnd(&stream_->z) != Z_OK) throw EGraphicCompression("LZ77 decompression error.");
}

void TLZ77Decoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                          std::size_t unpackedSize) {
    if (!initialized_) DecodeInit();
    z_stream& z = stream_->z;
    if (autoReset_) {
        inflateReset(&z);
        result_ = 0;
    }
    if (result_ != 0) return;
    z.next_in = const_cast<Bytef*>(source);
    z.avail_in = uInt(std::min<std::size_t>(packedSize, UINT_MAX));
    z.next_out = dest;
    z.avail_out = uInt(std::min<std::size_t>(unpackedSize, UINT_MAX));
    result_ = inflate(&z, flushMode_);
    availIn_ = z.avail_in + (packedSize - std::min<std::size_t>(packedSize, UINT_MAX));
    availOut_ = z.avail_out + (unpackedSize - std::min<std::size_t>(unpackedSize, UINT_MAX));
    source = z.next_in;
    dest = z.next_out;
}

// ---------------------------------------------------------------------------
// CCITT

namespace {

struct Code {
    const char* bits;
    int value;
};

constexpr int kEolValue = 30000;

// ITU-T T.4 terminating and make-up codes.
constexpr Code kWhiteCodes[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},
    {"1011", 4},         {"1100", 5},         {"1110", 6},         {"1111", 7},
    {"10011", 8},        {"10100", 9},        {"00111", 10},       {"01000", 11},
    {"001000", 12},      {"000011", 13},      {"110100", 14},      {"110101", 15},
    {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},
    {"0101000", 24},     {"0101011", 25},     {"0010011", 26},     {"0100100", 27},
    {"0011000", 28},     {"00000010", 29},    {"00000011", 30},    {"00011010", 31},
    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},    {"00010100", 35},
    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},
    {"00101101", 44},    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},
    {"00001011", 48},    {"01010010", 49},    {"01010011", 50},    {"01010100", 51},
    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},    {"01011000", 55},
    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},
    {"00110110", 320},   {"00110111", 384},   {"01100100", 448},   {"01100101", 512},
    {"01101000", 576},   {"01100111", 640},   {"011001100", 704},  {"011001101", 768},
    {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},    {"010011011", 1728},
};

constexpr Code kBlackCodes[] = {
    {"0000110111", 0},
    {"010", 1},
    {"11", 2},
    {"10", 3},
    {"011", 4},
    {"0011", 5},
    {"0010", 6},
    {"00011", 7},
    {"000101", 8},
    {"000100", 9},
    {"0000100", 10},
    {"0000101", 11},
    {"0000111", 12},
    {"00000100", 13},
    {"00000111", 14},
    {"000011000", 15},
    {"0000010111", 16},
    {"0000011000", 17},
    {"0000001000", 18},
    {"00001100111", 19},
    {"00001101000", 20},
    {"00001101100", 21},
    {"00000110111", 22},
    {"00000101000", 23},
    {"00000010111", 24},
    {"00000011000", 25},
    {"000011001010", 26},
    {"000011001011", 27},
    {"000011001100", 28},
    {"000011001101", 29},
    {"000001101000", 30},
    {"000001101001", 31},
    {"000001101010", 32},
    {"000001101011", 33},
    {"000011010010", 34},
    {"000011010011", 35},
    {"000011010100", 36},
    {"000011010101", 37},
    {"000011010110", 38},
    {"000011010111", 39},
    {"000001101100", 40},
    {"000001101101", 41},
    {"000011011010", 42},
    {"000011011011", 43},
    {"000001010100", 44},
    {"000001010101", 45},
    {"000001010110", 46},
    {"000001010111", 47},
    {"000001100100", 48},
    {"000001100101", 49},
    {"000001010010", 50},
    {"000001010011", 51},
    {"000000100100", 52},
    {"000000110111", 53},
    {"000000111000", 54},
    {"000000100111", 55},
    {"000000101000", 56},
    {"000001011000", 57},
    {"000001011001", 58},
    {"000000101011", 59},
    {"000000101100", 60},
    {"000001011010", 61},
    {"000001100110", 62},
    {"000001100111", 63},
    {"0000001111", 64},
    {"000011001000", 128},
    {"000011001001", 192},
    {"000001011011", 256},
    {"000000110011", 320},
    {"000000110100", 384},
    {"000000110101", 448},
    {"0000001101100", 512},
    {"0000001101101", 576},
    {"0000001001010", 640},
    {"0000001001011", 704},
    {"0000001001100", 768},
    {"0000001001101", 832},
    {"0000001110010", 896},
    {"0000001110011", 960},
    {"0000001110100", 1024},
    {"0000001110101", 1088},
    {"0000001110110", 1152},
    {"0000001110111", 1216},
    {"0000001010010", 1280},
    {"0000001010011", 1344},
    {"0000001010100", 1408},
    {"0000001010101", 1472},
    {"0000001011010", 1536},
    {"0000001011011", 1600},
    {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// Make-up codes common to both colours, and the end-of-line code.
constexpr Code kCommonCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},       {"00000001101", 1920},
    {"000000010010", 1984}, {"000000010011", 2048},      {"000000010100", 2112},
    {"000000010101", 2176}, {"000000010110", 2240},      {"000000010111", 2304},
    {"000000011100", 2368}, {"000000011101", 2432},      {"000000011110", 2496},
    {"000000011111", 2560}, {"000000000001", kEolValue},
};

// Two-dimensional mode codes.
enum Mode { kPass, kHorizontal, kV0, kVR1, kVR2, kVR3, kVL1, kVL2, kVL3 };
constexpr Code kModeCodes[] = {
    {"0001", kPass},   {"001", kHorizontal},        {"1", kV0},    {"011", kVR1},
    {"000011", kVR2},  {"0000011", kVR3},           {"010", kVL1}, {"000010", kVL2},
    {"0000010", kVL3}, {"000000000001", kEolValue},
};

std::uint8_t ReverseBits(std::uint8_t b) {
    b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}

template <std::size_t N>
void AddCodes(std::vector<TCCITTDecoder::Node>& tree, const Code (&codes)[N]) {
    for (const Code& c : codes) {
        std::size_t node = 0;
        for (const char* p = c.bits; *p; ++p) {
            const int b = *p - '0';
            if (tree[node].child[b] == 0) {
                tree[node].child[b] = std::int16_t(tree.size());
                tree.emplace_back();
            }
            node = std::size_t(tree[node].child[b]);
        }
        tree[node].value = std::int16_t(c.value);
    }
}

} // namespace

TCCITTDecoder::TCCITTDecoder(std::uint32_t options, std::uint32_t width, bool wordAligned,
                             bool swapBits)
    : options_(options), width_(width), wordAligned_(wordAligned), swapBits_(swapBits) {
    white_.emplace_back();
    black_.emplace_back();
    modes_.emplace_back();
    AddCodes(white_, kWhiteCodes);
    AddCodes(white_, kCommonCodes);
    AddCodes(black_, kBlackCodes);
    AddCodes(black_, kCommonCodes);
    AddCodes(modes_, kModeCodes);
}

int TCCITTDecoder::BitReader::next() {
    if (pos >= size) return -1;
    std::uint8_t b = data[pos];
    if (swap) b = ReverseBits(b);
    const int result = (b >> (7 - bit)) & 1;
    if (++bit == 8) {
        bit = 0;
        ++pos;
    }
    return result;
}

void TCCITTDecoder::BitReader::alignToByte() {
    if (bit != 0) {
        bit = 0;
        ++pos;
    }
}

void TCCITTDecoder::BitReader::alignToWord(const std::uint8_t* base) {
    alignToByte();
    if ((std::size_t(data - base) + pos) & 1) ++pos;
}

int TCCITTDecoder::ReadRun(BitReader& in, bool black) const {
    const Tree& tree = black ? black_ : white_;
    int total = 0;
    for (;;) {
        std::size_t node = 0;
        for (;;) {
            const int b = in.next();
            if (b < 0) return -1;
            const int child = tree[node].child[b];
            if (child == 0) return -2;
            node = std::size_t(child);
            if (tree[node].value >= 0) break;
        }
        const int value = tree[node].value;
        if (value == kEolValue) return -3;
        total += value;
        if (value < 64) return total;
        if (total > 1 << 24) return -2; // endless make-up codes
    }
}

int TCCITTDecoder::ReadMode(BitReader& in) const {
    std::size_t node = 0;
    for (;;) {
        const int b = in.next();
        if (b < 0) return -1;
        const int child = modes_[node].child[b];
        if (child == 0) return -2;
        node = std::size_t(child);
        const int value = modes_[node].value;
        if (value >= 0) return value == kEolValue ? -3 : value;
    }
}

void TCCITTDecoder::FillBlack(std::uint8_t* row, std::uint32_t from, std::uint32_t to) {
    if (from >= to) return;
    std::uint32_t first = from >> 3;
    const std::uint32_t last = (to - 1) >> 3;
    const std::uint8_t headMask = std::uint8_t(0xFF >> (from & 7));
    const std::uint8_t tailMask = std::uint8_t(0xFF << (7 - ((to - 1) & 7)));
    if (first == last) {
        row[first] |= std::uint8_t(headMask & tailMask);
        return;
    }
    row[first++] |= headMask;
    if (last > first) std::memset(row + first, 0xFF, last - first);
    row[last] |= tailMask;
}

bool TCCITTDecoder::DecodeRow1D(BitReader& in, std::uint8_t* row, bool& eolSeen) const {
    std::uint32_t a0 = 0;
    bool black = false;
    while (a0 < width_) {
        const int run = ReadRun(in, black);
        if (run < 0) {
            eolSeen = run == -3;
            return false;
        }
        const std::uint32_t end =
            std::uint32_t(std::min<std::uint64_t>(a0 + std::uint64_t(run), width_));
        if (black) FillBlack(row, a0, end);
        a0 = end;
        black = !black;
    }
    return true;
}

void TCCITTDecoder::CollectChanges(const std::uint8_t* row,
                                   std::vector<std::uint32_t>& changes) const {
    changes.clear();
    int colour = 0;
    std::uint32_t x = 0;
    while (x < width_) {
        const std::uint8_t byte = row[x >> 3];
        if ((x & 7) == 0 && x + 8 <= width_ && byte == (colour ? 0xFF : 0x00)) {
            x += 8;
            continue;
        }
        const int bit = (byte >> (7 - (x & 7))) & 1;
        if (bit != colour) {
            changes.push_back(x);
            colour = bit;
        }
        ++x;
    }
    changes.push_back(width_);
    changes.push_back(width_);
}

bool TCCITTDecoder::DecodeRow2D(BitReader& in, std::uint8_t* row, bool& eolSeen) const {
    const std::vector<std::uint32_t>& ref = reference_;
    const std::int64_t width = width_;
    std::int64_t a0 = -1;
    bool black = false;
    std::size_t i = 0; // index into ref, kept near a0
    while (a0 < width) {
        // b1: first changing element right of a0 with the colour opposite to
        // a0's; changes at even indexes turn black, at odd ones white.
        if (i > 0) --i;
        while (i + 2 < ref.size() && (std::int64_t(ref[i]) <= a0 || ((i & 1) != 0) != black))
            ++i;
        const std::int64_t b1 = ref[i];
        const std::int64_t b2 = ref[std::min(i + 1, ref.size() - 1)];
        const int mode = ReadMode(in);
        if (mode < 0) {
            eolSeen = mode == -3;
            return false;
        }
        const std::int64_t start = std::max<std::int64_t>(a0, 0);
        switch (mode) {
        case kPass:
            if (black) FillBlack(row, std::uint32_t(start), std::uint32_t(std::min(b2, width)));
            a0 = std::min(b2, width);
            break;
        case kHorizontal: {
            const int r1 = ReadRun(in, black);
            if (r1 < 0) {
                eolSeen = r1 == -3;
                return false;
            }
            const int r2 = ReadRun(in, !black);
            if (r2 < 0) {
                eolSeen = r2 == -3;
                return false;
            }
            const std::int64_t a1 = std::min(start + r1, width);
            const std::int64_t a2 = std::min(a1 + r2, width);
            FillBlack(row, std::uint32_t(black ? start : a1), std::uint32_t(black ? a1 : a2));
            a0 = a2;
            break;
        }
        default: {
            static constexpr int kDelta[] = {0, 0, 0, 1, 2, 3, -1, -2, -3};
            const std::int64_t a1 = b1 + kDelta[mode];
            if (a1 < start || a1 > width) return false; // not a valid position: damaged data
            if (black) FillBlack(row, std::uint32_t(start), std::uint32_t(a1));
            a0 = a1;
            black = !black;
            break;
        }
        }
    }
    return true;
}

void TCCITTMHDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                             std::size_t packedSize, std::size_t unpackedSize) {
    std::memset(dest, 0, unpackedSize);
    const std::size_t rowBytes = (std::size_t(width_) + 7) / 8;
    if (rowBytes == 0) return;
    BitReader in{source, packedSize, 0, 0, swapBits_};
    for (std::size_t offset = 0; offset + rowBytes <= unpackedSize; offset += rowBytes) {
        if (in.atEnd()) break;
        bool eol = false;
        DecodeRow1D(in, dest + offset, eol);
        in.alignToByte();
        if (wordAligned_) in.alignToWord(source);
    }
}

void TCCITTFax3Decoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                               std::size_t packedSize, std::size_t unpackedSize) {
    std::memset(dest, 0, unpackedSize);
    const std::size_t rowBytes = (std::size_t(width_) + 7) / 8;
    if (rowBytes == 0) return;
    BitReader in{source, packedSize, 0, 0, swapBits_};
    const bool twoD = (options_ & kFax2DEncoding) != 0;
    reference_.assign({width_, width_});
    bool eolSeen = false;
    for (std::size_t offset = 0; offset + rowBytes <= unpackedSize; offset += rowBytes) {
        if (!eolSeen) {
            // Synchronise on an end-of-line code: eleven 0 bits, then fill
            // bits up to and including a 1.
            int zeros = 0;
            for (;;) {
                const int b = in.next();
                if (b < 0) return;
                if (b == 0) {
                    ++zeros;
                } else if (zeros >= 11) {
                    break;
                } else {
                    zeros = 0;
                }
            }
        }
        eolSeen = false;
        bool rowIs2D = false;
        if (twoD) {
            const int tag = in.next();
            if (tag < 0) return;
            rowIs2D = tag == 0;
        }
        std::uint8_t* row = dest + offset;
        if (rowIs2D)
            DecodeRow2D(in, row, eolSeen);
        else
            DecodeRow1D(in, row, eolSeen);
        if (twoD) {
            CollectChanges(row, current_);
            reference_.swap(current_);
        }
        if (in.atEnd()) return;
    }
}

void TCCITTFax4Decoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                               std::size_t packedSize, std::size_t unpackedSize) {
    std::memset(dest, 0, unpackedSize);
    const std::size_t rowBytes = (std::size_t(width_) + 7) / 8;
    if (rowBytes == 0) return;
    BitReader in{source, packedSize, 0, 0, swapBits_};
    reference_.assign({width_, width_});
    for (std::size_t offset = 0; offset + rowBytes <= unpackedSize; offset += rowBytes) {
        bool eol = false;
        std::uint8_t* row = dest + offset;
        const bool complete = DecodeRow2D(in, row, eol);
        if (!complete) return;
        CollectChanges(row, current_);
        reference_.swap(current_);
    }
}

// ---------------------------------------------------------------------------
// ThunderScan

void TThunderDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                             std::size_t packedSize, std::size_t unpackedSize) {
    static constexpr int kTwoBit[4] = {0, 1, 0, -1};
    static constexpr int kThreeBit[8] = {0, 1, 2, 3, 0, -3, -2, -1};
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    const std::size_t rowBytes = (std::size_t(width_) + 1) / 2;
    if (rowBytes == 0) return;
    for (std::size_t offset = 0; offset < unpackedSize && in < inEnd; offset += rowBytes) {
        std::uint8_t* row = dest + offset;
        const std::size_t maxPixels = std::min<std::size_t>(width_, (unpackedSize - offset) * 2);
        std::size_t n = 0;
        unsigned last = 0;
        auto put = [&](int v) {
            last = unsigned(v) & 0xF;
            if (n >= maxPixels) return;
            if (n & 1)
                row[n >> 1] = std::uint8_t((row[n >> 1] & 0xF0) | last);
            else
                row[n >> 1] = std::uint8_t((row[n >> 1] & 0x0F) | (last << 4));
            ++n;
        };
        while (in < inEnd && n < maxPixels) {
            const unsigned code = *in++;
            switch (code & 0xC0) {
            case 0x00: // run of the last pixel
                for (unsigned k = code & 0x3F; k > 0 && n < maxPixels; --k)
                    put(int(last));
                break;
            case 0x40: // three 2-bit deltas
                for (int shift = 4; shift >= 0; shift -= 2) {
                    const unsigned d = (code >> shift) & 3;
                    if (d != 2) put(int(last) + kTwoBit[d]);
                }
                break;
            case 0x80: // two 3-bit deltas
                for (int shift = 3; shift >= 0; shift -= 3) {
                    const unsigned d = (code >> shift) & 7;
                    if (d != 4) put(int(last) + kThreeBit[d]);
                }
                break;
            default: // raw value
                put(int(code & 0x0F));
                break;
            }
        }
    }
}

} // namespace vt
