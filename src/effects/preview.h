// The small copy of a photograph that the effects dialog previews on.
#pragma once

#include "platform/bitmap.h"

namespace vt {

// Downsizes (or enlarges) a photograph to w x h pixels, the aspect ratio not
// kept: each target pixel is the mean of the source pixels it covers, so a
// preview of a large photo shows its colours rather than a sample of them.
Bitmap StretchedCopy(const Bitmap& photo, int w, int h);

} // namespace vt
