#include "imageio/platformgraphics.h"

#include <algorithm>
#include <cstring>

#include "imageio/imageerrors.h"
#include "imageio/pnggraphic.h"
#include "platform/bmpfile.h"

namespace vt {

namespace {

// Largest BMP or icon file read into memory: the pixels of the largest
// bitmap at 32 bits plus ample room for headers and palettes.
constexpr std::uint64_t kMaxFileBytes = kMaxBitmapPixels * 4 + (std::uint64_t(64) << 20);

std::uint16_t le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> ReadRemaining(TStream& stream, std::uint64_t limit,
                                        std::string_view formatWord) {
    std::uint64_t size = stream.Remaining();
    if (size > limit) {
        std::string pixels = std::to_string(kMaxBitmapPixels);
        GraphicError(gesNotSupported, {FormatMessage(gesImageTooLarge, {pixels}), formatWord});
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    stream.ReadBuffer(data.data(), data.size());
    return data;
}

void TBitmapGraphic::LoadFromStream(TStream& stream) {
    std::vector<std::uint8_t> data = ReadRemaining(stream, kMaxFileBytes, "BMP");
    FBitmap = ReadBmp(data.data(), data.size());
}

void TIconGraphic::LoadFromStream(TStream& stream) {
    constexpr const char* word = "ICO";
    std::vector<std::uint8_t> data = ReadRemaining(stream, kMaxFileBytes, word);
    const std::size_t size = data.size();
    const std::uint8_t* d = data.data();
    if (size < 6 || le16(d) != 0 || (le16(d + 2) != 1 && le16(d + 2) != 2) || le16(d + 4) == 0)
        GraphicError(gesInvalidImage, {word});
    const std::size_t count = le16(d + 4);
    if (6 + 16 * count > size) GraphicError(gesInvalidImage, {word});

    // The largest image, the one with the most colours among equal sizes.
    std::size_t best = count;
    std::uint64_t bestArea = 0;
    unsigned bestBits = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* e = d + 6 + 16 * i;
        std::uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        unsigned bits = le16(e + 6);
        std::uint32_t bytes = le32(e + 8), offset = le32(e + 12);
        if (offset >= size || bytes == 0 || bytes > size - offset) continue;
        if (best == count || w * h > bestArea || (w * h == bestArea && bits > bestBits)) {
            best = i;
            bestArea = w * h;
            bestBits = bits;
        }
    }
    if (best == count) GraphicError(gesInvalidImage, {word});
    const std::uint8_t* e = d + 6 + 16 * best;
    const std::uint8_t* res = d + le32(e + 12);
    const std::size_t resSize = le32(e + 8);

    static constexpr std::uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (resSize >= 8 && std::memcmp(res, pngSignature, 8) == 0) {
        TPNGGraphic png;
        TMemoryStream pngStream(res, resSize);
        png.LoadFromStream(pngStream);
        FBitmap = png.TakeBitmap();
        return;
    }

    // A device-independent bitmap of twice the icon's height: the colour
    // image, then a 1-bit transparency mask, both bottom-up.
    if (resSize < 40) GraphicError(gesInvalidImage, {word});
    const std::uint32_t headerSize = le32(res);
    if (headerSize < 40 || headerSize > resSize) GraphicError(gesInvalidImage, {word});
    const std::int32_t width = std::int32_t(le32(res + 4));
    const std::int32_t fullHeight = std::int32_t(le32(res + 8));
    const unsigned bits = le16(res + 14);
    const std::uint32_t compression = le32(res + 16);
    std::uint32_t colorsUsed = le32(res + 32);
    if (width <= 0 || width > 256 * 256 || fullHeight <= 0 || fullHeight > 2 * 256 * 256 ||
        compression != 0)
        GraphicError(gesInvalidImage, {word});
    const std::int32_t height = fullHeight / 2;
    if (height == 0) GraphicError(gesInvalidImage, {word});
    if (bits <= 8 && colorsUsed == 0) colorsUsed = 1u << bits;
    if (bits > 8) colorsUsed = 0;
    const std::uint64_t paletteBytes = std::uint64_t(colorsUsed) * 4;
    const std::uint64_t colourStride = (std::uint64_t(width) * bits + 31) / 32 * 4;
    const std::uint64_t maskStride = (std::uint64_t(width) + 31) / 32 * 4;
    const std::uint64_t pixelStart = headerSize + paletteBytes;
    const std::uint64_t colourBytes = colourStride * std::uint64_t(height);
    if (pixelStart + colourBytes > resSize) GraphicError(gesInvalidImage, {word});

    // Hand the colour image to the BMP reader as a file of its own.
    std::vector<std::uint8_t> bmp(14 + std::size_t(pixelStart + colourBytes));
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(&bmp[2], std::uint32_t(bmp.size()));
    put32(&bmp[10], std::uint32_t(14 + pixelStart));
    std::memcpy(&bmp[14], res, std::size_t(pixelStart + colourBytes));
    put32(&bmp[14 + 8], std::uint32_t(height));
    put32(&bmp[14 + 20], std::uint32_t(colourBytes));
    put32(&bmp[14 + 32], colorsUsed);
    Bitmap colour = ReadBmp(bmp.data(), bmp.size());

    const std::uint8_t* mask = res + pixelStart + colourBytes;
    const bool haveMask = pixelStart + colourBytes + maskStride * std::uint64_t(height) <= resSize;
    bool anyAlpha = false;
    if (bits == 32)
        for (int y = 0; y < colour.height() && !anyAlpha; ++y)
            for (int x = 0; x < colour.width(); ++x)
                if (colour.scanLine(y)[4 * x + 3] != 0) {
                    anyAlpha = true;
                    break;
                }

    Bitmap out(colour.width(), colour.height(), PixelFormat::pf32bit);
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* row = out.scanLine(y);
        const std::uint8_t* maskRow =
            haveMask ? mask + std::size_t(height - 1 - y) * maskStride : nullptr;
        for (int x = 0; x < out.width(); ++x) {
            bool transparent = maskRow && ((maskRow[x >> 3] >> (7 - (x & 7))) & 1);
            std::uint8_t alpha = transparent ? 0 : 255;
            if (anyAlpha) alpha = colour.scanLine(y)[4 * x + 3];
            TColor c = colour.pixel(x, y);
            if (alpha == 0) c = RGBColor(255, 255, 255);
            row[4 * x] = std::uint8_t(GetBValue(c));
            row[4 * x + 1] = std::uint8_t(GetGValue(c));
            row[4 * x + 2] = std::uint8_t(GetRValue(c));
            row[4 * x + 3] = alpha;
        }
    }
    FBitmap = std::move(out);
}

void TMetafileGraphic::LoadFromStream(TStream&) {
    GraphicError(gesMetafileNotSupported);
}

} // namespace vt
