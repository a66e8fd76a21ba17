// A picture that either holds a bitmap or nothing, and tells its owner when
// it changes. Two pictures may share one bitmap (the photo view shows the
// photograph as it was handed in without a copy of 72 MB): the first
// writable access of either takes a copy of its own.
#pragma once

#include <functional>
#include <memory>

#include "platform/bitmap.h"

namespace vt {

class TPicture {
  public:
    TPicture() = default;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // True when the picture holds a bitmap (a 0 x 0 bitmap counts).
    bool hasGraphic() const { return bitmap_ != nullptr; }
    // The held bitmap, or nullptr. The writable one is this picture's own.
    Bitmap* bitmap();
    const Bitmap* bitmap() const { return bitmap_.get(); }
    // The held bitmap, this picture's own, for a caller that overwrites
    // every pixel: a shared one is not copied first but replaced by one of
    // the same size and format whose pixels are unspecified.
    Bitmap* bitmapToOverwrite();
    // Whether the bitmap is shared with another picture.
    bool shared() const { return bitmap_ && bitmap_.use_count() > 1; }
    int width() const { return bitmap_ ? bitmap_->width() : 0; }
    int height() const { return bitmap_ ? bitmap_->height() : 0; }
    // True without a bitmap or with one of no pixels.
    bool empty() const { return !bitmap_ || bitmap_->empty(); }

    // Copies the bitmap in, then notifies.
    void assign(const Bitmap& b);
    void assign(Bitmap&& b);
    // Shows the other picture's bitmap without copying it, then notifies.
    void share(const TPicture& other);
    // Drops the bitmap, then notifies.
    void clear();
    // Notifies the owner that the bitmap was changed in place.
    void changed();

    // Change notification; set by the owner.
    std::function<void()> OnChange;

  private:
    std::shared_ptr<Bitmap> bitmap_;
};

} // namespace vt
