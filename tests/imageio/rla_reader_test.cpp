// The Alias/Wavefront reader on pictures written by data/rla/make_fixtures.py
// from the format's description, compared with what GraphicsMagick reads from
// them (or with the encoded samples where it reads nothing), and on damaged
// files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fixtures.h"
#include "imageio/fileformatlist.h"
#include "imageio/rlagraphic.h"
#include "imageio/rundecoders.h"

namespace vt {
namespace {

using test::LoadBytesMessage;
using test::Patched;
using test::ReadBytes;
using test::TestData;

constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected RLA image format.";

std::vector<std::uint8_t> decode(const std::vector<std::uint8_t>& in, std::size_t wanted,
                                 std::size_t* consumed = nullptr) {
    TRLADecoder decoder;
    std::vector<std::uint8_t> out(wanted);
    const std::uint8_t* source = in.data();
    std::uint8_t* dest = out.data();
    decoder.Decode(source, dest, in.size(), out.size());
    if (consumed) *consumed = std::size_t(source - in.data());
    out.resize(std::size_t(dest - out.data()));
    return out;
}

TEST(RlaDecoder, RunsAndLiterals) {
    // 0 repeats once, 2 three times, -2 copies two bytes.
    EXPECT_EQ(decode({0, 9, 2, 4, 0xFE, 1, 2}, 100), (std::vector<std::uint8_t>{9, 4, 4, 4, 1, 2}));
    EXPECT_EQ(decode({127, 3}, 200).size(), 128u);
    std::vector<std::uint8_t> literal(129, 5);
    literal[0] = 0x80; // -128
    EXPECT_EQ(decode(literal, 200).size(), 128u);
    // Bounded by the wanted output and by the input.
    std::size_t consumed = 0;
    EXPECT_EQ(decode({5, 1, 0xFD, 7, 8, 9}, 3, &consumed), (std::vector<std::uint8_t>{1, 1, 1}));
    EXPECT_EQ(consumed, 2u);
    EXPECT_EQ(decode({0xFB, 7, 8}, 10, &consumed), (std::vector<std::uint8_t>{7, 8}));
    EXPECT_EQ(consumed, 3u);
    EXPECT_EQ(decode({4}, 10).size(), 0u);
}

struct Case {
    const char* file;
    const char* expected;
    bool alpha;
};

class RlaPictures : public ::testing::TestWithParam<Case> {};

TEST_P(RlaPictures, MatchTheReference) {
    const Case& c = GetParam();
    const Bitmap picture = LoadPicture(TestData(std::string("rla/") + c.file));
    EXPECT_EQ(picture.pixelFormat(), c.alpha ? PixelFormat::pf32bit : PixelFormat::pf24bit);
    EXPECT_EQ(test::PictureDifference(
                  picture, LoadPicture(TestData(std::string("rla/") + c.expected)), c.alpha),
              "");
}

INSTANTIATE_TEST_SUITE_P(Files, RlaPictures,
                         ::testing::Values(Case{"rgb.rla", "rgb.ppm", false},
                                           Case{"runs.rla", "runs.ppm", false},
                                           Case{"matte.rla", "matte.png", true},
                                           Case{"xyz.rpf", "xyz.ppm", false},
                                           Case{"deep.rla", "deep.ppm", false},
                                           Case{"topdown.rla", "topdown.ppm", false}),
                         [](const auto& info) { return test::CaseName(info.param.file); });

TEST(RlaReader, HeaderProperties) {
    const std::string bytes = ReadBytes(TestData("rla/matte.rla"));
    TRLAGraphic reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    EXPECT_TRUE(reader.AcceptsStream(stream));
    reader.LoadFromStream(stream);
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_EQ(p.Width, 21u);
    EXPECT_EQ(p.Height, 11u);
    EXPECT_EQ(p.ColorModel, TColorModel::RGBA);
    EXPECT_TRUE(p.AlphaPresent);
    EXPECT_TRUE(p.BottomUp);
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::BigEndian));
    EXPECT_EQ(p.Compression, TCompressionType::RLE);
    EXPECT_FLOAT_EQ(p.Gamma, 1.0f);
}

