// The colour converter of the image readers. A reader describes the samples
// it decodes (source) and the pixels its bitmap needs (target); the converter
// names the bitmap's pixel format, builds grey and file palettes and turns
// each decoded row into one scan line.
//
// Targets have at most 8 bits per sample. Errors throw EColorConversionError.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imageio/imagetypes.h"
#include "platform/bitmap.h"

namespace vt {

enum class TConvertOption : std::uint8_t {
    AlphaPresent,    // the samples carry an alpha channel
    SwapBytes,       // 16-bit samples are stored big-endian
    LabByteRange,    // CIE L*a*b*: L in 0..255 instead of 0..100
    LabChromaOffset, // CIE L*a*b*: a and b stored with an offset of 128
    ApplyGamma       // target: components go through the gamma table
};
using TConvertOptions = TSet<TConvertOption>;

// Layouts of the palette data in a file that MakeFilePalette accepts.
enum class TPaletteLayout : std::uint8_t {
    RGB,     // one buffer of red, green, blue triples
    BGR,     // one buffer of blue, green, red triples
    BGRx,    // one buffer of 4-byte entries: blue, green, red, unused
    RGBx,    // one buffer of 4-byte entries: red, green, blue, unused
    Planar8, // three buffers (red, green, blue) of 8-bit values
    Planar16 // three buffers (red, green, blue) of 16-bit values
};
enum class TPaletteOption : std::uint8_t {
    BigEndian, // Planar16: the values are stored big-endian, else little-endian
    ApplyGamma // entries go through the gamma table
};
using TPaletteOptions = TSet<TPaletteOption>;

class TColorManager {
  public:
    TColorManager();

    // Setters. Bits per sample of 0 or above 16 throw gesInvalidSampleDepth;
    // samples per pixel of 0 or above 4 throw gesInvalidPixelDepth.
    void SetSourceBitsPerSample(std::uint8_t bits);
    void SetTargetBitsPerSample(std::uint8_t bits);
    void SetSourceSamplesPerPixel(std::uint8_t samples);
    void SetTargetSamplesPerPixel(std::uint8_t samples);
    void SetSourceColorScheme(TColorModel model);
    void SetTargetColorScheme(TColorModel model);
    void SetSourceOptions(TConvertOptions options);
    void SetTargetOptions(TConvertOptions options);
    // A main gamma of 0 or less becomes 1.0, a display gamma of 0 or less
    // 2.2; rebuilds the gamma table.
    void SetGammaValues(float display, float main);
    // Up to three weights (red, green, blue); subsampling 1, 2 or 4 with the
    // vertical value not above the horizontal one.
    void SetYCbCrSetup(std::span<const float> coefficients, std::uint8_t horizontal,
                       std::uint8_t vertical);

    std::uint8_t SourceBitsPerSample() const { return sourceBPS_; }
    std::uint8_t TargetBitsPerSample() const { return targetBPS_; }
    std::uint8_t SourceSamplesPerPixel() const { return sourceSPP_; }
    std::uint8_t TargetSamplesPerPixel() const { return targetSPP_; }
    TColorModel SourceColorScheme() const { return sourceScheme_; }
    TColorModel TargetColorScheme() const { return targetScheme_; }
    TConvertOptions SourceOptions() const { return sourceOptions_; }
    TConvertOptions TargetOptions() const { return targetOptions_; }
    float MainGamma() const { return mainGamma_; }
    float DisplayGamma() const { return displayGamma_; }
    const std::array<std::uint8_t, 256>& GammaTable() const { return gammaTable_; }

    // The bitmap format for the target: 1 sample of 1 bit: pf1bit; of 2 to 4
    // bits: pf4bit; of 8 to 16 bits: pf8bit; 3 samples of 1 to 5 bits:
    // pf15bit; 3 samples otherwise: pf24bit; 4 samples of 8 bits or more:
    // pf32bit; nothing for anything else.
    std::optional<PixelFormat> PixelFormatFor() const;

    // 2^min(target bits x target samples, 8) grey entries, white first when
    // inverted.
    std::vector<TColor> MakeGreyPalette(bool inverted) const;
    // A palette from the palette data of a file: buffers holds one buffer
    // (RGB, BGR, BGRx, RGBx) or three (Planar8, Planar16), each with at
    // least the bytes that entries need.
    std::vector<TColor> MakeFilePalette(std::span<const std::uint8_t* const> buffers,
                                        TPaletteLayout layout, std::size_t entries,
                                        TPaletteOptions options = {}) const;

    // Converts one row. sources holds one buffer (samples interleaved) or
    // one per sample (planes); mask says, from bit 7 on and repeating every
    // eight pixels, which target pixels receive the next source pixel (0xFF
    // for every pixel); width counts target pixels. The caller guarantees
    // that the sources hold the pixels the mask selects and the target
    // width pixels.
    void ConvertLine(std::span<const std::uint8_t* const> sources, std::uint8_t mask,
                     std::size_t width, std::uint8_t* target);
    void ConvertLine(const std::uint8_t* source, std::uint8_t mask, std::size_t width,
                     std::uint8_t* target) {
        ConvertLine(std::span<const std::uint8_t* const>(&source, 1), mask, width, target);
    }

  private:
    using Routine = void (TColorManager::*)(std::span<const std::uint8_t* const>, std::uint8_t,
                                            std::size_t, std::uint8_t*);
    void prepare();
    void buildGammaTable();
    void buildChromaTables(int offsetRed, int offsetBlue);

    // Conversion routines.
    void repack(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t, std::uint8_t*);
    void greyCopy(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t, std::uint8_t*);
    void rgbConvert(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t, std::uint8_t*);
    void cmykConvert(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t,
                     std::uint8_t*);
    void labConvert(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t, std::uint8_t*);
    void yccConvert(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t, std::uint8_t*);

    bool changed_ = true;
    std::uint8_t sourceBPS_ = 8;
    std::uint8_t targetBPS_ = 8;
    std::uint8_t sourceSPP_ = 3;
    std::uint8_t targetSPP_ = 3;
    float mainGamma_ = 1.0f;
    float displayGamma_ = 2.2f;
    std::array<std::uint8_t, 256> gammaTable_{};
    std::array<float, 3> yCbCrCoefficients_{0.299f, 0.587f, 0.114f};
    std::array<std::uint8_t, 2> subsampling_{1, 1};
    std::array<int, 256> crToRed_{};
    std::array<int, 256> cbToBlue_{};
    std::array<int, 256> crToGreen_{};
    std::array<int, 256> cbToGreen_{};
    TColorModel sourceScheme_ = TColorModel::RGB;
    TColorModel targetScheme_ = TColorModel::BGR;
    Routine routine_ = nullptr;
    TConvertOptions sourceOptions_;
    TConvertOptions targetOptions_;
};

} // namespace vt
