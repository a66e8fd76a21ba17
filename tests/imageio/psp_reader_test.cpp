// The Paint Shop Pro reader on pictures written by data/psp/make_fixtures.py
// from the format's description (versions 3 to 5, every depth and
// compression), and on damaged files.
#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "imageio/fileformatlist.h"
#include "imageio/pspgraphic.h"
#include "imageio/rundecoders.h"

namespace vt {
namespace {

using test::LoadBytesMessage;
using test::Patched;
using test::ReadBytes;
using test::TestData;

constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected PSP image format.";
constexpr const char* kReadError = "Stream read error in PSP file.";

std::vector<std::uint8_t> decode(const std::vector<std::uint8_t>& in, std::size_t wanted) {
    TPSPRLEDecoder decoder;
    std::vector<std::uint8_t> out(wanted);
    const std::uint8_t* source = in.data();
    std::uint8_t* dest = out.data();
    decoder.Decode(source, dest, in.size(), out.size());
    out.resize(std::size_t(dest - out.data()));
    return out;
}

TEST(PspDecoder, RunsAndLiterals) {
    // 129 repeats once, 131 three times, 2 copies two bytes, 0 copies none.
    EXPECT_EQ(decode({129, 9, 131, 4, 2, 1, 2, 0}, 100),
              (std::vector<std::uint8_t>{9, 4, 4, 4, 1, 2}));
    EXPECT_EQ(decode({255, 3}, 200).size(), 127u);
    std::vector<std::uint8_t> literal(129, 5);
    literal[0] = 128;
    EXPECT_EQ(decode(literal, 200).size(), 128u);
    EXPECT_EQ(decode({131, 1, 3, 7, 8, 9}, 4), (std::vector<std::uint8_t>{1, 1, 1, 7}));
    EXPECT_EQ(decode({5, 7, 8}, 10), (std::vector<std::uint8_t>{7, 8}));
    EXPECT_EQ(decode({200}, 10).size(), 0u);
}

class PspPictures : public ::testing::TestWithParam<std::string> {};

TEST_P(PspPictures, MatchTheEncodedPixels) {
    const std::string name = GetParam();
    const Bitmap picture = LoadPicture(TestData("psp/" + name + ".psp"));
    const bool alpha = name.find("rgba") != std::string::npos;
    const bool rgb = name.find("rgb") != std::string::npos ||
                     name.find("flat") != std::string::npos ||
                     name.find("layer") != std::string::npos;
    const bool four =
        name.find("pal4") != std::string::npos || name.find("grey4") != std::string::npos;
    const int bits = name.find("pal1") != std::string::npos ? 1
                     : four                                 ? 4
                     : alpha                                ? 32
                     : rgb                                  ? 24
                                                            : 8;
    EXPECT_EQ(BitsPerPixel(picture.pixelFormat()), bits);
    EXPECT_EQ(
        test::PictureDifference(picture, LoadPicture(TestData("psp/" + name + ".png")), alpha), "");
}

INSTANTIATE_TEST_SUITE_P(Files, PspPictures,
                         ::testing::Values("v3-rgb-none", "v3-rgb-rle", "v3-rgb-lz77",
                                           "v4-rgb-none", "v4-rgb-rle", "v4-rgb-lz77",
                                           "v5-rgb-none", "v5-rgb-rle", "v5-rgb-lz77",
                                           "v5-flat-rle", "v5-rgba-rle", "v3-rgba-lz77",
                                           "v5-rgb-unpadded", "v4-pal8-lz77", "v4-pal4-rle",
                                           "v3-pal4-none", "v5-pal1-none", "v5-grey8-rle",
                                           "v5-grey4-lz77", "v5-layer-offset"),
                         [](const auto& info) { return test::CaseName(info.param); });

TEST(PspReader, HeaderProperties) {
    const std::string bytes = ReadBytes(TestData("psp/v5-layer-offset.psp"));
    TPSPGraphic reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    EXPECT_TRUE(reader.AcceptsStream(stream));
    EXPECT_EQ(stream.Position(), 0u);
    reader.LoadFromStream(stream);
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_EQ(p.FormatVersion, 5u);
    EXPECT_EQ(p.Width, 40u);
    EXPECT_EQ(p.Height, 20u);
    EXPECT_EQ(p.ColorModel, TColorModel::RGB);
    EXPECT_EQ(p.Compression, TCompressionType::RLE);
    // 40 pixels per centimetre.
    EXPECT_FLOAT_EQ(p.XResolution, 101.6f);
    EXPECT_FLOAT_EQ(p.YResolution, 101.6f);

    const std::string grey = ReadBytes(TestData("psp/v5-grey4-lz77.psp"));
    TMemoryStream second(grey.data(), grey.size());
    EXPECT_TRUE(reader.ReadHeader(second, 0));
    EXPECT_EQ(reader.ImageProperties()->ColorModel, TColorModel::Grey);
    EXPECT_EQ(reader.ImageProperties()->BitsPerSample, 4);
    EXPECT_EQ(reader.ImageProperties()->Compression, TCompressionType::LZ77);
}

TEST(PspReader, FilesItCannotRead) {
    EXPECT_EQ(LoadBytesMessage("psp", ReadBytes(TestData("psp/bad-depth16.psp"))),
              "Invalid color format in PSP file.");
    EXPECT_EQ(LoadBytesMessage("psp", ReadBytes(TestData("psp/bad-jpeg.psp"))),
              "Cannot load image. The compression scheme is not supported for PSP files.");
    EXPECT_EQ(LoadBytesMessage("psp", ReadBytes(TestData("psp/bad-no-palette.psp"))),
              "Cannot load image. Palette in PSP file is invalid.");

    const std::string good = ReadBytes(TestData("psp/v5-rgb-rle.psp"));
    ASSERT_EQ(LoadBytesMessage("psp", good), "");
    // The signature ignores case; versions before 3 are not this format.
    std::string upper = good;
    for (int i = 0; i < 25; ++i)
        upper[std::size_t(i)] =
            char(std::toupper(static_cast<unsigned char>(upper[std::size_t(i)])));
    EXPECT_EQ(LoadBytesMessage("psp", upper), "");
    EXPECT_EQ(LoadBytesMessage("psp", Patched(good, 0, 'Q', 1, false)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("psp", Patched(good, 32, 2, 2, false)), kInvalid);
    // No width; the first block is not the general image attributes.
    EXPECT_EQ(LoadBytesMessage("psp", Patched(good, 36 + 10 + 4, 0, 4, false)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("psp", Patched(good, 36 + 4, 1, 2, false)), kInvalid);
    // A picture without a raster layer is no picture.
    const std::size_t layerType = good.find("Background") + 10;
    ASSERT_NE(layerType, std::string::npos);
    EXPECT_EQ(LoadBytesMessage("psp", Patched(good, layerType, 3, 1, false)), kInvalid);
    // A small file that declares a big picture fails before allocating it.
    EXPECT_EQ(
        LoadBytesMessage("psp", Patched(Patched(good, 50, 16000, 4, false), 54, 16000, 4, false)),
        kInvalid);
    // Every file cut short fails with a message.
    for (std::size_t size = 0; size < good.size(); size += 5) {
        const std::string message = LoadBytesMessage("psp", good.substr(0, size));
        EXPECT_TRUE(message == kInvalid || message == kReadError) << size << ": " << message;
    }
}

TEST(PspReader, DamagedChannelData) {
    // The deflate stream of the first channel with a byte changed: zlib's
    // check fails.
    std::string lz77 = ReadBytes(TestData("psp/v5-rgb-lz77.psp"));
    const std::size_t deflate = lz77.find("\x78\x9c");
    ASSERT_NE(deflate, std::string::npos);
    lz77[deflate + 5] = char(lz77[deflate + 5] ^ 0x55);
    EXPECT_EQ(LoadBytesMessage("psp", lz77),
              "Cannot load image. Compression error found in PSP file.");
    // Run-length data that gives too few pixels.
    std::string rle = ReadBytes(TestData("psp/v5-flat-rle.psp"));
    const std::size_t run = rle.find(std::string("\x94\x00", 2));
    ASSERT_NE(run, std::string::npos);
    rle[run] = char(0x81);
    EXPECT_EQ(LoadBytesMessage("psp", rle),
              "Cannot load image. Compression error found in PSP file.");
}

} // namespace
} // namespace vt
