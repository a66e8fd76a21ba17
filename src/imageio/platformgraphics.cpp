#include "imageio/platformgraphics.h"

#include "imageio/imageerrors.h"

namespace vt {

void TBitmapGraphic::LoadFromStream(TStream&) {
    GraphicError(gesReaderNotAvailable, {"Windows bitmaps"});
}
void TIconGraphic::LoadFromStream(TStream&) {
    GraphicError(gesReaderNotAvailable, {"Windows icons"});
}
void TMetafileGraphic::LoadFromStream(TStream&) {
    GraphicError(gesMetafileNotSupported);
}

} // namespace vt
