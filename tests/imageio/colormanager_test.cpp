// The colour converter: setters, pixel formats, palettes and row conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imageio/colormanager.h"
#include "imageio/imageerrors.h"

namespace vt {
namespace {

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EColorConversionError& e) {
        return e.what();
    }
    return "";
}

void setup(TColorManager& cm, TColorModel source, int sBits, int sSamples, TColorModel target,
           int tBits, int tSamples) {
    cm.SetSourceColorScheme(source);
    cm.SetSourceBitsPerSample(std::uint8_t(sBits));
    cm.SetSourceSamplesPerPixel(std::uint8_t(sSamples));
    cm.SetTargetColorScheme(target);
    cm.SetTargetBitsPerSample(std::uint8_t(tBits));
    cm.SetTargetSamplesPerPixel(std::uint8_t(tSamples));
}

TEST(ColorManager, SettersRefuseInvalidValues) {
    TColorManager cm;
    EXPECT_EQ(messageOf([&] { cm.SetSourceBitsPerSample(0); }),
              "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
    EXPECT_EQ(messageOf([&] { cm.SetTargetBitsPerSample(17); }),
              "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.");
    EXPECT_EQ(messageOf([&] { cm.SetSourceSamplesPerPixel(5); }),
              "Sample count per pixel does not correspond to the given color scheme.");
    EXPECT_EQ(messageOf([&] { cm.SetTargetSamplesPerPixel(0); }),
              "Sample count per pixel does not correspond to the given color scheme.");
    const float k[] = {0.3f};
    EXPECT_EQ(messageOf([&] { cm.SetYCbCrSetup(k, 3, 1); }),
              "Subsampling value is invalid. Allowed are 1, 2 and 4.");
    EXPECT_EQ(messageOf([&] { cm.SetYCbCrSetup(k, 2, 4); }),
              "Vertical subsampling value must be <= horizontal subsampling value.");
    EXPECT_EQ(messageOf([&] { cm.SetYCbCrSetup(k, 4, 2); }), "");
}

TEST(ColorManager, ChoosingTheRoutineFailsWithTheMessages) {
    TColorManager cm;
    std::uint8_t src[4] = {}, dst[4] = {};
    setup(cm, TColorModel::RGB, 8, 3, TColorModel::Indexed, 8, 1);
    EXPECT_EQ(messageOf([&] { cm.ConvertLine(src, 0xFF, 1, dst); }),
              "Conversion between indexed and non-indexed pixel formats is not supported.");
    setup(cm, TColorModel::CMY, 8, 3, TColorModel::BGR, 8, 3);
    EXPECT_EQ(messageOf([&] { cm.ConvertLine(src, 0xFF, 1, dst); }),
              "Color conversion failed. Could not find a proper method.");
}

TEST(ColorManager, PixelFormatFromTheTarget) {
    TColorManager cm;
    auto pf = [&](int bits, int samples) {
        cm.SetTargetBitsPerSample(std::uint8_t(bits));
        cm.SetTargetSamplesPerPixel(std::uint8_t(samples));
        return cm.PixelFormatFor();
    };
    EXPECT_EQ(pf(1, 1), PixelFormat::pf1bit);
    EXPECT_EQ(pf(2, 1), PixelFormat::pf4bit);
    EXPECT_EQ(pf(4, 1), PixelFormat::pf4bit);
    EXPECT_EQ(pf(8, 1), PixelFormat::pf8bit);
    EXPECT_EQ(pf(16, 1), PixelFormat::pf8bit);
    EXPECT_EQ(pf(5, 1), std::nullopt);
    EXPECT_EQ(pf(5, 3), PixelFormat::pf15bit);
    EXPECT_EQ(pf(8, 3), PixelFormat::pf24bit);
    EXPECT_EQ(pf(8, 4), PixelFormat::pf32bit);
    EXPECT_EQ(pf(4, 4), std::nullopt);
    EXPECT_EQ(pf(8, 2), std::nullopt);
}

TEST(ColorManager, GreyPalettes) {
    TColorManager cm;
    cm.SetTargetSamplesPerPixel(1);
    cm.SetTargetBitsPerSample(8);
    auto p = cm.MakeGreyPalette(false);
    ASSERT_EQ(p.size(), 256u);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(p[std::size_t(i)], RGBColor(i, i, i));
    cm.SetTargetBitsPerSample(4);
    p = cm.MakeGreyPalette(false);
    ASSERT_EQ(p.size(), 16u);
    EXPECT_EQ(p[1], RGBColor(17, 17, 17));
    EXPECT_EQ(p[15], RGBColor(255, 255, 255));
    p = cm.MakeGreyPalette(true);
    EXPECT_EQ(p[0], RGBColor(255, 255, 255));
    EXPECT_EQ(p[15], RGBColor(0, 0, 0));

    // With gamma, the entries go through the gamma table.
    cm.SetTargetBitsPerSample(8);
    cm.SetGammaValues(2.2f, 1.0f);
    cm.SetTargetOptions({TConvertOption::ApplyGamma});
    p = cm.MakeGreyPalette(false);
    int v = int(std::lround(std::pow(128 / 255.0, 1 / (1.0 * double(2.2f))) * 255));
    EXPECT_EQ(p[128], RGBColor(v, v, v));
    EXPECT_EQ(cm.GammaTable()[128], v);
    EXPECT_EQ(p[0], RGBColor(0, 0, 0));
    EXPECT_EQ(p[255], RGBColor(255, 255, 255));
}

TEST(ColorManager, GammaSettingsFallBackToDefaults) {
    TColorManager cm;
    cm.SetGammaValues(0, -1);
    EXPECT_FLOAT_EQ(cm.MainGamma(), 1.0f);
    EXPECT_FLOAT_EQ(cm.DisplayGamma(), 2.2f);
    // main gamma x display gamma = 1 makes the table the identity.
    cm.SetGammaValues(2.0f, 0.5f);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(cm.GammaTable()[std::size_t(i)], i);
}

TEST(ColorManager, FilePalettes) {
    TColorManager cm;
    const std::uint8_t rgb[] = {1, 2, 3, 4, 5, 6};
    const std::uint8_t* one[] = {rgb};
    auto p = cm.MakeFilePalette(one, TPaletteLayout::RGB, 2);
    EXPECT_EQ(p, (std::vector<TColor>{RGBColor(1, 2, 3), RGBColor(4, 5, 6)}));
    p = cm.MakeFilePalette(one, TPaletteLayout::BGR, 2);
    EXPECT_EQ(p[0], RGBColor(3, 2, 1));
    const std::uint8_t quad[] = {10, 20, 30, 0};
    const std::uint8_t* q[] = {quad};
    EXPECT_EQ(cm.MakeFilePalette(q, TPaletteLayout::BGRx, 1)[0], RGBColor(30, 20, 10));
    // TIFF colour maps: three planes of 16-bit values.
    const std::uint8_t r16[] = {0xFF, 0xFF, 0x00, 0x00}, g16[] = {0x00, 0x80, 0x00, 0x00},
                       b16[] = {0x00, 0x00, 0xFF, 0xFF};
    const std::uint8_t* planes[] = {r16, g16, b16};
    p = cm.MakeFilePalette(planes, TPaletteLayout::Planar16, 2);
    EXPECT_EQ(p[0], RGBColor(255, 127, 0));
    EXPECT_EQ(p[1], RGBColor(0, 0, 255));
    p = cm.MakeFilePalette(planes, TPaletteLayout::Planar16, 1, {TPaletteOption::BigEndian});
    EXPECT_EQ(p[0], RGBColor(255, 0, 0));
}

TEST(ColorManager, RepackingScalesGreyLevelsToTheTargetDepth) {
    TColorManager cm;
    // 1 bit to 4 bits: 1 becomes 15.
    setup(cm, TColorModel::Grey, 1, 1, TColorModel::Grey, 4, 1);
    std::uint8_t bits[] = {0xA0}; // 1 0 1 0
    std::uint8_t out[2] = {};
    cm.ConvertLine(bits, 0xFF, 4, out);
    EXPECT_EQ(out[0], 0xF0);
    EXPECT_EQ(out[1], 0xF0);
    // 2-bit grey to 4 bits: 0, 1, 2, 3 become 0, 5, 10, 15.
    setup(cm, TColorModel::Grey, 2, 1, TColorModel::Grey, 4, 1);
    std::uint8_t two[] = {0x1B}; // 00 01 10 11
    cm.ConvertLine(two, 0xFF, 4, out);
    EXPECT_EQ(out[0], 0x05);
    EXPECT_EQ(out[1], 0xAF);
    // A 2-bit target keeps its values but lives in 4-bit pixels.
    setup(cm, TColorModel::Grey, 2, 1, TColorModel::Grey, 2, 1);
    cm.ConvertLine(two, 0xFF, 4, out);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x23);
}

