#include "imageio/psdgraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/decoders.h"
#include "imageio/imageerrors.h"
#include "imageio/readahead.h"

namespace vt {

namespace {

constexpr const char* kWord = "PSD or PDD";
constexpr std::size_t kHeaderSize = 26;

enum : std::uint16_t {
    kModeBitmap = 0,
    kModeGrey = 1,
    kModeIndexed = 2,
    kModeRGB = 3,
    kModeCMYK = 4,
    kModeMultichannel = 7,
    kModeDuotone = 8,
    kModeLab = 9
};

std::uint16_t BE16(const std::uint8_t* p) {
    return std::uint16_t(p[0] << 8 | p[1]);
}
std::uint32_t BE32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool IsHeader(const std::uint8_t* b) {
    return std::memcmp(b, "8BPS", 4) == 0 && BE16(b + 4) == 1;
}

} // namespace

bool TPSDGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[kHeaderSize];
    return PeekBytes(stream, b, kHeaderSize) && IsHeader(b);
}

bool TPSDGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::uint8_t b[kHeaderSize];
    if (stream.Read(b, kHeaderSize) != kHeaderSize || !IsHeader(b)) return false;
    const std::uint32_t channels = BE16(b + 12);
    const std::uint32_t height = BE32(b + 14), width = BE32(b + 18);
    const unsigned depth = BE16(b + 22);
    FMode = BE16(b + 24);
    if (channels == 0 || width == 0 || height == 0) return false;
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32) return false;

    TImageProperties& p = FImageProperties;
    p.FormatVersion = 1;
    p.Flags.Include(TImageFlag::BigEndian);
    p.Width = width;
    p.Height = height;
    p.Channels = channels;
    p.BitsPerSample = std::uint8_t(depth);
    // More than 4 channels are counted as 4; the model decides how many of
    // them are read.
    const std::uint32_t counted = std::min<std::uint32_t>(channels, 4);
    switch (FMode) {
    case kModeBitmap:
        p.ColorModel = TColorModel::Grey;
        p.Flags.Include(TImageFlag::InvertedGrey);
        p.SamplesPerPixel = 1;
        break;
    case kModeGrey:
    case kModeDuotone:
        p.ColorModel = TColorModel::Grey;
        p.SamplesPerPixel = 1;
        break;
    case kModeIndexed:
        p.ColorModel = TColorModel::Indexed;
        p.SamplesPerPixel = 1;
        break;
    case kModeRGB:
    case kModeMultichannel:
        p.ColorModel = counted == 4 ? TColorModel::RGBA : TColorModel::RGB;
        p.SamplesPerPixel = std::uint8_t(counted == 4 ? 4 : 3);
        p.AlphaPresent = counted == 4;
        break;
    case kModeCMYK:
        p.ColorModel = TColorModel::CMYK;
        p.SamplesPerPixel = 4;
        break;
    case kModeLab:
        p.ColorModel = TColorModel::CIELab;
        p.SamplesPerPixel = 3;
        break;
    default:
        return false;
    }
    p.BitsPerPixel = std::uint8_t(std::min<unsigned>(depth * p.SamplesPerPixel, 255));

    // Colour-mode data, image resources, layers and masks: each a 32-bit
    // length and its bytes. Then the compression of the merged picture.
    auto section = [&stream](std::uint64_t& start, std::uint32_t& size) {
        std::uint8_t n[4];
        if (stream.Read(n, 4) != 4) return false;
        size = BE32(n);
        start = stream.Position();
        if (stream.Remaining() < size) return false;
        stream.Skip(size);
        return true;
    };
    std::uint64_t start;
    std::uint32_t size;
    if (!section(FColorData, FColorDataSize) || !section(start, size) || !section(start, size))
        return false;
    std::uint8_t c[2];
    if (stream.Read(c, 2) != 2) return false;
    FCompression = BE16(c);
    p.Compression = FCompression == 1   ? TCompressionType::PackBits
                    : FCompression == 0 ? TCompressionType::None
                                        : TCompressionType::Unknown;
    FImageData = stream.Position();
    return true;
}

std::string_view TPSDGraphic::FormatWord() const {
    return kWord;
}

