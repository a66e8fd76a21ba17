// The TIFF and EPS readers on damaged, unusual and hand-built files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include <zlib.h>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/stream.h"
#include "imageio/tiffgraphic.h"
#include "loadmessage.h"
#include "support/hostilefiles.h"
#include "support/tempdir.h"
#include "support/tiffbuilder.h"

using namespace vt;

namespace {

const std::string kDir = std::string(VORANTEL_TESTDATA) + "/tiff/";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Loads the bytes as TIFF (or EPS); returns the error text, "" on success.
template <class Reader = TTIFFGraphic>
std::string LoadError(const std::string& bytes, Bitmap* result = nullptr) {
    return test::LoadMessage<Reader>(bytes, result);
}

using Tag = test::TiffTag;
using test::BuildTiff;
using test::GreyTags;
using test::WrapInEPS;

// ---------------------------------------------------------------------------

TEST(TIFFReader, ContentThatIsNoUsableTIFFFailsWithTheFormatMessage) {
    const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
    EXPECT_EQ(LoadError("GIF89a not a tiff at all"), invalid);
    EXPECT_EQ(LoadError(""), invalid);
    EXPECT_EQ(LoadError(BuildTiff(GreyTags(0, 4, 1), {std::string(4, 'x')})), invalid);
    // A directory offset beyond the end of the file.
    std::string tiff = BuildTiff(GreyTags(2, 2, 1), {"abcd"});
    tiff[4] = char(0xF0);
    EXPECT_EQ(LoadError(tiff), invalid);
    // Strip offsets missing.
    std::vector<Tag> tags = GreyTags(2, 2, 1);
    tags.push_back({273, 4, {}});
    EXPECT_EQ(LoadError(BuildTiff(tags, {})), invalid);
}

TEST(TIFFReader, CompressionsWithoutADecoderAreNamed) {
    const std::string unsupported =
        "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";
    EXPECT_EQ(LoadError(BuildTiff(GreyTags(4, 4, 34661), {std::string(16, 'x')})), unsupported);
    EXPECT_EQ(LoadError(Slurp(kDir + "lib-smallliz.tif")), unsupported); // old-style JPEG
}

TEST(TIFFReader, PicturesAboveTheLimitAreRefusedBeforeAnythingIsAllocated) {
    // 100000 x 100000 pixels announced with a few bytes of data.
    const std::string error = LoadError(BuildTiff(GreyTags(100000, 100000, 1), {"tiny"}));
    EXPECT_NE(error.find("268435456"), std::string::npos) << error;
    EXPECT_NE(error.find("not supported for TIF/TIFF files"), std::string::npos) << error;
}

TEST(TIFFReader, TiledPicturesGiveTheSamePictureAsStrips) {
    // The same pictures stored in strips and, by tiffcp, in tiles whose right
    // and bottom edges reach beyond the picture.
    const std::pair<const char*, const char*> pairs[] = {
        {"rgb-none", "rgb-tiled"},         {"rgb-planar-lzw", "tile-rgb-planar-lzw"},
        {"bw-g4", "tile-bw-g4"},           {"pal4-packbits", "tile-pal4-packbits"},
        {"grey2-none", "tile-grey2-none"}, {"rgb16-lzw-pred", "tile-rgb16-lzw-pred"},
        {"rgba-lzw", "tile-rgba-lzw-pred"}};
    for (const auto& [strips, tiles] : pairs) {
        Bitmap a, b;
        ASSERT_EQ(LoadError(Slurp(kDir + strips + ".tif"), &a), "") << strips;
        ASSERT_EQ(LoadError(Slurp(kDir + tiles + ".tif"), &b), "") << tiles;
        EXPECT_TRUE(a == b) << tiles;
    }
}

TEST(TIFFReader, TilesAreCutAtThePicturesEdges) {
    // A 3 x 3 grey picture in four tiles of 2 x 2: the tiles beyond the
    // right and bottom edges hold bytes that must not show.
    std::vector<Tag> tags = GreyTags(3, 3, 1);
    tags.push_back({322, 3, {2}});
    tags.push_back({323, 3, {2}});
    const std::vector<std::string> tiles = {"\x01\x02\x04\x05", "\x03\xEE\x06\xEE",
                                            "\x07\x08\xEE\xEE", "\x09\xEE\xEE\xEE"};
    std::vector<std::uint32_t> offsets, counts;
    for (std::uint32_t i = 0; i < 4; ++i) {
        offsets.push_back(8 + 4 * i);
        counts.push_back(4);
    }
    std::vector<Tag> asStrips = tags;
    tags.push_back({324, 4, offsets});
    tags.push_back({325, 4, counts});
    tags.push_back({273, 4, {}}); // no strips
    tags.push_back({279, 4, {}});
    Bitmap b;
    ASSERT_EQ(LoadError(BuildTiff(tags, tiles), &b), "");
    ASSERT_EQ(b.width(), 3);
    ASSERT_EQ(b.height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(b.pixel(x, y), RGBColor(3 * y + x + 1, 3 * y + x + 1, 3 * y + x + 1))
                << x << "," << y;

    // Tile offsets and byte counts stored under the strip tags, as libtiff
    // accepts them.
    EXPECT_EQ(LoadError(BuildTiff(asStrips, tiles), &b), "");
    EXPECT_EQ(b.pixel(2, 2), RGBColor(9, 9, 9));
}

TEST(TIFFReader, TilesThatCannotBePlacedAreRefused) {
    const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
    auto tiled = [](std::uint32_t bits, std::uint32_t tileWidth, std::uint32_t tileLength) {
        std::vector<Tag> tags = GreyTags(16, 16, 1);
        tags[2] = {258, 3, {bits}};
        tags.push_back({322, 3, {tileWidth}});
        tags.push_back({323, 3, {tileLength}});
        return tags;
    };
    // No tile size.
    EXPECT_EQ(LoadError(BuildTiff(tiled(8, 0, 16), {std::string(256, 'x')})), invalid);
    // 1-bit tiles 12 pixels wide would start inside a byte of the rows.
    EXPECT_EQ(LoadError(BuildTiff(tiled(1, 12, 16), {std::string(64, 'x')})), invalid);
    // Fewer tile offsets than tiles.
    std::vector<Tag> tags = tiled(8, 8, 8);
    tags.push_back({324, 4, {8, 8}});
    EXPECT_EQ(LoadError(BuildTiff(tags, {std::string(64, 'x')})), invalid);
    // Old-style JPEG in tiles has no decoder.
    EXPECT_EQ(LoadError(Slurp(kDir + "lib-zackthecat.tif")),
              "Cannot load image. The compression scheme is not supported for TIF/TIFF files.");
}

TEST(TIFFReader, PredictorOnSubsampledYCbCrThatLibtiffRefusesIsRefused) {
    // libtiff differences subsampled YCbCr in rows of its own reckoning and
    // refuses rows that are no whole number of three bytes: 2 x 1 blocks of
    // a picture 10 pixels wide (20 bytes a row).
    std::vector<Tag> tags = {{256, 3, {10}}, {257, 3, {2}}, {258, 3, {8, 8, 8}}, {259, 3, {8}},
                             {262, 3, {6}},  {277, 3, {3}}, {317, 3, {2}},       {530, 3, {2, 1}}};
    const std::string strip = test::Deflate(std::string(2 * 20, '\x40'));
    EXPECT_EQ(LoadError(BuildTiff(tags, {strip})),
              "Cannot load image. Invalid or unexpected TIF/TIFF image format.");
    // Without the predictor the same data loads.
    tags.erase(tags.begin() + 6);
    EXPECT_EQ(LoadError(BuildTiff(tags, {strip})), "");
}

TEST(TIFFReader, UncompressedStripsAndTheirLayout) {
    // Three strips of one row each, grey.
    std::vector<Tag> tags = GreyTags(3, 3, 1);
    tags.push_back({278, 3, {1}});
    Bitmap b;
    ASSERT_EQ(LoadError(BuildTiff(tags, {"\x10\x20\x30", "\x40\x50\x60", "\x70\x80\x90"}), &b), "");
    ASSERT_EQ(b.width(), 3);
    ASSERT_EQ(b.height(), 3);
    EXPECT_EQ(b.pixel(0, 0), RGBColor(0x10, 0x10, 0x10));
    EXPECT_EQ(b.pixel(2, 1), RGBColor(0x60, 0x60, 0x60));
    EXPECT_EQ(b.pixel(0, 2), RGBColor(0x70, 0x70, 0x70));
    EXPECT_EQ(b.pixel(1, 2), RGBColor(0x80, 0x80, 0x80));
    // Uncompressed strips that cannot hold the picture (a short strip, a
    // strip without bytes) are refused, as libtiff refuses them.
    const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
    EXPECT_EQ(LoadError(BuildTiff(tags, {"\x10\x20\x30", "\x40\x50\x60", "\x70"})), invalid);
    EXPECT_EQ(LoadError(BuildTiff(tags, {"\x10\x20\x30", "", "\x70\x80\x90"})), invalid);

    // Photometric 0: white is zero.
    tags[4] = {262, 3, {0}};
    const std::string zeros(3, '\0');
    ASSERT_EQ(LoadError(BuildTiff(tags, {std::string("\x00\xFF\x10", 3), zeros, zeros}), &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 255, 255));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(0, 0, 0));
}

TEST(TIFFReader, PaletteWithoutColourMapIsRefused) {
    std::vector<Tag> tags = GreyTags(2, 1, 1);
    tags[4] = {262, 3, {3}};
    EXPECT_EQ(LoadError(BuildTiff(tags, {"\x01\x02"})),
              "Cannot load image. Palette in TIF/TIFF file is invalid.");
    // With a colour map of 16-bit values.
    std::vector<std::uint32_t> map(3 * 256, 0);
    map[1] = 0xFF00;       // red of entry 1
    map[256 + 2] = 0x8000; // green of entry 2
    map[512 + 2] = 0xFFFF; // blue of entry 2
    tags.push_back({320, 3, map});
    Bitmap b;
    ASSERT_EQ(LoadError(BuildTiff(tags, {"\x01\x02"}), &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 0, 0));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(0, 128, 255));
}

