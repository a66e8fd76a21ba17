// Targa, PCX, SGI, GIF, Photoshop, TIFF and BMP files written by other
// programs, loaded through LoadPicture (the extension picks the reader) and
// compared with the pixels an independent reader sees (data/readers/make_fixtures.sh says which
// tool wrote and which read each file).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "platform/bitmap.h"

namespace vt {
namespace {

const std::string kDir = std::string(VORANTEL_TESTDATA) + "/readers/";

// Pixels of a binary PGM, PPM or PAM (grey, RGB or RGB_ALPHA) file as red,
// green, blue, alpha.
struct Expected {
    int width = 0, height = 0;
    bool alpha = false;
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

Expected readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string data(std::istreambuf_iterator<char>(in), {});
    Expected e;
    std::size_t pos = 0;
    auto token = [&]() {
        while (pos < data.size() &&
               (std::isspace(static_cast<unsigned char>(data[pos])) || data[pos] == '#')) {
            if (data[pos] == '#')
                while (pos < data.size() && data[pos] != '\n')
                    ++pos;
            else
                ++pos;
        }
        const std::size_t start = pos;
        while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos])))
            ++pos;
        return data.substr(start, pos - start);
    };
    const std::string magic = token();
    int channels = 0;
    if (magic == "P7") {
        for (std::string key = token(); key != "ENDHDR" && !key.empty(); key = token()) {
            const std::string value = token();
            if (key == "WIDTH") e.width = std::atoi(value.c_str());
            if (key == "HEIGHT") e.height = std::atoi(value.c_str());
            if (key == "DEPTH") channels = std::atoi(value.c_str());
        }
    } else {
        e.width = std::atoi(token().c_str());
        e.height = std::atoi(token().c_str());
        token(); // maximum value: 255 in these files
        channels = magic == "P5" ? 1 : 3;
    }
    ++pos; // the single white-space byte before the samples
    e.alpha = channels == 4;
    const std::size_t pixels = std::size_t(e.width) * e.height;
    if (channels == 0 || data.size() < pos + pixels * channels) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    e.rgba.resize(pixels * 4);
    for (std::size_t i = 0; i < pixels; ++i) {
        const auto* s = reinterpret_cast<const std::uint8_t*>(data.data() + pos + i * channels);
        std::uint8_t* d = &e.rgba[4 * i];
        d[0] = s[0];
        d[1] = channels >= 3 ? s[1] : s[0];
        d[2] = channels >= 3 ? s[2] : s[0];
        d[3] = channels == 4 ? s[3] : 255;
    }
    return e;
}

struct Fixture {
    const char* file;
    PixelFormat format;
    // Largest difference allowed per channel: 16-bit samples and widened
    // 5-bit samples round differently, colour conversions follow their own
    // formulas.
    int tolerance;
};

std::ostream& operator<<(std::ostream& out, const Fixture& f) {
    return out << f.file;
}

