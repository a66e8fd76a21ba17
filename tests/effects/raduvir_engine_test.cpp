// The photo view engine: parameter setters, groups, caches, the noise and
// the life cycle of the two pictures.
#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

#include "effects/raduvir_engine.h"
#include "platform/random.h"

using namespace vt;

namespace {

class Probe : public TRaDuvirEngine {
  public:
    using TRaDuvirEngine::EffectBitmap;
    using TRaDuvirEngine::NoiseBitmap;
    int repaints = 0;

  protected:
    void Repaint() override { ++repaints; }
};

Bitmap pattern(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y,
                       RGBColor((x * 29 + y * 3) % 256, (x * 7 + y * 41) % 256, (x * y) % 256));
    return b;
}

Bitmap flat(int w, int h, int v) {
    Bitmap b(w, h);
    b.fill(RGBColor(v, v, v));
    return b;
}

} // namespace

TEST(Random, RecurrenceAndDrawRule) {
    Random r; // a fresh generator starts at 0, like the program's
    EXPECT_EQ(r.seed(), 0u);
    std::vector<int> draws;
    for (int i = 0; i < 5; ++i)
        draws.push_back(r.next(100));
    EXPECT_EQ(draws, (std::vector<int>{0, 3, 86, 20, 27}));
    EXPECT_EQ(r.seed(), 1172187917u);
    r.setSeed(12345);
    draws.clear();
    for (int i = 0; i < 6; ++i)
        draws.push_back(r.next(3));
    EXPECT_EQ(draws, (std::vector<int>{1, 0, 0, 1, 1, 1}));
    EXPECT_EQ(r.seed(), 1467157059u);
    EXPECT_EQ(&Random::global(), &Random::global());
}

TEST(Noise, SamplesDrawnRedGreenBluePerPixelFromTheProgramGenerator) {
    Probe e;
    e.setPictureOriginal(flat(2, 1, 100));
    // From state 2, draws in [0, 3) are 0, 2, 1, 1, 0, 2; a sample is
    // clamp(r - 1).
    Random::global().setSeed(2);
    e.setPicColorNoise(3);
    EXPECT_EQ(e.Picture().bitmap()->pixel(0, 0), RGBColor(100, 101, 100));
    EXPECT_EQ(e.Picture().bitmap()->pixel(1, 0), RGBColor(100, 100, 101));
    // Exactly six draws were taken from the program's generator.
    EXPECT_EQ(Random::global().seed(), 4147770708u);
    Random::global().setSeed(2);
    e.setPicMonoNoise(3);
    EXPECT_EQ(e.PicColorNoise(), 0);
    EXPECT_EQ(e.Picture().bitmap()->pixel(0, 0), RGBColor(100, 100, 100));
    EXPECT_EQ(e.Picture().bitmap()->pixel(1, 0), RGBColor(101, 101, 101));
    EXPECT_EQ(Random::global().seed(), 2966606904u);
}

TEST(Noise, WeakNoiseChangesNothingAndThreeAddsZeroOrOne) {
    const Bitmap b = pattern(40, 30);
    for (int n : {1, 2}) {
        Probe e;
        e.setPictureOriginal(b);
        e.setPicColorNoise(n);
        EXPECT_EQ(*e.Picture().bitmap(), b);
        e.setPicMonoNoise(n);
        EXPECT_EQ(*e.Picture().bitmap(), b);
    }
    Probe e;
    e.setPictureOriginal(flat(40, 30, 50));
    e.setPicColorNoise(3);
    int seen[2] = {0, 0};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            TColor c = e.Picture().bitmap()->pixel(x, y);
            for (int v : {GetRValue(c), GetGValue(c), GetBValue(c)}) {
                ASSERT_TRUE(v == 50 || v == 51);
                ++seen[v - 50];
            }
        }
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
}

TEST(Noise, KeptUntilItsSettingChanges) {
    Probe e;
    e.setPictureOriginal(flat(30, 20, 80));
    e.setPicMonoNoise(60);
    const Bitmap* cache = e.NoiseBitmap.get();
    ASSERT_NE(cache, nullptr);
    const Bitmap first = *e.Picture().bitmap();
    e.setPicBrightness(20);
    e.setPicEmboss(true);
    e.setPicEmboss(false);
    e.setPicBrightness(0);
    EXPECT_EQ(e.NoiseBitmap.get(), cache);
    EXPECT_EQ(*e.Picture().bitmap(), first);
    // A new setting draws a new pattern.
    e.setPicMonoNoise(61);
    e.setPicMonoNoise(60);
    EXPECT_NE(*e.Picture().bitmap(), first);
    e.setPicMonoNoise(0);
    EXPECT_EQ(e.NoiseBitmap, nullptr);
    EXPECT_EQ(*e.Picture().bitmap(), flat(30, 20, 80));
}

