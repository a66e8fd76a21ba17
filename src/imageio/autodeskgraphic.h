// Autodesk Animator pictures (.cel, .pic): a 32-byte header, a palette of
// 256 entries whose 6-bit components are multiplied by 4, and uncompressed
// rows of 8-bit indexes from top to bottom. The bitmap has 8 bits with the
// file's palette.
#pragma once

#include "imageio/formatgraphic.h"

namespace vt {

class TAutodeskGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TAutodeskGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;

  protected:
    std::string_view FormatWord() const override;
    void ReadPixels(TStream& stream) override;
};

} // namespace vt
