// The photo view's engine: holds the photograph as handed in
// (PictureOriginal, always 24 bits) and the display picture (Picture) that is
// shown, repaired, painted and stored, and renders the whole-image effects
// from the one into the other. The on-screen control derives from it and
// only paints Picture.
#pragma once

#include <functional>
#include <memory>

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

    // The display picture.
    TPicture& Picture() { return picture_; }
    const TPicture& Picture() const { return picture_; }

    // The display picture's bitmap for single-pixel work. Without a picture
    // a blank bitmap of the control's size is put in first.
    Bitmap& Canvas();

    // Every effect off, caches dropped, PictureOriginal copied into Picture,
    // repaint.
    void ResetEffects();

    // Runs whenever PictureOriginal changes.
    void PhotoChanged();

    // The render pass: Picture re-rendered from PictureOriginal (or from the
    // cached geometric effect) with every current parameter.
    void RenderEffects();

    // Lets the owner take over the display picture's change notification.
    void setOnPictureChange(std::function<void()> handler);

    bool Converting() const { return converting_; }

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
    TPicture pictureOriginal_;
    TPicture picture_;
    bool converting_ = false;
};

} // namespace vt
