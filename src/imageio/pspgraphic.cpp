#include "imageio/pspgraphic.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"

namespace vt {

namespace {

constexpr const char* kWord = "PSP";
constexpr char kSignature[] = "Paint Shop Pro Image File";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;
// The signature field of 32 bytes, then the major and minor version words.
constexpr std::size_t kFileHeader = 36;
constexpr unsigned kFirstMajor = 3;
// Version 4 (Paint Shop Pro 6) dropped the initial data length from block
// headers and put a size at the start of every information chunk instead.
constexpr unsigned kChunkedMajor = 4;
constexpr std::uint8_t kBlockMark = 0x7E; // "~BK\0"

constexpr unsigned kImageBlock = 0;
constexpr unsigned kColorBlock = 2;
constexpr unsigned kLayerStartBlock = 3;
constexpr unsigned kLayerBlock = 4;
constexpr unsigned kChannelBlock = 5;
constexpr unsigned kRasterLayer = 1;
constexpr unsigned kImageBitmap = 0;
constexpr unsigned kTransparencyMask = 1;
// Compression codes of the general image attributes.
constexpr unsigned kCompressNone = 0, kCompressRLE = 1, kCompressLZ77 = 2, kCompressJPEG = 3;
// Size of the general image attributes common to every version.
constexpr std::size_t kAttributesSize = 38;
// Longest information chunk read; layer names may make a chunk long.
constexpr std::uint64_t kMaxInfo = 0x10000 + 256;

std::uint16_t le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::int32_t les32(const std::uint8_t* p) {
    return std::int32_t(le32(p));
}

bool signatureMatches(const std::uint8_t* b) {
    for (std::size_t i = 0; i < kSignatureLength; ++i) {
        auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(b[i]) != lower(std::uint8_t(kSignature[i]))) return false;
    }
    return true;
}

[[noreturn]] void invalid() {
    GraphicError(gesInvalidImage, {kWord});
}

// A block of the file: its contents run from `data` to `end`, its
// information chunk (when it has one) from `info` to `body`, and its
// sub-blocks or pixel data from `body` to `end`. Positions are absolute.
struct Block {
    unsigned id = 0;
    std::uint64_t data = 0, info = 0, body = 0, end = 0;
};

class BlockReader {
  public:
    BlockReader(TStream& stream, unsigned major)
        : stream_(stream), chunked_(major >= kChunkedMajor) {}

    // Reads the block header at `at`; false when none starts there. A block
    // that reaches beyond `limit` (its parent's end) is a truncated file.
    bool Next(std::uint64_t at, std::uint64_t limit, Block& block) {
        const std::size_t headerSize = chunked_ ? 10 : 14;
        if (at + headerSize > limit) return false;
        std::array<std::uint8_t, 14> h{};
        stream_.Seek(at);
        stream_.ReadBuffer(h.data(), headerSize);
        if (h[0] != kBlockMark) return false;
        block.id = le16(&h[4]);
        block.data = at + headerSize;
        block.end = block.data + le32(&h[chunked_ ? 6 : 10]);
        if (block.end > limit) throw EReadError(gesReadError);
        // Before version 4 the header gives the length of the information.
        block.info = block.data;
        block.body = chunked_ ? block.data : block.data + le32(&h[6]);
        if (block.body > block.end) invalid();
        return true;
    }

    // Reads the block's information chunk (at most kMaxInfo bytes of it)
    // into info and moves the block's body behind it; fewer than minSize
    // bytes make the file invalid.
    void Info(Block& block, std::vector<std::uint8_t>& info, std::size_t minSize) {
        stream_.Seek(block.data);
        if (chunked_) {
            if (block.data + 4 > block.end) invalid();
            const std::uint32_t size = stream_.ReadLE32();
            if (size < 4 || block.data + size > block.end) invalid();
            block.info = block.data + 4;
            block.body = block.data + size;
        }
        const std::uint64_t length = block.body - block.info;
        if (length < minSize) invalid();
        info.assign(std::size_t(std::min(length, kMaxInfo)), 0);
        stream_.ReadBuffer(info.data(), info.size());
    }

    bool Chunked() const { return chunked_; }

  private:
    TStream& stream_;
    bool chunked_;
};

// Bits [from, from + count) of a packed row to bits [to, ...) of another;
// the bits are counted from the most significant one of the first byte.
void copyBits(const std::uint8_t* source, std::size_t from, std::uint8_t* target, std::size_t to,
              std::size_t count) {
    if (from % 8 == 0 && to % 8 == 0) {
        std::memcpy(target + to / 8, source + from / 8, count / 8);
        from += count / 8 * 8, to += count / 8 * 8, count %= 8;
    }
    for (std::size_t i = 0; i < count; ++i, ++from, ++to) {
        const unsigned bit = (source[from / 8] >> (7 - from % 8)) & 1;
        const std::uint8_t mask = std::uint8_t(0x80 >> (to % 8));
        target[to / 8] = std::uint8_t(bit ? target[to / 8] | mask : target[to / 8] & ~mask);
    }
}

} // namespace

void TPSPRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                            std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;
    while (in < inEnd && out < outEnd) {
        const unsigned control = *in++;
        if (control > 128) {
            if (in == inEnd) break;
            RepeatByte(out, outEnd, *in++, control - 128);
        } else {
            CopyLiteral(in, inEnd, out, outEnd, control);
        }
    }
    source = in;
    dest = out;
}

bool TPSPGraphic::AcceptsStream(TStream& stream) {
    std::array<std::uint8_t, kFileHeader> b{};
    return PeekBytes(stream, b.data(), b.size()) && signatureMatches(b.data()) &&
           le16(&b[32]) >= kFirstMajor;
}

bool TPSPGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    const std::uint64_t base = stream.Position();
    std::array<std::uint8_t, kFileHeader> b{};
    if (stream.Read(b.data(), b.size()) != b.size() || !signatureMatches(b.data())) return false;
    const unsigned major = le16(&b[32]);
    if (major < kFirstMajor) return false;

    // The general image attributes are the first block.
    BlockReader blocks(stream, major);
    Block block;
    if (!blocks.Next(base + kFileHeader, stream.Size(), block) || block.id != kImageBlock)
        return false;
    std::vector<std::uint8_t> a;
    blocks.Info(block, a, kAttributesSize);
    const std::int32_t width = les32(&a[0]), height = les32(&a[4]);
    if (width <= 0 || height <= 0) return false;
    double resolution = 0;
    std::memcpy(&resolution, &a[8], sizeof resolution);
    const unsigned metric = a[16];
    compression_ = le16(&a[17]);
    depth_ = le16(&a[19]);
    greyscale_ = a[27] != 0;

    TImageProperties& p = FImageProperties;
    p.FormatVersion = major;
    p.Width = std::uint32_t(width);
    p.Height = std::uint32_t(height);
    // Metric 2 gives pixels per centimetre.
    if (resolution > 0 && resolution < 1e9) {
        p.XResolution = p.YResolution = float(metric == 2 ? resolution * 2.54 : resolution);
    }
    p.Compression = compression_ == kCompressNone   ? TCompressionType::None
                    : compression_ == kCompressRLE  ? TCompressionType::RLE
                    : compression_ == kCompressLZ77 ? TCompressionType::LZ77
                    : compression_ == kCompressJPEG ? TCompressionType::JPEG
                                                    : TCompressionType::Unknown;
    if (depth_ == 24) {
        p.ColorModel = TColorModel::RGB;
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 3;
    } else if (depth_ == 1 || depth_ == 4 || depth_ == 8) {
        p.ColorModel = greyscale_ ? TColorModel::Grey : TColorModel::Indexed;
        p.BitsPerSample = std::uint8_t(depth_);
        p.SamplesPerPixel = 1;
    }
    p.BitsPerPixel = std::uint8_t(p.BitsPerSample * p.SamplesPerPixel);
    return true;
}

std::string_view TPSPGraphic::FormatWord() const {
    return kWord;
}

