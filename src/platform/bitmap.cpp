#include "platform/bitmap.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace vt {

int BitsPerPixel(PixelFormat pf) {
    switch (pf) {
    case PixelFormat::pf1bit:
        return 1;
    case PixelFormat::pf4bit:
        return 4;
    case PixelFormat::pf8bit:
        return 8;
    case PixelFormat::pf15bit:
        return 15;
    case PixelFormat::pf16bit:
        return 16;
    case PixelFormat::pf24bit:
        return 24;
    case PixelFormat::pf32bit:
        return 32;
    }
    return 24;
}

int StorageBits(PixelFormat pf) {
    return pf == PixelFormat::pf15bit ? 16 : BitsPerPixel(pf);
}

bool DataCanCover(std::uint64_t required, std::uint64_t available, std::uint64_t maxExpansion) {
    // available * maxExpansion may overflow; divide instead, rounding up.
    const std::uint64_t ratio = maxExpansion == 0 ? 1 : maxExpansion;
    return available >= required / ratio + (required % ratio != 0);
}

bool IsPaletteFormat(PixelFormat pf) {
    return pf == PixelFormat::pf1bit || pf == PixelFormat::pf4bit || pf == PixelFormat::pf8bit;
}

Bitmap::Bitmap(int width, int height, PixelFormat pf) : format_(pf) {
    if (IsPaletteFormat(pf)) palette_ = defaultPalette(pf);
    setSize(width, height);
}

Bitmap::Bitmap(int width, int height, PixelFormat pf, NoClear) : format_(pf) {
    if (IsPaletteFormat(pf)) palette_ = defaultPalette(pf);
    setSize(width, height, NoClear{});
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_), height_(other.height_), format_(other.format_), stride_(other.stride_),
      palette_(other.palette_) {
    if (other.data_.size() == 0) return;
    data_ = PixelBuffer(other.data_.size(), false);
    std::memcpy(data_.data(), other.data_.data(), other.data_.size());
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this == &other) return *this;
    if (data_.size() != other.data_.size())
        data_ = other.data_.size() ? PixelBuffer(other.data_.size(), false) : PixelBuffer();
    if (other.data_.size()) std::memcpy(data_.data(), other.data_.data(), other.data_.size());
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    stride_ = other.stride_;
    palette_ = other.palette_;
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept {
    *this = std::move(other);
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this == &other) return *this;
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    format_ = other.format_;
    data_ = std::move(other.data_);
    palette_ = std::move(other.palette_);
    other.palette_.clear();
    return *this;
}

void Bitmap::allocate(bool zeroed) {
    if (width_ < 0 || height_ < 0) throw std::invalid_argument("Invalid bitmap size");
    if (std::uint64_t(width_) * std::uint64_t(height_) > kMaxBitmapPixels)
        throw std::length_error("Bitmap too large: " + std::to_string(width_) + " x " +
                                std::to_string(height_));
    stride_ = ((std::size_t(width_) * StorageBits(format_) + 31) / 32) * 4;
    const std::size_t bytes = stride_ * std::size_t(height_);
    data_ = PixelBuffer(); // the old pixels go back before the new ones are taken
    if (bytes == 0) return;
    data_ = PixelBuffer(bytes, zeroed);
    if (zeroed) return;
    // Row padding never shows, but it is written to files and compared.
    const std::size_t used = (std::size_t(width_) * StorageBits(format_) + 7) / 8;
    if (used < stride_)
        for (int y = 0; y < height_; ++y)
            std::memset(scanLine(y) + used, 0, stride_ - used);
}

void Bitmap::resize(int width, int height, bool zeroed) {
    width_ = width;
    height_ = height;
    try {
        allocate(zeroed);
    } catch (...) {
        width_ = height_ = 0;
        stride_ = 0;
        data_ = PixelBuffer();
        throw;
    }
}

void Bitmap::setSize(int width, int height) {
    resize(width, height, true);
}

void Bitmap::setSize(int width, int height, NoClear) {
    resize(width, height, false);
}

void Bitmap::setPalette(std::vector<TColor> entries) {
    // Only the colour bytes count: a pixel inside the bitmap must never read
    // as the (negative) invalid colour.
    for (TColor& c : entries)
        c &= 0x00FFFFFF;
    palette_ = std::move(entries);
}

