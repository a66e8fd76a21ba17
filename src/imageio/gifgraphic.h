// CompuServe GIF files: the first image of the file, as an 8-bit bitmap with
// the local colour table, else the global one. Extension blocks are skipped;
// interlaced rows are put back in order. Image data that ends early leaves
// the rest of the picture at colour 0; a file whose trailer comes before any
// image loads as an empty bitmap.
#pragma once

#include <array>
#include <cstdint>

#include "imageio/formatgraphic.h"

namespace vt {

class TGIFGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TGIFGraphic";
    // "GIF" (any case) and a screen descriptor.
    bool AcceptsStream(TStream& stream) override;
    // Reads up to the first image descriptor (or the trailer, which leaves
    // the size 0).
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    std::uint64_t FGlobalTable = 0;   // stream position of the global colour table
    std::uint32_t FGlobalEntries = 0; // its entries (0: none)
    std::uint64_t FImageData = 0;     // position after the image descriptor
    std::uint32_t FLocalEntries = 0;  // entries of the local colour table

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