TEST(ColorManager, RepackingKeepsPaletteIndexes) {
    // An index names a palette entry: widened into 4-bit pixels it must name
    // the same entry (a 2-bit PNG's index 3 is its fourth colour, not 15).
    TColorManager cm;
    std::uint8_t out[2] = {};
    setup(cm, TColorModel::Indexed, 2, 1, TColorModel::Indexed, 4, 1);
    std::uint8_t two[] = {0x1B}; // 00 01 10 11
    cm.ConvertLine(two, 0xFF, 4, out);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x23);

    setup(cm, TColorModel::Indexed, 1, 1, TColorModel::Indexed, 4, 1);
    std::uint8_t bits[] = {0xA0}; // 1 0 1 0
    cm.ConvertLine(bits, 0xFF, 4, out);
    EXPECT_EQ(out[0], 0x10);
    EXPECT_EQ(out[1], 0x10);

    // Interlaced rows (a pass writes every fourth pixel) keep them too.
    setup(cm, TColorModel::Indexed, 2, 1, TColorModel::Indexed, 4, 1);
    std::uint8_t pass[] = {0xE0}; // 11 10
    std::uint8_t row[4] = {};
    cm.ConvertLine(pass, 0x88, 8, row);
    EXPECT_EQ(row[0], 0x30);
    EXPECT_EQ(row[2], 0x20);

    // 8-bit indexes into 8-bit pixels are copied as they are.
    setup(cm, TColorModel::Indexed, 8, 1, TColorModel::Indexed, 8, 1);
    std::uint8_t eight[] = {0, 7, 200};
    std::uint8_t wide[3] = {};
    cm.ConvertLine(eight, 0xFF, 3, wide);
    EXPECT_EQ(wide[1], 7);
    EXPECT_EQ(wide[2], 200);
}

