// The photo view's zoom: photo pixels and device pixels agree at every
// scale, and the view shows sharp squares when enlarged and means when
// reduced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/viewzoom.h"

using namespace vt;

namespace {

struct MappingCase {
    const char* name;
    ZoomScale scale;
    int width, height;
};

class Mapping : public ::testing::TestWithParam<MappingCase> {};

// Every device pixel shows the photo pixel whose screen span holds it; the
// spans tile the photo's screen size without gap or overlap; an enlarged
// pixel is a square of the zoom's size.
TEST_P(Mapping, DeviceAndPhotoPixelsAgree) {
    const MappingCase& c = GetParam();
    const PhotoViewMapping m(c.scale, c.width, c.height);
    for (int size : {c.width, c.height}) {
        const double expected = size * c.scale.factor();
        const int screen = m.toScreen(size);
        EXPECT_NEAR(screen, expected, 0.5 + 1e-9);
        int next = 0;
        for (int p = 0; p < size; ++p) {
            ASSERT_EQ(m.toScreen(p), next) << "pixel " << p;
            next = m.toScreenEnd(p);
            if (c.scale.den == 1) {
                ASSERT_EQ(next - m.toScreen(p), c.scale.num);
            }
        }
        EXPECT_EQ(next, screen);
        for (int s = 0; s < screen; ++s) {
            const int p = m.toPhoto(s);
            ASSERT_TRUE(m.toScreen(p) <= s && s < m.toScreenEnd(p)) << "device pixel " << s;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Zooms, Mapping,
    ::testing::Values(MappingCase{"at100_odd", {1, 1}, 7, 5},
                      MappingCase{"at800_odd", {8, 1}, 7, 5},
                      MappingCase{"at1600", {16, 1}, 33, 17},
                      MappingCase{"at50_odd", {1, 2}, 101, 37},
                      MappingCase{"at6_25", {1, 16}, 6001, 4001},
                      MappingCase{"fit_6000_in_1281", FitScale(6000, 4000, 1281, 803), 6000, 4000},
                      MappingCase{"fit_odd_in_640", FitScale(4001, 2999, 640, 640), 4001, 2999}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ZoomSteps, StepsFitAndNames) {
    // Fit: the whole photo in the view, touching it on one side; never
    // enlarged.
    struct Fit {
        int w, h, vw, vh;
    };
    for (const Fit f :
         {Fit{6000, 4000, 1281, 803}, Fit{4001, 2999, 640, 640}, Fit{99, 3, 1000, 1000}}) {
        const PhotoViewMapping m(FitScale(f.w, f.h, f.vw, f.vh), f.w, f.h);
        EXPECT_LE(m.screenWidth(), f.vw);
        EXPECT_LE(m.screenHeight(), f.vh);
        EXPECT_TRUE(m.screenWidth() == f.vw || m.screenHeight() == f.vh || m.scale().factor() == 1)
            << f.w << "x" << f.h;
    }
    // From a fit between steps, in and out go to the neighbouring steps; at
    // the ends they stay.
    const ZoomScale fit = FitScale(6000, 4000, 1281, 803);
    EXPECT_EQ(ZoomStepAbove(fit), (ZoomScale{1, 4}));
    EXPECT_EQ(ZoomStepBelow(fit), (ZoomScale{1, 8}));
    EXPECT_EQ(ZoomStepAbove(ZoomStep(kZoomStepCount - 1)), (ZoomScale{16, 1}));
    EXPECT_EQ(ZoomStepBelow(ZoomStep(0)), (ZoomScale{1, 16}));
    EXPECT_EQ(ZoomText({1, 1}), "100 %");
    EXPECT_EQ(ZoomText({1, 8}), "12.5 %");
    EXPECT_EQ(ZoomText({8, 1}), "800 %");
}

Bitmap Filled(int w, int h, TColor c) {
    Bitmap b(w, h);
    b.fill(c);
    return b;
}

// The whole view of a photo, device pixel by device pixel.
std::vector<std::uint32_t> View(const Bitmap& photo, const PhotoViewMapping& m) {
    std::vector<std::uint32_t> out(std::size_t(m.screenWidth()) * std::size_t(m.screenHeight()));
    RenderViewRegion(photo, m, 0, 0, m.screenWidth(), m.screenHeight(), out.data(),
                     std::size_t(m.screenWidth()));
    return out;
}

TEST(ViewRendering, EnlargedSharpReducedFilteredRegionsSeamless) {
    // A hot pixel at 800 % is an 8 x 8 square of its own colour in black.
    Bitmap photo = Filled(7, 5, RGBColor(0, 0, 0));
    photo.setPixel(3, 2, RGBColor(255, 255, 255));
    const PhotoViewMapping big({8, 1}, 7, 5);
    const std::vector<std::uint32_t> view = View(photo, big);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 56; ++x) {
            const bool inSquare = x >= 24 && x < 32 && y >= 16 && y < 24;
            ASSERT_EQ(view[std::size_t(y * 56 + x)], inSquare ? 0xffffffffu : 0xff000000u)
                << x << "," << y;
        }

    // Alternate black and white columns reduced to a quarter: an even grey,
    // not a column that happens to be sampled.
    Bitmap stripes(64, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            stripes.setPixel(x, y, x % 2 ? RGBColor(255, 255, 255) : RGBColor(0, 0, 0));
    for (const std::uint32_t v : View(stripes, PhotoViewMapping({1, 4}, 64, 32)))
        ASSERT_NEAR(int(v & 0xff), 128, 1);

    // A part of the view painted alone is the same part of the whole view
    // (painted by bands of rows on several threads), at a fit scale between
    // steps.
    Bitmap texture(3001, 2003);
    for (int y = 0; y < texture.height(); ++y)
        for (int x = 0; x < texture.width(); ++x)
            texture.setPixel(x, y, RGBColor(x * 7 % 256, y * 13 % 256, (x * y) % 256));
    const PhotoViewMapping fit(FitScale(3001, 2003, 970, 800), 3001, 2003);
    const std::vector<std::uint32_t> whole = View(texture, fit);
    const int w = fit.screenWidth();
    std::vector<std::uint32_t> part(30 * 20);
    RenderViewRegion(texture, fit, 411, 517, 30, 20, part.data(), 30);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(part[std::size_t(y * 30 + x)], whole[std::size_t((y + 517) * w + x + 411)]);
}

} // namespace
