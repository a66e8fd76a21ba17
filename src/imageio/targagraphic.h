// Truevision Targa files (.tga, .win, .vst, .vda, .icb): colour-mapped (types
// 1 and 9), true-colour (2 and 10) and black-and-white (3 and 11) images,
// the types 9 to 11 run-length encoded. 8-bit images become 8-bit bitmaps
// with the file's colour map or a grey ramp, 15 and 16-bit images 15-bit
// bitmaps, 24 and 32-bit images 24 and 32-bit bitmaps; the pixel bytes of
// the file are already in the bitmap's layout. 16-bit black-and-white images
// (grey and alpha bytes) become 8-bit grey bitmaps, the alpha dropped.
#pragma once

#include <cstdint>

#include "imageio/formatgraphic.h"

namespace vt {

class TTargaGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TTargaGraphic";
    // An 18-byte header whose image type, colour-map type and depth make
    // sense together.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    struct THeader {
        std::uint8_t IDLength = 0;
        std::uint8_t ColorMapType = 0;
        std::uint8_t ImageType = 0;
        std::uint16_t MapFirst = 0;
        std::uint16_t MapLength = 0;
        std::uint8_t MapEntrySize = 0;
        std::uint16_t Width = 0;
        std::uint16_t Height = 0;
        std::uint8_t Depth = 0;
        std::uint8_t Descriptor = 0;
    };
    static THeader ParseHeader(const std::uint8_t* bytes);
    static bool Usable(const THeader& h);
    THeader FHeader;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
