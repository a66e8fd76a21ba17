// Portable Network Graphics files.
#pragma once

#include <cstdint>
#include <vector>

#include "imageio/formatgraphic.h"

namespace vt {

class TPNGGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPNGGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;
};

} // namespace vt