const Fixture kFixtures[] = {
    // Targa
    {"tga/rgb24.tga", PixelFormat::pf24bit, 0},
    {"tga/rgb24_topdown.tga", PixelFormat::pf24bit, 0},
    {"tga/rgb24_rle.tga", PixelFormat::pf24bit, 0},
    {"tga/rgb24_rle_topdown.tga", PixelFormat::pf24bit, 0},
    {"tga/rgb24_rle_cross.tga", PixelFormat::pf24bit, 0},
    {"tga/rgba32.tga", PixelFormat::pf32bit, 0},
    {"tga/rgba32_rle.tga", PixelFormat::pf32bit, 0},
    {"tga/rgb15.tga", PixelFormat::pf15bit, 1},
    {"tga/rgb16.vst", PixelFormat::pf15bit, 1},
    {"tga/rgb16_rle.tga", PixelFormat::pf15bit, 1},
    {"tga/cmap24.tga", PixelFormat::pf8bit, 0},
    {"tga/cmap24_rle.vda", PixelFormat::pf8bit, 0},
    {"tga/cmap32_first3.tga", PixelFormat::pf8bit, 0},
    // 16-bit map entries keep their 5 bits in the top of each byte (white
    // is 248); netpbm stretches them to 0..255.
    {"tga/cmap16.tga", PixelFormat::pf8bit, 7},
    {"tga/grey8.icb", PixelFormat::pf8bit, 0},
    {"tga/grey8_rle.win", PixelFormat::pf8bit, 0},
    {"tga/grey8_rle_cross.tga", PixelFormat::pf8bit, 0},
    {"tga/image_id.tga", PixelFormat::pf24bit, 0},
    {"tga/one_pixel.tga", PixelFormat::pf24bit, 0},
    {"tga/one_pixel_rle.tga", PixelFormat::pf24bit, 0},
    {"tga/grey16_alpha.tga", PixelFormat::pf8bit, 0},
    {"tga/grey16_alpha_rle.tga", PixelFormat::pf8bit, 0},
    // PCX
    {"pcx/packed1.pcx", PixelFormat::pf1bit, 0},
    {"pcx/packed2.pcx", PixelFormat::pf4bit, 0},
    {"pcx/packed4.pcx", PixelFormat::pf4bit, 0},
    {"pcx/planes3.pcx", PixelFormat::pf4bit, 0},
    {"pcx/planes4.pcx", PixelFormat::pf4bit, 0},
    {"pcx/grey8.pcx", PixelFormat::pf8bit, 0},
    {"pcx/pal8.pcc", PixelFormat::pf8bit, 0},
    {"pcx/pal8_im.pcx", PixelFormat::pf8bit, 0},
    {"pcx/pal8_pillow.pcx", PixelFormat::pf8bit, 0},
    {"pcx/pal8_cross.pcx", PixelFormat::pf8bit, 0},
    {"pcx/plain8.scr", PixelFormat::pf8bit, 0},
    {"pcx/rgb24.pcx", PixelFormat::pf24bit, 0},
    {"pcx/rgb24_im.scr", PixelFormat::pf24bit, 0},
    {"pcx/plain24.pcx", PixelFormat::pf24bit, 0},
    {"pcx/rgba32.pcx", PixelFormat::pf32bit, 0},
    {"pcx/one_pixel.pcx", PixelFormat::pf24bit, 0},
    // SGI
    {"sgi/rgb_verbatim.sgi", PixelFormat::pf24bit, 0},
    {"sgi/rgb_rle.rgb", PixelFormat::pf24bit, 0},
    {"sgi/rgb_rle_im.sgi", PixelFormat::pf24bit, 0},
    {"sgi/rgba_verbatim.sgi", PixelFormat::pf32bit, 0},
    {"sgi/rgba_rle.rgba", PixelFormat::pf32bit, 0},
    {"sgi/rgb16_verbatim.sgi", PixelFormat::pf24bit, 1},
    {"sgi/rgb16_rle.sgi", PixelFormat::pf24bit, 1},
    {"sgi/grey_verbatim.bw", PixelFormat::pf8bit, 0},
    {"sgi/grey_rle.bw", PixelFormat::pf8bit, 0},
    {"sgi/grey_rle_shared.bw", PixelFormat::pf8bit, 0},
    {"sgi/grey16.bw", PixelFormat::pf8bit, 1},
    {"sgi/grey_1d.sgi", PixelFormat::pf8bit, 0},
    {"sgi/grey_alpha.sgi", PixelFormat::pf8bit, 0},
    {"sgi/one_pixel.sgi", PixelFormat::pf24bit, 0},
    // GIF
    {"gif/two_colours.gif", PixelFormat::pf8bit, 0},
    {"gif/eleven_colours.gif", PixelFormat::pf8bit, 0},
    {"gif/noise_im.gif", PixelFormat::pf8bit, 0},
    {"gif/noise_pillow.gif", PixelFormat::pf8bit, 0},
    {"gif/noise_interlaced.gif", PixelFormat::pf8bit, 0},
    {"gif/interlaced_im.gif", PixelFormat::pf8bit, 0},
    {"gif/extensions.gif", PixelFormat::pf8bit, 0},
    {"gif/local_table.gif", PixelFormat::pf8bit, 0},
    {"gif/local_over_global.gif", PixelFormat::pf8bit, 0},
    {"gif/size_zero.gif", PixelFormat::pf8bit, 0},
    {"gif/offset_image.gif", PixelFormat::pf8bit, 0},
    {"gif/two_frames.gif", PixelFormat::pf8bit, 0},
    {"gif/version87.gif", PixelFormat::pf8bit, 0},
    {"gif/one_pixel.gif", PixelFormat::pf8bit, 0},
    {"gif/code_size_11.gif", PixelFormat::pf8bit, 0},
    // TIFF and BMP
    {"tif/palette_alpha_lzw.tif", PixelFormat::pf8bit, 0},
    {"bmp/rle8_long_runs.bmp", PixelFormat::pf8bit, 0},
    {"bmp/rle4_long_runs.bmp", PixelFormat::pf4bit, 0},
    // Photoshop
    {"psd/rgb_rle.psd", PixelFormat::pf24bit, 0},
    {"psd/rgb_raw.pdd", PixelFormat::pf24bit, 0},
    {"psd/rgba_rle.psd", PixelFormat::pf32bit, 0},
    {"psd/rgb_five_channels.psd", PixelFormat::pf32bit, 0},
    {"psd/rgb16_rle.psd", PixelFormat::pf24bit, 1},
    {"psd/rgb16_raw.psd", PixelFormat::pf24bit, 1},
    {"psd/grey_rle.psd", PixelFormat::pf8bit, 0},
    {"psd/grey16_rle.psd", PixelFormat::pf8bit, 1},
    {"psd/grey_alpha.psd", PixelFormat::pf8bit, 0},
    {"psd/duotone.psd", PixelFormat::pf8bit, 0},
    {"psd/indexed_rle.psd", PixelFormat::pf8bit, 0},
    {"psd/bitmap_rle.psd", PixelFormat::pf1bit, 0},
    {"psd/bitmap_raw.psd", PixelFormat::pf1bit, 0},
    {"psd/cmyk_rle.psd", PixelFormat::pf24bit, 1},
    {"psd/cmyk_raw.psd", PixelFormat::pf24bit, 1},
    {"psd/lab.psd", PixelFormat::pf24bit, 8},
    {"psd/multichannel.psd", PixelFormat::pf24bit, 0},
    {"psd/layers.psd", PixelFormat::pf24bit, 0},
    {"psd/one_pixel.psd", PixelFormat::pf24bit, 0},
};