TEST(Setters, LimitsAreAppliedAfterComparing) {
    Probe e;
    e.setPictureOriginal(pattern(20, 10));
    const int renders0 = e.renderCount(), repaints0 = e.repaints;
    struct Case {
        void (TRaDuvirEngine::*set)(int);
        int (TRaDuvirEngine::*get)() const;
        int request, stored;
    };
    const Case cases[] = {
        {&TRaDuvirEngine::setPicBrightness, &TRaDuvirEngine::PicBrightness, 300, 255},
        {&TRaDuvirEngine::setPicBrightness, &TRaDuvirEngine::PicBrightness, -300, -255},
        {&TRaDuvirEngine::setPicContrast, &TRaDuvirEngine::PicContrast, 1000, 1000},
        {&TRaDuvirEngine::setPicContrast, &TRaDuvirEngine::PicContrast, -1000, -255},
        {&TRaDuvirEngine::setPicLightness, &TRaDuvirEngine::PicLightness, 1000, 255},
        {&TRaDuvirEngine::setPicLightness, &TRaDuvirEngine::PicLightness, -1000, -1000},
        {&TRaDuvirEngine::setPicDarkness, &TRaDuvirEngine::PicDarkness, 256, 255},
        {&TRaDuvirEngine::setPicDarkness, &TRaDuvirEngine::PicDarkness, -999, -999},
        {&TRaDuvirEngine::setPicSaturation, &TRaDuvirEngine::PicSaturation, -256, -255},
        {&TRaDuvirEngine::setPicSaturation, &TRaDuvirEngine::PicSaturation, 999, 999},
        {&TRaDuvirEngine::setPicSplitlight, &TRaDuvirEngine::PicSplitlight, 11, 10},
        {&TRaDuvirEngine::setPicSplitlight, &TRaDuvirEngine::PicSplitlight, -1, 0},
        {&TRaDuvirEngine::setPicColorNoise, &TRaDuvirEngine::PicColorNoise, -5, 0},
        {&TRaDuvirEngine::setPicColorNoise, &TRaDuvirEngine::PicColorNoise, 5000, 5000},
        {&TRaDuvirEngine::setPicMonoNoise, &TRaDuvirEngine::PicMonoNoise, -5, 0},
        {&TRaDuvirEngine::setPicPosterize, &TRaDuvirEngine::PicPosterize, -5, 0},
        {&TRaDuvirEngine::setPicPosterize, &TRaDuvirEngine::PicPosterize, 9999, 9999},
        {&TRaDuvirEngine::setPicSolorize, &TRaDuvirEngine::PicSolorize, 256, 255},
        {&TRaDuvirEngine::setPicSolorize, &TRaDuvirEngine::PicSolorize, -1, 0},
        {&TRaDuvirEngine::setPicMosaic, &TRaDuvirEngine::PicMosaic, 50, 20},
        {&TRaDuvirEngine::setPicMosaic, &TRaDuvirEngine::PicMosaic, -3, 0},
        {&TRaDuvirEngine::setPicSplitBlur, &TRaDuvirEngine::PicSplitBlur, 300, 255},
        {&TRaDuvirEngine::setPicSplitBlur, &TRaDuvirEngine::PicSplitBlur, -1, 0},
        {&TRaDuvirEngine::setPicGaussianBlur, &TRaDuvirEngine::PicGaussianBlur, 51, 50},
        {&TRaDuvirEngine::setPicAntiAlias, &TRaDuvirEngine::PicAntiAlias, 51, 50},
        {&TRaDuvirEngine::setPicTrace, &TRaDuvirEngine::PicTrace, 11, 10},
        {&TRaDuvirEngine::setPicTrace, &TRaDuvirEngine::PicTrace, INT_MIN, 0},
    };
    for (const Case& c : cases) {
        int before = e.renderCount();
        (e.*c.set)(c.request);
        EXPECT_EQ((e.*c.get)(), c.stored) << c.request;
        // The request differs from the stored value: every set renders.
        EXPECT_EQ(e.renderCount(), before + 1) << c.request;
        if (c.request != c.stored) {
            (e.*c.set)(c.request);
            EXPECT_EQ(e.renderCount(), before + 2) << c.request;
        }
        (e.*c.set)(c.stored);
        EXPECT_EQ(e.renderCount(), before + (c.request != c.stored ? 2 : 1)) << c.request;
    }
    int before = e.renderCount();
    e.setPicInvert(true);
    e.setPicInvert(true);
    e.setPicGrayScale(false);
    EXPECT_EQ(e.renderCount(), before + 1);
    // One repaint per render pass.
    EXPECT_EQ(e.repaints - repaints0, e.renderCount() - renders0);
}