std::vector<TColor> Bitmap::defaultPalette(PixelFormat pf) {
    std::vector<TColor> p;
    switch (pf) {
    case PixelFormat::pf1bit:
        p = {RGBColor(0, 0, 0), RGBColor(255, 255, 255)};
        break;
    case PixelFormat::pf4bit:
        p = {RGBColor(0, 0, 0),      RGBColor(128, 0, 0),     RGBColor(0, 128, 0),
             RGBColor(128, 128, 0),  RGBColor(0, 0, 128),     RGBColor(128, 0, 128),
             RGBColor(0, 128, 128),  RGBColor(128, 128, 128), RGBColor(192, 192, 192),
             RGBColor(255, 0, 0),    RGBColor(0, 255, 0),     RGBColor(255, 255, 0),
             RGBColor(0, 0, 255),    RGBColor(255, 0, 255),   RGBColor(0, 255, 255),
             RGBColor(255, 255, 255)};
        break;
    case PixelFormat::pf8bit:
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(RGBColor(r * 51, g * 51, b * 51));
        for (int i = 0; i < 40; ++i) {
            int v = (i * 255 + 19) / 39;
            p.push_back(RGBColor(v, v, v));
        }
        break;
    default:
        break;
    }
    return p;
}

std::uint32_t Bitmap::rawPixel(int x, int y) const {
    const std::uint8_t* row = scanLine(y);
    switch (format_) {
    case PixelFormat::pf1bit:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::pf4bit:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case PixelFormat::pf8bit:
        return row[x];
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit:
        return std::uint32_t(row[2 * x]) | (std::uint32_t(row[2 * x + 1]) << 8);
    case PixelFormat::pf24bit:
        return std::uint32_t(row[3 * x]) | (std::uint32_t(row[3 * x + 1]) << 8) |
               (std::uint32_t(row[3 * x + 2]) << 16);
    case PixelFormat::pf32bit:
        return std::uint32_t(row[4 * x]) | (std::uint32_t(row[4 * x + 1]) << 8) |
               (std::uint32_t(row[4 * x + 2]) << 16) | (std::uint32_t(row[4 * x + 3]) << 24);
    }
    return 0;
}

void Bitmap::setRawPixel(int x, int y, std::uint32_t v) {
    std::uint8_t* row = scanLine(y);
    switch (format_) {
    case PixelFormat::pf1bit: {
        std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
        row[x >> 3] = (v & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
        break;
    }
    case PixelFormat::pf4bit:
        if (x & 1)
            row[x >> 1] = std::uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
        else
            row[x >> 1] = std::uint8_t((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
    case PixelFormat::pf8bit:
        row[x] = std::uint8_t(v);
        break;
    case PixelFormat::pf15bit:
    case PixelFormat::pf16bit:
        row[2 * x] = std::uint8_t(v);
        row[2 * x + 1] = std::uint8_t(v >> 8);
        break;
    case PixelFormat::pf24bit:
        row[3 * x] = std::uint8_t(v);
        row[3 * x + 1] = std::uint8_t(v >> 8);
        row[3 * x + 2] = std::uint8_t(v >> 16);
        break;
    case PixelFormat::pf32bit:
        row[4 * x] = std::uint8_t(v);
        row[4 * x + 1] = std::uint8_t(v >> 8);
        row[4 * x + 2] = std::uint8_t(v >> 16);
        row[4 * x + 3] = std::uint8_t(v >> 24);
        break;
    }
}

namespace {
// Expands a 5 or 6-bit channel to 8 bits the way the display does.
int expand5(std::uint32_t v) {
    return int((v << 3) | (v >> 2));
}
int expand6(std::uint32_t v) {
    return int((v << 2) | (v >> 4));
}
} // namespace

TColor Bitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return clInvalid;
    std::uint32_t v = rawPixel(x, y);
    switch (format_) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit:
        return v < palette_.size() ? palette_[v] : RGBColor(0, 0, 0);
    case PixelFormat::pf15bit:
        return RGBColor(expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31));
    case PixelFormat::pf16bit:
        return RGBColor(expand5((v >> 11) & 31), expand6((v >> 5) & 63), expand5(v & 31));
    case PixelFormat::pf24bit:
    case PixelFormat::pf32bit:
        // Stored blue, green, red: the raw value is 0x..RRGGBB.
        return RGBColor(int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF));
    }
    return clInvalid;
}

