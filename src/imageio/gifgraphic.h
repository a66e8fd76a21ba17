// CompuServe GIF files: the first image of the file, as an 8-bit bitmap with
// the local colour table, else the global one. Extension blocks are skipped;
// interlaced rows are put back in order. Image data that ends early leaves
// the rest of the picture at colour 0; a file whose trailer comes before any
// image loads as an empty bitmap.
#pragma once

#include <array>
#include <cstdint>

#include "imageio/decoders.h"
#include "imageio/formatgraphic.h"

namespace vt {

// GIF's LZW: codes least significant bit first, starting one bit wider than
// the initial code size; Clear = 2^initial size, End = Clear + 1. The width
// grows (up to 12 bits) when the entry just added is 2^width - 1; a full
// table of 4096 entries takes no more until a Clear. End, and a code the
// table does not hold yet, drop the bits left of the current input byte and
// decoding goes on with the next. Every call decodes one image from scratch
// and stops when the input or the wanted output is used up; both pointers
// are advanced.
class TGIFLZWDecoder : public TDecoder {
  public:
    // Most output bytes one input byte can make: a 12-bit code stands for
    // at most 4093 bytes (code size 1).
    static constexpr std::uint64_t kMaxExpansion = 2729;

    // initialCodeSize: the byte before the image data, 1 to 11.
    explicit TGIFLZWDecoder(unsigned initialCodeSize) : initial_(initialCodeSize) {}
    void Decode(const std::uint8_t*& source, std::uint8_t*& dest, std::size_t packedSize,
                std::size_t unpackedSize) override;

  private:
    unsigned initial_;
    // Every string of the table (codes above End) also stands in the output
    // of the current call; it is copied from there. Each entry: offset << 16
    // | length.
    std::array<std::uint64_t, 4096> strings_{};
};

class TGIFGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TGIFGraphic";
    // "GIF" (any case) and a screen descriptor.
    bool AcceptsStream(TStream& stream) override;
    // Reads up to the first image descriptor (or the trailer, which leaves
    // the size 0).
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;

  private:
    std::uint64_t FGlobalTable = 0;   // stream position of the global colour table
    std::uint32_t FGlobalEntries = 0; // its entries (0: none)
    std::uint64_t FImageData = 0;     // position after the image descriptor
    std::uint32_t FLocalEntries = 0;  // entries of the local colour table
};

} // namespace vt
