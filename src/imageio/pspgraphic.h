// Paint Shop Pro images (.psp), format version 3 (Paint Shop Pro 5) and
// later. The file is a header and a sequence of blocks; this reader takes
// the general image attributes (size, resolution, depth, compression), the
// palette and the first normal raster layer, whose channels (red, green and
// blue, or one channel of palette indexes, and a transparency mask) are
// stored uncompressed, run-length coded or deflated.
//
// Bitmaps: depth 24 gives 24 bits, or 32 with the alpha of the transparency
// mask when the layer has more than 3 channels; depths 1, 4 and 8 give
// bitmaps of that depth with the file's palette, or a grey ramp for files
// marked greyscale. Parts of the picture the layer does not cover stay black
// (and transparent).
#pragma once

#include <cstdint>

#include "imageio/formatgraphic.h"

namespace vt {

class TPSPGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPSPGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    // From the general image attributes.
    unsigned depth_ = 0;
    unsigned compression_ = 0;
    bool greyscale_ = false;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
