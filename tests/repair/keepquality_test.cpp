// Storing with "Keep JPEG quality": the photograph's own coefficients where
// they can be kept, a full encode with the reason where not, in the single
// store and in the batch.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "imageio/fileformatlist.h"
#include "repair/batch.h"
#include "repair/jpegrepair.h"
#include "repair/photooutput.h"
#include "repair/repair.h"
#include "support/libjpeg.h"
#include "support/tempdir.h"

using namespace vt;
using vt::testing::JpegFile;
using vt::testing::ReadJpeg;
using vt::testing::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kData = std::string(VORANTEL_TESTDATA) + "/";

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Lone hot pixels with the four records the analysis writes for each.
HotPixelList Camera(std::initializer_list<std::pair<int, int>> points) {
    HotPixelList list;
    for (auto [x, y] : points) {
        list.push_back({{x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}});
        list.push_back({{x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1}});
        list.push_back({{x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1}});
        list.push_back({{x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1}});
    }
    return list;
}

std::size_t Offset(const std::string& bytes, std::uint8_t marker) {
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (std::uint8_t(bytes[i]) == 0xFF && std::uint8_t(bytes[i + 1]) == marker) return i;
    return std::string::npos;
}

struct Refusal {
    const char* name;
    std::string (*make)(const std::string& jpeg);
    const char* reason; // the start of the reason
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) {
    return os << r.name;
}

const Refusal kRefusals[] = {
    {"png", [](const std::string&) { return Bytes(kData + "metadata/profile.png"); },
     "The photograph is not a JPEG file."},
    {"lossless",
     [](const std::string& j) {
         std::string b = j;
         b[Offset(b, 0xC0) + 1] = char(0xC3);
         return b;
     },
     "The photograph is a lossless JPEG."},
    {"arithmetic",
     [](const std::string& j) {
         std::string b = j;
         b[Offset(b, 0xC0) + 1] = char(0xC9);
         return b;
     },
     "The photograph is an arithmetic-coded JPEG."},
    {"twelve_bit",
     [](const std::string& j) {
         std::string b = j;
         b[Offset(b, 0xC0) + 4] = 12;
         return b;
     },
     "The photograph has 12 bits per sample."},
    {"truncated", [](const std::string& j) { return j.substr(0, j.size() / 2); },
     "The photograph's JPEG data is damaged: "},
    {"no_frame", [](const std::string& j) { return j.substr(0, Offset(j, 0xDB)); },
     "The photograph is not a JPEG file."},
};

class KeepQualityRefused : public ::testing::TestWithParam<Refusal> {};

// Files that cannot be repaired in their compressed form are refused with a
// reason, before anything is written.
TEST_P(KeepQualityRefused, WithTheReasonAndNothingWritten) {
    TempDir dir;
    Write(dir.file("in.jpg"), GetParam().make(Bytes(kData + "jpeg/baseline420.jpg")));
    NullProgress quiet;
    try {
        RepairJpeg(dir.file("in.jpg"), Camera({{10, 10}}), dir.file("out.jpg"), quiet);
        ADD_FAILURE() << "not refused";
    } catch (const JpegTranscodeUnavailable& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().reason, 0), 0u) << e.what();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Files, KeepQualityRefused, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// A file whose Huffman tables were optimised for a flat picture has no
