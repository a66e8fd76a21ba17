// The Exif facts of a photo: files written by exiftool (an independent
// writer) and hand-built blocks, whole and damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/exiftags.h"
#include "imageio/fileformatlist.h"
#include "support/tempdir.h"

using namespace vt;

namespace {

const std::string kData = VORANTEL_TESTDATA;

// A TIFF-structured block: header, IFD0 with the given entries, an Exif
// IFD when `exif` has entries, then the data the entries point to.
struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::string data; // the value's bytes; stored in the entry when it fits
};

class Block {
  public:
    explicit Block(bool little) : little_(little) {}
    std::vector<std::uint8_t> build(const std::vector<Entry>& ifd0,
                                    const std::vector<Entry>& exif) {
        bytes_.clear();
        bytes_.push_back(little_ ? 'I' : 'M');
        bytes_.push_back(little_ ? 'I' : 'M');
        u16(42);
        u32(8);
        std::vector<Entry> first = ifd0;
        const std::uint32_t ifd0Size = 2 + 12 * std::uint32_t(first.size() + !exif.empty()) + 4;
        if (!exif.empty()) first.push_back({0x8769, 4, 1, ""}); // patched below
        const std::uint32_t exifAt = 8 + ifd0Size;
        const std::uint32_t exifSize = exif.empty() ? 0 : 2 + 12 * std::uint32_t(exif.size()) + 4;
        std::uint32_t dataAt = exifAt + exifSize;
        std::string data;
        auto directory = [&](const std::vector<Entry>& entries) {
            u16(std::uint16_t(entries.size()));
            for (const Entry& e : entries) {
                u16(e.tag);
                u16(e.type);
                u32(e.count);
                if (e.tag == 0x8769) {
                    u32(exifAt);
                } else if (e.data.size() <= 4) {
                    std::string v = e.data;
                    v.resize(4, '\0');
                    bytes_.insert(bytes_.end(), v.begin(), v.end());
                } else {
                    u32(dataAt + std::uint32_t(data.size()));
                    data += e.data;
                }
            }
            u32(0);
        };
        directory(first);
        if (!exif.empty()) directory(exif);
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return bytes_;
    }
    std::string shortValue(std::uint16_t v) const {
        return little_ ? std::string{char(v & 0xFF), char(v >> 8)}
                       : std::string{char(v >> 8), char(v & 0xFF)};
    }

  private:
    void u16(std::uint16_t v) {
        const std::string s = shortValue(v);
        bytes_.insert(bytes_.end(), s.begin(), s.end());
    }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(std::uint8_t(little_ ? v >> (8 * i) : v >> (8 * (3 - i))));
    }
    bool little_;
    std::vector<std::uint8_t> bytes_;
};

ExifTags Parse(const std::vector<std::uint8_t>& b) {
    return ParseExifTags(b.data(), b.size());
}

} // namespace

TEST(ExifTags, FilesWrittenByExiftool) {
    struct Case {
        const char* file;
        ExifTags expected;
    };
    const Case cases[] = {
        {"metadata/exif.jpg", {"Vorantel", "Test Camera", "", 6}},
        {"cameras/alpha-shot.tif", {"Vorantel", "Alpha", "", 0}},
        {"cameras/alpha-mm.tif", {"Vorantel", "Alpha", "0042", 8}},
        {"cameras/beta-photo.jpg", {"Vorantel", "Beta", "B-7", 0}},
        {"cameras/anon-photo.tif", {}},
        {"cameras/make_fixtures.sh", {}},
    };
    for (const Case& c : cases) {
        const std::string path = kData + "/" + c.file;
        const ExifTags got = ReadExifTags(path);
        EXPECT_EQ(got, c.expected) << c.file << ": " << got.make << "|" << got.model << "|"
                                   << got.serial << "|" << got.orientation;
    }
    // The segment a loaded JPEG keeps says the same.
    EXPECT_EQ(ExifTagsOf(LoadPhoto(kData + "/metadata/exif.jpg").metadata).model, "Test Camera");
    EXPECT_THROW(ReadExifTags(kData + "/cameras/none.jpg"), std::runtime_error);
}