TEST(TIFFReader, DamagedDeflateStripsAndStripsBeyondTheFileFail) {
    std::string plain(64, '\x7F');
    uLongf size = compressBound(64);
    std::string z(size, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &size,
              reinterpret_cast<const Bytef*>(plain.data()), 64, 9);
    z.resize(size);
    Bitmap b;
    ASSERT_EQ(LoadError(BuildTiff(GreyTags(16, 4, 8), {z}), &b), "");
    EXPECT_EQ(b.pixel(15, 3), RGBColor(0x7F, 0x7F, 0x7F));
    EXPECT_EQ(LoadError(BuildTiff(GreyTags(16, 4, 8), {z.substr(0, z.size() / 2)})),
              "LZ77 decompression error.");
    std::string garbage = z;
    garbage[2] = char(0xFF);
    EXPECT_EQ(LoadError(BuildTiff(GreyTags(16, 4, 8), {garbage})), "LZ77 decompression error.");

    std::vector<Tag> tags = GreyTags(16, 4, 1);
    tags.push_back({273, 4, {1000}});
    tags.push_back({279, 4, {64}});
    EXPECT_NE(LoadError(BuildTiff(tags, {})), "");
}

TEST(TIFFReader, TruncatedFilesFailWithAMessage) {
    for (const char* name : {"rgb-lzw", "rgb-zip-pred", "rgb-jpeg", "bw-g4", "grey16-lzw-pred",
                             "pal8-lzw", "rgb-planar-lzw", "bw-g3"}) {
        const std::string full = Slurp(kDir + name + ".tif");
        for (int tenth = 1; tenth <= 9; tenth += 2) {
            const std::string cut = full.substr(0, full.size() * std::size_t(tenth) / 10);
            EXPECT_NE(LoadError(cut), "") << name << " cut to " << tenth << "/10";
        }
    }
}