int Bitmap::nearestPaletteIndex(TColor c) const {
    int best = 0;
    long bestDist = -1;
    // Entries beyond 2^bits cannot be stored in a pixel.
    std::size_t usable = palette_.size();
    if (IsPaletteFormat(format_))
        usable = std::min(usable, std::size_t(1) << BitsPerPixel(format_));
    for (std::size_t i = 0; i < usable; ++i) {
        long dr = GetRValue(c) - GetRValue(palette_[i]);
        long dg = GetGValue(c) - GetGValue(palette_[i]);
        long db = GetBValue(c) - GetBValue(palette_[i]);
        long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = int(i);
            if (d == 0) break;
        }
    }
    return best;
}

void Bitmap::setPixel(int x, int y, TColor c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    switch (format_) {
    case PixelFormat::pf1bit:
    case PixelFormat::pf4bit:
    case PixelFormat::pf8bit:
        setRawPixel(x, y, std::uint32_t(nearestPaletteIndex(c)));
        break;
    case PixelFormat::pf15bit:
        setRawPixel(x, y, std::uint32_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
        break;
    case PixelFormat::pf16bit:
        setRawPixel(x, y, std::uint32_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)));
        break;
    case PixelFormat::pf24bit:
        setRawPixel(x, y, std::uint32_t((r << 16) | (g << 8) | b));
        break;
    case PixelFormat::pf32bit:
        setRawPixel(x, y, (rawPixel(x, y) & 0xFF000000u) | std::uint32_t((r << 16) | (g << 8) | b));
        break;
    }
}

void Bitmap::setPixelFormat(PixelFormat pf) {
    if (pf == format_) return;
    Bitmap converted;
    converted.format_ = pf;
    if (IsPaletteFormat(pf)) converted.palette_ = defaultPalette(pf);
    if (pf == PixelFormat::pf24bit)
        converted.setSize(width_, height_, NoClear{}); // every pixel is written below
    else
        converted.setSize(width_, height_);
    if (pf == PixelFormat::pf24bit) {
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* d = converted.scanLine(y);
            for (int x = 0; x < width_; ++x) {
                TColor c = pixel(x, y);
                d[3 * x] = std::uint8_t(GetBValue(c));
                d[3 * x + 1] = std::uint8_t(GetGValue(c));
                d[3 * x + 2] = std::uint8_t(GetRValue(c));
            }
        }
    } else {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                converted.setPixel(x, y, pixel(x, y));
    }
    *this = std::move(converted);
}

Bitmap Bitmap::convertedTo24() const& {
    if (format_ == PixelFormat::pf24bit) return *this;
    Bitmap copy(*this);
    copy.setPixelFormat(PixelFormat::pf24bit);
    return copy;
}

Bitmap Bitmap::convertedTo24() && {
    setPixelFormat(PixelFormat::pf24bit);
    return std::move(*this);
}

void Bitmap::fill(TColor c) {
    if (format_ == PixelFormat::pf24bit) {
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* d = scanLine(y);
            for (int x = 0; x < width_; ++x) {
                d[3 * x] = std::uint8_t(GetBValue(c));
                d[3 * x + 1] = std::uint8_t(GetGValue(c));
                d[3 * x + 2] = std::uint8_t(GetRValue(c));
            }
        }
        return;
    }
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            setPixel(x, y, c);
}

bool Bitmap::operator==(const Bitmap& o) const {
    if (width_ != o.width_ || height_ != o.height_ || format_ != o.format_) return false;
    if (IsPaletteFormat(format_) && palette_ != o.palette_) return false;
    // Compare only the pixel bytes of each row, not the padding.
    std::size_t used = (std::size_t(width_) * StorageBits(format_) + 7) / 8;
    for (int y = 0; y < height_; ++y) {
        if (StorageBits(format_) < 8 && (width_ * StorageBits(format_)) % 8 != 0) {
            // Partial last byte: compare whole pixels.
            for (int x = 0; x < width_; ++x)
                if (rawPixel(x, y) != o.rawPixel(x, y)) return false;
            continue;
        }
        if (std::memcmp(scanLine(y), o.scanLine(y), used) != 0) return false;
    }
    return true;
}

} // namespace vt
