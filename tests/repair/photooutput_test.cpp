#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include <jpeglib.h>

#include "imageio/fileformatlist.h"
#include "platform/bmpfile.h"
#include "repair/photooutput.h"
#include "repair/tiffwriter.h"
#include "support/filesizelimit.h"
#include "support/tempdir.h"

using namespace vt;
namespace fs = std::filesystem;

using vt::testing::FileSizeLimit;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A smooth photograph-like picture with some detail.
Bitmap TestPicture(int w, int h, PixelFormat pf = PixelFormat::pf24bit) {
    Bitmap b(w, h, pf);
    if (IsPaletteFormat(pf)) b.setPalette(Bitmap::defaultPalette(pf));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y,
                       RGBColor(40 + 150 * x / w, 60 + 120 * y / h,
                                int(128 + 60 * std::sin((x + 2 * y) * 0.15))));
    return b;
}

struct Decoded {
    int width = 0, height = 0, components = 0, precision = 0;
    bool progressive = false, baselineMarker = false;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
    Bytes rgb;
};

// Decodes a JPEG file with libjpeg into red, green, blue samples.
Decoded DecodeJpeg(const Bytes& data) {
    Decoded d;
    for (std::size_t i = 0; i + 1 < data.size(); ++i)
        if (data[i] == 0xFF && data[i + 1] == 0xC0) d.baselineMarker = true;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    d.components = cinfo.num_components;
    d.colorSpace = cinfo.jpeg_color_space;
    d.progressive = cinfo.progressive_mode;
    d.precision = cinfo.data_precision;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    d.width = int(cinfo.output_width);
    d.height = int(cinfo.output_height);
    d.rgb.resize(std::size_t(d.width) * d.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.rgb.data() + std::size_t(cinfo.output_scanline) * d.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

// The same picture encoded by plain libjpeg at quality 90 from RGB rows.
Bytes ReferenceJpeg(const Bitmap& b) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(b.width());
    cinfo.image_height = JDIMENSION(b.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes row(std::size_t(b.width()) * 3);
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            const TColor c = b.pixel(x, y);
            row[3 * x] = std::uint8_t(GetRValue(c));
            row[3 * x + 1] = std::uint8_t(GetGValue(c));
            row[3 * x + 2] = std::uint8_t(GetBValue(c));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes result(out, out + size);
    std::free(out);
    return result;
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(DestinationPathFor, VorantelFolderBesideThePhoto) {
    EXPECT_EQ(DestinationPathFor("/photos/img_01.png"), "/photos/Vorantel/img_01.png");
    EXPECT_EQ(DestinationPathFor("/a/b.tiff"), "/a/Vorantel/b.tiff");
    EXPECT_EQ(DestinationPathFor("c.jpg"), "Vorantel/c.jpg");
}

TEST(StoredPathFor, ExtensionDecidesFormatAndSpelling) {
    EXPECT_EQ(StoredPathFor("/a/V/img.jpeg"), "/a/V/img.jpg");
    EXPECT_EQ(StoredPathFor("/a/V/img.JPG"), "/a/V/img.jpg");
    EXPECT_EQ(StoredPathFor("/a/V/scan.PNG"), "/a/V/scan.jpg");
    EXPECT_EQ(StoredPathFor("/a/V/x.BMP"), "/a/V/x.bmp");
    EXPECT_EQ(StoredPathFor("/a/V/b.tiff"), "/a/V/b.tif");
    EXPECT_EQ(StoredPathFor("/a/V/b.TIF"), "/a/V/b.tif");
    EXPECT_EQ(StoredPathFor("/a/V/noext"), "/a/V/noext.jpg");
    EXPECT_EQ(StoredPathFor("/a/V/two.dots.gif"), "/a/V/two.dots.jpg");
    EXPECT_EQ(StoredPathFor("/a.d/V/name"), "/a.d/V/name.jpg");
}

TEST(WriteJpegFile, BaselineColourQuality90CloseToTheSource) {
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(61, 37); // sizes that are not whole blocks
    WriteJpegFile(dir.file("a.jpg"), b);
    const Bytes data = ToBytes(dir.read("a.jpg"));
    const Decoded d = DecodeJpeg(data);
    EXPECT_TRUE(d.baselineMarker);
    EXPECT_FALSE(d.progressive);
    EXPECT_EQ(d.components, 3);
    EXPECT_EQ(d.colorSpace, JCS_YCbCr);
    EXPECT_EQ(d.precision, 8);
    ASSERT_EQ(d.width, 61);
    ASSERT_EQ(d.height, 37);
    double total = 0;
    int worst = 0;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) {
            const TColor c = b.pixel(x, y);
            const std::uint8_t* p = &d.rgb[(std::size_t(y) * 61 + x) * 3];
            for (int k = 0; k < 3; ++k) {
                const int want = k == 0 ? GetRValue(c) : k == 1 ? GetGValue(c) : GetBValue(c);
                const int diff = std::abs(int(p[k]) - want);
                total += diff;
                worst = std::max(worst, diff);
            }
        }
    EXPECT_LT(total / (61 * 37 * 3), 2.0);
    EXPECT_LT(worst, 24);
    // libjpeg's own defaults at quality 90.
    EXPECT_EQ(data, ReferenceJpeg(b));
}

TEST(WriteJpegFile, EveryPixelFormatEncodesLikeItsColours) {
    vt::testing::TempDir dir;
    for (PixelFormat pf : {PixelFormat::pf1bit, PixelFormat::pf4bit, PixelFormat::pf8bit,
                           PixelFormat::pf15bit, PixelFormat::pf16bit, PixelFormat::pf32bit}) {
        Bitmap b = TestPicture(19, 11, pf);
        if (pf == PixelFormat::pf32bit)
            for (int y = 0; y < b.height(); ++y)
                b.scanLine(y)[7] = 0x5A; // the fourth byte carries no colour
        WriteJpegFile(dir.file("a.jpg"), b);
        EXPECT_EQ(ToBytes(dir.read("a.jpg")), ReferenceJpeg(b)) << BitsPerPixel(pf);
    }
}

TEST(WriteJpegFile, EncoderErrorsBecomeJpegErrors) {
    vt::testing::TempDir dir;
    dir.write("a.jpg", "kept");
    try {
        WriteJpegFile(dir.file("a.jpg"), Bitmap(70000, 1));
        ADD_FAILURE() << "no exception";
    } catch (const JpegError& e) {
        EXPECT_NE(std::string(e.what()).find("65500"), std::string::npos) << e.what();
    }
    EXPECT_THROW(WriteJpegFile(dir.file("a.jpg"), Bitmap()), JpegError);
    EXPECT_EQ(dir.read("a.jpg"), "kept");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.jpg"});
}

TEST(StorePhoto, CreatesTheFolderAndWritesTheFormatOfTheExtension) {
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(9, 7);
    const std::string dest = DestinationPathFor(dir.file("img.jpeg"));

    EXPECT_EQ(StorePhoto(b, dest), dir.file("Vorantel/img.jpg"));
    EXPECT_EQ(DecodeJpeg(ToBytes(dir.read("Vorantel/img.jpg"))).width, 9);

    EXPECT_EQ(StorePhoto(b, dir.file("Vorantel/scan.PNG")), dir.file("Vorantel/scan.jpg"));
    EXPECT_EQ(ToBytes(dir.read("Vorantel/scan.jpg")), ReferenceJpeg(b));

    EXPECT_EQ(StorePhoto(b, dir.file("Vorantel/b.tiff")), dir.file("Vorantel/b.tif"));
    EXPECT_EQ(ToBytes(dir.read("Vorantel/b.tif")), EncodeTiff(b));

    Bitmap pal = TestPicture(9, 7, PixelFormat::pf8bit);
    EXPECT_EQ(StorePhoto(pal, dir.file("Vorantel/x.BMP")), dir.file("Vorantel/x.bmp"));
    const Bitmap back = ReadBmpFile(dir.file("Vorantel/x.bmp"));
    EXPECT_EQ(back.pixelFormat(), PixelFormat::pf8bit);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(back.pixel(x, y), pal.pixel(x, y));

    EXPECT_EQ(Names(dir.file("Vorantel")),
              (std::vector<std::string>{"b.tif", "img.jpg", "scan.jpg", "x.bmp"}));
}

TEST(StorePhoto, ReplacesReadOnlyFilesAndStoresOverItsOwnSource) {
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(8, 8);
    for (const char* name : {"r.jpg", "r.tif", "r.bmp"}) {
        dir.write(name, "old");
        fs::permissions(dir.file(name), fs::perms::owner_read | fs::perms::group_read);
        EXPECT_EQ(StorePhoto(b, dir.file(name)), dir.file(name));
        EXPECT_NE(dir.read(name), "old") << name;
        EXPECT_NE(fs::status(dir.file(name)).permissions() & fs::perms::owner_write,
                  fs::perms::none)
            << name;
    }
    // A stored photo loaded again and stored over itself.
    const Bitmap back = ReadBmpFile(dir.file("r.bmp"));
    StorePhoto(back, dir.file("r.bmp"));
    EXPECT_EQ(ReadBmpFile(dir.file("r.bmp")), b);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"r.bmp", "r.jpg", "r.tif"}));
}

