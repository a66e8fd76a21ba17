#include "imageio/targagraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imageio/imageerrors.h"
#include "imageio/readahead.h"
#include "imageio/rundecoders.h"

namespace vt {

namespace {

constexpr const char* kWord = "TGA";
constexpr std::size_t kHeaderSize = 18;

std::size_t PixelBytes(unsigned depth) {
    return depth == 8 ? 1 : depth <= 16 ? 2 : depth == 24 ? 3 : 4;
}

bool IsRunLength(std::uint8_t type) {
    return type >= 9;
}

} // namespace

// ---------------------------------------------------------------------------
// Run-length decoder

TTargaRLEDecoder::TTargaRLEDecoder(unsigned colorDepth) : pixelSize_(PixelBytes(colorDepth)) {}

void TTargaRLEDecoder::Decode(const std::uint8_t*& source, std::uint8_t*& dest,
                              std::size_t packedSize, std::size_t unpackedSize) {
    const std::size_t ps = pixelSize_;
    const std::uint8_t* in = source;
    const std::uint8_t* const inEnd = in + packedSize;
    std::uint8_t* out = dest;
    std::size_t left = unpackedSize; // pixels still wanted
    while (left > 0) {
        if (pending_ == 0) {
            if (in == inEnd) break;
            const std::uint8_t header = *in;
            if (header & 0x80) {
                // A run packet is taken only with its pixel value.
                if (std::size_t(inEnd - in) < 1 + ps) break;
                std::memcpy(value_, in + 1, ps);
                in += 1 + ps;
                run_ = true;
            } else {
                ++in;
                run_ = false;
            }
            pending_ = std::size_t(header & 0x7F) + 1;
        }
        std::size_t n = std::min(pending_, left);
        if (run_) {
            if (ps == 1) {
                std::memset(out, value_[0], n);
                out += n;
            } else {
                for (std::size_t i = 0; i < n; ++i, out += ps)
                    std::memcpy(out, value_, ps);
            }
        } else {
            n = std::min(n, std::size_t(inEnd - in) / ps);
            if (n == 0) break;
            std::memcpy(out, in, n * ps);
            in += n * ps;
            out += n * ps;
        }
        pending_ -= n;
        left -= n;
    }
    source = in;
    dest = out;
}

std::size_t TTargaRLEDecoder::Encode(const std::uint8_t*& source, std::uint8_t*& dest,
                                     std::size_t count) {
    const std::size_t ps = pixelSize_;
    const std::uint8_t* in = source;
    std::uint8_t* out = dest;
    auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(in + a * ps, in + b * ps, ps) == 0;
    };
    std::size_t i = 0;
    while (i < count) {
        std::size_t run = 1;
        while (i + run < count && run < 128 && same(i + run, i))
            ++run;
        if (run > 1) {
            *out++ = std::uint8_t(0x80 | (run - 1));
            std::memcpy(out, in + i * ps, ps);
            out += ps;
            i += run;
            continue;
        }
        // Pixels that differ from their successor (the last pixel has none).
        std::size_t n = 0;
        while (i + n < count && n < 128 && (i + n + 1 == count || !same(i + n, i + n + 1)))
            ++n;
        *out++ = std::uint8_t(n - 1);
        std::memcpy(out, in + i * ps, n * ps);
        out += n * ps;
        i += n;
    }
    const std::size_t stored = std::size_t(out - dest);
    source = in + count * ps;
    dest = out;
    return stored;
}

// ---------------------------------------------------------------------------
// Reader

TTargaGraphic::THeader TTargaGraphic::ParseHeader(const std::uint8_t* b) {
    auto le16 = [b](int i) { return std::uint16_t(b[i] | b[i + 1] << 8); };
    THeader h;
    h.IDLength = b[0];
    h.ColorMapType = b[1];
    h.ImageType = b[2];
    h.MapFirst = le16(3);
    h.MapLength = le16(5);
    h.MapEntrySize = b[7];
    h.Width = le16(12);
    h.Height = le16(14);
    h.Depth = b[16];
    h.Descriptor = b[17];
    return h;
}

bool TTargaGraphic::Usable(const THeader& h) {
    const int base = h.ImageType & 7;
    if (h.ImageType != base && h.ImageType != base + 8) return false;
    if (base < 1 || base > 3 || h.ColorMapType > 1) return false;
    if (h.Width == 0 || h.Height == 0) return false;
    if (h.Depth != 8 && h.Depth != 15 && h.Depth != 16 && h.Depth != 24 && h.Depth != 32)
        return false;
    if (h.ColorMapType == 1) {
        const unsigned e = h.MapEntrySize;
        const bool knownEntry = e == 15 || e == 16 || e == 24 || e == 32;
        // Colour-mapped images need a map they can use; others only skip it.
        if (base == 1 && (!knownEntry || h.MapLength == 0)) return false;
        if (!knownEntry && e != 8 && !(e == 0 && h.MapLength == 0)) return false;
    } else if (base == 1) {
        return false;
    }
    return true;
}

bool TTargaGraphic::AcceptsStream(TStream& stream) {
    std::uint8_t b[kHeaderSize];
    return PeekBytes(stream, b, kHeaderSize) && Usable(ParseHeader(b));
}

