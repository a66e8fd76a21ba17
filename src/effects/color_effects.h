// The per-pixel pass of the photo view's effects (tone, noise, contrast,
// lightness, darkness, brightness, split light, grey scale or saturation,
// invert) and the noise picture it adds.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/bitmap.h"
#include "platform/random.h"

namespace vt {

struct ColorEffectParams {
    int posterize = 0;
    int solorize = 0;
    int contrast = 0;
    int lightness = 0;
    int darkness = 0;
    int brightness = 0;
    int splitlight = 0;
    int saturation = 0;
    bool grayScale = false;
    bool invert = false;
    bool operator==(const ColorEffectParams&) const = default;
};

// Round to the nearest integer, halves to the even one.
double RoundHalfEven(double x);

// Threads the pass runs on, each over a band of rows; 0 (the default) is
// one per core. The picture is the same on any number.
void SetRenderThreads(int threads);
int RenderThreads();
// Runs work(y0, y1) over `threads` bands of the rows [0, rows), the calling
// thread taking the first, and returns when every band is done.
void RunRowBands(int rows, int threads, const std::function<void(int, int)>& work);

// Writes the pass over src into dst, which must be a 24-bit bitmap of src's
// size; noise, if given, is a 24-bit bitmap of that size too. All arithmetic
// is exact integer arithmetic (64-bit where parameters are unbounded);
// per-channel steps run through tables built once per call.
void RenderColorEffects(const Bitmap& src, const Bitmap* noise, const ColorEffectParams& p,
                        Bitmap& dst);

// A 24-bit noise picture of width x height: rows from the top, pixels from
// the left; colour noise draws red, green and blue in that order, mono noise
// one sample for all three channels. A sample is clamp(r - strength div 2)
// with r drawn uniformly from [0, strength).
Bitmap MakeNoiseBitmap(int width, int height, int strength, bool mono,
                       Random& rng = Random::global());

} // namespace vt