// codes for what a repair paints into it: libjpeg's optimal tables replace
// them, and the file decodes to the repair.
TEST(RepairJpeg, TablesThatLackACodeAreOptimisedAnew) {
    TempDir dir;
    {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        std::FILE* f = std::fopen(dir.file("flat.jpg").c_str(), "wb");
        jpeg_stdio_dest(&cinfo, f);
        cinfo.image_width = 64;
        cinfo.image_height = 48;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        cinfo.optimize_coding = TRUE;
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<JSAMPLE> row(64 * 3, 120);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW r = row.data();
            jpeg_write_scanlines(&cinfo, &r, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(f);
    }
    // No reference inside the picture: the pixel is painted black.
    const HotPixelList camera = {{{20, 20, -5, -5, -6, -6, -7, -7}}};
    NullProgress quiet;
    RepairedJpeg r = RepairJpeg(dir.file("flat.jpg"), camera, dir.file("out.jpg"), quiet);
    r.file->commit();
    EXPECT_FALSE(r.report.huffmanKept);
    const JpegFile out = ReadJpeg(dir.file("out.jpg"));
    ASSERT_EQ(out.error, "");
    for (int c : out.pixel(20, 20))
        EXPECT_LE(c, 3);
    EXPECT_EQ(out.pixel(40, 40), (std::array<int, 3>{120, 120, 120}));
}

// The store asked to keep the JPEG quality: kept for a JPEG with its own
// segments in their order; a full encode with the reason for an edited
// picture or another format; no word of it for a TIFF destination.
TEST(StorePhoto, KeepsTheJpegQualityOrSaysWhyNot) {
    TempDir dir;
    const std::string jpeg = kData + "metadata/exif.jpg";
    const HotPixelList camera = Camera({{10, 10}});
    Photo photo = LoadPhoto(jpeg);
    NullProgress quiet;
    FixHotPixels(quiet, camera, photo.picture);

    KeepJpegQuality keep{jpeg, &camera, false};
    StoreOptions options;
    options.metadata = &photo.metadata;
    options.keepJpegQuality = &keep;
    StoreOutcome outcome;
    StorePhoto(photo.picture, dir.file("kept.jpg"), options, &outcome);
    EXPECT_TRUE(outcome.keptQuality);
    EXPECT_EQ(outcome.written, dir.file("kept.jpg"));
    EXPECT_EQ(StoreModeText(outcome),
              "JPEG quality kept: " + std::to_string(outcome.report.touchedBlocks) + " of " +
                  std::to_string(outcome.report.blocks) + " blocks re-encoded");
    const JpegFile source = ReadJpeg(jpeg), kept = ReadJpeg(dir.file("kept.jpg"));
    EXPECT_EQ(kept.markers, source.markers); // JFIF, Exif, XMP, ICC, IPTC, comment
    EXPECT_LE(std::abs(kept.pixel(10, 10)[0] - int(GetRValue(photo.picture.pixel(10, 10)))), 3);

    keep.edited = true;
    StorePhoto(photo.picture, dir.file("edited.jpg"), options, &outcome);
    EXPECT_FALSE(outcome.keptQuality);
    EXPECT_EQ(outcome.fullEncodeReason, kEditedPictureReason);
    EXPECT_EQ(StoreModeText(outcome),
              std::string("Full encode at quality 90: ") + kEditedPictureReason);

    keep = {kData + "metadata/profile.png", nullptr, false};
    StorePhoto(LoadPicture(keep.jpegSource), dir.file("png.jpg"), options, &outcome);
    EXPECT_EQ(outcome.fullEncodeReason, "The photograph is not a JPEG file.");
    EXPECT_EQ(ReadJpeg(dir.file("png.jpg")).width, 48);

    keep = {jpeg, &camera, false};
    StorePhoto(photo.picture, dir.file("photo.tif"), options, &outcome);
    EXPECT_FALSE(outcome.keptQuality);
    EXPECT_EQ(StoreModeText(outcome), "");
}

// A photograph stored over itself with nothing repaired keeps every
// coefficient: a copy without a second generation of loss.
TEST(StorePhoto, OverItselfUnrepairedKeepsEveryCoefficient) {
    TempDir dir;
    fs::copy_file(kData + "jpeg/progressive420.jpg", dir.file("p.jpg"));
    const JpegFile before = ReadJpeg(dir.file("p.jpg"));
    KeepJpegQuality keep{dir.file("p.jpg"), nullptr, false};
    StoreOptions options;
    options.keepJpegQuality = &keep;
    StoreOutcome outcome;
    StorePhoto(LoadPicture(dir.file("p.jpg")), dir.file("p.jpg"), options, &outcome);
    EXPECT_TRUE(outcome.keptQuality);
    EXPECT_EQ(outcome.report.touchedBlocks, 0u);
    const JpegFile after = ReadJpeg(dir.file("p.jpg"));
    ASSERT_EQ(after.components.size(), before.components.size());
    EXPECT_TRUE(after.progressive);
    for (std::size_t c = 0; c < before.components.size(); ++c)
        EXPECT_EQ(after.components[c].coefficients, before.components[c].coefficients);
}

struct Outcomes : BatchObserver {
    std::vector<StoreOutcome> outcomes;
    void storeOutcome(std::size_t, const StoreOutcome& o) override { outcomes.push_back(o); }
    bool failed(std::size_t i, const BatchFailure& f) override {
        ADD_FAILURE() << i << ": " << f.text;
        return true;
    }
};

// The batch keeps the JPEG quality whether or not it shows the pictures,
// with the same files, and says why a PNG was encoded in full.
TEST(Batch, KeepsTheJpegQualityWithOrWithoutPictures) {
    TempDir dir;
    fs::copy_file(kData + "jpeg/baseline422.jpg", dir.file("a.jpg"));
    fs::copy_file(kData + "metadata/profile.png", dir.file("b.png"));
    const std::vector<std::string> photos = {dir.file("a.jpg"), dir.file("b.png")};
    const HotPixelList camera = Camera({{10, 10}, {200, 120}, {47, 47}});
    std::string first;
    for (bool pictures : {false, true}) {
        SCOPED_TRACE(pictures);
        Outcomes observer;
        BatchOptions options;
        options.workers = 2;
        options.keepPictures = pictures;
        options.keepJpegQuality = true;
        EXPECT_EQ(RunBatch(photos, camera, observer, options).stored, 2u);
        ASSERT_EQ(observer.outcomes.size(), 2u);
        EXPECT_TRUE(observer.outcomes[0].keptQuality);
        EXPECT_EQ(observer.outcomes[0].report.hotPixels, 3u);
        EXPECT_EQ(observer.outcomes[1].fullEncodeReason, "The photograph is not a JPEG file.");
        const std::string bytes = Bytes(dir.file("Vorantel/a.jpg"));
        if (first.empty()) first = bytes;
        EXPECT_EQ(bytes, first);
    }
}

} // namespace
