#include "effects/raduvir_engine.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "effects/geometric_effects.h"

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

void TRaDuvirEngine::resetParameters() {
    color_ = ColorEffectParams{};
    colorNoise_ = monoNoise_ = 0;
    clearGeometric();
    tileW_ = tileH_ = 0;
    discardCaches();
}

void TRaDuvirEngine::ResetEffects(Bitmap&& display) {
    resetParameters();
    picture_.assign(std::move(display));
    rendered();
    Repaint();
}

void TRaDuvirEngine::ForgetPhotograph() {
    // Not a new photograph: the display picture must not follow.
    converting_ = true;
    pictureOriginal_.assign(Bitmap(0, 0));
    converting_ = false;
    discardCaches();
}

void TRaDuvirEngine::ResetEffects() {
    resetParameters();
    if (pictureOriginal_.hasGraphic())
        picture_.share(pictureOriginal_);
    else
        picture_.clear();
    rendered();
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
    picture_.share(pictureOriginal_);
    discardCaches();
    // The tile size belongs to the photograph it was chosen for.
    tileW_ = tileH_ = 0;
    if (neutral()) {
        // The photograph itself is the render: shown without a copy until
        // something paints into it.
        ++renderCount_;
        rendered();
        Repaint();
    } else {
        RenderEffects();
    }
    if (onPhotograph_) onPhotograph_();
}

void TRaDuvirEngine::ShowPhotograph(Bitmap&& b) {
    resetParameters();
    pictureOriginal_.assign(std::move(b));
}

bool TRaDuvirEngine::neutral() const {
    return color_ == ColorEffectParams{} && colorNoise_ == 0 && monoNoise_ == 0 && !anyGeometric();
}

bool TRaDuvirEngine::anyGeometric() const {
    return emboss_ || mosaic_ > 0 || splitBlur_ > 0 || gaussianBlur_ > 0 || antiAlias_ > 0 ||
           trace_ > 0 || tile_ > 0;
}

void TRaDuvirEngine::clearGeometric() {
    emboss_ = false;
    mosaic_ = splitBlur_ = gaussianBlur_ = antiAlias_ = trace_ = tile_ = 0;
}

void TRaDuvirEngine::buildEffectBitmap() {
    const Bitmap& original = *std::as_const(pictureOriginal_).bitmap();
    auto effect = std::make_unique<Bitmap>(original.convertedTo24());
    if (emboss_) {
        EmbossEffect(*effect);
    } else if (mosaic_ > 0) {
        MosaicEffect(*effect, mosaic_);
    } else if (splitBlur_ > 0) {
        SplitBlurEffect(*effect, splitBlur_);
    } else if (gaussianBlur_ > 0) {
        GaussianBlurEffect(*effect, gaussianBlur_);
    } else if (antiAlias_ > 0) {
        AntiAliasEffect(*effect, antiAlias_);
    } else if (trace_ > 0) {
        TraceEffect(*effect, trace_);
    } else if (tile_ > 0) {
        // A photograph handed in after the setter gets its tile size now,
        // by the setter's rule; one too small to tile stays as it is.
        if (tileW_ <= 0 || tileH_ <= 0) {
            int w = 0, h = 0;
            if (TileSizeFor(tile_, original.width(), original.height(), w, h) > 0) {
                tileW_ = w;
                tileH_ = h;
            }
        }
        // The tile is shrunk from the fresh copy before any tile is drawn.
        if (tileW_ > 0 && tileH_ > 0) TileEffect(*effect, *effect, tileW_, tileH_);
    }
    EffectBitmap = std::move(effect);
}

void TRaDuvirEngine::buildNoiseBitmap() {
    const Bitmap& original = *std::as_const(pictureOriginal_).bitmap();
    const bool mono = colorNoise_ <= 0;
    NoiseBitmap = std::make_unique<Bitmap>(MakeNoiseBitmap(original.width(), original.height(),
                                                           mono ? monoNoise_ : colorNoise_, mono));
}

void TRaDuvirEngine::geometricChanged(bool active) {
    if (active && pictureOriginal_.hasGraphic())
        buildEffectBitmap();
    else
        EffectBitmap.reset();
}

void TRaDuvirEngine::noiseChanged() {
    if ((colorNoise_ > 0 || monoNoise_ > 0) && pictureOriginal_.hasGraphic())
        buildNoiseBitmap();
    else
        NoiseBitmap.reset();
}

// --- colour parameters -----------------------------------------------------

void TRaDuvirEngine::setPicBrightness(int v) {
    if (v == color_.brightness) return;
    color_.brightness = std::clamp(v, -255, 255);
    RenderEffects();
}

void TRaDuvirEngine::setPicContrast(int v) {
    if (v == color_.contrast) return;
    color_.contrast = std::max(v, -255);
    RenderEffects();
}

void TRaDuvirEngine::setPicGrayScale(bool v) {
    if (v == color_.grayScale) return;
    color_.grayScale = v;
    RenderEffects();
}

void TRaDuvirEngine::setPicLightness(int v) {
    if (v == color_.lightness) return;
    color_.lightness = std::min(v, 255);
    RenderEffects();
}

void TRaDuvirEngine::setPicDarkness(int v) {
    if (v == color_.darkness) return;
    color_.darkness = std::min(v, 255);
    RenderEffects();
}

void TRaDuvirEngine::setPicSaturation(int v) {
    if (v == color_.saturation) return;
    color_.saturation = std::max(v, -255);
    RenderEffects();
}

void TRaDuvirEngine::setPicSplitlight(int v) {
    if (v == color_.splitlight) return;
    color_.splitlight = std::clamp(v, 0, 10);
    RenderEffects();
}

void TRaDuvirEngine::setPicInvert(bool v) {
    if (v == color_.invert) return;
    color_.invert = v;
    RenderEffects();
}

