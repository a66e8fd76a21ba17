// Kodak Photo-CD pictures (.pcd): the 768 x 512 base resolution of an image
// pac (signature "PCD" at byte 2048) or of an overview file ("PCD_OPA" at
// byte 0), stored as PhotoYCC: two luminance rows followed by one half-width
// row of each chroma. The chroma is brought to full size by averaging
// neighbours; portrait pictures (rotation bits 1 or 3) are turned upright.
// The bitmap has 24 bits.
#pragma once

#include "imageio/formatgraphic.h"

namespace vt {

class TPCDGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPCDGraphic";
    // The resolution index LoadFromStream reads: 192 x 128 pixels scaled by
    // 2^index.
    static constexpr unsigned kBaseResolution = 2;

    bool AcceptsStream(TStream& stream) override;
    // imageIndex is the resolution index, 0 to 2 (192 x 128 to 768 x 512);
    // the larger ones are Huffman coded refinements this reader does not
    // read.
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  private:
    // Stream position of the first luminance row, relative to the base.
    std::uint64_t imageStart_ = 0;

  protected:
    std::string_view FormatWord() const override;
    unsigned HeaderIndex() const override { return kBaseResolution; }
    void ReadPixels(TStream& stream) override;
};

// Doubles a plane of width x height samples in both directions: new samples
// between two old ones are their rounded mean, those between four the
// rounded mean of the four; the last column and row repeat their
// neighbours. target holds 2 * width x 2 * height samples.
void UpsampleChroma(const std::uint8_t* source, std::size_t width, std::size_t height,
                    std::uint8_t* target);

} // namespace vt
