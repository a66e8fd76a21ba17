// Alias/Wavefront pictures (.rla, .rpf): a 740-byte big-endian header, a
// table with the file offset of every row, and rows of run-length coded
// channels: red, green, blue and, when the file has one, a matte channel
// (alpha), each after a 16-bit byte count. Rows are stored from the bottom up
// when the active window's bottom lies below its top. Samples of more than 8
// bits are stored as 16-bit big-endian values. The bitmap has 24 bits, or 32
// with the matte channel; a gamma other than 1 in the header is applied
// against the display gamma of 2.2.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// Wavefront run-length data: a signed control byte; negative copies the next
// -control bytes, zero or positive repeats the next byte control + 1 times.
// Stops when packedSize input bytes are consumed or unpackedSize bytes are
// written; the pointers are advanced.
class TRLADecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 128
    // times.
    static constexpr std::uint64_t kMaxExpansion = 64;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

class TRLAGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TRLAGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

  private:
    // From the header: colour and matte channels, and the bits of a colour
    // and of a matte sample.
    unsigned colourChannels_ = 3;
    unsigned matteChannels_ = 0;
    unsigned colourBits_ = 8;
    unsigned matteBits_ = 8;
};

} // namespace vt
