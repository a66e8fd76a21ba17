#include "effects/picture.h"

namespace vt {

void TPicture::assign(const Bitmap& b) {
    bitmap_ = std::make_unique<Bitmap>(b);
    changed();
}

void TPicture::assign(Bitmap&& b) {
    bitmap_ = std::make_unique<Bitmap>(std::move(b));
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
