#include "effects/effect_sliders.h"

#include <algorithm>

namespace vt {

using E = TRaDuvirEngine;

const std::array<EffectSlider, 15> kEffectSliders = {{
    {"Antialias", 0, 50, 1, &E::PicAntiAlias, &E::setPicAntiAlias},
    {"Brightness", -255, 255, 32, &E::PicBrightness, &E::setPicBrightness},
    {"Color Noise", 0, 255, 16, &E::PicColorNoise, &E::setPicColorNoise},
    {"Contrast", -255, 255, 32, &E::PicContrast, &E::setPicContrast},
    {"Darkness", -255, 255, 32, &E::PicDarkness, &E::setPicDarkness},
    {"Gaussian Blur", 0, 50, 2, &E::PicGaussianBlur, &E::setPicGaussianBlur},
    {"Lightness", -255, 255, 32, &E::PicLightness, &E::setPicLightness},
    {"Mono Noise", 0, 255, 16, &E::PicMonoNoise, &E::setPicMonoNoise},
    {"Mosaic", 0, 50, 2, &E::PicMosaic, &E::setPicMosaic},
    {"Posterize", 0, 255, 16, &E::PicPosterize, &E::setPicPosterize},
    {"Saturation", -255, 255, 32, &E::PicSaturation, &E::setPicSaturation},
    {"Solorize", 0, 255, 16, &E::PicSolorize, &E::setPicSolorize},
    {"Split Blur", 0, 255, 16, &E::PicSplitBlur, &E::setPicSplitBlur},
    {"Split Light", 0, 10, 1, &E::PicSplitlight, &E::setPicSplitlight},
    {"Trace", 0, 10, 1, &E::PicTrace, &E::setPicTrace},
}};

const EffectSlider* EffectSliderOf(int code) {
    if (code < 0 || code >= int(kEffectSliders.size())) return nullptr;
    return &kEffectSliders[std::size_t(code)];
}

int SliderPositionFor(const EffectSlider& slider, int value) {
    return std::clamp(value, slider.min, slider.max);
}

} // namespace vt