void TPSPGraphic::ReadPixels(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width, height = p.Height;
    const unsigned major = p.FormatVersion;
    if (p.ColorModel == TColorModel::Unknown) GraphicError(gesInvalidColorFormat, {kWord});
    if (compression_ != kCompressNone && compression_ != kCompressRLE &&
        compression_ != kCompressLZ77)
        GraphicError(gesNotSupported, {gesCompressionScheme, kWord});
    const bool rgb = depth_ == 24;
    const std::uint64_t expansion = compression_ == kCompressRLE    ? TPSPRLEDecoder::kMaxExpansion
                                    : compression_ == kCompressLZ77 ? TLZ77Decoder::kMaxExpansion
                                                                    : 1;
    CheckImageSize(width, height, kWord);
    const std::uint64_t pictureBytes =
        rgb ? 3 * std::uint64_t(width) * height
            : (std::uint64_t(width) * depth_ + 7) / 8 * std::uint64_t(height);
    CheckDataCovers(pictureBytes, stream.Remaining(), expansion, kWord);

    // The palette and the first normal raster layer.
    BlockReader blocks(stream, major);
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> paletteData;
    std::size_t paletteEntries = 0;
    bool havePalette = false, haveLayer = false;
    Block layer;
    Block block;
    const std::uint64_t fileEnd = stream.Size();
    std::uint64_t at = FBasePosition + kFileHeader;
    while (blocks.Next(at, fileEnd, block)) {
        at = block.end;
        if (block.id == kColorBlock && !havePalette) {
            blocks.Info(block, info, 4);
            paletteEntries = le32(info.data());
            if (paletteEntries > 256 || paletteEntries * 4 > block.end - block.body)
                GraphicError(gesInvalidPalette, {kWord});
            paletteData.resize(paletteEntries * 4);
            stream.Seek(block.body);
            stream.ReadBuffer(paletteData.data(), paletteData.size());
            havePalette = true;
        } else if (block.id == kLayerStartBlock && !haveLayer) {
            Block sub;
            for (std::uint64_t subAt = block.body; blocks.Next(subAt, block.end, sub);
                 subAt = sub.end) {
                if (sub.id != kLayerBlock) continue;
                blocks.Info(sub, info, blocks.Chunked() ? 3 : 257);
                const std::size_t type = blocks.Chunked() ? 2 + le16(info.data()) : 256;
                if (type < info.size() && info[type] == kRasterLayer) {
                    layer = sub;
                    haveLayer = true;
                    break;
                }
            }
        }
    }
    if (!haveLayer) invalid();
    if (!rgb && !greyscale_ && !havePalette) GraphicError(gesInvalidPalette, {kWord});

    // The layer: its rectangle in the picture and its channel count.
    blocks.Info(layer, info, blocks.Chunked() ? 3 : 257);
    const std::size_t rects = blocks.Chunked() ? 3 + le16(info.data()) : 257;
    std::int64_t left = 0, top = 0, layerWidth = width, layerHeight = height;
    if (rects + 32 <= info.size()) {
        const std::uint8_t* r = &info[rects];
        // The saved rectangle holds the stored pixels, within the image
        // rectangle.
        const std::int64_t savedWidth = std::int64_t(les32(r + 24)) - les32(r + 16);
        const std::int64_t savedHeight = std::int64_t(les32(r + 28)) - les32(r + 20);
        if (savedWidth > 0 && savedHeight > 0) {
            left = std::int64_t(les32(r)) + les32(r + 16);
            top = std::int64_t(les32(r + 4)) + les32(r + 20);
            layerWidth = savedWidth;
            layerHeight = savedHeight;
        }
    }
    unsigned channelCount = 0;
    std::uint64_t channelsAt = layer.body;
    if (blocks.Chunked()) {
        stream.Seek(layer.body);
        const std::uint32_t size = stream.ReadLE32();
        stream.ReadLE16(); // bitmap count
        channelCount = stream.ReadLE16();
        if (size < 8 || layer.body + size > layer.end) invalid();
        channelsAt = layer.body + size;
    } else {
        channelCount = le16(&info[info.size() - 2]);
    }
    const bool alpha = rgb && channelCount > 3;
    CheckImageSize(std::uint64_t(layerWidth), std::uint64_t(layerHeight), kWord);
    // Rows of the layer below the picture are never shown: each channel
    // is unpacked only down to the picture's last row, so that a small
    // picture with a huge layer costs what the picture needs.
    const std::int64_t usedRows =
        std::clamp<std::int64_t>(std::int64_t(height) - top, 0, layerHeight);

    // Converter and bitmap.
    if (rgb) {
        SetConversion(alpha ? TColorModel::RGBA : TColorModel::RGB,
                      alpha ? TColorModel::BGRA : TColorModel::BGR, 8, 8, alpha ? 4 : 3);
    } else {
        const TColorModel model = greyscale_ ? TColorModel::Grey : TColorModel::Indexed;
        SetConversion(model, model, std::uint8_t(depth_), std::uint8_t(depth_), 1);
    }
    ApplyConverterFormat(kWord);
    if (!rgb && !greyscale_) {
        std::vector<TColor> colours(std::size_t(1) << depth_, RGBColor(0, 0, 0));
        const std::uint8_t* data = paletteData.data();
        const std::vector<TColor> file = FColorManager.MakeFilePalette(
            std::span(&data, 1), TPaletteLayout::BGRx, std::min(paletteEntries, colours.size()));
        std::copy(file.begin(), file.end(), colours.begin());
        FBitmap.setPalette(std::move(colours));
    }

    // The channels, each into a plane of the layer's size: the image
    // channels (one for palette and grey images) and the transparency
    // mask.
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Loading data...");
    const unsigned sampleBits = rgb ? 8 : depth_;
    const std::size_t planeRow = std::size_t((std::uint64_t(layerWidth) * sampleBits + 7) / 8);
    const std::size_t planeCount = rgb ? (alpha ? 4 : 3) : 1;
    std::vector<std::vector<std::uint8_t>> planes(planeCount);
    std::vector<std::size_t> strides(planeCount, planeRow);
    std::vector<std::uint8_t> packed;
    TPSPRLEDecoder rle;
    TLZ77Decoder lz77(Z_FINISH, false);
    Block channel;
    for (std::uint64_t chAt = channelsAt; blocks.Next(chAt, layer.end, channel);
         chAt = channel.end) {
        if (channel.id != kChannelBlock) continue;
        blocks.Info(channel, info, 12);
        const std::uint32_t packedSize = le32(&info[0]), unpackedSize = le32(&info[4]);
        const unsigned bitmapType = le16(&info[8]), channelType = le16(&info[10]);
        std::size_t index;
        if (bitmapType == kImageBitmap && !rgb && channelType == 0)
            index = 0;
        else if (bitmapType == kImageBitmap && rgb && channelType >= 1 && channelType <= 3)
            index = channelType - 1;
        else if (bitmapType == kTransparencyMask && alpha)
            index = 3;
        else
            continue;
        if (!planes[index].empty()) continue;
        if (packedSize > channel.end - channel.body) throw EReadError(gesReadError);

        // Rows may be padded to whole 32-bit words.
        const std::size_t padded = (planeRow + 3) / 4 * 4;
        const std::size_t stride =
            std::uint64_t(unpackedSize) == std::uint64_t(padded) * std::uint64_t(layerHeight)
                ? padded
                : planeRow;
        const std::size_t needed = stride * std::size_t(layerHeight - 1) + planeRow;
        const std::uint64_t ratio = compression_ == kCompressNone ? 1 : expansion;
        CheckDataCovers(needed, packedSize, ratio, kWord);
        packed.resize(packedSize);
        stream.Seek(channel.body);
        stream.ReadBuffer(packed.data(), packed.size());
        std::vector<std::uint8_t>& plane = planes[index];
        const std::size_t used = usedRows > 0 ? stride * std::size_t(usedRows - 1) + planeRow : 0;
        plane.assign(std::max<std::size_t>(used, 1), 0);
        const std::uint8_t* source = packed.data();
        std::uint8_t* dest = plane.data();
        if (compression_ == kCompressNone) {
            const std::size_t n = std::min<std::size_t>(packedSize, plane.size());
            std::memcpy(dest, source, n);
            dest += n;
        } else if (compression_ == kCompressRLE) {
            rle.Decode(source, dest, packedSize, plane.size());
        } else {
            lz77.DecodeInit();
            lz77.Decode(source, dest, packedSize, plane.size());
            const int result = lz77.ZLibResult();
            lz77.DecodeEnd();
            if (result < 0 && result != Z_BUF_ERROR) GraphicError(gesDecompression, {kWord});
        }
        if (std::size_t(dest - plane.data()) < std::min(needed, plane.size()))
            GraphicError(compression_ == kCompressNone ? gesInvalidImage : gesDecompression,
                         {kWord});
        strides[index] = stride;
    }
    for (std::size_t i = 0; i < planeCount; ++i) {
        if (!planes[i].empty()) continue;
        // A missing colour channel makes no picture; a missing mask is
        // opaque.
        if (i < 3) invalid();
        planes[i].assign(std::max<std::size_t>(planeRow * std::size_t(usedRows), 1), 0xFF);
    }

    SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");
    // The part of each picture row the layer covers.
    const std::int64_t fromX = std::max<std::int64_t>(left, 0);
    const std::int64_t toX = std::min<std::int64_t>(left + layerWidth, width);
    const std::size_t rowBytes = std::size_t((std::uint64_t(width) * sampleBits + 7) / 8);
    std::vector<std::vector<std::uint8_t>> rows(planeCount, std::vector<std::uint8_t>(rowBytes));
    std::array<const std::uint8_t*, 4> sources{};
    for (std::size_t i = 0; i < planeCount; ++i)
        sources[i] = rows[i].data();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::int64_t layerY = std::int64_t(y) - top;
        for (std::size_t i = 0; i < planeCount; ++i) {
            std::fill(rows[i].begin(), rows[i].end(), std::uint8_t(0));
            if (layerY < 0 || layerY >= layerHeight || fromX >= toX) continue;
            const std::uint8_t* line = &planes[i][std::size_t(layerY) * strides[i]];
            copyBits(line, std::size_t(fromX - left) * sampleBits, rows[i].data(),
                     std::size_t(fromX) * sampleBits, std::size_t(toX - fromX) * sampleBits);
        }
        FColorManager.ConvertLine(std::span(sources.data(), planeCount), 0xFF, width,
                                  FBitmap.scanLine(int(y)));
        RowDone(y);
    }
}

} // namespace vt
