// The geometric effects on small pictures worked out by hand, and on
// degenerate pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "effects/geometric_effects.h"
#include "effects/halftone.h"
#include "effects/raduvir_engine.h"

using namespace vt;

namespace {

using Grid = std::vector<std::vector<int>>;

// A grey picture: every channel of pixel (x, y) is g[y][x].
Bitmap fromGrid(const Grid& g) {
    Bitmap b(g.empty() ? 0 : int(g[0].size()), int(g.size()));
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            int v = g[std::size_t(y)][std::size_t(x)];
            b.setPixel(x, y, RGBColor(v, v, v));
        }
    return b;
}

// The grid back, from the red channel, after checking the picture is grey.
Grid toGrid(const Bitmap& b) {
    Grid g(std::size_t(b.height()), std::vector<int>(std::size_t(b.width())));
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            TColor c = b.pixel(x, y);
            EXPECT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c));
            g[std::size_t(y)][std::size_t(x)] = GetRValue(c);
        }
    return g;
}

Grid uniform(int w, int h, int v) {
    return Grid(std::size_t(h), std::vector<int>(std::size_t(w), v));
}

} // namespace

TEST(Emboss, NeighbourThreeRightOneDownAndLastRowAgainstChangedRow) {
    Bitmap b = fromGrid({{10, 20, 30, 40, 50}, {60, 70, 80, 90, 100}, {5, 250, 5, 250, 5}});
    EmbossEffect(b);
    EXPECT_EQ(toGrid(b),
              (Grid{{87, 87, 102, 102, 102}, {32, 160, 165, 47, 175}, {106, 165, 47, 229, 42}}));
}

TEST(Emboss, UniformPictureIsGreyWithLastRowFromK) {
    for (int k : {0, 77, 255}) {
        TRaDuvirEngine e;
        e.setPictureOriginal(fromGrid(uniform(6, 4, k)));
        e.setPicEmboss(true);
        Grid want = uniform(6, 4, 127);
        want[3] = std::vector<int>(6, (k + 128) / 2);
        EXPECT_EQ(toGrid(*e.Picture().bitmap()), want) << k;
    }
}

TEST(Emboss, DegeneratePictures) {
    // One row: set against itself as it was.
    Bitmap row = fromGrid({{10, 20, 30, 40, 50}});
    EmbossEffect(row);
    EXPECT_EQ(toGrid(row), (Grid{{112, 112, 127, 127, 127}}));
    // One column: the neighbour is the same column of the next row.
    Bitmap column = fromGrid({{10}, {50}, {90}});
    EmbossEffect(column);
    EXPECT_EQ(toGrid(column), (Grid{{107}, {107}, {119}}));
    Bitmap single = fromGrid({{200}});
    EmbossEffect(single);
    EXPECT_EQ(toGrid(single), (Grid{{127}}));
}

TEST(Mosaic, BlocksTakeTheirTopLeftPixelAndAreCutAtTheEdges) {
    Bitmap b = fromGrid({{1, 2, 3, 4, 5}, {6, 7, 8, 9, 10}, {11, 12, 13, 14, 15}});
    MosaicEffect(b, 2);
    EXPECT_EQ(toGrid(b), (Grid{{1, 1, 3, 3, 5}, {1, 1, 3, 3, 5}, {11, 11, 13, 13, 15}}));
    Bitmap c = fromGrid({{1, 2, 3}, {4, 5, 6}});
    MosaicEffect(c, 1000);
    EXPECT_EQ(toGrid(c), (Grid{{1, 1, 1}, {1, 1, 1}}));
}

TEST(SplitBlur, InPlaceWithMirroredEdges) {
    Bitmap b = fromGrid({{0, 40, 80}, {120, 160, 200}, {240, 16, 32}});
    SplitBlurEffect(b, 1);
    // Later pixels read the results of earlier ones; beyond the bottom the
    // lower row is H - y, beyond the right the column W - x.
    EXPECT_EQ(toGrid(b), (Grid{{80, 120, 140}, {114, 123, 68}, {118, 91, 123}}));
}

TEST(SplitBlur, DistanceBeyondThePictureStaysInside) {
    // Row H and column W (named for the top row and left column) are
    // replaced by the last row and column.
    Bitmap b = fromGrid({{0, 40, 80}, {120, 160, 200}, {240, 16, 32}});
    SplitBlurEffect(b, 5);
    EXPECT_EQ(toGrid(b), (Grid{{88, 42, 42}, {148, 102, 87}, {126, 59, 70}}));
    Bitmap single = fromGrid({{99}});
    SplitBlurEffect(single, 255);
    EXPECT_EQ(toGrid(single), (Grid{{99}}));
}

// The rule read literally, one pixel at a time on a grid.
void literalSplitBlur(Grid& p, int n) {
    const int h = int(p.size()), w = int(p[0].size());
    auto at = [&](int x, int y) { return p[std::size_t(y)][std::size_t(x)]; };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int up = y - n >= 0 ? y - n : y;
            int lo = y + n < h ? y + n : std::min(h - y, h - 1);
            int l = x - n >= 0 ? x - n : x;
            int r = x + n < w ? x + n : std::min(w - x, w - 1);
            p[std::size_t(y)][std::size_t(x)] = (at(l, up) + at(l, lo) + at(r, up) + at(r, lo)) / 4;
        }
}