// --- tone ------------------------------------------------------------------

void TRaDuvirEngine::setPicPosterize(int v) {
    if (v == color_.posterize) return;
    color_.posterize = std::max(v, 0);
    color_.solorize = 0;
    RenderEffects();
}

void TRaDuvirEngine::setPicSolorize(int v) {
    if (v == color_.solorize) return;
    color_.solorize = std::clamp(v, 0, 255);
    color_.posterize = 0;
    RenderEffects();
}

// --- noise -----------------------------------------------------------------

void TRaDuvirEngine::setPicColorNoise(int v) {
    if (v == colorNoise_) return;
    colorNoise_ = std::max(v, 0);
    monoNoise_ = 0;
    noiseChanged();
    RenderEffects();
}

void TRaDuvirEngine::setPicMonoNoise(int v) {
    if (v == monoNoise_) return;
    monoNoise_ = std::max(v, 0);
    colorNoise_ = 0;
    noiseChanged();
    RenderEffects();
}

// --- geometric effects -----------------------------------------------------

void TRaDuvirEngine::setPicEmboss(bool v) {
    if (v == emboss_) return;
    clearGeometric();
    emboss_ = v;
    geometricChanged(emboss_);
    RenderEffects();
}

void TRaDuvirEngine::setPicMosaic(int v) {
    if (v == mosaic_) return;
    int stored = std::max(v, 0);
    if (stored > 0 && pictureOriginal_.hasGraphic())
        stored = std::min(stored, std::max(pictureOriginal_.width(), pictureOriginal_.height()));
    clearGeometric();
    mosaic_ = stored;
    geometricChanged(mosaic_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::setPicSplitBlur(int v) {
    if (v == splitBlur_) return;
    clearGeometric();
    splitBlur_ = std::clamp(v, 0, 255);
    geometricChanged(splitBlur_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::setPicGaussianBlur(int v) {
    if (v == gaussianBlur_) return;
    clearGeometric();
    gaussianBlur_ = std::clamp(v, 0, 50);
    geometricChanged(gaussianBlur_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::setPicAntiAlias(int v) {
    if (v == antiAlias_) return;
    clearGeometric();
    antiAlias_ = std::clamp(v, 0, 50);
    geometricChanged(antiAlias_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::setPicTrace(int v) {
    if (v == trace_) return;
    clearGeometric();
    trace_ = std::clamp(v, 0, 10);
    geometricChanged(trace_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::setPicTile(int v) {
    if (v == tile_) return;
    int stored = 0;
    tileW_ = tileH_ = 0;
    if (v > 0) {
        stored = v;
        if (pictureOriginal_.hasGraphic())
            stored =
                TileSizeFor(v, pictureOriginal_.width(), pictureOriginal_.height(), tileW_, tileH_);
    }
    clearGeometric();
    tile_ = stored;
    geometricChanged(tile_ > 0);
    RenderEffects();
}

void TRaDuvirEngine::CopyEffectsFrom(const TRaDuvirEngine& source) {
    setPicAntiAlias(source.PicAntiAlias());
    setPicBrightness(source.PicBrightness());
    setPicColorNoise(source.PicColorNoise());
    setPicContrast(source.PicContrast());
    setPicDarkness(source.PicDarkness());
    setPicGaussianBlur(source.PicGaussianBlur());
    setPicLightness(source.PicLightness());
    setPicMonoNoise(source.PicMonoNoise());
    setPicMosaic(source.PicMosaic());
    setPicPosterize(source.PicPosterize());
    setPicSaturation(source.PicSaturation());
    setPicSolorize(source.PicSolorize());
    setPicSplitBlur(source.PicSplitBlur());
    setPicSplitlight(source.PicSplitlight());
    setPicTrace(source.PicTrace());
    setPicMosaic(source.PicMosaic());
    setPicEmboss(source.PicEmboss());
    setPicGrayScale(source.PicGrayScale());
    setPicInvert(source.PicInvert());
    RenderEffects();
}

// --- render pass -----------------------------------------------------------

void TRaDuvirEngine::RenderEffects() {
    const Bitmap* original = std::as_const(pictureOriginal_).bitmap();
    if (!original || !picture_.hasGraphic()) return;
    // Every pixel is written below: a display picture that still shows the
    // photograph itself gets pixels of its own, not a copy first.
    Bitmap* dst = picture_.bitmapToOverwrite();
    ++renderCount_;
    const int w = original->width(), h = original->height();
    auto sameSize = [&](const Bitmap& b) {
        return b.width() == w && b.height() == h && b.pixelFormat() == PixelFormat::pf24bit;
    };

    // Noise, kept until its setting changes or a new photograph arrives.
    const Bitmap* noise = nullptr;
    if (colorNoise_ > 0 || monoNoise_ > 0) {
        if (!NoiseBitmap || !sameSize(*NoiseBitmap)) buildNoiseBitmap();
        noise = NoiseBitmap.get();
    }

    // Source: the cached geometric effect, or the photograph itself.
    std::unique_ptr<Bitmap> converted;
    const Bitmap* source = original;
    if (anyGeometric()) {
        if (!EffectBitmap || !sameSize(*EffectBitmap)) buildEffectBitmap();
        source = EffectBitmap.get();
    } else if (original->pixelFormat() != PixelFormat::pf24bit) {
        converted = std::make_unique<Bitmap>(original->convertedTo24());
        source = converted.get();
    }

    // The display picture may have been replaced by one of another size or
    // format (a repair result, a blank canvas): it gets the photograph's.
    if (!sameSize(*dst)) *dst = Bitmap(w, h);
    RenderColorEffects(*source, noise, color_, *dst);
    rendered();
    Repaint();
}

} // namespace vt
