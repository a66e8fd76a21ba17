// A picture that either holds a bitmap or nothing, and tells its owner when
// it changes.
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
    // The held bitmap, or nullptr.
    Bitmap* bitmap() { return bitmap_.get(); }
    const Bitmap* bitmap() const { return bitmap_.get(); }
    int width() const { return bitmap_ ? bitmap_->width() : 0; }
    int height() const { return bitmap_ ? bitmap_->height() : 0; }
    // True without a bitmap or with one of no pixels.
    bool empty() const { return !bitmap_ || bitmap_->empty(); }

    // Copies the bitmap in, then notifies.
    void assign(const Bitmap& b);
    void assign(Bitmap&& b);
    // Drops the bitmap, then notifies.
    void clear();
    // Notifies the owner that the bitmap was changed in place.
    void changed();

    // Change notification; set by the owner.
    std::function<void()> OnChange;

  private:
    std::unique_ptr<Bitmap> bitmap_;
};

} // namespace vt
