#include "imageio/jpegimage.h"

#include "imageio/imageerrors.h"

namespace vt {

void TJPEGImage::LoadFromStream(TStream&) {
    GraphicError(gesReaderNotAvailable, {"JPG images"});
}

} // namespace vt
