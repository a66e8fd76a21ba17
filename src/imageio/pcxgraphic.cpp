#include "imageio/pcxgraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"

namespace vt {

namespace {

constexpr const char* kWord = "PCX or SCR";
constexpr const char* kColorWord = "PCX";
constexpr std::size_t kHeaderSize = 128;
// The 256-colour palette: the byte 12 and 768 bytes of red, green, blue.
constexpr std::size_t kPaletteTail = 769;
constexpr std::uint8_t kPaletteMarker = 12;

} // namespace

// ---------------------------------------------------------------------------
// Run-length decoder

void TPCXRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                            std::size_t packedSize, std::size_t unpackedSize) {
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::uint8_t* const outEnd = out + unpackedSize;
    while (out < outEnd) {
        if (pending_ > 0) {
            const std::size_t n = std::min(pending_, std::size_t(outEnd - out));
            std::memset(out, value_, n);
            out += n;
            pending_ -= n;
            continue;
        }
        if (in == inEnd) break;
        const std::uint8_t b = *in;
        if (b < 0xC0) {
            *out++ = b;
            ++in;
            continue;
        }
        if (inEnd - in < 2) break;
        pending_ = b & 0x3F;
        value_ = in[1];
        in += 2;
    }
    source = in;
    dest = out;
}

// ---------------------------------------------------------------------------
// Reader

bool TPCXGraphic::ParseHeader(const std::uint8_t* b, THeader& h, TImageProperties& p) {
    auto le16 = [b](int i) { return unsigned(b[i] | b[i + 1] << 8); };
    if (b[0] != 10 && b[0] != 205) return false;
    const unsigned xMin = le16(4), yMin = le16(6), xMax = le16(8), yMax = le16(10);
    if (xMax < xMin || yMax < yMin) return false;
    h.Version = b[1];
    h.RunLength = b[2] == 1;
    h.BitsPerPixel = b[3];
    h.Planes = b[65];
    h.BytesPerLine = std::uint16_t(le16(66));
    h.PaletteType = std::uint16_t(le16(68));
    std::memcpy(h.Palette, b + 16, sizeof h.Palette);
    const unsigned bpp = h.BitsPerPixel;
    if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8) return false;
    if (h.Planes < 1 || h.Planes > 4) return false;
    const std::uint32_t width = xMax - xMin + 1, height = yMax - yMin + 1;
    // Every plane of a row holds its pixels.
    if (std::uint64_t(h.BytesPerLine) * 8 < std::uint64_t(width) * bpp) return false;

    p.Width = width;
    p.Height = height;
    p.FormatVersion = h.Version;
    p.Compression = h.RunLength ? TCompressionType::RLE : TCompressionType::None;
    p.BitsPerSample = std::uint8_t(bpp);
    p.SamplesPerPixel = h.Planes;
    p.BitsPerPixel = std::uint8_t(bpp * h.Planes);
    p.ColorModel = p.BitsPerPixel <= 8 ? TColorModel::Indexed
                   : h.Planes == 4     ? TColorModel::RGBA
                                       : TColorModel::RGB;
    p.AlphaPresent = p.ColorModel == TColorModel::RGBA;
    p.XResolution = float(le16(12));
    p.YResolution = float(le16(14));
    return true;
}

bool TPCXGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[kHeaderSize];
    THeader h;
    TImageProperties p;
    return PeekBytes(stream, b, kHeaderSize) && ParseHeader(b, h, p);
}

bool TPCXGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::uint8_t b[kHeaderSize];
    if (stream.Read(b, kHeaderSize) != kHeaderSize) return false;
    return ParseHeader(b, FHeader, FImageProperties);
}

std::string_view TPCXGraphic::FormatWord() const {
    return kWord;
}

std::string_view TPCXGraphic::ReadErrorWord() const {
    return kColorWord;
}

