// The Autodesk Animator reader on pictures written by data/autodesk/
// make_fixtures.py from the format's description, and on damaged headers.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "imageio/autodeskgraphic.h"
#include "imageio/fileformatlist.h"
#include "loadmessage.h"

namespace vt {
namespace {

using test::LoadBytesMessage;
using test::Patched;
using test::ReadBytes;
using test::TestData;

constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected Autodesk image format.";

class AutodeskPictures : public ::testing::TestWithParam<std::string> {};

TEST_P(AutodeskPictures, EightBitsWithTheFilePaletteTimesFour) {
    const std::string file = TestData("autodesk/" + GetParam());
    const Bitmap picture = LoadPicture(file);
    EXPECT_EQ(picture.pixelFormat(), PixelFormat::pf8bit);
    const Bitmap expected = LoadPicture(file.substr(0, file.rfind('.')) + ".ppm");
    EXPECT_EQ(test::PictureDifference(picture, expected), "");
}

INSTANTIATE_TEST_SUITE_P(Files, AutodeskPictures, ::testing::Values("colours.cel", "ramp.pic"),
                         [](const auto& info) { return test::CaseName(info.param); });

TEST(AutodeskReader, HeadersItCannotRead) {
    const std::string good = ReadBytes(TestData("autodesk/colours.cel"));
    ASSERT_EQ(LoadBytesMessage("cel", good), "");
    EXPECT_EQ(LoadBytesMessage("cel", Patched(good, 0, 0x9118, 2, false)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("cel", Patched(good, 10, 16, 1, false)), kInvalid); // depth
    EXPECT_EQ(LoadBytesMessage("cel", Patched(good, 11, 1, 1, false)), kInvalid);  // compressed
    EXPECT_EQ(LoadBytesMessage("pic", Patched(good, 2, 0, 2, false)), kInvalid);   // no width
    EXPECT_EQ(LoadBytesMessage("pic", Patched(good, 4, 0, 2, false)), kInvalid);   // no height
    EXPECT_EQ(LoadBytesMessage("pic", good.substr(0, 31)), kInvalid);
    // A small file that declares a big picture fails before allocating it.
    EXPECT_EQ(
        LoadBytesMessage("pic", Patched(Patched(good, 2, 16000, 2, false), 4, 16000, 2, false)),
        kInvalid);
    // Every cut short file fails with the reader's message.
    for (std::size_t size = 32; size < good.size(); size += 7)
        EXPECT_EQ(LoadBytesMessage("cel", good.substr(0, size)), kInvalid) << size;
}

TEST(AutodeskReader, PropertiesAndDamagedPaletteValues) {
    std::string bytes = ReadBytes(TestData("autodesk/colours.cel"));
    bytes[32] = char(200); // red of entry 0, beyond 6 bits
    TAutodeskGraphic reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    reader.LoadFromStream(stream);
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_EQ(p.Width, 33u);
    EXPECT_EQ(p.Height, 17u);
    EXPECT_EQ(p.ColorModel, TColorModel::Indexed);
    EXPECT_EQ(p.BitsPerPixel, 8);
    EXPECT_EQ(GetRValue(reader.GetBitmap().palette()[0]), 255);
    TMemoryStream again(bytes.data(), bytes.size());
    EXPECT_TRUE(reader.AcceptsStream(again));
    EXPECT_EQ(again.Position(), 0u);
}

} // namespace
} // namespace vt