TEST(StorePhoto, AFailedJpegKeepsTheOldFileAndNamesThePathInTheErrorBoxText) {
    vt::testing::TempDir dir;
    dir.write("p.jpg", "good photograph");
    const Bitmap big = TestPicture(400, 300);
    try {
        FileSizeLimit limit(2048);
        StorePhoto(big, dir.file("p.jpg"));
        ADD_FAILURE() << "no exception";
    } catch (const JpegStoreError& e) {
        EXPECT_EQ(e.path(), dir.file("p.jpg"));
        EXPECT_EQ(std::string(e.what()),
                  "Unable to read file " + dir.file("p.jpg") + "\r" + e.reason());
        EXPECT_NE(e.reason().find(std::string(std::strerror(EFBIG))), std::string::npos)
            << e.reason();
    }
    EXPECT_EQ(dir.read("p.jpg"), "good photograph");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"p.jpg"});
}

TEST(StorePhoto, FailedTiffAndBmpPropagateAndKeepTheOldFile) {
    vt::testing::TempDir dir;
    const Bitmap big = TestPicture(400, 300);
    for (const char* name : {"p.tif", "p.bmp"}) {
        dir.write(name, "good photograph");
        {
            FileSizeLimit limit(2048);
            EXPECT_THROW(StorePhoto(big, dir.file(name)), std::runtime_error) << name;
        }
        EXPECT_EQ(dir.read(name), "good photograph") << name;
        // An empty picture is refused too.
        EXPECT_THROW(StorePhoto(Bitmap(), dir.file(name)), std::runtime_error) << name;
        EXPECT_EQ(dir.read(name), "good photograph") << name;
    }
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"p.bmp", "p.tif"}));
}

