#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "repair/repair.h"

using namespace vt;

namespace {

HotPixelRecord Rec(int hx, int hy, int x1, int y1, int x2, int y2, int x3, int y3) {
    return {{hx, hy, x1, y1, x2, y2, x3, y3}};
}

void Fix(const HotPixelList& list, Bitmap& b) {
    NullProgress p;
    FixHotPixels(p, list, b);
}

// The four records the analysis writes for a lone hot pixel, in file order:
// bottom, left, right, top.
HotPixelList LonePixel(int x, int y) {
    return {Rec(x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1),
            Rec(x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1),
            Rec(x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1),
            Rec(x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1)};
}

} // namespace

TEST(FixHotPixels, EmptyListChangesNothingAndEndsWithDone) {
    struct Recorder : IProgress {
        std::vector<std::string> calls;
        void status(const std::string& t) override { calls.push_back("s:" + t); }
        void range(int lo, int hi) override {
            calls.push_back("r:" + std::to_string(lo) + "-" + std::to_string(hi));
        }
        void position(int p) override { calls.push_back("p:" + std::to_string(p)); }
    } rec;
    Bitmap b(3, 3);
    b.fill(RGBColor(1, 2, 3));
    const Bitmap before = b;
    FixHotPixels(rec, {}, b);
    EXPECT_EQ(b, before);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"r:0-0", "s:Done", "p:0"}));

    rec.calls.clear();
    FixHotPixels(rec, {Rec(12, 1, 0, 0, 1, 0, 2, 0), Rec(0, 34, 0, 0, 1, 0, 2, 0)}, b);
    EXPECT_EQ(rec.calls,
              (std::vector<std::string>{"r:0-2", "s:Fixing point (12,1)", "p:1",
                                        "s:Fixing point (0,34)", "p:2", "s:Done", "p:0"}));
}

TEST(FixHotPixels, LonePixelTakesTheTruncatedMeanOfItsEightNeighbours) {
    Bitmap b(5, 5);
    int i = 0;
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x, ++i)
            b.setPixel(x, y, RGBColor(10 + i, 100 + 3 * i, 7 * i));
    b.setPixel(2, 2, RGBColor(255, 255, 255));
    Fix(LonePixel(2, 2), b);
    // Neighbours i = 0..8 without 4: sums 80 + 32 = 112, 800 + 96 = 896, 7 * 32 = 224 over 8.
    EXPECT_EQ(b.pixel(2, 2), RGBColor(14, 112, 28));
}

TEST(FixHotPixels, MeansAreTruncated) {
    Bitmap b(3, 3);
    b.setPixel(0, 0, RGBColor(10, 20, 30));
    b.setPixel(1, 0, RGBColor(11, 21, 31));
    b.setPixel(2, 0, RGBColor(13, 23, 33));
    b.setPixel(1, 1, RGBColor(200, 200, 200));
    Fix({Rec(1, 1, 0, 0, 1, 0, 2, 0)}, b);
    EXPECT_EQ(b.pixel(1, 1), RGBColor(11, 21, 31));
}

TEST(FixHotPixels, PointsOutsideNeverCount) {
    Bitmap b(3, 3);
    b.fill(RGBColor(90, 90, 90));
    b.setPixel(1, 0, RGBColor(30, 60, 90));
    b.setPixel(0, 1, RGBColor(33, 61, 0));
    b.setPixel(1, 1, RGBColor(0, 0, 10));
    b.setPixel(0, 0, RGBColor(255, 255, 255));
    // Corner pixel: the first record reads nothing, the others three points.
    Fix({Rec(0, 0, -1, -1, 0, -1, 1, -1), Rec(0, 0, -1, 1, 0, 1, 1, 1),
         Rec(0, 0, 1, -1, 1, 0, 1, 1)},
        b);
    EXPECT_EQ(b.pixel(0, 0), RGBColor(21, 40, 33));

    // No readable reference: black.
    b.setPixel(0, 0, RGBColor(255, 255, 255));
    Fix({Rec(0, 0, -1, -1, 0, -1, 1, -1), Rec(0, 0, -1, 0, -1, 1, 5, 5)}, b);
    EXPECT_EQ(b.pixel(0, 0), RGBColor(0, 0, 0));

    // A hot pixel outside the photo is not written, and nothing fails.
    const Bitmap before = b;
    Fix({Rec(7, 7, 0, 0, 1, 0, 2, 0)}, b);
    EXPECT_EQ(b, before);
}