TEST(TIFFReader, DamagedBytesNeverCrash) {
    // Random bytes overwritten all over the file: the reader either loads
    // something or throws; it never reads or writes out of bounds (the
    // sanitizer build checks that).
    std::mt19937 rng(2024);
    for (const char* name :
         {"rgb-lzw-pred", "rgb-packbits", "rgb-jpeg", "bw-g3-2d", "bw-g4", "bw-mh", "pal4-packbits",
          "grey16-mm", "ycbcr21-lzw", "rgb-planar-lzw", "lib-text"}) {
        const std::string full = Slurp(kDir + name + ".tif");
        for (int round = 0; round < 60; ++round) {
            std::string damaged = full;
            const int changes = 1 + int(rng() % 4);
            for (int i = 0; i < changes; ++i)
                damaged[rng() % damaged.size()] = char(rng());
            LoadError(damaged);
        }
    }
}

TEST(TIFFReader, LaterDirectoriesAreReachedByIndex) {
    // lib-text.tif holds a 4-bit picture and then a 1-bit one.
    const std::string bytes = Slurp(kDir + "lib-text.tif");
    TMemoryStream stream(bytes.data(), bytes.size());
    TTIFFGraphic reader;
    ASSERT_TRUE(reader.ReadHeader(stream, 0));
    EXPECT_EQ(reader.ImageProperties()->BitsPerSample, 4);
    stream.Seek(0);
    ASSERT_TRUE(reader.ReadHeader(stream, 1));
    EXPECT_EQ(reader.ImageProperties()->BitsPerSample, 1);
    EXPECT_EQ(reader.ImageProperties()->Compression, TCompressionType::None);
    stream.Seek(0);
    EXPECT_FALSE(reader.ReadHeader(stream, 2));
    stream.Seek(0);
    EXPECT_TRUE(reader.AcceptsStream(stream));
    EXPECT_EQ(stream.Position(), 0u);
}