TEST(StorePhoto, AFailedStoreLeavesNoFolderItMade) {
    vt::testing::TempDir dir;
    const Bitmap big = TestPicture(400, 300);
    for (const char* name : {"a/Vorantel/p.jpg", "b/Vorantel/p.tif", "c/Vorantel/p.bmp"}) {
        SCOPED_TRACE(name);
        const fs::path folder = fs::path(dir.file(name)).parent_path();
        fs::create_directories(folder.parent_path());
        {
            FileSizeLimit limit(2048);
            EXPECT_THROW(StorePhoto(big, dir.file(name)), std::runtime_error);
        }
        EXPECT_FALSE(fs::exists(folder));
    }
    // A folder that was there before stays, empty or not.
    fs::create_directories(dir.file("d/Vorantel"));
    {
        FileSizeLimit limit(2048);
        EXPECT_THROW(StorePhoto(big, dir.file("d/Vorantel/p.bmp")), std::runtime_error);
    }
    EXPECT_TRUE(fs::is_directory(dir.file("d/Vorantel")));
    EXPECT_TRUE(fs::is_empty(dir.file("d/Vorantel")));
    // A prepared photo that is dropped unstored leaves nothing either; one
    // committed keeps the folder it made.
    fs::create_directories(dir.file("e"));
    {
        PreparedPhoto dropped = PreparePhoto(big, dir.file("e/Vorantel/p.jpg"));
        EXPECT_TRUE(fs::is_directory(dir.file("e/Vorantel")));
    }
    EXPECT_FALSE(fs::exists(dir.file("e/Vorantel")));
    EXPECT_EQ(PreparePhoto(big, dir.file("e/Vorantel/p.jpg")).commit(),
              dir.file("e/Vorantel/p.jpg"));
    EXPECT_EQ(Names(dir.file("e/Vorantel")), std::vector<std::string>{"p.jpg"});
}