void TPCXGraphic::ReadPixels(TStream& stream) {
    const THeader& h = FHeader;
    const TImageProperties& p = FImageProperties;
    const unsigned bpp = h.BitsPerPixel, planes = h.Planes, bits = bpp * planes;
    const std::uint32_t width = p.Width, height = p.Height;

    // One plane of packed pixels, 1-bit planes merged into 4-bit pixels, or
    // 8-bit planes of red, green, blue (and alpha).
    const bool merged = planes > 1 && bpp == 1;
    const bool colour = planes > 1 && bpp == 8 && planes >= 3;
    if (planes > 1 && !merged && !colour) GraphicError(gesInvalidColorFormat, {kColorWord});
    if (colour) {
        FColorManager.SetSourceColorScheme(p.ColorModel);
        FColorManager.SetTargetColorScheme(planes == 4 ? TColorModel::BGRA : TColorModel::BGR);
        FColorManager.SetSourceBitsPerSample(8);
        FColorManager.SetTargetBitsPerSample(8);
        FColorManager.SetSourceSamplesPerPixel(std::uint8_t(planes));
        FColorManager.SetTargetSamplesPerPixel(std::uint8_t(planes));
    } else {
        const std::uint8_t depth = std::uint8_t(merged ? 4 : bpp);
        FColorManager.SetSourceColorScheme(TColorModel::Indexed);
        FColorManager.SetTargetColorScheme(TColorModel::Indexed);
        FColorManager.SetSourceBitsPerSample(depth);
        FColorManager.SetTargetBitsPerSample(depth);
        FColorManager.SetSourceSamplesPerPixel(1);
        FColorManager.SetTargetSamplesPerPixel(1);
    }
    ApplyConverterFormat(kColorWord);

    const std::uint64_t dataStart = FBasePosition + kHeaderSize;
    std::uint64_t dataEnd = stream.Size();
    if (!colour && bits > 1) {
        const std::size_t entries = std::size_t(1) << bits;
        if (bits == 8) {
            // The palette behind the pixel data, marked by the byte 12.
            std::uint8_t tail[kPaletteTail];
            if (dataEnd >= dataStart + kPaletteTail) {
                stream.Seek(dataEnd - kPaletteTail);
                stream.ReadBuffer(tail, kPaletteTail);
                if (tail[0] == kPaletteMarker) {
                    const std::uint8_t* buffer = tail + 1;
                    FBitmap.setPalette(FColorManager.MakeFilePalette(std::span(&buffer, 1),
                                                                     TPaletteLayout::RGB, entries));
                    dataEnd -= kPaletteTail;
                }
            }
        } else if (h.Version == 3) {
            FBitmap.setPalette(Bitmap::defaultPalette(PixelFormat::pf4bit));
        } else if (h.PaletteType != 2) {
            const std::uint8_t* buffer = h.Palette;
            FBitmap.setPalette(
                FColorManager.MakeFilePalette(std::span(&buffer, 1), TPaletteLayout::RGB, entries));
        }
    }

    const std::size_t lineBytes = h.BytesPerLine;
    const std::size_t rowBytes = lineBytes * planes;
    const std::uint64_t available = dataEnd > dataStart ? dataEnd - dataStart : 0;
    CheckImageSize(width, height, kWord);
    CheckDataCovers(std::uint64_t(rowBytes) * height, available,
                    h.RunLength ? TPCXRLEDecoder::kMaxExpansion : 1, kWord);
    SetImageSize(width, height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    stream.Seek(dataStart);
    TReadAhead input(stream, dataEnd);
    TPCXRLEDecoder decoder;
    decoder.DecodeInit();
    std::vector<std::uint8_t> row(rowBytes);
    std::vector<std::uint8_t> nibbles(merged ? (std::size_t(width) + 1) / 2 : 0);
    const std::uint8_t* sources[4] = {row.data(), row.data() + lineBytes,
                                      row.data() + 2 * lineBytes, row.data() + 3 * lineBytes};
    for (std::uint32_t y = 0; y < height; ++y) {
        if (!h.RunLength)
            stream.ReadBuffer(row.data(), rowBytes);
        else if (input.DecodeInto(decoder, row.data(), rowBytes, 1) < rowBytes)
            throw EReadError(gesReadError);
        std::uint8_t* line = FBitmap.scanLine(int(y));
        if (merged) {
            // Bit x of plane k is bit k of pixel x.
            std::fill(nibbles.begin(), nibbles.end(), std::uint8_t(0));
            for (std::uint32_t x = 0; x < width; ++x) {
                unsigned v = 0;
                for (unsigned k = 0; k < planes; ++k)
                    v |= unsigned((sources[k][x / 8] >> (7 - x % 8)) & 1) << k;
                nibbles[x / 2] |= std::uint8_t(x % 2 ? v : v << 4);
            }
            FColorManager.ConvertLine(nibbles.data(), 0xFF, width, line);
        } else {
            FColorManager.ConvertLine(std::span(sources, colour ? planes : 1), 0xFF, width, line);
        }
        RowDone(y);
    }
    decoder.DecodeEnd();
}

} // namespace vt
