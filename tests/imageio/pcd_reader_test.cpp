// The Photo-CD reader on pictures written by data/pcd/make_fixtures.py (from
// the format's description, and one by ImageMagick), compared with the
// luminance and chroma ImageMagick reads from them, put through the same
// PhotoYCC conversion.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "fixtures.h"
#include "imageio/colormanager.h"
#include "imageio/fileformatlist.h"
#include "imageio/pcdgraphic.h"

namespace vt {
namespace {

using test::LoadBytesMessage;
using test::ReadBytes;
using test::TestData;

constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected PCD image format.";

// The expected picture: luminance, C1 and C2 as red, green and blue of a PNG,
// converted as the Photo-CD reader converts.
Bitmap fromSamples(const std::string& png) {
    const Bitmap samples = LoadPicture(png).convertedTo24();
    TColorManager converter;
    converter.SetSourceColorScheme(TColorModel::PhotoYCC);
    converter.SetTargetColorScheme(TColorModel::BGR);
    const std::array<float, 3> weights = {0.2125f, 0.7154f, 0.0721f};
    converter.SetYCbCrSetup(weights, 1, 1);
    Bitmap picture(samples.width(), samples.height(), PixelFormat::pf24bit);
    std::vector<std::uint8_t> ycc(3 * std::size_t(samples.width()));
    for (int y = 0; y < samples.height(); ++y) {
        const std::uint8_t* bgr = samples.scanLine(y);
        for (int x = 0; x < samples.width(); ++x) {
            ycc[3 * x] = bgr[3 * x + 2];
            ycc[3 * x + 1] = bgr[3 * x + 1];
            ycc[3 * x + 2] = bgr[3 * x];
        }
        converter.ConvertLine(ycc.data(), 0xFF, std::size_t(samples.width()), picture.scanLine(y));
    }
    return picture;
}

struct Case {
    const char* file;
    const char* expected;
    int width, height;
};

class PcdPictures : public ::testing::TestWithParam<Case> {};

TEST_P(PcdPictures, BaseImageMatchesImageMagicksSamples) {
    const Case& c = GetParam();
    const Bitmap picture = LoadPicture(TestData(std::string("pcd/") + c.file));
    EXPECT_EQ(picture.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(picture.width(), c.width);
    EXPECT_EQ(picture.height(), c.height);
    EXPECT_EQ(
        test::PictureDifference(picture, fromSamples(TestData(std::string("pcd/") + c.expected))),
        "");
}

INSTANTIATE_TEST_SUITE_P(Files, PcdPictures,
                         ::testing::Values(Case{"landscape.pcd", "landscape.png", 768, 512},
                                           Case{"left.pcd", "left.png", 512, 768},
                                           Case{"right.pcd", "right.png", 512, 768},
                                           Case{"upside.pcd", "upside.png", 768, 512},
                                           Case{"magick.pcd", "magick.png", 768, 512},
                                           // The same samples, from sector 5 of an overview file.
                                           Case{"overview.pcd", "landscape.png", 768, 512}),
                         [](const auto& info) { return test::CaseName(info.param.file); });

TEST(PcdReader, HeaderProperties) {
    const std::string bytes = ReadBytes(TestData("pcd/left.pcd"));
    TPCDGraphic reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    EXPECT_TRUE(reader.AcceptsStream(stream));
    EXPECT_TRUE(reader.ReadHeader(stream, 2));
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_EQ(p.Width, 768u);
    EXPECT_EQ(p.Height, 512u);
    EXPECT_EQ(p.Rotate, 1);
    EXPECT_FALSE(p.Overview);
    EXPECT_EQ(p.ColorModel, TColorModel::PhotoYCC);
    stream.Seek(0);
    EXPECT_TRUE(reader.ReadHeader(stream, 0));
    EXPECT_EQ(reader.ImageProperties()->Width, 192u);
    stream.Seek(0);
    EXPECT_FALSE(reader.ReadHeader(stream, 3)); // Huffman coded resolutions

    const std::string overview = ReadBytes(TestData("pcd/overview.pcd"));
    TMemoryStream second(overview.data(), overview.size());
    EXPECT_TRUE(reader.ReadHeader(second, 2));
    EXPECT_TRUE(reader.ImageProperties()->Overview);
    EXPECT_EQ(reader.ImageProperties()->ImageCount, 1u);
}

TEST(PcdReader, FilesWithoutSignatureOrPixelsFail) {
    std::string bytes = ReadBytes(TestData("pcd/landscape.pcd"));
    ASSERT_EQ(LoadBytesMessage("pcd", bytes), "");
    std::string noSignature = bytes;
    noSignature[2048] = 'X';
    // The header does not match: a message, not an empty picture.
    EXPECT_EQ(LoadBytesMessage("pcd", noSignature), kInvalid);
    EXPECT_EQ(LoadBytesMessage("pcd", bytes.substr(0, 6143)), kInvalid);
    // Cut short within the base image.
    for (std::size_t size : {std::size_t(6144), std::size_t(96 * 2048), bytes.size() - 1})
        EXPECT_EQ(LoadBytesMessage("pcd", bytes.substr(0, size)), kInvalid) << size;
}

TEST(PcdReader, ChromaDoubledByAveragingNeighbours) {
    // 2 x 2 samples: the new samples between two old ones are their rounded
    // mean, the one between four the rounded mean of four; the last column
    // and row repeat.
    const std::uint8_t plane[] = {0, 100, 201, 50};
    std::uint8_t out[16];
    UpsampleChroma(plane, 2, 2, out);
    const std::uint8_t want[16] = {0,   50,  100, 100, //
                                   101, 88,  75,  75,  //
                                   201, 126, 50,  50,  //
                                   201, 126, 50,  50};
    EXPECT_EQ(std::vector<std::uint8_t>(out, out + 16), std::vector<std::uint8_t>(want, want + 16));
    const std::uint8_t one = 77;
    std::uint8_t four[4];
    UpsampleChroma(&one, 1, 1, four);
    EXPECT_EQ(std::vector<std::uint8_t>(four, four + 4), std::vector<std::uint8_t>(4, 77));
}

} // namespace
} // namespace vt