TEST(StorePhoto, AStoreThatFailsNeverTakesAwayTheFolderOfOneBeingWritten) {
    // Two stores into a folder that neither found: one fails after making
    // its file there (a metadata segment too long for JPEG), the other must
    // still find the folder when it makes its own file.
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(16, 16);
    PhotoMetadata tooLong;
    tooLong.jpegMarkers.push_back({0xE1, std::vector<std::uint8_t>(70000, 1)});
    StoreOptions failing;
    failing.metadata = &tooLong;
    int lost = 0;
    for (int i = 0; i < 100; ++i) {
        std::string folder = "r";
        folder = dir.file(folder + std::to_string(i)) + "/Vorantel/";
        fs::create_directories(fs::path(folder).parent_path().parent_path());
        std::thread other(
            [&] { EXPECT_THROW(PreparePhoto(b, folder + "bad.jpg", failing), JpegStoreError); });
        try {
            PreparePhoto(b, folder + "good.jpg").commit();
        } catch (const std::exception&) {
            ++lost;
        }
        other.join();
    }
    EXPECT_EQ(lost, 0);
}

TEST(StorePhoto, NeverOverTheSourceHoweverItIsReached) {
    vt::testing::TempDir dir;
    fs::create_directory_symlink(".", dir.file("Vorantel"));
    const Bitmap b = TestPicture(8, 8);
    WriteBmpFile(dir.file("p.bmp"), b);
    const std::string before = dir.read("p.bmp");
    StoreOptions options;
    options.source = dir.file("p.bmp");
    EXPECT_THROW(StorePhoto(TestPicture(8, 9), DestinationPathFor(dir.file("p.bmp")), options),
                 std::runtime_error);
    EXPECT_EQ(dir.read("p.bmp"), before);
    // Without a source to protect, the store goes where it is told.
    StorePhoto(TestPicture(8, 9), dir.file("p.bmp"));
    EXPECT_EQ(ReadBmpFile(dir.file("p.bmp")).height(), 9);
    // Another file of the same folder is no source.
    options.source = dir.file("p.bmp");
    EXPECT_EQ(StorePhoto(b, DestinationPathFor(dir.file("q.tif")), options),
              dir.file("Vorantel/q.tif"));
}

TEST(WriteBmpFile, StreamedRowsMakeTheSameFileAsTheWholeEncoding) {
    // Pictures of several megabytes are written a block of rows at a time.
    vt::testing::TempDir dir;
    for (PixelFormat pf :
         {PixelFormat::pf24bit, PixelFormat::pf8bit, PixelFormat::pf1bit, PixelFormat::pf16bit}) {
        const Bitmap b = TestPicture(1203, 301, pf);
        WriteBmpFile(dir.file("s.bmp"), b);
        const std::vector<std::uint8_t> whole = WriteBmp(b);
        EXPECT_EQ(ToBytes(dir.read("s.bmp")), whole);
        EXPECT_EQ(ReadBmpFile(dir.file("s.bmp")), b);
    }
}

TEST(StorePhoto, FolderThatCannotBeMadeOrAFolderInTheFilesPlace) {
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(4, 4);
    EXPECT_THROW(StorePhoto(b, dir.file("none/Vorantel/a.tif")), std::runtime_error);
    EXPECT_THROW(StorePhoto(b, dir.file("none/Vorantel/a.jpg")), JpegStoreError);
    fs::create_directory(dir.file("d.jpg"));
    EXPECT_THROW(StorePhoto(b, dir.file("d.jpg")), JpegStoreError);
    EXPECT_TRUE(fs::is_directory(dir.file("d.jpg")));
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"d.jpg"});
}

TEST(StorePhoto, StoredPhotosLoadAgainThroughLoadPicture) {
    vt::testing::TempDir dir;
    const Bitmap b = TestPicture(33, 21);
    const Bitmap jpg = LoadPicture(StorePhoto(b, dir.file("a.png")));
    ASSERT_EQ(jpg.width(), 33);
    ASSERT_EQ(jpg.height(), 21);
    double total = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 33; ++x) {
            const TColor want = b.pixel(x, y), got = jpg.pixel(x, y);
            total += std::abs(GetRValue(want) - GetRValue(got)) +
                     std::abs(GetGValue(want) - GetGValue(got)) +
                     std::abs(GetBValue(want) - GetBValue(got));
        }
    EXPECT_LT(total / (33 * 21 * 3), 2.0);

    const Bitmap bmp = LoadPicture(StorePhoto(b, dir.file("a.bmp")));
    ASSERT_EQ(bmp.width(), 33);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 33; ++x)
            EXPECT_EQ(bmp.pixel(x, y), b.pixel(x, y));
}