TEST(FixHotPixels, RunsAndVisitedPoints) {
    Bitmap b(4, 3);
    b.setPixel(0, 0, RGBColor(100, 0, 0));
    b.setPixel(1, 0, RGBColor(50, 0, 0));
    b.setPixel(2, 0, RGBColor(0, 0, 0));
    b.setPixel(0, 2, RGBColor(200, 0, 0));
    b.setPixel(3, 0, RGBColor(0, 90, 0));
    // A point named twice in one run counts once.
    Fix({Rec(1, 1, 0, 0, 1, 0, 2, 0), Rec(1, 1, 0, 0, 0, 0, 0, 2)}, b);
    EXPECT_EQ(b.pixel(1, 1), RGBColor(87, 0, 0)); // (100 + 50 + 0 + 200) / 4

    // Another record in between starts a new run: the second run alone counts.
    b.setPixel(1, 1, RGBColor(1, 1, 1));
    Fix({Rec(1, 1, 0, 0, 1, 0, 2, 0), Rec(3, 2, 3, 0, 3, 0, 3, 0), Rec(1, 1, 0, 2, 0, 2, 0, 2)}, b);
    EXPECT_EQ(b.pixel(1, 1), RGBColor(200, 0, 0));
    EXPECT_EQ(b.pixel(3, 2), RGBColor(0, 90, 0));
}

TEST(FixHotPixels, PointsWithEqualKeysCountOnce) {
    // (0, 65536) and (1, 0) share the key 65536; the first is outside.
    Bitmap b(3, 2);
    b.setPixel(1, 0, RGBColor(240, 0, 0));
    b.setPixel(2, 0, RGBColor(60, 0, 0));
    Fix({Rec(0, 1, 0, 65536, 1, 0, 2, 0)}, b);
    EXPECT_EQ(b.pixel(0, 1), RGBColor(60, 0, 0));
}

TEST(FixHotPixels, RepairedPixelsServeAsReferencesLater) {
    Bitmap b(5, 1);
    b.setPixel(0, 0, RGBColor(10, 10, 10));
    b.setPixel(1, 0, RGBColor(255, 255, 255)); // hot, repaired first
    b.setPixel(2, 0, RGBColor(255, 255, 255)); // hot, repaired from (1,0) and (3,0)
    b.setPixel(3, 0, RGBColor(30, 30, 30));
    Fix({Rec(1, 0, 0, 0, 0, 0, 0, 0), Rec(2, 0, 1, 0, 3, 0, 3, 0)}, b);
    EXPECT_EQ(b.pixel(1, 0), RGBColor(10, 10, 10));
    EXPECT_EQ(b.pixel(2, 0), RGBColor(20, 20, 20));
}

TEST(FixHotPixels, WorksOnPaletteBitmaps) {
    Bitmap b(3, 1, PixelFormat::pf8bit);
    b.setPixel(0, 0, RGBColor(255, 255, 255));
    b.setPixel(2, 0, RGBColor(255, 255, 255));
    b.setPixel(1, 0, RGBColor(0, 0, 0));
    Fix({Rec(1, 0, 0, 0, 2, 0, 2, 0)}, b);
    EXPECT_EQ(b.pixel(1, 0), RGBColor(255, 255, 255));
}

TEST(OutputKindOf, ChoosesByExtension) {
    EXPECT_EQ(OutputKindOf("X.BMP"), OutputKind::Bitmap);
    EXPECT_EQ(OutputKindOf("a.jpeg"), OutputKind::Jpeg);
    EXPECT_EQ(OutputKindOf("b.TIFF"), OutputKind::Tiff);
    EXPECT_EQ(OutputKindOf("/x/y/b.tif"), OutputKind::Tiff);
    EXPECT_EQ(OutputKindOf(".tif"), OutputKind::Tiff);
    EXPECT_EQ(OutputKindOf(".bmp"), OutputKind::Bitmap);
    EXPECT_EQ(OutputKindOf("c.png"), OutputKind::Jpeg);
    EXPECT_EQ(OutputKindOf("noextension"), OutputKind::Jpeg);
    EXPECT_EQ(OutputKindOf(""), OutputKind::Jpeg);
    EXPECT_EQ(OutputKindOf("/dir.bmp/photo"), OutputKind::Jpeg);
    EXPECT_EQ(OutputKindOf("photo.tif.bak"), OutputKind::Jpeg);
    EXPECT_EQ(static_cast<int>(OutputKind::Bitmap), 1);
    EXPECT_EQ(static_cast<int>(OutputKind::Jpeg), 2);
    EXPECT_EQ(static_cast<int>(OutputKind::Tiff), 3);
}

