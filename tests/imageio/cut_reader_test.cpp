// The Dr. Halo reader and its palette files, on pictures written by
// data/cut/make_fixtures.py from the format's description with the pixels
// ImageMagick reads from them, and on damaged files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "imageio/cutgraphic.h"
#include "imageio/fileformatlist.h"
#include "imageio/rundecoders.h"
#include "support/tempdir.h"

namespace vt {
namespace {

using test::LoadBytesMessage;
using test::Patched;
using test::ReadBytes;
using test::TestData;

constexpr const char* kInvalid = "Cannot load image. Invalid or unexpected CUT image format.";
constexpr const char* kReadError = "Stream read error in CUT file.";
constexpr const char* kBadPalette = "Cannot load image. Palette in CUT file is invalid.";

std::vector<std::uint8_t> decodeRow(const std::vector<std::uint8_t>& in, std::size_t wanted,
                                    std::size_t* consumed = nullptr, bool* ended = nullptr) {
    TCUTRLEDecoder decoder;
    std::vector<std::uint8_t> out(wanted, 0xEE);
    const std::uint8_t* source = in.data();
    std::uint8_t* dest = out.data();
    decoder.Decode(source, dest, in.size(), out.size());
    if (consumed) *consumed = std::size_t(source - in.data());
    if (ended) *ended = decoder.RowEnded();
    out.resize(std::size_t(dest - out.data()));
    return out;
}

TEST(CutDecoder, RunsLiteralsAndTheEndOfARow) {
    std::size_t consumed = 0;
    bool ended = false;
    // length word, a run of 3, a literal of 2, the end code, the next row
    EXPECT_EQ(decodeRow({9, 0, 0x83, 7, 2, 1, 2, 0, 0x81, 5}, 10, &consumed, &ended),
              (std::vector<std::uint8_t>{7, 7, 7, 1, 2}));
    EXPECT_EQ(consumed, 8u); // left at the next row
    EXPECT_TRUE(ended);
    // A run of 0x80 (no pixels) and the longest run.
    EXPECT_EQ(decodeRow({0, 0, 0x80, 9, 0xFF, 4, 0}, 200).size(), 127u);
    // Output beyond the wanted size is dropped, but the row is read to its
    // end so that the next one is found.
    EXPECT_EQ(decodeRow({0, 0, 4, 1, 2, 3, 4, 0x85, 6, 0, 0x82, 1}, 2, &consumed, &ended),
              (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(consumed, 10u);
    EXPECT_TRUE(ended);
    // Input that ends within a row.
    EXPECT_EQ(decodeRow({0, 0, 5, 1, 2}, 10, &consumed, &ended), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_FALSE(ended);
    EXPECT_EQ(consumed, 5u);
    EXPECT_EQ(decodeRow({0, 0, 0x85}, 10, &consumed, &ended).size(), 0u);
    EXPECT_FALSE(ended);
}

class CutPictures : public ::testing::TestWithParam<std::string> {};

TEST_P(CutPictures, MatchImageMagickWithThePaletteFileBeside) {
    const std::string file = TestData("cut/" + GetParam() + ".cut");
    const Bitmap picture = LoadPicture(file);
    EXPECT_EQ(picture.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(test::PictureDifference(picture, LoadPicture(TestData("cut/" + GetParam() + ".ppm"))),
              "");
}

INSTANTIATE_TEST_SUITE_P(Files, CutPictures,
                         ::testing::Values("colours", "literal", "runs", "grey"));

TEST(CutReader, PaletteFileInAnyLetterCase) {
    testing::TempDir dir;
    dir.write("Photo.CUT", ReadBytes(TestData("cut/colours.cut")));
    const Bitmap grey = LoadPicture(dir.file("Photo.CUT"));
    dir.write("PHOTO.PAL", ReadBytes(TestData("cut/colours.pal")));
    EXPECT_EQ(TCUTGraphic::PaletteFileOf(dir.file("Photo.CUT")), dir.file("PHOTO.PAL"));
    const Bitmap coloured = LoadPicture(dir.file("Photo.CUT"));
    EXPECT_EQ(test::PictureDifference(coloured, LoadPicture(TestData("cut/colours.ppm"))), "");
    EXPECT_NE(grey, coloured);
    EXPECT_EQ(TCUTGraphic::PaletteFileOf(dir.file("Other.cut")), "");
}

TEST(CutReader, DamagedPaletteFilesFailWithAMessage) {
    const std::string palette = ReadBytes(TestData("cut/colours.pal"));
    const std::string picture = ReadBytes(TestData("cut/colours.cut"));
    testing::TempDir dir;
    dir.write("x.cut", picture);
    // 256 entries end at byte 3 * 512 + 48 of the file.
    for (std::size_t size :
         {std::size_t(0), std::size_t(39), std::size_t(600), std::size_t(1583)}) {
        dir.write("x.pal", palette.substr(0, size));
        try {
            LoadPicture(dir.file("x.cut"));
            ADD_FAILURE() << size;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), kBadPalette) << size;
        }
    }
    dir.write("x.pal", palette.substr(0, 1584));
    EXPECT_NO_THROW(LoadPicture(dir.file("x.cut")));
    // An entry count beyond 256 reads 256 entries.
    dir.write("x.pal", Patched(palette, 12, 0xFFFF, 2, false));
    TCUTGraphic reader;
    reader.LoadFromFile(dir.file("x.cut"));
    EXPECT_EQ(reader.Palette().size(), 256u);
}

TEST(CutReader, PaletteEntriesDoNotCrossBlocks) {
    // Entry 77 ends at byte 508 of the first block; entry 78 starts the
    // second block, entry 163 the third.
    const std::string palette = ReadBytes(TestData("cut/colours.pal"));
    TCUTGraphic reader;
    TMemoryStream stream(palette.data(), palette.size());
    reader.LoadPalette(stream);
    ASSERT_EQ(reader.Palette().size(), 256u);
    auto entry = [&](std::size_t at) {
        return RGBColor(std::uint8_t(palette[at]), std::uint8_t(palette[at + 2]),
                        std::uint8_t(palette[at + 4]));
    };
    EXPECT_EQ(reader.Palette()[77], entry(502));
    EXPECT_EQ(reader.Palette()[78], entry(512));
    EXPECT_EQ(reader.Palette()[163], entry(1024));
}

TEST(CutReader, PaletteFileOpenedAloneSaysWhatToOpen) {
    testing::TempDir dir;
    dir.write("x.pal", ReadBytes(TestData("cut/colours.pal")));
    for (const char* name : {"x.pal", "x.PAL"}) {
        try {
            LoadPicture(dir.file(name));
            ADD_FAILURE() << name;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(),
                         "Cannot load image. A Dr. Halo palette file (.pal) holds no picture: open "
                         "the Dr. Halo picture (.cut) of the same name instead.");
        }
    }
}

TEST(CutReader, DamagedPictures) {
    const std::string good = ReadBytes(TestData("cut/colours.cut"));
    ASSERT_EQ(LoadBytesMessage("cut", good), "");
    EXPECT_EQ(LoadBytesMessage("cut", Patched(good, 0, 0, 2, false)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("cut", Patched(good, 2, 0, 2, false)), kInvalid);
    EXPECT_EQ(LoadBytesMessage("cut", good.substr(0, 5)), kReadError);
    // A small file that declares a big picture fails before allocating it.
    EXPECT_EQ(
        LoadBytesMessage("cut", Patched(Patched(good, 0, 16000, 2, false), 2, 16000, 2, false)),
        kInvalid);
    // Cut short anywhere before its last row, the file fails.
    const std::size_t lastRow = good.size() - 2 - 1 - 37 - 1;
    for (std::size_t size = 6; size < lastRow; size += 3) {
        const std::string message = LoadBytesMessage("cut", good.substr(0, size));
        EXPECT_TRUE(message == kReadError || message == kInvalid) << size << ": " << message;
    }
}

} // namespace
} // namespace vt
