#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <sstream>

#include "camera/analysis.h"
#include "camera/camerafile.h"
#include "platform/files.h"
#include "repair/jpegrepair.h"
#include "repair/repair.h"
#include "support/libjpeg.h"
#include "support/tempdir.h"

using namespace vt;
using vt::testing::JpegFile;
using vt::testing::ReadJpeg;
using vt::testing::TempDir;

namespace {

std::uintmax_t FileSizeOf(const std::string& path) {
    return std::filesystem::file_size(path);
}

const std::string kData = std::string(VORANTEL_TESTDATA) + "/jpeg/";

std::vector<std::pair<int, int>> HotPoints(const std::string& name) {
    std::vector<std::pair<int, int>> points;
    std::ifstream in(kData + name);
    int x, y;
    while (in >> x >> y)
        points.emplace_back(x, y);
    return points;
}

// The camera the analysis makes from a blackshot of the photo's size with
// these hot pixels, as the camera file holds it.
HotPixelList CameraOf(const std::vector<std::pair<int, int>>& points, int w, int h,
                      const TempDir& dir) {
    Bitmap shot(w, h);
    for (auto [x, y] : points)
        shot.setPixel(x, y, RGBColor(200, 200, 200));
    NullProgress quiet;
    BlackshotResult r = AnalyzeBlackshotBitmap(shot, 30, quiet);
    WriteCameraFile(dir.file("c.cam"), r.lines);
    return ReadCameraFile(dir.file("c.cam")).records;
}

// The repair of the photo as libjpeg decodes it: what a full decode,
// repair and encode starts from.
Bitmap FullRepair(const JpegFile& f, const HotPixelList& camera) {
    Bitmap b(f.width, f.height);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            auto p = f.pixel(x, y);
            b.setPixel(x, y, RGBColor(p[0], p[1], p[2]));
        }
    NullProgress quiet;
    FixHotPixels(quiet, camera, b);
    return b;
}

// How far requantising a block can move a sample: one quantisation step of
// every coefficient, times the size of its basis function there (JPEG's
// orthonormal 8 x 8 DCT), and one level of rounding.
double Allowance(const std::array<std::uint16_t, 64>& q, int x, int y) {
    double sum = 1;
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            const double cu = u ? 1 : std::numbers::sqrt2 / 2, cv = v ? 1 : std::numbers::sqrt2 / 2;
            sum += q[std::size_t(v * 8 + u)] *
                   std::abs(cu * cv / 4 * std::cos((2 * x + 1) * u * std::numbers::pi / 16) *
                            std::cos((2 * y + 1) * v * std::numbers::pi / 16));
        }
    return sum;
}

// The Huffman tables a file defines before its first scan: class and number,
// then the code lengths and symbols, each as its bytes.
std::set<std::string> HuffmanTables(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), {});
    std::set<std::string> tables;
    for (std::size_t i = 2; i + 4 <= b.size();) {
        const int marker = std::uint8_t(b[i + 1]);
        const std::size_t length = std::uint8_t(b[i + 2]) * 256u + std::uint8_t(b[i + 3]);
        if (marker == 0xDA) break;
        for (std::size_t p = i + 4; marker == 0xC4 && p + 17 <= i + 2 + length;) {
            std::size_t count = 0;
            for (int k = 1; k <= 16; ++k)
                count += std::uint8_t(b[p + std::size_t(k)]);
            tables.insert(b.substr(p, 17 + count));
            p += 17 + count;
        }
        i += 2 + length;
    }
    return tables;
}

struct Case {
    const char* file;
    const char* hot;
    bool huffmanKept;
};

std::ostream& operator<<(std::ostream& os, const Case& c) {
    return os << c.file;
}

class RepairJpegCase : public ::testing::TestWithParam<Case> {};