TEST(SplitBlur, AgreesWithThePixelByPixelRuleOnLargerPictures) {
    for (auto [w, h] : {std::pair{23, 17}, std::pair{8, 30}, std::pair{40, 5}, std::pair{40, 10}}) {
        Grid g;
        for (int y = 0; y < h; ++y) {
            g.emplace_back();
            for (int x = 0; x < w; ++x)
                g.back().push_back((x * 53 + y * 97 + x * y * 31) % 256);
        }
        for (int n : {1, 2, 3, 4, 5, 7, 11, 16, 40}) {
            Grid want = g;
            literalSplitBlur(want, n);
            Bitmap b = fromGrid(g);
            SplitBlurEffect(b, n);
            ASSERT_EQ(toGrid(b), want) << w << "x" << h << " distance " << n;
        }
    }
}

TEST(GaussianBlur, IsTheDistanceThreeSplitBlurStrengthPlusOneTimes) {
    Grid g;
    for (int y = 0; y < 9; ++y) {
        g.emplace_back();
        for (int x = 0; x < 11; ++x)
            g.back().push_back((x * 53 + y * 97 + x * y * 31) % 256);
    }
    Bitmap twice = fromGrid(g);
    SplitBlurEffect(twice, 3);
    SplitBlurEffect(twice, 3);
    TRaDuvirEngine e;
    e.setPictureOriginal(fromGrid(g));
    e.setPicGaussianBlur(1);
    EXPECT_EQ(*e.Picture().bitmap(), twice);
}

TEST(AntiAlias, InteriorInPlaceBordersKept) {
    Grid g{{10, 200, 30, 40}, {50, 0, 70, 255}, {90, 100, 110, 120}};
    Bitmap one = fromGrid(g);
    AntiAliasEffect(one, 1);
    // (2, 1) reads the new value of (1, 1).
    EXPECT_EQ(toGrid(one), (Grid{{10, 200, 30, 40}, {50, 105, 125, 255}, {90, 100, 110, 120}}));
    Bitmap two = fromGrid(g);
    AntiAliasEffect(two, 2);
    EXPECT_EQ(toGrid(two), (Grid{{10, 200, 30, 40}, {50, 118, 128, 255}, {90, 100, 110, 120}}));
    Bitmap narrow = fromGrid({{1, 2}, {3, 4}, {5, 6}});
    AntiAliasEffect(narrow, 5);
    EXPECT_EQ(toGrid(narrow), (Grid{{1, 2}, {3, 4}, {5, 6}}));
}

TEST(Trace, FirstPassForwardOnlyLaterPassesAddTheBackwardSweep) {
    const Grid g{{255, 255, 0, 0}, {255, 255, 0, 0}};
    Bitmap one = fromGrid(g);
    TraceEffect(one, 1);
    // The first differing pair ((1, 0), (2, 0)) fixes the reference to black
    // and paints (1, 0).
    EXPECT_EQ(toGrid(one), (Grid{{255, 0, 0, 0}, {255, 255, 0, 0}}));
    Bitmap two = fromGrid(g);
    TraceEffect(two, 2);
    // Backward: ((2, 1), (1, 1)); p has the reference index, so q is painted.
    EXPECT_EQ(toGrid(two), (Grid{{255, 0, 0, 0}, {255, 0, 0, 0}}));
    for (int n = 3; n <= 10; ++n) {
        Bitmap more = fromGrid(g);
        TraceEffect(more, n);
        EXPECT_EQ(more, two) << n;
    }
}

TEST(Trace, SameIndexMeansNoEdge) {
    // 13 and 15 map to the same palette entry, 40 to another.
    ASSERT_EQ(HalftoneIndex(13, 13, 13), HalftoneIndex(15, 15, 15));
    ASSERT_NE(HalftoneIndex(13, 13, 13), HalftoneIndex(40, 40, 40));
    Bitmap b = fromGrid({{13, 15, 13, 15}, {15, 13, 15, 13}, {13, 15, 13, 15}});
    Bitmap before = b;
    TraceEffect(b, 3);
    EXPECT_EQ(b, before);
    // Pictures narrower than 3 pixels have no pairs to examine.
    Bitmap narrow = fromGrid({{0, 255}, {255, 0}, {0, 255}});
    Bitmap narrowBefore = narrow;
    TraceEffect(narrow, 2);
    EXPECT_EQ(narrow, narrowBefore);
}

TEST(Halftone, IndexIsTheNearestPaletteEntryLowestFirst) {
    Bitmap palette8(1, 1, PixelFormat::pf8bit);
    ASSERT_EQ(HalftonePalette().size(), 256u);
    EXPECT_EQ(palette8.palette(), HalftonePalette());
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7)
                ASSERT_EQ(HalftoneIndex(r, g, b), palette8.nearestPaletteIndex(RGBColor(r, g, b)))
                    << r << " " << g << " " << b;
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(HalftoneIndex(v, v, v), palette8.nearestPaletteIndex(RGBColor(v, v, v))) << v;
}

