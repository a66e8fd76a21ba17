// Device-independent bitmap of the platform layer: the pixel formats of the
// original platform (1, 4 and 8 bits with a palette; 15, 16, 24 and 32 bits
// direct), rows stored top row first and padded to four bytes, direct row
// access through scanLine, and single-pixel access in the 0x00BBGGRR colour
// layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pixelmemory.h"

namespace vt {

// Colour value: red in the low byte, then green, then blue (0x00BBGGRR).
using TColor = std::int32_t;

// What a pixel read outside a bitmap yields: a negative value.
constexpr TColor clInvalid = -1;

constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>((static_cast<std::uint32_t>(b & 0xFF) << 16) |
                               (static_cast<std::uint32_t>(g & 0xFF) << 8) |
                               static_cast<std::uint32_t>(r & 0xFF));
}
constexpr int GetRValue(TColor c) {
    return c & 0xFF;
}
constexpr int GetGValue(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c) {
    return (c >> 16) & 0xFF;
}

enum class PixelFormat { pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// Bits per pixel of a format (15 for pf15bit, which is stored in 16 bits).
int BitsPerPixel(PixelFormat pf);
// Bits a pixel occupies in a row.
int StorageBits(PixelFormat pf);
bool IsPaletteFormat(PixelFormat pf);

// Largest number of pixels a bitmap may hold; larger requests throw.
constexpr std::uint64_t kMaxBitmapPixels = std::uint64_t(1) << 28;

// Whether `available` bytes of data, which a decoder expands at most
// `maxExpansion` times (units made per input byte; 0 counts as 1), can make
// `required` units (bytes, or rows where a decoder's limit is in rows).
// Readers ask before they allocate for a picture, so that a small hostile
// file cannot claim gigabytes.
bool DataCanCover(std::uint64_t required, std::uint64_t available, std::uint64_t maxExpansion);

class Bitmap {
  public:
    // Asks for pixels that the caller is about to overwrite whole: they are
    // not cleared, and read unspecified values until written (the bytes
    // that pad each row to four bytes still read 0).
    struct NoClear {};

    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat pf = PixelFormat::pf24bit);
    Bitmap(int width, int height, PixelFormat pf, NoClear);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    // A bitmap moved from is left empty (0 x 0), never with a size and no
    // pixels.
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat pixelFormat() const { return format_; }
    bool empty() const { return width_ == 0 || height_ == 0; }

    // Bytes of one row, padded to a multiple of four.
    std::size_t bytesPerLine() const { return stride_; }
    std::uint8_t* scanLine(int y) { return data_.data() + std::size_t(y) * stride_; }
    const std::uint8_t* scanLine(int y) const { return data_.data() + std::size_t(y) * stride_; }
    std::uint8_t* bits() { return data_.data(); }
    const std::uint8_t* bits() const { return data_.data(); }

    // Resizing keeps no pixels: the new bitmap is filled with zero bytes,
    // or, with NoClear, left for the caller to fill.
    void setSize(int width, int height);
    void setSize(int width, int height, NoClear);
    // Converting keeps the picture: pixels are carried over into the new
    // format (a palette format gets a default palette and nearest entries).
    void setPixelFormat(PixelFormat pf);

    // Palette of the 1, 4 and 8-bit formats (colours as 0x00BBGGRR); empty
    // for the direct formats.
    const std::vector<TColor>& palette() const { return palette_; }
    void setPalette(std::vector<TColor> entries);

    // Single pixels. A read outside the bitmap yields clInvalid, a write
    // outside is ignored; a write to a palette bitmap stores the nearest
    // palette entry.
    TColor pixel(int x, int y) const;
    void setPixel(int x, int y, TColor c);

    // Index of the palette entry nearest to c among the first 2^bits entries
    // (squared RGB distance, first wins on ties); 0 for an empty palette.
    int nearestPaletteIndex(TColor c) const;

    // A 24-bit copy of this bitmap; a bitmap about to go away is converted
    // in place and handed over instead of copied.
    Bitmap convertedTo24() const&;
    Bitmap convertedTo24() &&;

    void fill(TColor c);

    bool operator==(const Bitmap& o) const;
    bool operator!=(const Bitmap& o) const { return !(*this == o); }

    // Default palette used when a bitmap is converted into a palette format:
    // black and white for 1 bit, the 16 standard colours for 4 bits and a
    // 6x6x6 colour cube with grey ramp for 8 bits.
    static std::vector<TColor> defaultPalette(PixelFormat pf);

  private:
    void allocate(bool zeroed);
    void resize(int width, int height, bool zeroed);
    std::uint32_t rawPixel(int x, int y) const;
    void setRawPixel(int x, int y, std::uint32_t v);

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
    std::size_t stride_ = 0;
    PixelBuffer data_;
    std::vector<TColor> palette_;
};

} // namespace vt
