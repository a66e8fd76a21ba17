// The photo view's engine: holds the photograph as handed in
// (PictureOriginal, always 24 bits) and the display picture (Picture) that is
// shown, repaired, painted and stored, and renders the whole-image effects
// from the one into the other. The on-screen control derives from it and
// only paints Picture.
#pragma once

#include <functional>
#include <memory>

#include "effects/color_effects.h"
#include "effects/picture.h"

namespace vt {

class TRaDuvirEngine {
  public:
    TRaDuvirEngine();
    virtual ~TRaDuvirEngine() = default;
    TRaDuvirEngine(const TRaDuvirEngine&) = delete;
    TRaDuvirEngine& operator=(const TRaDuvirEngine&) = delete;

    // The photograph as handed in. Assigning to it runs PhotoChanged.
    TPicture& PictureOriginal() { return pictureOriginal_; }
    const TPicture& PictureOriginal() const { return pictureOriginal_; }
    // Copies b into PictureOriginal (the caller keeps its own).
    void setPictureOriginal(const Bitmap& b) { pictureOriginal_.assign(b); }
    // Hands the bitmap over instead of copying it.
    void setPictureOriginal(Bitmap&& b) { pictureOriginal_.assign(std::move(b)); }
    // Empties PictureOriginal and leaves the display picture as it is: the
    // view keeps showing what it showed, but holds no photograph.
    void ForgetPhotograph();

    // The display picture.
    TPicture& Picture() { return picture_; }
    const TPicture& Picture() const { return picture_; }

    // The display picture's bitmap for single-pixel work. Without a picture
    // a blank bitmap of the control's size is put in first.
    Bitmap& Canvas();

    // Every effect off, caches dropped, PictureOriginal copied into Picture,
    // repaint.
    void ResetEffects();
    // The same, with the given bitmap as the display picture instead of a
    // copy of PictureOriginal (a repaired photograph, say).
    void ResetEffects(Bitmap&& display);

    // A new photograph shown as it is: every effect off, the bitmap handed
    // over as PictureOriginal and one copy of it as the display picture.
    // The same as assigning PictureOriginal and then ResetEffects, without
    // rendering the old effects on the new photograph or copying it twice.
    void ShowPhotograph(Bitmap&& b);

    // Runs whenever PictureOriginal changes.
    void PhotoChanged();

    // The render pass: Picture re-rendered from PictureOriginal (or from the
    // cached geometric effect) with every current parameter.
    void RenderEffects();

    // Lets the owner take over the display picture's change notification.
    void setOnPictureChange(std::function<void()> handler);
    // Runs whenever the display picture is rendered anew (effects set or
    // reset, a photograph or a repaired picture handed in): whatever was
    // painted into the old one is gone.
    void setOnRendered(std::function<void()> handler) { onRendered_ = std::move(handler); }
    // Runs after a new photograph was handed in and rendered.
    void setOnPhotograph(std::function<void()> handler) { onPhotograph_ = std::move(handler); }

    bool Converting() const { return converting_; }

    // Effect parameters. A setter given the value already stored does
    // nothing; otherwise it limits the value to its range, stores it, clears
    // the other members of its group (tone, noise, geometric), rebuilds or
    // drops the noise or geometric-effect cache, and renders once.
    int PicBrightness() const { return color_.brightness; }
    void setPicBrightness(int v); // -255..255
    int PicContrast() const { return color_.contrast; }
    void setPicContrast(int v); // >= -255
    bool PicGrayScale() const { return color_.grayScale; }
    void setPicGrayScale(bool v);
    int PicLightness() const { return color_.lightness; }
    void setPicLightness(int v); // <= 255
    int PicDarkness() const { return color_.darkness; }
    void setPicDarkness(int v); // <= 255
    int PicSaturation() const { return color_.saturation; }
    void setPicSaturation(int v); // >= -255
    int PicSplitlight() const { return color_.splitlight; }
    void setPicSplitlight(int v); // 0..10
    bool PicInvert() const { return color_.invert; }
    void setPicInvert(bool v);
    int PicColorNoise() const { return colorNoise_; }
    void setPicColorNoise(int v); // >= 0
    int PicMonoNoise() const { return monoNoise_; }
    void setPicMonoNoise(int v); // >= 0
    int PicPosterize() const { return color_.posterize; }
    void setPicPosterize(int v); // >= 0
    int PicSolorize() const { return color_.solorize; }
    void setPicSolorize(int v); // 0..255
    bool PicEmboss() const { return emboss_; }
    void setPicEmboss(bool v);
    int PicMosaic() const { return mosaic_; }
    void setPicMosaic(int v); // 0..max(width, height) of the photograph
    int PicSplitBlur() const { return splitBlur_; }
    void setPicSplitBlur(int v); // 0..255
    int PicGaussianBlur() const { return gaussianBlur_; }
    void setPicGaussianBlur(int v); // 0..50
    int PicAntiAlias() const { return antiAlias_; }
    void setPicAntiAlias(int v); // 0..50
    int PicTrace() const { return trace_; }
    void setPicTrace(int v); // 0..10
    int PicTile() const { return tile_; }
    void setPicTile(int v); // >= 0, see TileSizeFor

    // Gives this control the effect parameters of source through its own
    // setters (every one but PicTile), then renders once more.
    void CopyEffectsFrom(const TRaDuvirEngine& source);

    // Number of render passes run so far (passes that found both pictures).
    int renderCount() const { return renderCount_; }

  protected:
    // Size of the control, used by Canvas for an empty display picture.
    virtual int controlWidth() const { return 105; }
    virtual int controlHeight() const { return 105; }
    // Asks the control to paint itself again.
    virtual void Repaint() {}
    // The control's own handling of a change of the display picture, used
    // while the owner has not taken the notification over.
    virtual void DisplayChanged() { Repaint(); }

    // Drops the cached noise and geometric-effect bitmaps.
    void discardCaches();

    std::unique_ptr<Bitmap> NoiseBitmap;
    std::unique_ptr<Bitmap> EffectBitmap;

  private:
    std::function<void()> onRendered_;
    std::function<void()> onPhotograph_;
    void rendered() {
        if (onRendered_) onRendered_();
    }
    bool anyGeometric() const;
    // Every effect parameter neutral: a render pass would copy the
    // photograph.
    bool neutral() const;
    // Clears every geometric parameter (no render).
    void clearGeometric();
    // Every effect parameter neutral, the caches dropped.
    void resetParameters();
    // After a geometric setter: a fresh effect bitmap when active is true
    // and there is a photograph, none otherwise.
    void geometricChanged(bool active);
    // After a noise setter: a fresh noise bitmap for a value above 0 when
    // there is a photograph, none otherwise.
    void noiseChanged();
    // EffectBitmap <- the photograph with the active geometric effect.
    void buildEffectBitmap();
    void buildNoiseBitmap();

    TPicture pictureOriginal_;
    TPicture picture_;
    bool converting_ = false;

    ColorEffectParams color_;
    int colorNoise_ = 0;
    int monoNoise_ = 0;
    bool emboss_ = false;
    int mosaic_ = 0;
    int splitBlur_ = 0;
    int gaussianBlur_ = 0;
    int antiAlias_ = 0;
    int trace_ = 0;
    int tile_ = 0;
    // Tile size fixed by the tile setter for the current photograph; a new
    // photograph has none until the effect is built for it.
    int tileW_ = 0;
    int tileH_ = 0;
    int renderCount_ = 0;
};

} // namespace vt