TEST(Setters, GroupsHoldOneMemberAtATime) {
    Probe e;
    e.setPictureOriginal(pattern(12, 12));
    e.setPicEmboss(true);
    e.setPicMosaic(3);
    EXPECT_FALSE(e.PicEmboss());
    e.setPicSplitBlur(2);
    e.setPicGaussianBlur(1);
    e.setPicAntiAlias(1);
    e.setPicTrace(1);
    e.setPicTile(1);
    EXPECT_EQ(e.PicMosaic() + e.PicSplitBlur() + e.PicGaussianBlur() + e.PicAntiAlias() +
                  e.PicTrace(),
              0);
    EXPECT_EQ(e.PicTile(), 1);
    e.setPicEmboss(true);
    EXPECT_EQ(e.PicTile(), 0);
    e.setPicMosaic(2);
    EXPECT_FALSE(e.PicEmboss());
    // A value equal to the stored one changes nothing; 0 drops the cache.
    e.setPicEmboss(false);
    EXPECT_EQ(e.PicMosaic(), 2);
    e.setPicMosaic(0);
    EXPECT_EQ(e.EffectBitmap, nullptr);

    e.setPicPosterize(4);
    e.setPicSolorize(10);
    EXPECT_EQ(e.PicPosterize(), 0);
    e.setPicPosterize(4);
    EXPECT_EQ(e.PicSolorize(), 0);

    e.setPicColorNoise(10);
    e.setPicMonoNoise(10);
    EXPECT_EQ(e.PicColorNoise(), 0);
    e.setPicColorNoise(10);
    EXPECT_EQ(e.PicMonoNoise(), 0);

    // Colour parameters are independent.
    e.setPicBrightness(5);
    e.setPicContrast(5);
    e.setPicLightness(5);
    e.setPicDarkness(5);
    e.setPicSaturation(5);
    e.setPicSplitlight(1);
    e.setPicGrayScale(true);
    e.setPicInvert(true);
    EXPECT_EQ(e.PicBrightness() + e.PicContrast() + e.PicLightness() + e.PicDarkness() +
                  e.PicSaturation() + e.PicSplitlight(),
              26);
    EXPECT_TRUE(e.PicGrayScale() && e.PicInvert() && e.PicColorNoise() == 10 &&
                e.PicPosterize() == 4);
}

TEST(Caches, GeometricEffectComputedOnceAndKeptThroughColourChanges) {
    Probe e;
    const Bitmap b = pattern(16, 9);
    e.setPictureOriginal(b);
    e.setPicMosaic(4);
    const Bitmap* cache = e.EffectBitmap.get();
    ASSERT_NE(cache, nullptr);
    const Bitmap mosaic = *e.Picture().bitmap();
    EXPECT_EQ(*cache, mosaic);
    e.setPicBrightness(30);
    e.setPicSolorize(40);
    e.setPicColorNoise(7);
    e.setPicInvert(true);
    EXPECT_EQ(e.EffectBitmap.get(), cache);
    // The colour pass runs over the cached effect, not the photograph.
    e.setPicColorNoise(0);
    e.setPicSolorize(0);
    e.setPicBrightness(0);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 16; ++x) {
            TColor m = mosaic.pixel(x, y), p = e.Picture().bitmap()->pixel(x, y);
            ASSERT_EQ(p, RGBColor(255 - GetRValue(m), 255 - GetGValue(m), 255 - GetBValue(m)));
        }
    // The photograph is never changed by an effect.
    EXPECT_EQ(*e.PictureOriginal().bitmap(), b);
}

