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

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// PCX run-length data: a byte of 0xC0 or above counts (low 6 bits) copies
// of the byte after it; any smaller byte stands for itself. Both pointers
// are advanced. A run that reaches beyond the wanted bytes goes on in the
// next call (writers let runs cross rows and planes); a count byte whose
// value is not in the input yet is left there. DecodeInit forgets an
// unfinished run.
class TPCXRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: 0xFF, v writes 63 bytes.
    static constexpr std::uint64_t kMaxExpansion = 32;

    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeInit() override { pending_ = 0; }

  private:
    std::size_t pending_ = 0; // bytes of the current run not yet written
    std::uint8_t value_ = 0;
};

class TPCXGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPCXGraphic";
    // A 128-byte header with a PCX signature and a sensible layout.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

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
};

} // namespace vt
