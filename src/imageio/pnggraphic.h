// Portable Network Graphics files: every colour type and bit depth of the
// format, Adam7 interlacing, the five filters, image data split over any
// number of IDAT chunks, CRC checks, gAMA, bKGD, tRNS and PLTE.
//
// Bitmaps: grey images become 1, 4 or 8-bit bitmaps with a grey palette
// (2-bit images 4-bit, 16-bit images 8-bit), indexed images 1, 4 or 8-bit
// bitmaps with the file's palette, RGB images 24-bit, RGBA images 32-bit
// with their alpha, grey images with alpha 8-bit grey (alpha dropped).
// 16-bit samples are scaled to 8 bits as v * 255 / 65535. With a gAMA chunk
// every colour goes through the converter's gamma table (display gamma 2.2).
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

class TPNGGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPNGGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

    // Value of TransparentColor when the file names none.
    static constexpr std::uint32_t NoTransparentColor = 0x1FFFFFFF;
    // The colour a tRNS chunk marks as transparent (0x00BBGGRR), or
    // NoTransparentColor.
    std::uint32_t TransparentColor() const { return transparentColor_; }
    // The fill value a bKGD chunk gives (a colour for RGB images, a grey
    // level or palette index otherwise); white (0xFFFFFF) without one.
    std::uint32_t BackgroundColor() const { return backgroundColor_; }

  private:
    std::uint32_t transparentColor_ = NoTransparentColor;
    std::uint32_t backgroundColor_ = 0xFFFFFF;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