TEST(Shrink, BilinearFixedPoint) {
    Grid g;
    for (int y = 0; y < 20; ++y) {
        g.emplace_back();
        for (int x = 0; x < 20; ++x)
            g.back().push_back((x * 13 + y * 7) % 256);
    }
    Grid small = toGrid(ShrinkBitmap(fromGrid(g), 10, 10));
    EXPECT_EQ(small[3], (std::vector<int>{39, 64, 89, 113, 138, 163, 188, 212, 237, 6}));
    // One pixel wide: the right neighbour of the only column is itself.
    EXPECT_EQ(toGrid(ShrinkBitmap(fromGrid({{10}, {50}, {90}, {130}}), 3, 2)),
              (Grid{{10, 10, 10}, {70, 70, 70}}));
}

TEST(Tile, ShrunkPictureRepeatedFromTheTopLeft) {
    Grid g;
    for (int y = 0; y < 20; ++y) {
        g.emplace_back();
        for (int x = 0; x < 20; ++x)
            g.back().push_back((x * 13 + y * 7) % 256);
    }
    TRaDuvirEngine e;
    e.setPictureOriginal(fromGrid(g));
    e.setPicTile(2);
    EXPECT_EQ(e.PicTile(), 2);
    Grid out = toGrid(*e.Picture().bitmap());
    Grid tile = toGrid(ShrinkBitmap(fromGrid(g), 10, 10));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(out[std::size_t(y)][std::size_t(x)],
                      tile[std::size_t(y % 10)][std::size_t(x % 10)]);
    EXPECT_EQ(out[13][10], 39);
}

TEST(Tile, SetterFixesTileSizeAndStoredValue) {
    int w = 0, h = 0;
    EXPECT_EQ(TileSizeFor(3, 100, 50, w, h), 3);
    EXPECT_EQ(w, 33);
    EXPECT_EQ(h, 16);
    // Both sides at the minimum: the stored value follows the picture.
    EXPECT_EQ(TileSizeFor(50, 100, 60, w, h), 10);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 10);

    TRaDuvirEngine e;
    e.setPictureOriginal(fromGrid(uniform(5, 5, 9)));
    e.setPicTile(3);
    EXPECT_EQ(e.PicTile(), 0); // too small to tile
    e.setPicTile(-4);
    EXPECT_EQ(e.PicTile(), 0);
}

TEST(Tile, PartialTilesAreClipped) {
    // 25 x 12 with 2: tiles 12 x 10 (tileW 12, tileH max(10, 6)).
    Grid g;
    for (int y = 0; y < 12; ++y) {
        g.emplace_back();
        for (int x = 0; x < 25; ++x)
            g.back().push_back((x * 10 + y * 3) % 256);
    }
    TRaDuvirEngine e;
    e.setPictureOriginal(fromGrid(g));
    e.setPicTile(2);
    Grid tile = toGrid(ShrinkBitmap(fromGrid(g), 12, 10));
    Grid out = toGrid(*e.Picture().bitmap());
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 25; ++x)
            ASSERT_EQ(out[std::size_t(y)][std::size_t(x)],
                      tile[std::size_t(y % 10)][std::size_t(x % 12)]);
}

// Every effect on pictures without pixels, of one row or column, and
// narrower than 3: nothing is read or written outside (checked by the
// sanitizer build), and the display picture keeps the photograph's size.
TEST(GeometricEffects, DegeneratePicturesStayInside) {
    const int sizes[][2] = {{0, 0}, {0, 5}, {5, 0}, {1, 1}, {1, 7},  {7, 1},
                            {2, 2}, {2, 5}, {5, 2}, {3, 3}, {1, 30}, {30, 1}};
    for (auto [w, h] : sizes) {
        Bitmap b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.setPixel(x, y, RGBColor(x * 71 % 256, y * 113 % 256, 9));
        TRaDuvirEngine e;
        e.setPictureOriginal(b);
        auto check = [&](const char* what) {
            ASSERT_EQ(e.Picture().width(), w) << what;
            ASSERT_EQ(e.Picture().height(), h) << what;
        };
        e.setPicEmboss(true);
        check("emboss");
        for (int v : {2, 1000}) {
            e.setPicMosaic(v);
            check("mosaic");
        }
        for (int v : {1, 3, 255}) {
            e.setPicSplitBlur(v);
            check("split blur");
        }
        e.setPicGaussianBlur(2);
        check("gaussian");
        e.setPicAntiAlias(3);
        check("anti-alias");
        e.setPicTrace(2);
        check("trace");
        for (int v : {1, 2, 50}) {
            e.setPicTile(v);
            check("tile");
        }
        e.setPicColorNoise(9);
        e.setPicMonoNoise(9);
        e.setPicBrightness(9);
        check("noise");
    }
}