TEST(ColorManager, MaskedRowsWriteOnlyTheirPixels) {
    TColorManager cm;
    setup(cm, TColorModel::Grey, 8, 1, TColorModel::Grey, 8, 1);
    std::uint8_t src[] = {1, 2, 3, 4};
    std::vector<std::uint8_t> out(16, 0xEE);
    cm.ConvertLine(src, 0x88, 16, out.data());
    const std::vector<std::uint8_t> want = {1, 0xEE, 0xEE, 0xEE, 2, 0xEE, 0xEE, 0xEE,
                                            3, 0xEE, 0xEE, 0xEE, 4, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(out, want);

    // Sub-byte targets keep the neighbouring pixels of the same byte.
    setup(cm, TColorModel::Indexed, 1, 1, TColorModel::Indexed, 1, 1);
    std::uint8_t ones[] = {0xFF};
    std::uint8_t b[1] = {0x00};
    cm.ConvertLine(ones, 0x22, 8, b);
    EXPECT_EQ(b[0], 0x22);

    setup(cm, TColorModel::RGB, 8, 3, TColorModel::BGR, 8, 3);
    std::uint8_t rgb[] = {10, 20, 30, 40, 50, 60};
    std::vector<std::uint8_t> t(3 * 8, 0);
    cm.ConvertLine(rgb, 0x44, 8, t.data());
    EXPECT_EQ(t[3], 30);
    EXPECT_EQ(t[5], 10);
    EXPECT_EQ(t[15], 60);
    EXPECT_EQ(t[17], 40);
    EXPECT_EQ(t[0], 0);
}

TEST(ColorManager, ColourRowsReorderScaleAndApplyGamma) {
    TColorManager cm;
    // 16-bit big-endian RGBA to BGRA, scaled as v * 255 / 65535.
    setup(cm, TColorModel::RGBA, 16, 4, TColorModel::BGRA, 8, 4);
    cm.SetSourceOptions({TConvertOption::SwapBytes});
    std::uint8_t src[] = {0xFF, 0xFF, 0x80, 0x00, 0x00, 0xFF, 0x12, 0x34};
    std::uint8_t out[4];
    cm.ConvertLine(src, 0xFF, 1, out);
    EXPECT_EQ(out[0], 0);                    // blue 0x00FF
    EXPECT_EQ(out[1], 0x8000 * 255 / 65535); // green
    EXPECT_EQ(out[2], 255);                  // red
    EXPECT_EQ(out[3], 0x1234 * 255 / 65535); // alpha, never gamma-corrected

    // RGBA into BGR drops the alpha; gamma applies to colours.
    setup(cm, TColorModel::RGBA, 8, 4, TColorModel::BGR, 8, 3);
    cm.SetSourceOptions({});
    cm.SetGammaValues(2.2f, 1.0f);
    cm.SetTargetOptions({TConvertOption::ApplyGamma});
    std::uint8_t px[] = {0, 128, 255, 7, 255, 0, 0, 7};
    std::uint8_t bgr[6];
    cm.ConvertLine(px, 0xFF, 2, bgr);
    EXPECT_EQ(bgr[0], 255);
    EXPECT_EQ(bgr[1], cm.GammaTable()[128]);
    EXPECT_EQ(bgr[2], 0);
    EXPECT_EQ(bgr[5], 255);

    // Grey with alpha, 16 bits, into 8-bit index values.
    setup(cm, TColorModel::GreyAlpha, 16, 2, TColorModel::Indexed, 8, 1);
    cm.SetSourceOptions({TConvertOption::SwapBytes});
    std::uint8_t ga[] = {0x80, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    std::uint8_t g[2];
    cm.ConvertLine(ga, 0xFF, 2, g);
    EXPECT_EQ(g[0], 0x8000 * 255 / 65535);
    EXPECT_EQ(g[1], 255);
}

TEST(ColorManager, PlanesConvertLikeInterleavedSamples) {
    // Planes of red, green, blue (and alpha), with and without gamma, into
    // BGR, BGRA and RGB; the interleaved row must give the same bytes.
    const std::uint8_t r[] = {0, 10, 128, 255, 77}, g[] = {5, 20, 64, 0, 200},
                       b[] = {255, 30, 32, 9, 1}, a[] = {1, 2, 3, 4, 250};
    const std::uint8_t* planes[] = {r, g, b, a};
    for (const bool alpha : {false, true})
        for (const TColorModel target : {TColorModel::BGR, TColorModel::BGRA, TColorModel::RGB})
            for (const bool gamma : {false, true}) {
                SCOPED_TRACE(testing::Message() << alpha << int(target) << gamma);
                const int n = alpha ? 4 : 3, t = target == TColorModel::BGRA ? 4 : 3;
                std::vector<std::uint8_t> interleaved;
                for (int x = 0; x < 5; ++x)
                    for (int s = 0; s < n; ++s)
                        interleaved.push_back(planes[s][x]);
                TColorManager cm;
                setup(cm, alpha ? TColorModel::RGBA : TColorModel::RGB, 8, std::uint8_t(n), target,
                      8, std::uint8_t(t));
                if (gamma) cm.SetTargetOptions({TConvertOption::ApplyGamma});
                std::vector<std::uint8_t> want(5 * std::size_t(t)), got(want.size());
                cm.ConvertLine(interleaved.data(), 0xFF, 5, want.data());
                cm.ConvertLine(std::span(planes, std::size_t(n)), 0xFF, 5, got.data());
                EXPECT_EQ(got, want);
            }
}

TEST(ColorManager, CmykAndYCbCr) {
    TColorManager cm;
    setup(cm, TColorModel::CMYK, 8, 4, TColorModel::BGR, 8, 3);
    std::uint8_t cmyk[] = {0, 255, 100, 50};
    std::uint8_t out[3];
    cm.ConvertLine(cmyk, 0xFF, 1, out);
    auto ch = [](int x, int k) { return std::clamp(255 - x - k + x * k / 255, 0, 255); };
    EXPECT_EQ(out[2], ch(0, 50));
    EXPECT_EQ(out[1], ch(255, 50));
    EXPECT_EQ(out[0], ch(100, 50));

    // Neutral chroma gives grey; full Cr pushes red.
    setup(cm, TColorModel::YCbCr, 8, 3, TColorModel::BGR, 8, 3);
    std::uint8_t ycc[] = {100, 128, 128, 100, 128, 255};
    std::uint8_t rgb[6];
    cm.ConvertLine(ycc, 0xFF, 2, rgb);
    EXPECT_EQ(rgb[0], 100);
    EXPECT_EQ(rgb[1], 100);
    EXPECT_EQ(rgb[2], 100);
    EXPECT_EQ(rgb[5], std::clamp(100 + int(std::lround((2 - 2 * 0.299) * 127)), 0, 255));
    EXPECT_LT(rgb[4], 100);
}

} // namespace
} // namespace vt
