// The per-pixel pass of the photo view, driven through the engine's setters.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "effects/raduvir_engine.h"

using namespace vt;

namespace {

// A one-row picture of the given colours.
Bitmap row(const std::vector<TColor>& colours) {
    Bitmap b(int(colours.size()), 1);
    for (std::size_t i = 0; i < colours.size(); ++i)
        b.setPixel(int(i), 0, colours[i]);
    return b;
}

TColor grey(int v) {
    return RGBColor(v, v, v);
}

// One grey pixel per value; returns the red channel of each result.
std::vector<int> throughGrey(TRaDuvirEngine& e, const std::vector<int>& values) {
    std::vector<TColor> c;
    for (int v : values)
        c.push_back(grey(v));
    e.setPictureOriginal(row(c));
    std::vector<int> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back(GetRValue(e.Picture().bitmap()->pixel(int(i), 0)));
    return out;
}

TColor at(const TRaDuvirEngine& e, int x, int y = 0) {
    return e.Picture().bitmap()->pixel(x, y);
}

using V = std::vector<int>;

} // namespace

TEST(ColorEffects, NeutralParametersCopyThePhotograph) {
    TRaDuvirEngine e;
    Bitmap b(7, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            b.setPixel(x, y, RGBColor(x * 37, y * 51, (x * y * 29) % 256));
    e.setPictureOriginal(b);
    EXPECT_EQ(*e.Picture().bitmap(), b);
    e.setPicPosterize(1);
    EXPECT_EQ(*e.Picture().bitmap(), b);
    e.setPicMosaic(1);
    EXPECT_EQ(*e.Picture().bitmap(), b);
}

TEST(ColorEffects, PosterizeRoundsHalvesToEven) {
    TRaDuvirEngine e;
    e.setPicPosterize(200);
    EXPECT_EQ(throughGrey(e, {0, 99, 100, 101, 200, 255}), (V{0, 0, 0, 200, 200, 200}));
    e.setPicPosterize(100);
    // 50/100 and 250/100 are halves: 0 and 2; 150/100 goes up to 2.
    // 255 -> 300, limited to 255.
    EXPECT_EQ(throughGrey(e, {50, 51, 150, 250, 255}), (V{0, 100, 200, 200, 255}));
}

TEST(ColorEffects, ContrastTruncatesTowardZero) {
    TRaDuvirEngine e;
    e.setPicContrast(-255);
    EXPECT_EQ(throughGrey(e, {0, 50, 127, 128, 200, 255}), (V{127, 127, 127, 127, 127, 127}));
    e.setPicContrast(255);
    EXPECT_EQ(throughGrey(e, {50, 127, 200}), (V{0, 127, 255}));
    e.setPicContrast(100);
    // 73 * 100 div 255 = 28; 77 * 100 div 255 = 30, taken away below 128.
    EXPECT_EQ(throughGrey(e, {200, 50, 128}), (V{228, 20, 128}));
    e.setPicContrast(-100);
    // -(77 * 100) div 255 = -30 (not -31), negated for c <= 127.
    EXPECT_EQ(throughGrey(e, {50, 200}), (V{80, 172}));
}

TEST(ColorEffects, LightnessAndDarkness) {
    TRaDuvirEngine e;
    e.setPicLightness(255);
    EXPECT_EQ(throughGrey(e, {0, 77, 255}), (V{255, 255, 255}));
    e.setPicLightness(100);
    EXPECT_EQ(throughGrey(e, {50}), (V{130}));
    e.setPicLightness(-100);
    // -100 * 55 div 255 = -21 (truncated toward zero).
    EXPECT_EQ(throughGrey(e, {200}), (V{179}));
    e.setPicLightness(0);
    e.setPicDarkness(255);
    EXPECT_EQ(throughGrey(e, {0, 77, 255}), (V{0, 0, 0}));
    e.setPicDarkness(100);
    // -(200 * 100) div 255 = -78.
    EXPECT_EQ(throughGrey(e, {200}), (V{122}));
    e.setPicDarkness(-100);
    EXPECT_EQ(throughGrey(e, {50}), (V{69}));
}

TEST(ColorEffects, TermsAddBeforeOneClampAndBrightnessLast) {
    TRaDuvirEngine e;
    // All terms from the same c: 200 + 28 (contrast) - 78 (darkness) - 100.
    e.setPicContrast(100);
    e.setPicDarkness(100);
    e.setPicBrightness(-100);
    EXPECT_EQ(throughGrey(e, {200}), (V{50}));
    // Split light follows the clamp: 64 + 64 = 128 -> 181.
    TRaDuvirEngine f;
    f.setPicBrightness(64);
    f.setPicSplitlight(1);
    EXPECT_EQ(throughGrey(f, {64, 250}), (V{181, 255}));
}

TEST(ColorEffects, SplitLight) {
    TRaDuvirEngine e;
    e.setPicSplitlight(1);
    EXPECT_EQ(throughGrey(e, {0, 1, 64, 128, 200, 255}), (V{0, 2, 98, 181, 241, 255}));
    e.setPicSplitlight(3);
    EXPECT_EQ(throughGrey(e, {128}), (V{252}));
}

TEST(ColorEffects, GreyScaleRoundsTheSumAsWrittenInDouble) {
    // 0.3 * 5 + 0.59 * 0 + 0.11 * 0 = 1.5 exactly halfway: to even, 2.
    // 0.3 * 1 + 0.59 * 2 + 0.11 * 2 = 1.7000000000000002 in double: 2.
    // 0.3 * 15 + 0.59 * 0 + 0.11 * 0 = 4.5 in double: to even, 4.
    TRaDuvirEngine e;
    e.setPictureOriginal(row({RGBColor(5, 0, 0), RGBColor(1, 2, 2), RGBColor(15, 0, 0)}));
    e.setPicGrayScale(true);
    EXPECT_EQ(at(e, 0), grey(2));
    EXPECT_EQ(at(e, 1), grey(2));
    EXPECT_EQ(at(e, 2), grey(4));
}

TEST(ColorEffects, GreyScaleSaturationAndInvert) {
    TRaDuvirEngine e;
    e.setPicGrayScale(true);
    e.setPictureOriginal(
        row({RGBColor(10, 200, 30), RGBColor(15, 0, 0), RGBColor(5, 0, 0), RGBColor(0, 0, 50)}));
    // 124.3; then exact halves 4.5 -> 4, 1.5 -> 2, 5.5 -> 6.
    EXPECT_EQ(at(e, 0), grey(124));
    EXPECT_EQ(at(e, 1), grey(4));
    EXPECT_EQ(at(e, 2), grey(2));
    EXPECT_EQ(at(e, 3), grey(6));
    // Saturation is ignored while grey scale is set; invert comes after.
    e.setPicSaturation(200);
    EXPECT_EQ(at(e, 0), grey(124));
    e.setPicInvert(true);
    EXPECT_EQ(at(e, 0), grey(131));
    e.setPicGrayScale(false);
    e.setPicSaturation(-255);
    // (10 + 200 + 30) div 3 = 80, inverted.
    EXPECT_EQ(at(e, 0), grey(175));
}

TEST(ColorEffects, Saturation) {
    TRaDuvirEngine e;
    e.setPicSaturation(-255);
    e.setPictureOriginal(row({RGBColor(10, 200, 30), RGBColor(100, 120, 140)}));
    EXPECT_EQ(at(e, 0), grey(80));
    e.setPicSaturation(100);
    // m = 120; (-20 * 355) div 255 = -27 (truncated), (20 * 355) div 255 = 27.
    EXPECT_EQ(at(e, 1), RGBColor(93, 120, 147));
    e.setPicSaturation(255);
    EXPECT_EQ(at(e, 0), RGBColor(0, 255, 0));
}

TEST(ColorEffects, SolorizeInvertsBrightPixelsBeforeTheTerms) {
    TRaDuvirEngine e;
    e.setPicSolorize(100);
    e.setPictureOriginal(
        row({grey(200), grey(155), grey(156), RGBColor(255, 255, 0), RGBColor(250, 100, 110)}));
    EXPECT_EQ(at(e, 0), grey(55));
    EXPECT_EQ(at(e, 1), grey(155)); // mean 155 is not above 255 - 100
    EXPECT_EQ(at(e, 2), grey(99));
    EXPECT_EQ(at(e, 3), RGBColor(0, 0, 255));     // mean 170
    EXPECT_EQ(at(e, 4), RGBColor(250, 100, 110)); // mean 153
    // Contrast sees the inverted value: 55 -> 55 - 72 * 255 div 255 = 0.
    e.setPicContrast(255);
    EXPECT_EQ(at(e, 0), grey(0));
    e.setPicInvert(true);
    EXPECT_EQ(at(e, 0), grey(255));
}

TEST(ColorEffects, UnboundedParametersDoNotOverflow) {
    TRaDuvirEngine e;
    e.setPicContrast(INT_MAX);
    EXPECT_EQ(throughGrey(e, {50, 127, 128, 200}), (V{0, 127, 255, 255}));
    e.setPicContrast(0);
    e.setPicLightness(INT_MIN);
    EXPECT_EQ(throughGrey(e, {200, 255}), (V{0, 255}));
    e.setPicLightness(0);
    e.setPicDarkness(INT_MIN);
    EXPECT_EQ(throughGrey(e, {0, 1}), (V{0, 255}));
    e.setPicDarkness(0);
    e.setPicPosterize(INT_MAX);
    EXPECT_EQ(throughGrey(e, {0, 200, 255}), (V{0, 0, 0}));
    e.setPicPosterize(300);
    EXPECT_EQ(throughGrey(e, {149, 151, 255}), (V{0, 255, 255}));
    e.setPicPosterize(0);
    e.setPicSaturation(INT_MAX);
    e.setPictureOriginal(row({RGBColor(100, 120, 140)}));
    EXPECT_EQ(at(e, 0), RGBColor(0, 120, 255));
}

TEST(ColorEffects, PictureOfOtherSizeIsReplacedByRender) {
    TRaDuvirEngine e;
    e.setPictureOriginal(row({grey(10), grey(20), grey(30)}));
    // A caller puts a picture of another size into the display picture.
    e.Picture().assign(Bitmap(1, 1, PixelFormat::pf8bit));
    e.setPicBrightness(5);
    ASSERT_EQ(e.Picture().width(), 3);
    EXPECT_EQ(e.Picture().bitmap()->pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(at(e, 2), grey(35));
}

namespace {

long long clampLiteral(long long v) {
    return std::min(255LL, std::max(0LL, v));
}

// The steps read literally, one channel at a time, without tables. Rounding
// is std::nearbyint in the default mode (halves to even), independent of
// RoundHalfEven.
void literalPass(const Bitmap& src, const Bitmap* noise, const ColorEffectParams& p, Bitmap& dst) {
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const TColor s = src.pixel(x, y);
            long long c[3] = {GetRValue(s), GetGValue(s), GetBValue(s)};
            if (p.posterize != 0) {
                for (long long& ch : c) {
                    double q = double(ch) / p.posterize;
                    ch = (long long)std::nearbyint(q) * p.posterize;
                }
            } else if (p.solorize != 0) {
                long long m = (c[0] + c[1] + c[2]) / 3;
                if (m > 255 - p.solorize)
                    for (long long& ch : c)
                        ch = 255 - ch;
            }
            const TColor nz = noise ? noise->pixel(x, y) : 0;
            const long long n[3] = {GetRValue(nz), GetGValue(nz), GetBValue(nz)};
            long long v[3];
            for (int i = 0; i < 3; ++i) {
                long long t = 0, l = 0, d = 0;
                if (p.contrast != 0) {
                    t = (std::llabs(127 - c[i]) * p.contrast) / 255;
                    if (c[i] <= 127) t = -t;
                }
                if (p.lightness != 0) l = ((long long)p.lightness * (255 - c[i])) / 255;
                if (p.darkness != 0) d = (-(c[i] * p.darkness)) / 255;
                v[i] = clampLiteral(c[i] + n[i] + t + l + d + p.brightness);
                for (int k = 0; k < p.splitlight; ++k)
                    v[i] = (long long)std::nearbyint(
                        255.0 * std::sin(double(v[i]) / 255.0 * 3.14159265358979323846 / 2.0));
            }
            if (p.grayScale) {
                // As written: 0.3 R + 0.59 G + 0.11 B in double, halves to even.
                long long q = (long long)std::nearbyint(0.3 * double(v[0]) + 0.59 * double(v[1]) +
                                                        0.11 * double(v[2]));
                v[0] = v[1] = v[2] = q;
            } else if (p.saturation != 0) {
                long long m = (v[0] + v[1] + v[2]) / 3;
                for (long long& ch : v)
                    ch = clampLiteral(((ch - m) * ((long long)p.saturation + 255)) / 255 + m);
            }
            if (p.invert)
                for (long long& ch : v)
                    ch = 255 - ch;
            dst.setPixel(x, y, RGBColor(int(v[0]), int(v[1]), int(v[2])));
        }
}

} // namespace

TEST(ColorEffects, RoundHalfEvenRoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
    EXPECT_EQ(RoundHalfEven(-0.7), -1.0);
    EXPECT_EQ(RoundHalfEven(254.5), 254.0);
    EXPECT_EQ(RoundHalfEven(255.0), 255.0);
}

TEST(ColorEffects, TablesAgreeWithTheStepsReadLiterally) {
    Bitmap src(64, 48), noise(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            src.setPixel(x, y, RGBColor((x * 4 + y) % 256, (y * 5 + x * 3) % 256, (x * y) % 256));
            noise.setPixel(x, y, RGBColor((x * 37 + y * 11) % 256, (x * 13) % 200, (y * 29) % 7));
        }
    std::vector<ColorEffectParams> sets;
    const int posterize[] = {0, 3, 64, 200, 509, 510};
    const int solorize[] = {0, 1, 100, 255};
    const int amounts[] = {-1000, -255, -77, 0, 50, 255, 3000};
    int k = 0;
    for (int po : posterize)
        for (int so : solorize)
            for (int a : amounts) {
                ColorEffectParams p;
                p.posterize = so ? 0 : po;
                p.solorize = so;
                p.contrast = std::max(-255, a);
                p.lightness = std::min(255, amounts[(k + 1) % 7]);
                p.darkness = std::min(255, amounts[(k + 3) % 7]);
                p.brightness = std::clamp(amounts[(k + 5) % 7], -255, 255);
                p.splitlight = k % 4;
                p.saturation = std::max(-255, amounts[(k + 2) % 7]);
                p.grayScale = k % 5 == 0;
                p.invert = k % 3 == 0;
                sets.push_back(p);
                ++k;
            }
    for (std::size_t i = 0; i < sets.size(); ++i)
        for (const Bitmap* nz :
             {static_cast<const Bitmap*>(nullptr), static_cast<const Bitmap*>(&noise)}) {
            Bitmap got(64, 48), want(64, 48);
            RenderColorEffects(src, nz, sets[i], got);
            literalPass(src, nz, sets[i], want);
            ASSERT_EQ(got, want) << "set " << i << (nz ? " with noise" : "");
        }
}

// The pass split over threads by bands of rows gives the picture of one
// thread, whatever the number of bands and wherever they end.
TEST(ColorEffects, SameRenderOnAnyNumberOfThreads) {
    Bitmap src(1201, 901); // four bands of rows
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            src.setPixel(x, y, RGBColor(x * 7 % 256, y * 11 % 256, (x ^ y) % 256));
    const Bitmap noise = MakeNoiseBitmap(src.width(), src.height(), 40, false);
    ColorEffectParams brightness, mixed;
    brightness.brightness = 37;
    mixed.contrast = 50;
    mixed.saturation = 90;
    mixed.solorize = 30;
    mixed.invert = true;
    for (const ColorEffectParams& p : {brightness, mixed})
        for (const Bitmap* nz : {static_cast<const Bitmap*>(nullptr), &noise}) {
            Bitmap one(src.width(), src.height()), many(src.width(), src.height());
            SetRenderThreads(1);
            RenderColorEffects(src, nz, p, one);
            SetRenderThreads(5);
            RenderColorEffects(src, nz, p, many);
            SetRenderThreads(0);
            ASSERT_EQ(one, many);
        }
}
