// Types shared by the image readers, the decoders and the colour converter:
// small flag sets, colour models, compression schemes and the record of image
// properties that every reader fills from a file's header.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>
#include <vector>

namespace vt {

// A set of the values of a small enumeration (at most 32 values).
template <class E> class TSet {
  public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values) {
        for (E v : values)
            bits_ |= bit(v);
    }
    constexpr bool Contains(E v) const { return (bits_ & bit(v)) != 0; }
    constexpr TSet& Include(E v) {
        bits_ |= bit(v);
        return *this;
    }
    constexpr TSet& Exclude(E v) {
        bits_ &= ~bit(v);
        return *this;
    }
    constexpr void Set(E v, bool on) { on ? Include(v) : Exclude(v); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr bool operator==(const TSet&) const = default;

  private:
    static constexpr std::uint32_t bit(E v) {
        return std::uint32_t(1) << static_cast<std::underlying_type_t<E>>(v);
    }
    std::uint32_t bits_ = 0;
};

// Colour models of samples in a file and of pixels in a bitmap. BGR and BGRA
// serve only as targets of the colour converter; CMY has no conversions.
enum class TColorModel : std::uint8_t {
    Unknown,
    Indexed,
    Grey,
    GreyAlpha,
    RGB,
    RGBA,
    BGR,
    BGRA,
    CMY,
    CMYK,
    CIELab,
    YCbCr,
    PhotoYCC
};

// Compression schemes of pixel data; the comments name the codes of the
// formats that map onto each value.
enum class TCompressionType : std::uint8_t {
    Unknown,            // any unlisted TIFF code
    None,               // TIFF 1
    RLE,                // SGI, Targa, PCX, Dr. Halo, Paint Shop Pro
    PackBits,           // TIFF 32773, PSD
    LZW,                // TIFF 5, GIF
    CCITT3,             // TIFF 3, group 3 fax
    CCITTMH,            // TIFF 2, modified Huffman
    CCITT4,             // TIFF 4, group 4 fax
    CCITTMHWordAligned, // TIFF 32771
    LZ77,               // TIFF 8 and 32946, PNG, Paint Shop Pro 2
    JPEG,               // TIFF 7, Paint Shop Pro 3
    OJPEG,              // TIFF 6, old-style JPEG
    ThunderScan,        // TIFF 32809
    NeXT,               // TIFF 32766
    IT8CTPad,           // TIFF 32895
    IT8LW,              // TIFF 32896
    IT8MP,              // TIFF 32897
    IT8BL,              // TIFF 32898
    PixarFilm,          // TIFF 32908
    PixarLog,           // TIFF 32909
    DCS,                // TIFF 32947, Kodak DCS
    JBIG,               // TIFF 34661
    PCDHuffman          // Photo-CD
};

enum class TImageFlag : std::uint8_t {
    TiledLayout,  // TIFF tile width and tile length both present
    BigEndian,    // multi-byte values are big-endian
    InvertedGrey, // grey values inverted (white is 0)
    LsbFirst,     // bits of a byte run from the least significant one
    GammaApplied  // the file's gamma has been applied to the pixels
};
using TImageFlags = TSet<TImageFlag>;

// What a reader learns from a file's header before it decodes pixels.
struct TImageProperties {
    std::uint32_t FormatVersion = 0;
    TImageFlags Flags;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    TColorModel ColorModel = TColorModel::Unknown;
    std::uint8_t BitsPerSample = 0;
    std::uint8_t SamplesPerPixel = 0;
    std::uint8_t BitsPerPixel = 0;
    TCompressionType Compression = TCompressionType::Unknown;
    float Gamma = 1.0f;
    float XResolution = 0; // pixels per inch
    float YResolution = 0;
    bool Interlaced = false;
    bool AlphaPresent = false;

    // TIFF
    std::uint32_t FirstIFD = 0;
    std::uint32_t PlanarConfig = 0;
    std::uint32_t TileWidth = 0;
    std::uint32_t TileLength = 0;
    std::vector<std::uint32_t> RowsPerStrip;
    std::vector<std::uint8_t> YCbCrSubSampling; // the TIFF reader sets 2, 2 by default
    std::uint32_t YCbCrPositioning = 0;         // the TIFF reader sets 1 by default
    std::vector<float> LumaCoefficients;        // default 0.299, 0.587, 0.114
    std::uint32_t Predictor = 0;
    std::vector<std::uint8_t> JPEGTables; // TIFF tag 347, for the JPEG decoder
    // Photo-CD
    bool Overview = false;
    std::uint8_t Rotate = 0;
    std::uint32_t ImageCount = 0;
    // GIF
    bool LocalColorTable = false;
    // RLA
    bool BottomUp = false;
    // PSD
    std::uint32_t Channels = 0;
    // PNG
    std::uint8_t FilterMode = 0;

    // All fields zero (or empty), Gamma 1.0.
    void Reset() { *this = TImageProperties(); }
};

} // namespace vt
