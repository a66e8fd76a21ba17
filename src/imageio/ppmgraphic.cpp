#include "imageio/ppmgraphic.h"

#include "imageio/imageerrors.h"

namespace vt {

bool TPPMGraphic::AcceptsStream(TStream&) {
    return false;
}
bool TPPMGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    return TFormatGraphic::ReadHeader(stream, imageIndex);
}
void TPPMGraphic::LoadFromStream(TStream&) {
    GraphicError(gesReaderNotAvailable, {"Portable map images"});
}

} // namespace vt
