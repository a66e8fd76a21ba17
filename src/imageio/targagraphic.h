// Truevision Targa files (.tga, .win, .vst, .vda, .icb): colour-mapped (types
// 1 and 9), true-colour (2 and 10) and black-and-white (3 and 11) images,
// the types 9 to 11 run-length encoded. 8-bit images become 8-bit bitmaps
// with the file's colour map or a grey ramp, 15 and 16-bit images 15-bit
// bitmaps, 24 and 32-bit images 24 and 32-bit bitmaps; the pixel bytes of
// the file are already in the bitmap's layout. 16-bit black-and-white images
// (grey and alpha bytes) become 8-bit grey bitmaps, the alpha dropped.
#pragma once

#include <cstdint>

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// Targa run-length packets: a header byte whose low 7 bits + 1 count pixels;
// with bit 7 set one pixel value follows and is repeated, else the pixel
// values follow. unpackedSize counts pixels of 1 (depth 8), 2 (15, 16), 3
// (24) or 4 (32) bytes. Both pointers are advanced. A packet that reaches
// beyond the wanted pixels goes on in the next call, so rows may be decoded
// one call at a time even when a writer let packets cross rows; a packet
// whose bytes are not all in the input yet is resumed, too. DecodeInit
// forgets an unfinished packet.
class TTargaRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make at a colour depth: a run
    // packet of one header byte and one pixel repeats the pixel 128 times
    // (64 bytes a byte at depth 8, 103 at depth 32).
    static constexpr std::uint64_t MaxExpansion(unsigned colorDepth) {
        const std::uint64_t size = colorDepth == 8    ? 1
                                   : colorDepth <= 16 ? 2
                                   : colorDepth == 24 ? 3
                                                      : 4;
        return (128 * size + size) / (1 + size);
    }

    explicit TTargaRLEDecoder(unsigned colorDepth);
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
    void DecodeInit() override { pending_ = 0; }
    // Packs count pixels into raw packets (pixels that differ from their
    // successor) and run packets (equal neighbours) of at most 128 pixels;
    // returns the bytes stored. dest needs count * (pixel size + 1) bytes
    // at worst.
    std::size_t Encode(const std::uint8_t*& source, std::uint8_t*& dest,
                       std::size_t count) override;

    std::size_t PixelSize() const { return pixelSize_; }

  private:
    std::size_t pixelSize_;
    std::size_t pending_ = 0; // pixels of the current packet not yet written
    bool run_ = false;
    std::uint8_t value_[4] = {0, 0, 0, 0};
};

class TTargaGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TTargaGraphic";
    // An 18-byte header whose image type, colour-map type and depth make
    // sense together.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

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
};

} // namespace vt
