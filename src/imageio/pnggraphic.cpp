#include "imageio/pnggraphic.h"

#include "imageio/imageerrors.h"

namespace vt {

bool TPNGGraphic::AcceptsStream(TStream&) {
    return false;
}
bool TPNGGraphic::ReadHeader(TStream& stream, unsigned imageIndex) {
    return TFormatGraphic::ReadHeader(stream, imageIndex);
}
void TPNGGraphic::LoadFromStream(TStream&) {
    GraphicError(gesReaderNotAvailable, {"Portable network graphic images"});
}

} // namespace vt