TEST(ExifTags, HandBuiltBlocksWholeAndDamaged) {
    for (bool little : {true, false}) {
        Block b(little);
        const std::vector<Entry> ifd0 = {
            {0x010F, 2, 12, std::string("  Canon\0\0\0\0\0\0", 12)},
            {0x0110, 2, 14, std::string("Canon EOS 6D\0\0", 14)},
            {0x0112, 3, 1, b.shortValue(8)},
        };
        const std::vector<Entry> exif = {{0xA431, 2, 11, std::string("0123456789\0", 11)}};
        const std::vector<std::uint8_t> whole = b.build(ifd0, exif);
        EXPECT_EQ(Parse(whole), (ExifTags{"Canon", "Canon EOS 6D", "0123456789", 8}));

        // With the APP1 identifier in front.
        std::vector<std::uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), whole.begin(), whole.end());
        EXPECT_EQ(Parse(app1).model, "Canon EOS 6D");

        // Every cut of the block parses without reading past its end and
        // keeps what lies before the cut.
        for (std::size_t n = 0; n < whole.size(); ++n) {
            const ExifTags t = ParseExifTags(whole.data(), n);
            EXPECT_TRUE(t.make.empty() || t.make == "Canon") << n;
        }
    }
    Block b(true);
    struct Case {
        const char* what;
        std::vector<Entry> ifd0;
        ExifTags expected;
    };
    const Case cases[] = {
        {"orientation out of range", {{0x0112, 3, 1, b.shortValue(9)}}, {}},
        {"orientation as a long", {{0x0112, 4, 1, std::string("\3\0\0\0", 4)}}, {"", "", "", 3}},
        {"make of the wrong type", {{0x010F, 7, 5, "Canon"}}, {}},
        {"make pointing past the end", {{0x010F, 2, 60000, "x"}}, {}},
        {"control characters dropped",
         {{0x0110, 2, 8,
           std::string("A\r\nB\x1b"
                       "C\0\0",
                       8)}},
         {"", "ABC", "", 0}},
        {"text cut at its longest",
         {{0x0110, 2, 300, std::string(300, 'M')}},
         {"", std::string(kMaxExifText, 'M'), "", 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Parse(b.build(c.ifd0, {})), c.expected) << c.what;

    // A directory that claims more entries than any Exif has, or lies
    // beyond the block, and headers that are no TIFF.
    std::vector<std::uint8_t> many = b.build({{0x010F, 2, 4, "Abc"}}, {});
    many[8] = 0xFF, many[9] = 0xFF;
    EXPECT_EQ(Parse(many), ExifTags{});
    std::vector<std::uint8_t> far = b.build({{0x010F, 2, 4, "Abc"}}, {});
    far[4] = 0xF0;
    EXPECT_EQ(Parse(far), ExifTags{});
    for (const char* head : {"II+\0\10\0\0\0", "XX*\0\10\0\0\0", "MM\0+\0\0\0\10"})
        EXPECT_EQ(ParseExifTags(reinterpret_cast<const std::uint8_t*>(head), 8), ExifTags{});
}

TEST(ExifTags, JpegSegmentsAreWalkedOnlyUpToThePicture) {
    vt::testing::TempDir dir;
    Block b(true);
    const std::vector<std::uint8_t> tiff = b.build({{0x0110, 2, 6, std::string("Model\0", 6)}}, {});
    std::string exif = std::string("Exif\0\0", 6) + std::string(tiff.begin(), tiff.end());
    auto segment = [](int code, const std::string& payload) {
        const std::size_t n = payload.size() + 2;
        return std::string{char(0xFF), char(code), char(n >> 8), char(n & 0xFF)} + payload;
    };
    const std::string soi = "\xFF\xD8";
    const std::string sos = "\xFF\xDA\x00\x02";
    // After a JFIF segment, fill bytes and an XMP segment.
    dir.write("a.jpg", soi + segment(0xE0, "JFIF") + "\xFF\xFF" + segment(0xE1, "http://ns") +
                           segment(0xE1, exif) + sos);
    EXPECT_EQ(ReadExifTags(dir.file("a.jpg")).model, "Model");
    // After the picture data begins nothing counts; a cut segment ends it.
    dir.write("b.jpg", soi + sos + segment(0xE1, exif));
    EXPECT_EQ(ReadExifTags(dir.file("b.jpg")), ExifTags{});
    dir.write("c.jpg", soi + segment(0xE1, exif).substr(0, 20));
    EXPECT_EQ(ReadExifTags(dir.file("c.jpg")), ExifTags{});
}