TEST(IsImageExtension, AcceptsTheKnownTableInEveryForm) {
    const char* known[] = {"bmp", "wmf", "ico", "jpg", "jif", "gif", "dib", "rle", "tga",
                           "pcx", "wpg", "art", "cur", "cut", "emf", "gem", "hrz", "iff",
                           "img", "lbm", "mac", "msp", "pbm", "pgm", "pic", "png", "pnm",
                           "ppm", "ras", "tif", "avi", "mov", "ani", "fax", "bw",  "rgb",
                           "sgi", "vst", "icb", "vda", "win", "pcc", "pcd", "pal", "rla",
                           "rpf", "psd", "pdd", "psp", "exe", "dll", "scr", "cel"};
    static_assert(sizeof(known) / sizeof(known[0]) == 53);
    for (const char* e : known) {
        const std::string ext = e;
        EXPECT_TRUE(IsImageExtension(ext)) << ext;
        EXPECT_TRUE(IsImageExtension("." + ext)) << ext;
        EXPECT_TRUE(IsImageExtension("/photos/a." + ext)) << ext;
    }
    EXPECT_TRUE(IsImageExtension("photo.JPG"));
    EXPECT_TRUE(IsImageExtension(".tif"));
    EXPECT_TRUE(IsImageExtension("psd"));
    EXPECT_TRUE(IsImageExtension("a.jpeg"));
    EXPECT_TRUE(IsImageExtension("a.tiff"));
    EXPECT_TRUE(IsImageExtension("JPEG"));
    EXPECT_TRUE(IsImageExtension("x.BW"));

    EXPECT_FALSE(IsImageExtension("a.rgba"));
    EXPECT_FALSE(IsImageExtension("a.txt"));
    EXPECT_FALSE(IsImageExtension(""));
    EXPECT_FALSE(IsImageExtension("photo."));
    EXPECT_FALSE(IsImageExtension("a.b"));
    EXPECT_FALSE(IsImageExtension("a.jp"));
    EXPECT_FALSE(IsImageExtension("/pics.jpg/readme"));
}

TEST(FixHotPixels, LongRunsCountEachPointOnceAndEveryRunAfresh) {
    // One hot pixel named by hundreds of records whose references repeat,
    // wrap around and leave the picture: the pixel gets the truncated mean
    // of the distinct readable points of its run, however many records
    // name them. The expected value is worked out with a plain set.
    Bitmap b(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            b.setPixel(x, y, RGBColor((x * 7 + y) % 256, (x * y) % 256, (x + 3 * y) % 256));
    HotPixelList list;
    std::set<std::pair<int, int>> points;
    for (int i = 0; i < 600; ++i) {
        int p[6];
        for (int k = 0; k < 6; k += 2) {
            p[k] = (i * 13 + k * 5) % 45 - 2; // some columns outside
            p[k + 1] = (i * 7 + k) % 33 - 1;  // some rows outside
        }
        list.push_back(Rec(20, 15, p[0], p[1], p[2], p[3], p[4], p[5]));
        for (int k = 0; k < 6; k += 2)
            if (p[k] != 20 || p[k + 1] != 15) points.insert({p[k], p[k + 1]});
    }
    // The hot pixel itself is never one of its references here.
    ASSERT_EQ(points.count({20, 15}), 0u);
    const Bitmap original = b;
    long sum[3] = {0, 0, 0};
    long n = 0;
    for (auto [x, y] : points) {
        const TColor c = original.pixel(x, y);
        if (c < 0) continue;
        sum[0] += GetRValue(c);
        sum[1] += GetGValue(c);
        sum[2] += GetBValue(c);
        ++n;
    }
    ASSERT_GT(n, 100); // well past the point where a short list would do
    Fix(list, b);
    EXPECT_EQ(b.pixel(20, 15), RGBColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)));

    // A record of another pixel ends the run: the next run of (20, 15)
    // starts again from nothing.
    list.push_back(Rec(1, 1, 0, 0, 0, 0, 0, 0));
    list.push_back(Rec(20, 15, 3, 3, 3, 3, -1, -1));
    b = original;
    Fix(list, b);
    EXPECT_EQ(b.pixel(20, 15), original.pixel(3, 3));
}