TEST(RlaReader, GammaOfTheHeaderIsAppliedAgainstTwoPointTwo) {
    const std::string bytes = ReadBytes(TestData("rla/rgb.rla"));
    std::string gamma = bytes;
    gamma.replace(28, 4, "2.2", 4);
    TRLAGraphic plain, corrected;
    TMemoryStream a(bytes.data(), bytes.size()), b(gamma.data(), gamma.size());
    plain.LoadFromStream(a);
    corrected.LoadFromStream(b);
    EXPECT_FLOAT_EQ(corrected.ImageProperties()->Gamma, 2.2f);
    EXPECT_TRUE(corrected.ImageProperties()->Flags.Contains(TImageFlag::GammaApplied));
    EXPECT_FALSE(plain.ImageProperties()->Flags.Contains(TImageFlag::GammaApplied));
    for (int y = 0; y < 19; y += 6)
        for (int x = 0; x < 37; x += 5)
            for (int c = 0; c < 3; ++c) {
                const int v = plain.GetBitmap().scanLine(y)[3 * x + c];
                const int want = int(std::lround(std::pow(v / 255.0, 1 / (2.2 * 2.2)) * 255));
                EXPECT_EQ(corrected.GetBitmap().scanLine(y)[3 * x + c], want) << x << "," << y;
            }
}

TEST(RlaReader, SamplesOfTwelveBitsAreStretched) {
    // deep.rla with 12-bit samples: the values of the file read as 12 bits.
    const std::string bytes = Patched(ReadBytes(TestData("rla/deep.rla")), 658, 12, 2, true);
    ASSERT_EQ(LoadBytesMessage("rla", bytes), "");
    TRLAGraphic reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    reader.LoadFromStream(stream);
    // Red of (0, 0) is 0, blue is 65535 (above 4095: full), green of row 6
    // at x = 0 is 54000 % 65536 (also above 4095).
    EXPECT_EQ(reader.GetBitmap().pixel(0, 0), RGBColor(0, 0, 255));
    // Red of (1, 0) is 4001: 4001 * 65535 / 4095 * 255 / 65535.
    EXPECT_EQ(GetRValue(reader.GetBitmap().pixel(1, 0)), 4001 * 65535 / 4095 * 255 / 65535);
}

TEST(RlaReader, HeadersThatDoNotMatchFailInsteadOfGivingAnEmptyPicture) {
    const std::string good = ReadBytes(TestData("rla/rgb.rla"));
    ASSERT_EQ(LoadBytesMessage("rla", good), "");
    // The revision with its bytes swapped is the same value read the other
    // way round and is taken too.
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 26, 0xFEFF, 2, true)), "");
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 26, 0, 2, true)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("rpf", Patched(good, 580, 'c' << 16 | 'm' << 8 | 'y', 3, true)),
              kInvalid);
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 10, 0xFFF0, 2, true)),
              kInvalid); // right < left
    EXPECT_EQ(LoadBytesMessage("rla", good.substr(0, 739)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 20, 1, 2, true)),
              "Invalid color format in RLA file.");
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 658, 32, 2, true)),
              "Invalid color format in RLA file.");
    // A small file that declares a big picture fails before allocating it.
    EXPECT_EQ(
        LoadBytesMessage("rla", Patched(Patched(good, 10, 16000, 2, true), 14, 16000, 2, true)),
        kInvalid);
    // A row offset beyond the file.
    EXPECT_EQ(LoadBytesMessage("rla", Patched(good, 740, 0x7FFFFFF0, 4, true)),
              "Stream read error in RLA file.");
    for (std::size_t size = 740; size < good.size(); size += 11) {
        const std::string message = LoadBytesMessage("rla", good.substr(0, size));
        EXPECT_TRUE(message == kInvalid || message == "Stream read error in RLA file.")
            << size << ": " << message;
    }
}

} // namespace
} // namespace vt