TEST(Lifecycle, NewPhotographDiscardsCachesAndRendersWithCurrentParameters) {
    Probe e;
    e.setPictureOriginal(pattern(10, 10));
    e.setPicMosaic(8);
    e.setPicMonoNoise(1);
    const Bitmap* effect = e.EffectBitmap.get();
    int before = e.renderCount();
    const Bitmap next = pattern(40, 24);
    e.setPictureOriginal(next);
    EXPECT_EQ(e.renderCount(), before + 1);
    ASSERT_NE(e.EffectBitmap, nullptr);
    EXPECT_EQ(e.EffectBitmap->width(), 40);
    EXPECT_NE(e.EffectBitmap.get(), effect);
    ASSERT_NE(e.NoiseBitmap, nullptr);
    EXPECT_EQ(e.NoiseBitmap->width(), 40);
    EXPECT_EQ(e.PicMosaic(), 8);
    EXPECT_EQ(e.Picture().bitmap()->pixel(15, 20), next.pixel(8, 16));
    EXPECT_EQ(e.Picture().bitmap()->pixel(39, 23), next.pixel(32, 16));
}

TEST(Lifecycle, ParametersSetWithoutPhotographApplyWhenOneArrives) {
    Probe e;
    e.setPicMosaic(5000); // nothing to limit it by yet
    e.setPicBrightness(10);
    e.setPicColorNoise(1);
    EXPECT_EQ(e.renderCount(), 0);
    EXPECT_EQ(e.PicMosaic(), 5000);
    EXPECT_EQ(e.EffectBitmap, nullptr);
    EXPECT_EQ(e.NoiseBitmap, nullptr);
    e.setPictureOriginal(pattern(6, 4));
    EXPECT_EQ(e.renderCount(), 1);
    const Bitmap* p = e.Picture().bitmap();
    TColor c = pattern(6, 4).pixel(0, 0);
    EXPECT_EQ(p->pixel(5, 3), RGBColor(GetRValue(c) + 10, GetGValue(c) + 10, GetBValue(c) + 10));

    // A tile set before the photograph gets its size from the photograph.
    Probe t;
    t.setPicTile(2);
    EXPECT_EQ(t.PicTile(), 2);
    Bitmap big(40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            big.setPixel(x, y, RGBColor(x * 6, y * 6, 0));
    t.setPictureOriginal(big);
    // 20 x 20 tiles: the pattern repeats after 20 pixels.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            TColor c0 = t.Picture().bitmap()->pixel(x, y);
            ASSERT_EQ(t.Picture().bitmap()->pixel(x + 20, y + 20), c0);
        }
    EXPECT_NE(*t.Picture().bitmap(), big);
}

TEST(Lifecycle, EmptyPicturesAndReset) {
    Probe e;
    e.setPicBrightness(10);
    e.PictureOriginal().clear();
    EXPECT_FALSE(e.Picture().hasGraphic());
    EXPECT_EQ(e.renderCount(), 0);
    // A 0 x 0 bitmap counts as a picture.
    e.setPictureOriginal(Bitmap(0, 0));
    EXPECT_EQ(e.renderCount(), 1);
    EXPECT_TRUE(e.Picture().hasGraphic());

    const Bitmap b = pattern(9, 7);
    e.setPictureOriginal(b);
    e.setPicTrace(2);
    e.setPicColorNoise(50);
    e.setPicSaturation(40);
    e.setPicInvert(true);
    int changes = 0;
    e.setOnPictureChange([&] { ++changes; });
    e.ResetEffects();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(*e.Picture().bitmap(), b);
    EXPECT_EQ(e.EffectBitmap, nullptr);
    EXPECT_EQ(e.NoiseBitmap, nullptr);
    EXPECT_TRUE(e.PicTrace() == 0 && e.PicColorNoise() == 0 && e.PicSaturation() == 0 &&
                !e.PicInvert());
}

