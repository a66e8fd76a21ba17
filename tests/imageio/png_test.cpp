// The PNG reader against PngSuite: every valid image must give the pixels
// that libpng decodes, after the reader's own conversions (written by
// tests/data/png/make_expected.c), and every corrupt image must fail with one
// of the reader's messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/pnggraphic.h"
#include "imageio/stream.h"
#include "support/tempdir.h"

namespace vt {
namespace {

const std::string kSuite = std::string(VORANTEL_TESTDATA) + "/pngsuite/";
const std::string kExpected = std::string(VORANTEL_TESTDATA) + "/png/expected/";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The reader's messages a damaged PNG file may fail with.
const std::set<std::string>& pngMessages() {
    static const std::set<std::string> m = {
        "Cannot load image. Invalid or unexpected PNG image format.",
        "Cannot load image. The compression scheme is not supported for PNG files.",
        "Invalid color format in PNG file.",
        "Cannot load image. CRC error found in PNG file.",
        "Cannot load image. Compression error found in PNG file.",
        "Cannot load image. Extra compressed data found in PNG file.",
        "Cannot load image. Palette in PNG file is invalid.",
        "Cannot load PNG image. Unexpected but critical chunk detected.",
        "Stream read error in PNG file.",
    };
    return m;
}

// Loads PNG bytes from memory; returns the error message, or "" on success.
std::string loadMessage(const std::string& bytes, Bitmap* out = nullptr) {
    TPNGGraphic png;
    TMemoryStream stream(bytes.data(), bytes.size());
    try {
        png.LoadFromStream(stream);
    } catch (const std::exception& e) {
        return e.what();
    }
    if (out) *out = png.TakeBitmap();
    return "";
}

// Colour and alpha of a pixel as R, G, B, A (alpha 255 unless 32-bit).
std::uint32_t rgbaAt(const Bitmap& b, int x, int y) {
    TColor c = b.pixel(x, y);
    std::uint32_t a = 255;
    if (b.pixelFormat() == PixelFormat::pf32bit) a = b.scanLine(y)[4 * x + 3];
    return std::uint32_t(GetRValue(c)) | (std::uint32_t(GetGValue(c)) << 8) |
           (std::uint32_t(GetBValue(c)) << 16) | (a << 24);
}

TEST(PngSuite, ValidImagesGiveLibpngPixels) {
    std::ifstream manifest(kExpected + "manifest.txt");
    ASSERT_TRUE(manifest) << "missing manifest";
    std::string line;
    int checked = 0;
    std::vector<std::string> failures;
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        std::string name;
        int w = 0, h = 0, bits = 0;
        fields >> name >> w >> h >> bits;
        if (name.empty()) continue;
        ++checked;
        Bitmap b;
        try {
            b = LoadPicture(kSuite + name + ".png");
        } catch (const std::exception& e) {
            failures.push_back(name + ": " + e.what());
            continue;
        }
        if (b.width() != w || b.height() != h || BitsPerPixel(b.pixelFormat()) != bits) {
            failures.push_back(name + ": size or format differs");
            continue;
        }
        std::string expected = readFile(kExpected + name + ".rgba");
        if (expected.size() != std::size_t(w) * std::size_t(h) * 4) {
            failures.push_back(name + ": expected pixels missing");
            continue;
        }
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const auto* e =
                    reinterpret_cast<const std::uint8_t*>(expected.data()) + 4 * (y * w + x);
                std::uint32_t want = std::uint32_t(e[0]) | (std::uint32_t(e[1]) << 8) |
                                     (std::uint32_t(e[2]) << 16) | (std::uint32_t(e[3]) << 24);
                if (rgbaAt(b, x, y) != want) ++wrong;
            }
        if (wrong) failures.push_back(name + ": " + std::to_string(wrong) + " pixels differ");
    }
    EXPECT_GE(checked, 160);
    for (const std::string& f : failures)
        ADD_FAILURE() << f;
}

TEST(PngSuite, CorruptImagesFailWithAReaderMessage) {
    const char* names[] = {"xc1n0g08", "xc9n2c08", "xcrn0g04", "xcsn0g01", "xd0n2c08",
                           "xd3n2c08", "xd9n2c08", "xdtn0g01", "xhdn0g08", "xlfn0g04",
                           "xs1n0g01", "xs2n0g01", "xs4n0g01", "xs7n0g01"};
    for (const char* name : names) {
        std::string msg = loadMessage(readFile(kSuite + name + ".png"));
        EXPECT_TRUE(pngMessages().count(msg)) << name << ": \"" << msg << "\"";
    }
}

} // namespace
} // namespace vt
