#include "effects/raduvir_engine.h"

#include <cstring>

namespace vt {

TRaDuvirEngine::TRaDuvirEngine() {
    pictureOriginal_.OnChange = [this] { PhotoChanged(); };
    picture_.OnChange = [this] { DisplayChanged(); };
}

void TRaDuvirEngine::setOnPictureChange(std::function<void()> handler) {
    if (handler)
        picture_.OnChange = std::move(handler);
    else
        picture_.OnChange = [this] { DisplayChanged(); };
}

Bitmap& TRaDuvirEngine::Canvas() {
    if (!picture_.hasGraphic()) picture_.assign(Bitmap(controlWidth(), controlHeight()));
    return *picture_.bitmap();
}

void TRaDuvirEngine::discardCaches() {
    NoiseBitmap.reset();
    EffectBitmap.reset();
}

void TRaDuvirEngine::ResetEffects() {
    discardCaches();
    if (pictureOriginal_.hasGraphic())
        picture_.assign(*pictureOriginal_.bitmap());
    else
        picture_.clear();
    Repaint();
}

void TRaDuvirEngine::PhotoChanged() {
    if (converting_) return;
    if (!pictureOriginal_.hasGraphic()) {
        picture_.clear();
        return;
    }
    // Every picture handed in is a bitmap; normalise it to 24 bits without
    // raising another change notification.
    converting_ = true;
    try {
        pictureOriginal_.bitmap()->setPixelFormat(PixelFormat::pf24bit);
    } catch (...) {
        converting_ = false;
        throw;
    }
    converting_ = false;
    picture_.assign(*pictureOriginal_.bitmap());
    discardCaches();
    RenderEffects();
}

void TRaDuvirEngine::RenderEffects() {
    const Bitmap* src = pictureOriginal_.bitmap();
    Bitmap* dst = picture_.bitmap();
    if (!src || !dst) return;
    // With every effect neutral the display picture is the photograph.
    if (dst->width() != src->width() || dst->height() != src->height() ||
        dst->pixelFormat() != PixelFormat::pf24bit)
        *dst = *src;
    else
        std::memcpy(dst->bits(), src->bits(), src->bytesPerLine() * std::size_t(src->height()));
    Repaint();
}

} // namespace vt