// The file repaired in its compressed form against libjpeg's reading of
// source and result: the layout is the source's; coefficients change only in
// blocks that hold a hot pixel's own sample; pixels change only where such
// blocks reach; the other samples of those blocks move no more than
// requantising allows; each hot pixel is within 3 levels of the full-decode
// repair; and the file keeps its size.
TEST_P(RepairJpegCase, OnlyTheHotPixelsBlocksChange) {
    const Case& c = GetParam();
    TempDir dir;
    const std::string source = kData + c.file;
    const JpegFile before = ReadJpeg(source);
    ASSERT_EQ(before.error, "");
    const HotPixelList camera = CameraOf(HotPoints(c.hot), before.width, before.height, dir);
    // Every pixel the camera repairs (a cluster's neighbours too).
    std::set<std::pair<int, int>> hot;
    for (const HotPixelRecord& r : camera)
        if (r.x() >= 0 && r.y() >= 0 && r.x() < before.width && r.y() < before.height)
            hot.insert({r.x(), r.y()});

    NullProgress quiet;
    RepairedJpeg repaired = RepairJpeg(source, camera, dir.file("out.jpg"), quiet);
    repaired.file->commit();
    const JpegFile after = ReadJpeg(dir.file("out.jpg"));
    ASSERT_EQ(after.error, "");

    // The layout.
    EXPECT_EQ(after.width, before.width);
    EXPECT_EQ(after.progressive, before.progressive);
    EXPECT_EQ(after.restartInterval, before.restartInterval);
    EXPECT_EQ(after.jfif, before.jfif);
    ASSERT_EQ(after.components.size(), before.components.size());
    EXPECT_EQ(repaired.report.huffmanKept, c.huffmanKept);
    if (c.huffmanKept) {
        EXPECT_EQ(HuffmanTables(dir.file("out.jpg")), HuffmanTables(source));
    }
    EXPECT_EQ(repaired.report.hotPixels, hot.size());

    int maxH = 1, maxV = 1;
    for (const auto& comp : before.components)
        maxH = std::max(maxH, comp.h), maxV = std::max(maxV, comp.v);
    // Pixels a changed block may reach: its own, and one sample further for
    // the decoder's interpolation of subsampled colour.
    std::vector<char> reach(std::size_t(before.width) * before.height, 0);
    std::size_t touched = 0;
    for (std::size_t ci = 0; ci < before.components.size(); ++ci) {
        const auto& b = before.components[ci];
        const auto& a = after.components[ci];
        EXPECT_EQ(a.h, b.h);
        EXPECT_EQ(a.v, b.v);
        EXPECT_EQ(a.quant, b.quant);
        const int rh = before.components.size() == 1 ? 1 : maxH / b.h;
        const int rv = before.components.size() == 1 ? 1 : maxV / b.v;
        // The hot pixels' own samples, and the samples the decoder blends
        // into them.
        std::set<std::pair<int, int>> own, blended;
        for (auto [x, y] : hot) {
            own.insert({x / rh / 8, y / rv / 8});
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (rh > 1 || rv > 1 || (dx == 0 && dy == 0))
                        blended.insert({x / rh + (rh > 1 ? dx : 0), y / rv + (rv > 1 ? dy : 0)});
        }
        for (int by = 0; by < b.heightInBlocks; ++by)
            for (int bx = 0; bx < b.widthInBlocks; ++bx) {
                if (std::equal(b.block(bx, by), b.block(bx, by) + 64, a.block(bx, by))) continue;
                ++touched;
                EXPECT_TRUE(own.count({bx, by}))
                    << "component " << ci << " block " << bx << "," << by;
                for (int y = (by * 8 - 1) * rv; y < (by * 8 + 9) * rv; ++y)
                    for (int x = (bx * 8 - 1) * rh; x < (bx * 8 + 9) * rh; ++x)
                        if (x >= 0 && y >= 0 && x < before.width && y < before.height)
                            reach[std::size_t(y) * before.width + x] = 1;
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        const int sx = bx * 8 + x, sy = by * 8 + y;
                        if (blended.count({sx, sy})) continue;
                        EXPECT_LE(std::abs(a.sample(sx, sy) - b.sample(sx, sy)),
                                  Allowance(b.quant, x, y))
                            << "component " << ci << " sample " << sx << "," << sy;
                    }
            }
    }
    EXPECT_EQ(repaired.report.touchedBlocks, touched);
    EXPECT_GT(touched, 0u);

    const Bitmap expected = FullRepair(before, camera);
    int worst = 0;
    for (int y = 0; y < before.height; ++y)
        for (int x = 0; x < before.width; ++x) {
            const auto p = before.pixel(x, y), q = after.pixel(x, y);
            if (!reach[std::size_t(y) * before.width + x]) {
                ASSERT_EQ(p, q) << "pixel " << x << "," << y << " outside the changed blocks";
                continue;
            }
            if (!hot.count({x, y})) continue;
            const TColor e = expected.pixel(x, y);
            const int miss = std::max({std::abs(q[0] - GetRValue(e)), std::abs(q[1] - GetGValue(e)),
                                       std::abs(q[2] - GetBValue(e))});
            worst = std::max(worst, miss);
            EXPECT_LE(miss, 3) << "hot pixel " << x << "," << y;
        }
    std::cout << "  " << c.file << ": " << touched << " blocks re-encoded, worst hot pixel "
              << worst << " levels off, size " << FileSizeOf(source) << " -> "
              << FileSizeOf(dir.file("out.jpg")) << "\n";
    const double grown = std::abs(double(FileSizeOf(dir.file("out.jpg"))) - FileSizeOf(source));
    EXPECT_LE(grown, 0.01 * double(FileSizeOf(source)));
}

INSTANTIATE_TEST_SUITE_P(CameraJpegs, RepairJpegCase,
                         ::testing::Values(Case{"baseline420.jpg", "a.hot", true},
                                           Case{"baseline422.jpg", "a.hot", true},
                                           Case{"baseline444.jpg", "a.hot", true},
                                           Case{"progressive420.jpg", "a.hot", false},
                                           Case{"restart420.jpg", "b.hot", true},
                                           Case{"grey.jpg", "a.hot", true},
                                           Case{"optimized420.jpg", "b.hot", true}),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             return n.substr(0, n.find('.'));
                         });

} // namespace