bool TTargaGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    TFormatGraphic::ReadHeader(stream, imageIndex);
    std::uint8_t b[kHeaderSize];
    if (stream.Read(b, kHeaderSize) != kHeaderSize) return false;
    const THeader& h = FHeader = ParseHeader(b);
    if (!Usable(h)) return false;

    TImageProperties& p = FImageProperties;
    p.Width = h.Width;
    p.Height = h.Height;
    p.Compression = IsRunLength(h.ImageType) ? TCompressionType::RLE : TCompressionType::None;
    p.BitsPerPixel = h.Depth;
    switch (h.Depth) {
    case 8:
        p.ColorModel = (h.ImageType & 7) == 3 ? TColorModel::Grey : TColorModel::Indexed;
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 1;
        break;
    case 15:
    case 16:
        if ((h.ImageType & 7) == 3 && h.Depth == 16) {
            // Grey with an alpha byte after each grey byte.
            p.ColorModel = TColorModel::GreyAlpha;
            p.BitsPerSample = 8;
            p.SamplesPerPixel = 2;
            p.AlphaPresent = true;
            break;
        }
        p.ColorModel = TColorModel::RGB;
        p.BitsPerSample = 5;
        p.SamplesPerPixel = 3;
        break;
    case 24:
        p.ColorModel = TColorModel::RGB;
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 3;
        break;
    default:
        p.ColorModel = TColorModel::RGBA;
        p.BitsPerSample = 8;
        p.SamplesPerPixel = 4;
        p.AlphaPresent = true;
        break;
    }
    return true;
}

std::string_view TTargaGraphic::FormatWord() const {
    return kWord;
}

void TTargaGraphic::ReadPixels(TStream& stream) {
    const THeader h = FHeader;
    const TImageProperties& p = FImageProperties;
    const unsigned base = h.ImageType & 7;

    // Indexed pictures have 8-bit pixels, grey ones 8 bits or 16 (grey and
    // alpha), colour pictures 15 or more bits.
    const bool greyAlpha = p.ColorModel == TColorModel::GreyAlpha;
    if ((base == 2) == (h.Depth == 8) && !greyAlpha) GraphicError(gesInvalidColorFormat, {kWord});

    stream.Skip(kHeaderSize + h.IDLength);
    const std::size_t entryBytes = (std::size_t(h.MapEntrySize) + 7) / 8;
    std::vector<std::uint8_t> map(h.ColorMapType == 1 ? entryBytes * h.MapLength : 0);
    stream.ReadBuffer(map.data(), map.size());

    const bool colour = p.ColorModel == TColorModel::RGB || p.ColorModel == TColorModel::RGBA;
    FColorManager.SetSourceColorScheme(p.ColorModel);
    FColorManager.SetSourceBitsPerSample(p.BitsPerSample);
    FColorManager.SetSourceSamplesPerPixel(p.SamplesPerPixel);
    FColorManager.SetTargetColorScheme(greyAlpha                          ? TColorModel::Grey
                                       : !colour                          ? p.ColorModel
                                       : p.ColorModel == TColorModel::RGB ? TColorModel::BGR
                                                                          : TColorModel::BGRA);
    FColorManager.SetTargetBitsPerSample(p.BitsPerSample);
    FColorManager.SetTargetSamplesPerPixel(greyAlpha ? 1 : p.SamplesPerPixel);
    ApplyConverterFormat(kWord);

    if (base == 1) {
        // Map entry i is the colour of pixel value first + i.
        const std::size_t entries = std::min<std::size_t>(256, h.MapFirst + h.MapLength);
        std::vector<TColor> palette(std::max<std::size_t>(entries, 1), RGBColor(0, 0, 0));
        for (std::size_t i = h.MapFirst; i < entries; ++i) {
            const std::uint8_t* e = map.data() + (i - h.MapFirst) * entryBytes;
            if (entryBytes == 2) {
                const unsigned v = unsigned(e[0] | e[1] << 8);
                palette[i] =
                    RGBColor(int((v & 0x7C00) >> 7), int((v & 0x3E0) >> 2), int((v & 0x1F) << 3));
            } else {
                palette[i] = RGBColor(e[2], e[1], e[0]);
            }
        }
        FBitmap.setPalette(std::move(palette));
    }

    const std::size_t pixelSize = PixelBytes(h.Depth);
    const std::uint64_t rowBytes = std::uint64_t(h.Width) * pixelSize;
    const bool rle = IsRunLength(h.ImageType);
    CheckImageSize(h.Width, h.Height, kWord);
    CheckDataCovers(rowBytes * h.Height, stream.Remaining(),
                    rle ? TTargaRLEDecoder::MaxExpansion(h.Depth) : 1, kWord);
    SetImageSize(h.Width, h.Height, kWord);
    Progress(TProgressStage::Running, 0, false, FProgressRect, "Transfering...");

    const bool topDown = (h.Descriptor & 0x20) != 0;
    TTargaRLEDecoder decoder(h.Depth);
    TReadAhead input(stream, stream.Size());
    // The file's pixel bytes are the bitmap's, except grey with alpha,
    // which goes through the converter.
    std::vector<std::uint8_t> pixels(greyAlpha ? std::size_t(rowBytes) : 0);
    decoder.DecodeInit();
    for (std::uint32_t i = 0; i < h.Height; ++i) {
        std::uint8_t* line = FBitmap.scanLine(int(topDown ? i : h.Height - 1 - i));
        std::uint8_t* row = greyAlpha ? pixels.data() : line;
        if (!rle)
            stream.ReadBuffer(row, std::size_t(rowBytes));
        else if (input.DecodeInto(decoder, row, h.Width, pixelSize) < h.Width)
            throw EReadError(gesReadError);
        if (greyAlpha) FColorManager.ConvertLine(row, 0xFF, h.Width, line);
        RowDone(i);
    }
    decoder.DecodeEnd();
}

} // namespace vt
