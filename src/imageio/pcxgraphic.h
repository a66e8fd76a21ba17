// ZSoft Paintbrush files (.pcx, .pcc) and Word 5 screen captures (.scr):
// run-length or plain rows of 1 to 4 planes. One plane of 1, 2, 4 or 8 bits
// gives a 1, 4 or 8-bit bitmap, 2 to 4 planes of 1 bit a 4-bit bitmap,
// 3 planes of 8 bits a 24-bit and 4 planes of 8 bits a 32-bit bitmap.
// Palettes: black and white for 1 bit; the 16 entries of the header for 2
// to 4 bits (the system's 16 colours for version 3 files, which carry
// none); the 256 entries after the byte 12 at the end of the file for 8
// bits; a grey ramp where the file has none.
#pragma once

#include <cstdint>

#include "imageio/formatgraphic.h"

namespace vt {

class TPCXGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPCXGraphic";
    // A 128-byte header with a PCX signature and a sensible layout.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    struct THeader {
        std::uint8_t Version = 0;
        bool RunLength = false;
        std::uint8_t BitsPerPixel = 0;
        std::uint8_t Planes = 0;
        std::uint16_t BytesPerLine = 0;
        std::uint16_t PaletteType = 0;
        std::uint8_t Palette[48] = {};
    };
    // Reads the 128 header bytes into h and p; false when they are no
    // usable PCX header.
    static bool ParseHeader(const std::uint8_t* bytes, THeader& h, TImageProperties& p);
    THeader FHeader;

  protected:
    std::string_view FormatWord() const override;
    std::string_view ReadErrorWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
