// The effects dialog's table of slider effects, and the preview's scaling
// of a photograph (checked against ImageMagick's area-averaging scale).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "effects/effect_sliders.h"
#include "effects/preview.h"
#include "imageio/fileformatlist.h"

using namespace vt;

TEST(EffectSliders, CodesNamesRangesAndTicks) {
    struct Row {
        const char* name;
        int min, max, tick;
    };
    const Row want[] = {
        {"Antialias", 0, 50, 1},      {"Brightness", -255, 255, 32}, {"Color Noise", 0, 255, 16},
        {"Contrast", -255, 255, 32},  {"Darkness", -255, 255, 32},   {"Gaussian Blur", 0, 50, 2},
        {"Lightness", -255, 255, 32}, {"Mono Noise", 0, 255, 16},    {"Mosaic", 0, 50, 2},
        {"Posterize", 0, 255, 16},    {"Saturation", -255, 255, 32}, {"Solorize", 0, 255, 16},
        {"Split Blur", 0, 255, 16},   {"Split Light", 0, 10, 1},     {"Trace", 0, 10, 1}};
    ASSERT_EQ(kEffectSliders.size(), std::size(want));
    for (std::size_t code = 0; code < kEffectSliders.size(); ++code) {
        SCOPED_TRACE(want[code].name);
        EXPECT_STREQ(kEffectSliders[code].name, want[code].name);
        EXPECT_EQ(kEffectSliders[code].min, want[code].min);
        EXPECT_EQ(kEffectSliders[code].max, want[code].max);
        EXPECT_EQ(kEffectSliders[code].tickFrequency, want[code].tick);
        if (code > 0) {
            EXPECT_LT(std::string(kEffectSliders[code - 1].name), kEffectSliders[code].name);
        }
        EXPECT_EQ(EffectSliderOf(int(code)), &kEffectSliders[code]);
    }
    EXPECT_EQ(EffectSliderOf(-1), nullptr);
    EXPECT_EQ(EffectSliderOf(15), nullptr);
}

TEST(EffectSliders, EachCodeDrivesItsOwnParameter) {
    // Set through the table, read back through the named getters.
    using Getter = int (TRaDuvirEngine::*)() const;
    const Getter named[] = {&TRaDuvirEngine::PicAntiAlias,  &TRaDuvirEngine::PicBrightness,
                            &TRaDuvirEngine::PicColorNoise, &TRaDuvirEngine::PicContrast,
                            &TRaDuvirEngine::PicDarkness,   &TRaDuvirEngine::PicGaussianBlur,
                            &TRaDuvirEngine::PicLightness,  &TRaDuvirEngine::PicMonoNoise,
                            &TRaDuvirEngine::PicMosaic,     &TRaDuvirEngine::PicPosterize,
                            &TRaDuvirEngine::PicSaturation, &TRaDuvirEngine::PicSolorize,
                            &TRaDuvirEngine::PicSplitBlur,  &TRaDuvirEngine::PicSplitlight,
                            &TRaDuvirEngine::PicTrace};
    for (std::size_t code = 0; code < kEffectSliders.size(); ++code) {
        SCOPED_TRACE(kEffectSliders[code].name);
        TRaDuvirEngine e;
        Bitmap photo(30, 20);
        photo.fill(RGBColor(100, 120, 140));
        e.setPictureOriginal(photo);
        (e.*(kEffectSliders[code].set))(7);
        EXPECT_EQ((e.*named[code])(), 7);
        EXPECT_EQ((e.*(kEffectSliders[code].get))(), 7);
        // No other parameter of the table moved.
        for (std::size_t other = 0; other < kEffectSliders.size(); ++other) {
            if (other == code) continue;
            EXPECT_EQ((e.*named[other])(), 0) << kEffectSliders[other].name;
        }
    }
}

TEST(EffectSliders, ValuesOutsideTheRangeShowAtTheNearerEnd) {
    const EffectSlider& trace = *EffectSliderOf(14);
    EXPECT_EQ(SliderPositionFor(trace, 5), 5);
    EXPECT_EQ(SliderPositionFor(trace, 40), 10);
    EXPECT_EQ(SliderPositionFor(trace, -3), 0);
    const EffectSlider& contrast = *EffectSliderOf(3);
    EXPECT_EQ(SliderPositionFor(contrast, 1000), 255); // the setter keeps 1000
}

namespace {
std::string Data(const std::string& name) {
    return std::string(VORANTEL_TESTDATA) + "/preview/" + name;
}
} // namespace

TEST(Preview, AreaMeansAgreeWithImageMagicksScale) {
    const Bitmap source = LoadPicture(Data("source.ppm"));
    ASSERT_EQ(source.width(), 40);
    for (auto [w, h, file] : {std::tuple{20, 15, "scale_20x15.ppm"}, {10, 5, "scale_10x5.ppm"}}) {
        SCOPED_TRACE(file);
        const Bitmap want = LoadPicture(Data(file)).convertedTo24();
        const Bitmap got = StretchedCopy(source, w, h);
        ASSERT_EQ(got.width(), w);
        ASSERT_EQ(got.height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const TColor a = got.pixel(x, y), b = want.pixel(x, y);
                // ImageMagick rounds through 16-bit samples: one step apart
                // at most.
                EXPECT_LE(std::abs(GetRValue(a) - GetRValue(b)), 1) << x << "," << y;
                EXPECT_LE(std::abs(GetGValue(a) - GetGValue(b)), 1) << x << "," << y;
                EXPECT_LE(std::abs(GetBValue(a) - GetBValue(b)), 1) << x << "," << y;
            }
    }
}

TEST(Preview, AnySizeInAndOutStaysWithinThePixelsItCovers) {
    // Enlarging repeats pixels; an uneven reduction keeps what every source
    // pixel shares.
    Bitmap tiny(2, 1);
    tiny.setPixel(0, 0, RGBColor(10, 20, 30));
    tiny.setPixel(1, 0, RGBColor(200, 100, 0));
    const Bitmap big = StretchedCopy(tiny, 261, 193);
    EXPECT_EQ(big.pixel(0, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(big.pixel(130, 192), RGBColor(10, 20, 30));
    EXPECT_EQ(big.pixel(131, 0), RGBColor(200, 100, 0));
    EXPECT_EQ(big.pixel(260, 100), RGBColor(200, 100, 0));

    Bitmap ramp(997, 3);
    for (int x = 0; x < 997; ++x)
        for (int y = 0; y < 3; ++y)
            ramp.setPixel(x, y, RGBColor(x % 256, 255 - x % 256, 77));
    const Bitmap small = StretchedCopy(ramp, 261, 193);
    for (int x = 0; x < 261; ++x) {
        EXPECT_EQ(GetBValue(small.pixel(x, 0)), 77);
        // Each channel a mean of its own: rounding may part them by one.
        EXPECT_LE(std::abs(GetRValue(small.pixel(x, 0)) + GetGValue(small.pixel(x, 0)) - 255), 1);
    }

    // A palette photograph is read in its colours; no pixels, a black copy.
    Bitmap palette(4, 4, PixelFormat::pf8bit);
    palette.fill(RGBColor(255, 0, 0));
    EXPECT_EQ(StretchedCopy(palette, 3, 3).pixel(1, 1), RGBColor(255, 0, 0));
    EXPECT_EQ(StretchedCopy(Bitmap(), 5, 4).pixel(4, 3), RGBColor(0, 0, 0));
}
