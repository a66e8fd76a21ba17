#include "imageio/gifgraphic.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"

namespace vt {

namespace {

constexpr const char* kWord = "GIF";
constexpr std::uint8_t kExtension = '!';
constexpr std::uint8_t kImage = ',';
constexpr std::uint8_t kTrailer = ';';

bool IsSignature(const std::uint8_t* b) {
    return std::toupper(b[0]) == 'G' && std::toupper(b[1]) == 'I' && std::toupper(b[2]) == 'F';
}

// Entries of a colour table whose size field is the low 3 bits of flags.
std::uint32_t TableEntries(std::uint8_t flags) {
    return flags & 0x80 ? 2u << (flags & 7) : 0;
}

// Skips data sub-blocks up to and including the empty one; false when the
// stream ends first.
bool SkipSubBlocks(TStream& stream) {
    for (;;) {
        std::uint8_t size;
        if (stream.Read(&size, 1) != 1) return false;
        if (size == 0) return true;
        if (stream.Remaining() < size) return false;
        stream.Skip(size);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// LZW decoder

void TGIFLZWDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                            std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* const begin = dest;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;

    const unsigned clear = 1u << initial_;
    const unsigned end = clear + 1;
    constexpr unsigned kNone = 4096;
    unsigned width = initial_ + 1;
    unsigned next = clear + 2;
    unsigned previous = kNone;
    std::size_t previousAt = 0, previousLength = 0; // where the previous string stands
    std::uint64_t bits = 0;
    unsigned count = 0;
    std::uint64_t* const table = strings_.data();

    while (out < outEnd) {
        while (count < width) {
            if (in == inEnd) {
                source = in;
                dest = out;
                return;
            }
            bits |= std::uint64_t(*in++) << count;
            count += 8;
        }
        const unsigned code = unsigned(bits) & ((1u << width) - 1);
        bits >>= width;
        count -= width;

        if (code == clear) {
            width = initial_ + 1;
            next = clear + 2;
            previous = kNone;
            continue;
        }
        // End, and codes the table does not hold: the rest of the current
        // byte is dropped (what is left in the accumulator came from it).
        if (code == end || code > next || (previous == kNone && code >= clear)) {
            bits = 0;
            count = 0;
            continue;
        }
        const std::size_t at = std::size_t(out - begin);
        if (previous == kNone) {
            *out++ = std::uint8_t(code);
            previous = code;
            previousAt = at;
            previousLength = 1;
            continue;
        }
        // The new entry is the previous string and the first byte of this
        // one: in the output it starts where the previous string starts. A
        // code equal to the next free one is that very entry.
        if (next < 4096) {
            table[next] = std::uint64_t(previousAt) << 16 | (previousLength + 1);
            if (next == (1u << width) - 1 && width < 12) ++width;
            ++next;
        }
        previous = code;
        previousAt = at;
        if (code < clear) {
            *out++ = std::uint8_t(code);
            previousLength = 1;
            continue;
        }
        previousLength = CopyOutputString(begin, table[code], out, std::size_t(outEnd - out));
    }
    source = in;
    dest = out;
}

// ---------------------------------------------------------------------------
// Reader

bool TGIFGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[13];
    return PeekBytes(stream, b, sizeof b) && IsSignature(b);
}

bool TGIFGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    FGlobalEntries = FLocalEntries = 0;
    std::uint8_t h[13];
    if (stream.Read(h, sizeof h) != sizeof h || !IsSignature(h)) return false;
    TImageProperties& p = FImageProperties;
    if (std::isdigit(h[3]) && std::isdigit(h[4]))
        p.FormatVersion = unsigned(h[3] - '0') * 10 + unsigned(h[4] - '0');
    const std::uint32_t screenWidth = std::uint32_t(h[6] | h[7] << 8);
    const std::uint32_t screenHeight = std::uint32_t(h[8] | h[9] << 8);
    FGlobalTable = stream.Position();
    FGlobalEntries = TableEntries(h[10]);
    if (stream.Remaining() < 3ull * FGlobalEntries) return false;
    stream.Skip(3ull * FGlobalEntries);

