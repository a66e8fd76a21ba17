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

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// Paint Shop Pro run-length data: a control byte above 128 repeats the next
// byte (control - 128) times, one of 128 or less copies the next control
// bytes. Stops when packedSize input bytes are consumed or unpackedSize bytes
// are written; the pointers are advanced.
class TPSPRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: two bytes repeat one 127
    // times.
    static constexpr std::uint64_t kMaxExpansion = 64;
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;
};

class TPSPGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPSPGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

  private:
    // From the general image attributes.
    unsigned depth_ = 0;
    unsigned compression_ = 0;
    bool greyscale_ = false;
};

} // namespace vt
