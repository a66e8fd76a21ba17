// Decompression bombs: small files that declare pictures far larger than
// their data can make are refused with the reader's message before anything
// is allocated for the picture, while honest files at the extremes of each
// compression (blank pages as real encoders write them) still load. How
// fast and how lean the refusals are is measured in bench/bombs_bench.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "imageio/fileformatlist.h"
#include "support/hostilefiles.h"
#include "support/tempdir.h"
#include "support/tiffbuilder.h"

using namespace vt;

namespace {

const std::string kTiffDir = std::string(VORANTEL_TESTDATA) + "/tiff/";

// Loads the bytes through LoadPicture from a file with the extension;
// returns the error text, "" on success.
std::string LoadFileMessage(const std::string& bytes, const std::string& extension,
                            Bitmap* out = nullptr) {
    vt::testing::TempDir dir;
    dir.write("picture." + extension, bytes);
    try {
        Bitmap b = LoadPicture(dir.file("picture." + extension));
        if (out) *out = std::move(b);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

namespace vt::test {
void PrintTo(const HostileFile& f, std::ostream* os) {
    *os << f.name << " (" << f.bytes.size() << " bytes)";
}
} // namespace vt::test

namespace {

class DecompressionBomb : public ::testing::TestWithParam<test::HostileFile> {};

TEST_P(DecompressionBomb, IsRefusedWithTheReadersMessage) {
    const test::HostileFile& f = GetParam();
    // As small as the bombs that were found: about a hundred to a thousand
    // bytes for 2^28 pixels.
    EXPECT_LE(f.bytes.size(), 1100u) << f.name;
    EXPECT_EQ(LoadFileMessage(f.bytes, f.extension), f.message);
}

INSTANTIATE_TEST_SUITE_P(Files, DecompressionBomb, ::testing::ValuesIn(test::DecompressionBombs()),
                         [](const auto& info) { return info.param.name; });

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DecompressionBomb, BlankPagesOfRealEncodersStillLoad) {
    // libtiff's LZW and deflate of 16 MB of zeros (ratios of about 1200 and
    // 1000 to 1), and blank fax pages of 2048 rows in a few bytes a row.
    const struct {
        const char* name;
        int side;
    } pages[] = {{"blank-lzw", 4096},
                 {"blank-zip", 4096},
                 {"blank-g4", 2048},
                 {"blank-g3-2d", 2048},
                 {"blank-mh", 2048}};
    for (const auto& page : pages) {
        Bitmap b;
        ASSERT_EQ(LoadFileMessage(Slurp(kTiffDir + page.name + ".tif"), "tif", &b), "")
            << page.name;
        EXPECT_EQ(b.width(), page.side) << page.name;
        EXPECT_EQ(b.height(), page.side) << page.name;
        EXPECT_EQ(b.pixel(page.side - 1, page.side - 1), b.pixel(0, 0)) << page.name;
    }
}

TEST(DecompressionBomb, DataAtTheLimitOfItsMethodStillLoads) {
    // zlib at its best, about 1030 to 1, in a TIFF strip and in a PNG.
    const std::uint32_t side = 4096;
    const std::string zeros(std::size_t(side) * side, '\0');
    Bitmap b;
    EXPECT_EQ(LoadFileMessage(
                  test::BuildTiff(test::GreyTags(side, side, 8), {test::Deflate(zeros)}), "tif"),
              "");
    std::string rows(std::size_t(side + 1) * side, '\0'); // filter byte 0 before each row
    EXPECT_EQ(LoadFileMessage(test::BuildPng(side, side, 8, 0, test::Deflate(rows)), "png", &b),
              "");
    EXPECT_EQ(b.height(), int(side));

    // A blank JPEG with optimised tables: two bits per 8 x 8 block, one of
    // them in the first scan of a progressive file.
    for (bool progressive : {false, true}) {
        const std::string jpeg =
            test::EncodeJpeg(2048, 2048, 1, progressive, [](int, std::uint8_t* row) {
                std::fill_n(row, 2048, std::uint8_t(0));
            });
        // Within four times the limit of one bit a block.
        EXPECT_LT(jpeg.size(), 2048u * 2048 / 64 / 8 * 4);
        EXPECT_EQ(LoadFileMessage(jpeg, "jpg", &b), "") << progressive;
        EXPECT_EQ(b.width(), 2048);
    }

    // A blank RLE8 bitmap coded in runs of 255 pixels and an end of line a
    // row: about 100 pixels a byte.
    std::string runs;
    for (int y = 0; y < 2048; ++y) {
        for (int x = 0; x < 2048; x += 255)
            runs += std::string{char(std::min(255, 2048 - x)), '\0'};
        runs += std::string("\0\0", 2);
    }
    runs += std::string("\0\1", 2);
    EXPECT_EQ(LoadFileMessage(test::BuildRle8Bmp(2048, 2048, runs), "bmp", &b), "");
    EXPECT_EQ(b.height(), 2048);
}

TEST(DecompressionBomb, ShortUncompressedDataIsRefused) {
    // Uncompressed strips must hold every byte of the picture; one byte
    // short is refused, as libtiff refuses it.
    std::vector<test::TiffTag> tags = test::GreyTags(3, 3, 1);
    EXPECT_EQ(LoadFileMessage(test::BuildTiff(tags, {std::string(9, 'x')}), "tif"), "");
    EXPECT_EQ(LoadFileMessage(test::BuildTiff(tags, {std::string(8, 'x')}), "tif"),
              "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
    // Strips that all point at the same bytes: a file holds no more data
    // than its size, whatever its byte counts add up to.
    tags = test::GreyTags(1000, 1000, 1);
    tags.push_back({278, 3, {1}});
    tags.push_back({273, 4, std::vector<std::uint32_t>(1000, 8)});
    tags.push_back({279, 4, std::vector<std::uint32_t>(1000, 1000)});
    EXPECT_EQ(LoadFileMessage(test::BuildTiff(tags, {std::string(1000, 'x')}), "tif"),
              "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
}

} // namespace
