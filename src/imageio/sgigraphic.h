// SGI image files (.sgi, .rgb, .rgba, .bw): verbatim or run-length planes of
// 8 or 16-bit samples, rows stored bottom to top. Three channels give a
// 24-bit bitmap, four a 32-bit bitmap with alpha, any other count an 8-bit
// bitmap with a grey ramp from the first channel; 16-bit samples are scaled
// to 8 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

class TSGIGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TSGIGraphic";
    // A 512-byte header with the magic 474 and sensible fields.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    // Reads the 512 header bytes into the properties; false when they are
    // no usable SGI header.
    static bool ParseHeader(const std::uint8_t* bytes, TImageProperties& p,
                            std::uint32_t& channels);
    std::uint32_t FChannels = 0; // as stored

  protected:
    std::string_view FormatWord() const override;
    std::string_view ReadErrorWord() const override { return "SGI"; }
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