void TPSDGraphic::ReadPixels(TStream& stream) {
    const TImageProperties& p = FImageProperties;
    const std::uint32_t width = p.Width, height = p.Height;
    const unsigned depth = p.BitsPerSample;
    const std::uint32_t planes = p.SamplesPerPixel;

    if (FCompression > 1) GraphicError(gesNotSupported, {gesCompressionScheme, kWord});
    // Bitmap mode has 1-bit pixels, the others 8 or 16-bit channels; each
    // model needs its channels.
    if ((FMode == kModeBitmap) != (depth == 1) || depth == 32 || p.Channels < planes)
        GraphicError(gesInvalidColorFormat, {kWord});

    const bool indexedLike =
        p.ColorModel == TColorModel::Grey || p.ColorModel == TColorModel::Indexed;
    FColorManager.SetSourceColorScheme(p.ColorModel);
    FColorManager.SetSourceBitsPerSample(std::uint8_t(depth));
    FColorManager.SetSourceSamplesPerPixel(std::uint8_t(planes));
    FColorManager.SetTargetColorScheme(indexedLike                         ? p.ColorModel
                                       : p.ColorModel == TColorModel::RGBA ? TColorModel::BGRA
                                                                           : TColorModel::BGR);
    FColorManager.SetTargetBitsPerSample(std::uint8_t(depth == 1 ? 1 : 8));
    FColorManager.SetTargetSamplesPerPixel(indexedLike                         ? 1
                                           : p.ColorModel == TColorModel::RGBA ? 4
                                                                               : 3);
    TConvertOptions options;
    if (depth == 16) options.Include(TConvertOption::SwapBytes);
    if (p.ColorModel == TColorModel::CIELab)
        options.Include(TConvertOption::LabByteRange).Include(TConvertOption::LabChromaOffset);
    FColorManager.SetSourceOptions(options);
    ApplyConverterFormat(kWord, p.Flags.Contains(TImageFlag::InvertedGrey));

    if (p.ColorModel == TColorModel::Indexed) {
        // Three planes (red, green, blue) of a third of the data each.
        const std::size_t entries = std::min<std::size_t>(FColorDataSize / 3, 256);
        if (entries == 0) GraphicError(gesInvalidPalette, {kWord});
        std::vector<std::uint8_t> data(FColorDataSize);
        stream.Seek(FColorData);
        stream.ReadBuffer(data.data(), data.size());
        const std::size_t third = FColorDataSize / 3;
        const std::uint8_t* buffers[3] = {data.data(), data.data() + third,
                                          data.data() + 2 * third};
        FBitmap.setPalette(
            FColorManager.MakeFilePalette(std::span(buffers), TPaletteLayout::Planar8, entries));
    }

    // Channel after channel, each row after row. PackBits data begins with
    // the stored size of every row of every channel.
    const std::size_t rowBytes =
        depth == 1 ? (std::size_t(width) + 7) / 8 : std::size_t(width) * (depth / 8);
    const bool packBits = FCompression == 1;
    const std::uint64_t rowCount = std::uint64_t(height) * planes;
    stream.Seek(FImageData);
    std::uint64_t available = stream.Remaining();
    std::vector<std::uint64_t> offsets; // of the rows read, from the image data
    std::vector<std::uint16_t> sizes;
    if (packBits) {
        const std::uint64_t tableBytes = 2ull * height * p.Channels;
        if (tableBytes > available) GraphicError(gesInvalidImage, {kWord});
        available -= tableBytes;
        std::vector<std::uint8_t> raw(std::size_t(rowCount) * 2);
        stream.ReadBuffer(raw.data(), raw.size());
        sizes.resize(std::size_t(rowCount));
        offsets.resize(std::size_t(rowCount));
        std::uint64_t at = tableBytes;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            sizes[i] = BE16(raw.data() + 2 * i);
            offsets[i] = at;
            at += sizes[i];
        }
    }
    CheckImageSize(width, height, kWord);
    CheckDataCovers(rowBytes * rowCount, available,
                    packBits ? TPackbitsRLEDecoder::kMaxExpansion : 1, kWord);
    SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    std::vector<std::uint8_t> rows(rowBytes * planes), packed;
    const std::uint8_t* sources[4] = {};
    for (std::uint32_t k = 0; k < planes; ++k)
        sources[k] = rows.data() + k * rowBytes;
    TPackbitsRLEDecoder decoder;
    decoder.DecodeInit();
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t k = 0; k < planes; ++k) {
            std::uint8_t* row = rows.data() + k * rowBytes;
            const std::size_t index = std::size_t(k) * height + y;
            if (!packBits) {
                stream.Seek(FImageData + index * rowBytes);
                stream.ReadBuffer(row, rowBytes);
            } else {
                packed.resize(sizes[index]);
                stream.Seek(FImageData + offsets[index]);
                stream.ReadBuffer(packed.data(), packed.size());
                std::fill(row, row + rowBytes, std::uint8_t(0));
                const std::uint8_t* src = packed.data();
                std::uint8_t* dst = row;
                decoder.Decode(src, dst, packed.size(), rowBytes);
            }
            // CMYK is stored inverted: 0 is full ink.
            if (p.ColorModel == TColorModel::CMYK)
                for (std::size_t i = 0; i < rowBytes; ++i)
                    row[i] = std::uint8_t(~row[i]);
        }
        FColorManager.ConvertLine(std::span(sources, planes), 0xFF, width,
                                  FBitmap.scanLine(int(y)));
        RowDone(y);
    }
    decoder.DecodeEnd();
}

} // namespace vt