// The display picture shows the photograph itself until something writes
// into it; a paint or a render never reaches the photograph, and a new
// photograph shown as it is holds no copy either.
TEST(Lifecycle, ThePhotographIsShownWithoutACopyUntilPaintedOrRendered) {
    Probe e;
    const Bitmap photo = pattern(9, 7);
    e.setPictureOriginal(photo);
    EXPECT_TRUE(e.Picture().shared());
    e.Canvas().setPixel(2, 3, RGBColor(255, 0, 0));
    EXPECT_FALSE(e.Picture().shared());
    EXPECT_EQ(*std::as_const(e).PictureOriginal().bitmap(), photo);
    EXPECT_EQ(e.Picture().bitmap()->pixel(2, 3), RGBColor(255, 0, 0));
    e.ResetEffects();
    EXPECT_TRUE(e.Picture().shared());
    EXPECT_EQ(*std::as_const(e).Picture().bitmap(), photo);
    e.setPicBrightness(40);
    EXPECT_FALSE(e.Picture().shared());
    EXPECT_EQ(*std::as_const(e).PictureOriginal().bitmap(), photo);
    EXPECT_NE(*std::as_const(e).Picture().bitmap(), photo);
    e.ShowPhotograph(pattern(5, 4));
    EXPECT_EQ(e.PicBrightness(), 0);
    EXPECT_TRUE(e.Picture().shared());
    EXPECT_EQ(*std::as_const(e).Picture().bitmap(), pattern(5, 4));
}

TEST(CopyEffects, CopiesEveryParameterButTileThroughTheSetters) {
    Probe src;
    src.setPictureOriginal(pattern(30, 20));
    src.setPicBrightness(12);
    src.setPicContrast(-30);
    src.setPicLightness(7);
    src.setPicDarkness(-9);
    src.setPicSaturation(44);
    src.setPicSplitlight(2);
    src.setPicMonoNoise(20);
    src.setPicSolorize(33);
    src.setPicSplitBlur(4);
    src.setPicInvert(true);

    Probe dst;
    dst.setPictureOriginal(pattern(30, 20));
    dst.setPicColorNoise(7); // the copy's mono noise must survive the colour call
    dst.setPicPosterize(5);
    int before = dst.renderCount();
    dst.CopyEffectsFrom(src);
    // Changed: brightness, colour noise (to 0), contrast, darkness,
    // lightness, mono noise, posterize (to 0), saturation, solorize, split
    // blur, split light, invert; then one more pass.
    EXPECT_EQ(dst.renderCount(), before + 13);
    EXPECT_EQ(dst.PicMonoNoise(), 20);
    EXPECT_EQ(dst.PicColorNoise(), 0);
    EXPECT_EQ(dst.PicPosterize(), 0);
    EXPECT_EQ(dst.PicSolorize(), 33);
    EXPECT_EQ(dst.PicSplitBlur(), 4);
    EXPECT_EQ(dst.PicBrightness(), 12);
    EXPECT_EQ(dst.PicContrast(), -30);
    EXPECT_EQ(dst.PicLightness(), 7);
    EXPECT_EQ(dst.PicDarkness(), -9);
    EXPECT_EQ(dst.PicSaturation(), 44);
    EXPECT_EQ(dst.PicSplitlight(), 2);
    EXPECT_TRUE(dst.PicInvert());
    // Same settings, own noise pattern.
    ASSERT_NE(dst.NoiseBitmap, nullptr);
    EXPECT_NE(*dst.NoiseBitmap, *src.NoiseBitmap);
    EXPECT_EQ(*dst.EffectBitmap, *src.EffectBitmap);
}

TEST(CopyEffects, LeavesTileAloneUnlessAnotherGeometricEffectIsCopied) {
    Probe src;
    src.setPictureOriginal(pattern(30, 20));
    src.setPicBrightness(3);
    Probe dst;
    dst.setPictureOriginal(pattern(30, 20));
    dst.setPicTile(2);
    dst.CopyEffectsFrom(src);
    EXPECT_EQ(dst.PicTile(), 2);
    EXPECT_NE(dst.EffectBitmap, nullptr);
    // A source tile is not copied either.
    Probe tiled;
    tiled.setPictureOriginal(pattern(30, 20));
    tiled.setPicTile(2);
    Probe plain;
    plain.setPictureOriginal(pattern(30, 20));
    plain.CopyEffectsFrom(tiled);
    EXPECT_EQ(plain.PicTile(), 0);
    // Another geometric effect clears the tile through its setter.
    src.setPicEmboss(true);
    dst.CopyEffectsFrom(src);
    EXPECT_EQ(dst.PicTile(), 0);
    EXPECT_TRUE(dst.PicEmboss());
}
