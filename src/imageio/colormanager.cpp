#include "imageio/colormanager.h"

#include "imageio/imageerrors.h"

namespace vt {

TColorManager::TColorManager() {
    buildGammaTable();
}

void TColorManager::SetSourceBitsPerSample(std::uint8_t bits) {
    if (bits == 0 || bits > 16) throw EColorConversionError(gesInvalidSampleDepth);
    if (sourceBPS_ != bits) changed_ = true;
    sourceBPS_ = bits;
}
void TColorManager::SetTargetBitsPerSample(std::uint8_t bits) {
    if (bits == 0 || bits > 16) throw EColorConversionError(gesInvalidSampleDepth);
    if (targetBPS_ != bits) changed_ = true;
    targetBPS_ = bits;
}
void TColorManager::SetSourceSamplesPerPixel(std::uint8_t samples) {
    if (samples == 0 || samples > 4) throw EColorConversionError(gesInvalidPixelDepth);
    if (sourceSPP_ != samples) changed_ = true;
    sourceSPP_ = samples;
}
void TColorManager::SetTargetSamplesPerPixel(std::uint8_t samples) {
    if (samples == 0 || samples > 4) throw EColorConversionError(gesInvalidPixelDepth);
    if (targetSPP_ != samples) changed_ = true;
    targetSPP_ = samples;
}
void TColorManager::SetSourceColorScheme(TColorModel model) {
    if (sourceScheme_ != model) changed_ = true;
    sourceScheme_ = model;
}
void TColorManager::SetTargetColorScheme(TColorModel model) {
    if (targetScheme_ != model) changed_ = true;
    targetScheme_ = model;
}
void TColorManager::SetSourceOptions(TConvertOptions options) {
    if (!(sourceOptions_ == options)) changed_ = true;
    sourceOptions_ = options;
}
void TColorManager::SetTargetOptions(TConvertOptions options) {
    if (!(targetOptions_ == options)) changed_ = true;
    targetOptions_ = options;
}

void TColorManager::SetGammaValues(float display, float main) {
    mainGamma_ = main <= 0 ? 1.0f : main;
    displayGamma_ = display <= 0 ? 2.2f : display;
    buildGammaTable();
    changed_ = true;
}

void TColorManager::SetYCbCrSetup(std::span<const float> coefficients, std::uint8_t horizontal,
                                  std::uint8_t vertical) {
    auto valid = [](std::uint8_t v) { return v == 1 || v == 2 || v == 4; };
    if (!valid(horizontal) || !valid(vertical)) throw EColorConversionError(gesInvalidSubSampling);
    if (vertical > horizontal) throw EColorConversionError(gesVerticalSubSamplingError);
    for (std::size_t i = 0; i < coefficients.size() && i < 3; ++i)
        yCbCrCoefficients_[i] = coefficients[i];
    subsampling_ = {horizontal, vertical};
    changed_ = true;
}

std::optional<PixelFormat> TColorManager::PixelFormatFor() const {
    return std::nullopt;
}

std::vector<TColor> TColorManager::MakeGreyPalette(bool) const {
    return {};
}

std::vector<TColor> TColorManager::MakeFilePalette(std::span<const std::uint8_t* const>,
                                                   TPaletteLayout, std::size_t,
                                                   TPaletteOptions) const {
    return {};
}

void TColorManager::ConvertLine(std::span<const std::uint8_t* const>, std::uint8_t, std::size_t,
                                std::uint8_t*) {
    throw EColorConversionError(gesConversionUnsupported);
}

void TColorManager::buildGammaTable() {}

} // namespace vt