class ReaderFixture : public ::testing::TestWithParam<Fixture> {};

TEST_P(ReaderFixture, GivesThePixelsOfAnIndependentReader) {
    const Fixture& f = GetParam();
    const std::string path = kDir + f.file;
    const std::string stem = path.substr(0, path.rfind('.'));
    const Expected want =
        readPnm(std::ifstream(stem + ".pam").good() ? stem + ".pam" : stem + ".ppm");
    ASSERT_FALSE(want.rgba.empty());

    Bitmap b;
    try {
        b = LoadPicture(path);
    } catch (const std::exception& e) {
        FAIL() << e.what();
    }
    ASSERT_EQ(b.width(), want.width);
    ASSERT_EQ(b.height(), want.height);
    EXPECT_EQ(b.pixelFormat(), f.format);
    int bad = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const TColor got = b.pixel(x, y);
            const std::uint8_t* exp = want.at(x, y);
            const int alpha =
                b.pixelFormat() == PixelFormat::pf32bit ? b.scanLine(y)[4 * x + 3] : 255;
            const bool ok = std::abs(GetRValue(got) - exp[0]) <= f.tolerance &&
                            std::abs(GetGValue(got) - exp[1]) <= f.tolerance &&
                            std::abs(GetBValue(got) - exp[2]) <= f.tolerance &&
                            (!want.alpha || alpha == exp[3]);
            if (!ok && ++bad <= 3)
                ADD_FAILURE() << "pixel " << x << "," << y << ": got " << GetRValue(got) << " "
                              << GetGValue(got) << " " << GetBValue(got) << " " << alpha
                              << ", want " << int(exp[0]) << " " << int(exp[1]) << " "
                              << int(exp[2]) << " " << int(exp[3]);
        }
    EXPECT_EQ(bad, 0);
}

std::string CaseName(const ::testing::TestParamInfo<Fixture>& info) {
    std::string name = info.param.file;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderFixture, ::testing::ValuesIn(kFixtures), CaseName);

} // namespace
} // namespace vt
