// SGI image files (.sgi, .rgb, .rgba, .bw): verbatim or run-length planes of
// 8 or 16-bit samples, rows stored bottom to top. Three channels give a
// 24-bit bitmap, four a 32-bit bitmap with alpha, any other count an 8-bit
// bitmap with a grey ramp from the first channel; 16-bit samples are scaled
// to 8 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// SGI run-length rows. 8-bit samples: a control byte whose low 7 bits count
// samples; 0 ends the row; with bit 7 set that many bytes follow and are
// copied, else one byte follows and is repeated. 16-bit samples: the same
// on 16-bit big-endian units (control and values). Stops at the end of the
// row, of the input or of the wanted bytes; both pointers are advanced.
class TSGIRLEDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: a repeat of 127 samples
    // takes 2 bytes (4 for 16-bit samples).
    static constexpr std::uint64_t kMaxExpansion = 64;

    // sampleSize in bits: 8 or 16.
    explicit TSGIRLEDecoder(unsigned sampleSize) : wide_(sampleSize == 16) {}
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    bool wide_;
};

class TSGIGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TSGIGraphic";
    // A 512-byte header with the magic 474 and sensible fields.
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

  private:
    // Reads the 512 header bytes into the properties; false when they are
    // no usable SGI header.
    static bool ParseHeader(const std::uint8_t* bytes, TImageProperties& p,
                            std::uint32_t& channels);
    std::uint32_t FChannels = 0; // as stored
};

} // namespace vt
