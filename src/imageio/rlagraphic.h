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

#include "imageio/formatgraphic.h"

namespace vt {

class TRLAGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TRLAGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    // From the header: colour and matte channels, and the bits of a colour
    // and of a matte sample.
    unsigned colourChannels_ = 3;
    unsigned matteChannels_ = 0;
    unsigned colourBits_ = 8;
    unsigned matteBits_ = 8;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
