#include "effects/picture.h"

namespace vt {

Bitmap* TPicture::bitmap() {
    if (shared()) bitmap_ = std::make_shared<Bitmap>(*bitmap_);
    return bitmap_.get();
}

Bitmap* TPicture::bitmapToOverwrite() {
    if (shared()) {
        const Bitmap& b = *bitmap_;
        auto own =
            std::make_shared<Bitmap>(b.width(), b.height(), b.pixelFormat(), Bitmap::NoClear{});
        if (!b.palette().empty()) own->setPalette(b.palette());
        bitmap_ = std::move(own);
    }
    return bitmap_.get();
}

void TPicture::assign(const Bitmap& b) {
    bitmap_ = std::make_shared<Bitmap>(b);
    changed();
}

void TPicture::assign(Bitmap&& b) {
    bitmap_ = std::make_shared<Bitmap>(std::move(b));
    changed();
}

void TPicture::share(const TPicture& other) {
    bitmap_ = other.bitmap_;
    changed();
}

void TPicture::clear() {
    bitmap_.reset();
    changed();
}

void TPicture::changed() {
    if (OnChange) OnChange();
}

} // namespace vt
