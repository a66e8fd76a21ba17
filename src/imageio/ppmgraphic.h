// Portable bitmap, grey map and pixel map files: P1 and P4 become 1-bit
// bitmaps (black for 1), P2 and P5 8-bit bitmaps with a grey palette, P3 and
// P6 24-bit bitmaps; P1 to P3 are text, P4 to P6 binary. Samples are scaled
// from the file's maximum value to 0..255; binary files with a maximum above
// 255 hold two bytes per sample, most significant first.
#pragma once

#include "imageio/formatgraphic.h"

namespace vt {

class TPPMGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPPMGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    // The maximum sample value of the header (1 for P1 and P4).
    unsigned maxValue_ = 1;
    // Stream position of the first pixel, just after the header.
    std::uint64_t dataStart_ = 0;

  protected:
    std::string_view FormatWord() const override;
    std::string_view ReadErrorWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
