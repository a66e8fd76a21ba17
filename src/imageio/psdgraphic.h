// Photoshop files (.psd, .pdd): the merged picture that follows the layers,
// in the modes bitmap, grey, duotone (read as grey), indexed, RGB,
// multichannel (read as RGB), CMYK and CIE L*a*b*, raw or PackBits, with 1,
// 8 or 16-bit channels (16 bits are scaled to 8). Bitmap mode gives a 1-bit
// bitmap, grey, duotone and indexed 8-bit bitmaps, the colour modes 24-bit
// bitmaps, or 32-bit ones with the alpha of a fourth RGB channel.
#pragma once

#include <cstdint>

#include "imageio/formatgraphic.h"

namespace vt {

class TPSDGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPSDGraphic";
    // "8BPS", version 1 and a 26-byte header.
    bool AcceptsStream(TStream& stream) override;
    // Reads the header and walks the sections up to the merged picture.
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    std::uint16_t FMode = 0;
    std::uint16_t FCompression = 0;   // as stored: 0 raw, 1 PackBits
    std::uint64_t FColorData = 0;     // position of the colour-mode data
    std::uint32_t FColorDataSize = 0; // and its size
    std::uint64_t FImageData = 0;     // position after the compression word

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
