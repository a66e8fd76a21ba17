// JPEG files through libjpeg: colour images become 24-bit bitmaps, greyscale
// ones 8-bit bitmaps with a grey palette. libjpeg's errors throw
// EInvalidGraphic with libjpeg's message; its warnings go to ShowWarning and
// decoding goes on.
#pragma once

#include "imageio/formatgraphic.h"

namespace vt {

class TJPEGImage : public TGraphic {
  public:
    static constexpr const char* ClassName = "TJPEGImage";
    void LoadFromStream(TStream& stream) override;
    const TImageProperties* ImageProperties() const override { return &FImageProperties; }

  private:
    TImageProperties FImageProperties;
};

} // namespace vt