    p.ColorModel = TColorModel::Indexed;
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.BitsPerPixel = 8;
    p.Compression = TCompressionType::LZW;
    for (;;) {
        std::uint8_t introducer;
        if (stream.Read(&introducer, 1) != 1) return false;
        if (introducer == kTrailer) return true; // no image: size 0
        if (introducer == kExtension) {
            std::uint8_t label;
            if (stream.Read(&label, 1) != 1 || !SkipSubBlocks(stream)) return false;
            continue;
        }
        if (introducer != kImage) continue; // stray bytes between blocks
        std::uint8_t d[9];
        if (stream.Read(d, sizeof d) != sizeof d) return false;
        const std::uint32_t width = std::uint32_t(d[4] | d[5] << 8);
        const std::uint32_t height = std::uint32_t(d[6] | d[7] << 8);
        p.Width = width ? width : screenWidth;
        p.Height = height ? height : screenHeight;
        p.Interlaced = (d[8] & 0x40) != 0;
        p.LocalColorTable = (d[8] & 0x80) != 0;
        FLocalEntries = TableEntries(d[8]);
        FImageData = stream.Position();
        return p.Width > 0 && p.Height > 0;
    }
}

std::string_view TGIFGraphic::FormatWord() const {
    return kWord;
}

void TGIFGraphic::ReadPixels(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    if (p.Width == 0) return; // the trailer came first

    FColorManager.SetSourceColorScheme(TColorModel::Indexed);
    FColorManager.SetTargetColorScheme(TColorModel::Indexed);
    FColorManager.SetSourceBitsPerSample(8);
    FColorManager.SetTargetBitsPerSample(8);
    FColorManager.SetSourceSamplesPerPixel(1);
    FColorManager.SetTargetSamplesPerPixel(1);
    ApplyConverterFormat(kWord);

    // A local colour table replaces the global one.
    const std::uint32_t entries = FLocalEntries ? FLocalEntries : FGlobalEntries;
    stream.Seek(FLocalEntries ? FImageData : FGlobalTable);
    if (entries) {
        std::vector<std::uint8_t> table(3 * std::size_t(entries));
        stream.ReadBuffer(table.data(), table.size());
        const std::uint8_t* buffer = table.data();
        FBitmap.setPalette(
            FColorManager.MakeFilePalette(std::span(&buffer, 1), TPaletteLayout::RGB, entries));
    }
    stream.Seek(FImageData + 3ull * FLocalEntries);
    const unsigned codeSize = stream.ReadByte();
    // Codes are at most 12 bits wide, so the first code width (one more
    // than the minimum code size) leaves room for sizes up to 11.
    if (codeSize < 1 || codeSize > 11) GraphicError(gesInvalidImage, {kWord});

    // All data sub-blocks; a file that ends inside them gives what it has.
    std::vector<std::uint8_t> data;
    for (;;) {
        std::uint8_t size;
        if (stream.Read(&size, 1) != 1 || size == 0) break;
        const std::size_t at = data.size();
        data.resize(at + size);
        const std::size_t got = stream.Read(data.data() + at, size);
        data.resize(at + got);
        if (got < size) break;
    }

    const std::uint32_t width = p.Width, height = p.Height;
    const std::uint64_t pixels = std::uint64_t(width) * height;
    CheckImageSize(width, height, kWord);
    CheckDataCovers(pixels, data.size(), TGIFLZWDecoder::kMaxExpansion, kWord);
    SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    // The rows are decoded into the bitmap's memory one after another and
    // then moved to their places (the bitmap's rows are padded), or, when
    // interlaced, decoded apart and copied in pass order.
    const std::size_t stride = FBitmap.bytesPerLine();
    std::vector<std::uint8_t> interlaced(p.Interlaced ? std::size_t(pixels) : 0);
    std::uint8_t* target = p.Interlaced ? interlaced.data() : FBitmap.bits();
    TGIFLZWDecoder decoder(codeSize);
    decoder.DecodeInit();
    const std::uint8_t* src = data.data();
    std::uint8_t* dst = target;
    decoder.Decode(src, dst, data.size(), std::size_t(pixels));
    decoder.DecodeEnd();

    if (!p.Interlaced) {
        // From the last row down, so that no row is overwritten before it
        // has moved (row k moves from k * width to k * stride >= k * width).
        for (std::uint32_t y = height; y-- > 0;) {
            std::uint8_t* line = FBitmap.scanLine(int(y));
            if (y > 0) std::memmove(line, target + std::size_t(y) * width, width);
            std::memset(line + width, 0, stride - width);
        }
        for (std::uint32_t y = 0; y < height; ++y)
            RowDone(y);
        return;
    }
    struct TPass {
        std::uint32_t Start, Step;
    };
    constexpr TPass kPasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    std::uint32_t row = 0;
    for (const TPass& pass : kPasses)
        for (std::uint32_t y = pass.Start; y < height; y += pass.Step, ++row) {
            FColorManager.ConvertLine(interlaced.data() + std::size_t(row) * width, 0xFF, width,
                                      FBitmap.scanLine(int(y)));
            RowDone(row);
        }
}

} // namespace vt