TEST(TIFFReader, PropertiesOfTheHeader) {
    const std::string bytes = Slurp(kDir + "bw-g3-2d-fill.tif");
    TMemoryStream stream(bytes.data(), bytes.size());
    TTIFFGraphic reader;
    ASSERT_TRUE(reader.ReadHeader(stream, 0));
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_EQ(p.FormatVersion, 42u);
    EXPECT_EQ(p.Width, 203u);
    EXPECT_EQ(p.Height, 61u);
    EXPECT_EQ(p.ColorModel, TColorModel::Grey);
    EXPECT_EQ(p.Compression, TCompressionType::CCITT3);
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::InvertedGrey));
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::LsbFirst));
    EXPECT_FALSE(p.Flags.Contains(TImageFlag::BigEndian));

    const std::string mm = Slurp(kDir + "rgb-mm-lzw.tif");
    TMemoryStream mmStream(mm.data(), mm.size());
    ASSERT_TRUE(reader.ReadHeader(mmStream, 0));
    EXPECT_TRUE(reader.ImageProperties()->Flags.Contains(TImageFlag::BigEndian));
    EXPECT_EQ(reader.ImageProperties()->Predictor, 2u);
    EXPECT_EQ(reader.ImageProperties()->RowsPerStrip, std::vector<std::uint32_t>{9});
}

// ---------------------------------------------------------------------------

TEST(EPSReader, ReadsTheTIFFPreview) {
    const std::string tiff = Slurp(kDir + "rgb-lzw-pred.tif");
    Bitmap plain, wrapped;
    ASSERT_EQ(LoadError(tiff, &plain), "");
    ASSERT_EQ(LoadError<TEPSGraphic>(WrapInEPS(tiff), &wrapped), "");
    EXPECT_EQ(wrapped.width(), 61);
    EXPECT_TRUE(wrapped == plain);
}

TEST(EPSReader, WithoutHeaderOrPreviewFails) {
    const std::string invalid = "Cannot load image. Invalid or unexpected EPS image format.";
    EXPECT_EQ(LoadError<TEPSGraphic>("%!PS-Adobe-3.0 EPSF-3.0\n"), invalid);
    std::string noPreview = WrapInEPS("");
    std::memset(&noPreview[20], 0, 8);
    EXPECT_EQ(LoadError<TEPSGraphic>(noPreview), invalid);
    // A plain TIFF is no EPS.
    EXPECT_EQ(LoadError<TEPSGraphic>(Slurp(kDir + "rgb-lzw.tif")), invalid);
}

TEST(TIFFReader, RegisteredForTifTiffFaxAndEps) {
    vt::testing::TempDir dir;
    const std::string fax = Slurp(kDir + "bw-g4.tif");
    dir.write("page.FAX", fax);
    dir.write("page.Tif", fax);
    dir.write("photo.tiff", Slurp(kDir + "rgb-lzw.tif"));
    dir.write("preview.eps", WrapInEPS(Slurp(kDir + "rgb-lzw.tif")));
    for (const char* name : {"page.FAX", "page.Tif"}) {
        const Bitmap b = LoadPicture(dir.file(name));
        EXPECT_EQ(b.width(), 203) << name;
        EXPECT_EQ(b.pixelFormat(), PixelFormat::pf1bit) << name;
        ASSERT_FALSE(b.palette().empty());
        EXPECT_EQ(b.palette()[0], RGBColor(255, 255, 255)) << "white is zero in fax files";
    }
    EXPECT_EQ(LoadPicture(dir.file("photo.tiff")).pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(LoadPicture(dir.file("preview.eps")).height(), 37);
}

} // namespace
