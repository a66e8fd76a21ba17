// The photo view's zoom: which photo pixel a screen pixel shows and where a
// photo pixel lies on the screen, at any scale, in exact integer arithmetic
// so that the painter, the marker and the pointer always agree on a pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace vt {

// A scale as the fraction num / den of device pixels per photo pixel.
struct ZoomScale {
    std::int64_t num = 1;
    std::int64_t den = 1;
    double factor() const { return double(num) / double(den); }
    bool operator==(const ZoomScale&) const = default;
};

// The zoom steps offered by zoom in and out: 1/16, 1/8 ... 1, 2 ... 16.
constexpr int kZoomStepCount = 9;
ZoomScale ZoomStep(int index);
constexpr int kZoomStep100 = 4;
// The next step above (or below) the given scale; the largest (smallest)
// step when there is none further.
ZoomScale ZoomStepAbove(ZoomScale s);
ZoomScale ZoomStepBelow(ZoomScale s);
// The largest scale at which a photo of width x height fits a view of
// viewWidth x viewHeight device pixels, never above 1 (a small photo is
// shown at 100 %) nor below the smallest step.
ZoomScale FitScale(int width, int height, int viewWidth, int viewHeight);
// "100 %", "12.5 %", "33.3 %": the zoom as the status bar names it.
std::string ZoomText(ZoomScale s);

// Photo pixels and device pixels of the view, with (0, 0) at the photo's
// top-left corner. A device pixel shows the photo pixel under its centre;
// the screen rectangle of a photo pixel is every device pixel that shows it
// (empty for pixels a reduced view skips).
class PhotoViewMapping {
  public:
    PhotoViewMapping() = default;
    PhotoViewMapping(ZoomScale scale, int photoWidth, int photoHeight);

    ZoomScale scale() const { return scale_; }
    // The photo pixel shown at device pixel s (may lie outside the photo).
    int toPhoto(int s) const;
    // The first device pixel that shows photo pixel p.
    int toScreen(int p) const;
    // The device pixels [toScreen(p), toScreenEnd(p)) show photo pixel p.
    int toScreenEnd(int p) const { return toScreen(p + 1); }
    // Size of the whole photo on the screen, in device pixels.
    int screenWidth() const { return toScreen(photoWidth_); }
    int screenHeight() const { return toScreen(photoHeight_); }

  private:
    ZoomScale scale_;
    int photoWidth_ = 0;
    int photoHeight_ = 0;
};

// Paints the device pixels [left, left + width) x [top, top + height) of
// the view of a 24-bit photo into out, one 0xffRRGGBB word per pixel, rows
// outStride words apart. An enlarged view repeats each photo pixel as a
// sharp square; a reduced one shows the mean of the photo pixels each device
// pixel covers, so that no detail flickers in and out as the view moves.
// Device pixels beyond the photo are left as they are.
void RenderViewRegion(const Bitmap& photo, const PhotoViewMapping& map, int left, int top,
                      int width, int height, std::uint32_t* out, std::size_t outStride);

} // namespace vt
