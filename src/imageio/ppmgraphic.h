// Portable bitmap, grey map and pixel map files (P1 to P6).
#pragma once

#include "imageio/formatgraphic.h"

namespace vt {

class TPPMGraphic : public TFormatGraphic {
  public:
    static constexpr const char* ClassName = "TPPMGraphic";
    bool AcceptsStream(TStream& stream) override;
    bool ReadHeader(TStream& stream, unsigned imageIndex) override;
    void LoadFromStream(TStream& stream) override;
};

} // namespace vt
