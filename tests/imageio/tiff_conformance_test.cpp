// The TIFF reader against libtiff. Every fixture in data/tiff comes with what
// libtiff made of it (see gen.sh there): NAME.strips.z holds the unpacked
// strips as TIFFReadEncodedStrip returns them (the tiles, as
// TIFFReadEncodedTile returns them, for a tiled picture), NAME.rgba.z the
// picture as TIFFReadRGBAImage returns it; both compressed with zlib.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>
#include <zlib.h>

#include "imageio/stream.h"
#include "imageio/tiffgraphic.h"

using namespace vt;

namespace {

const std::string kDir = std::string(VORANTEL_TESTDATA) + "/tiff/";

std::vector<std::uint8_t> Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& z) {
    std::vector<std::uint8_t> out;
    z_stream s{};
    inflateInit(&s);
    s.next_in = const_cast<Bytef*>(z.data());
    s.avail_in = uInt(z.size());
    std::uint8_t chunk[65536];
    int r;
    do {
        s.next_out = chunk;
        s.avail_out = sizeof chunk;
        r = inflate(&s, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - s.avail_out));
    } while (r == Z_OK);
    inflateEnd(&s);
    EXPECT_EQ(r, Z_STREAM_END);
    return out;
}

struct Fixture {
    const char* name;
    bool strips;   // the unpacked strips are comparable (not for JPEG)
    int tolerance; // largest difference of a component; -1: not compared
    // Big-endian 16-bit samples: libtiff hands them over in the machine's
    // byte order, the reader in the file's.
    bool swapped = false;
    // ThunderScan rows of this many bytes: libtiff writes nothing for a run
    // that reaches the end of a row, the reader repeats the last pixel to it.
    std::size_t thunderRow = 0;
    // Unassociated alpha: libtiff premultiplies the colours, the bitmap
    // keeps them as stored with the alpha in its fourth byte.
    bool unassociatedAlpha = false;
};

// Tolerances: 16-bit samples are scaled down by truncation, libtiff rounds;
// CMYK and YCbCr conversions round differently. libtiff turns CIE L*a*b*
// into colours of its own display model, which the bitmap's sRGB colours
// are not compared with.
const Fixture kFixtures[] = {
    {"rgb-none", true, 0},
    {"rgb-lzw", true, 0},
    {"rgb-lzw-pred", true, 0},
    {"rgb-zip-pred", true, 0},
    {"rgb-packbits", true, 0},
    {"rgb-jpeg", false, 0},
    {"rgb-jpeg-rgb", false, 0},
    {"rgb-planar-lzw", true, 0},
    {"rgb-mm-lzw", true, 0},
    {"rgb-lsb-lzw", true, 0},
    {"rgba-lzw", true, 1, false, 0, true},
    {"grey-lzw-pred", true, 0},
    {"grey-zip", true, 0},
    {"grey-jpeg", false, 0},
    {"grey16-lzw-pred", true, 1},
    {"grey16-mm", true, 1, true},
    {"grey4-lzw", true, 0},
    {"grey2-none", true, 0},
    {"pal8-lzw", true, 0},
    {"pal4-packbits", true, 0},
    {"pal2-none", true, 0},
    {"rgb16-lzw-pred", true, 1},
    {"rgb16-mm-zip", true, 1, true},
    {"bw-none", true, 0},
    {"bw-lzw", true, 0},
    {"bw-mh", true, 0},
    {"bw-g3", true, 0},
    {"bw-g3-2d", true, 0},
    {"bw-g3-2d-fill", true, 0},
    {"bw-g4", true, 0},
    {"cmyk-lzw", true, 1},
    {"lab-none", true, -1},
    {"ycbcr11-packbits", true, 3},
    {"ycbcr21-lzw", true, 3},
    {"ycbcr22-none", true, 3},
    // The predictor on subsampled YCbCr, as libtiff differences it.
    {"ycbcr22-lzw-pred", true, 3},
    {"ycbcr22-zip-pred", true, 3},
    {"ycbcr21-lzw-pred", true, 3},
    {"ycbcr42-zip-pred", true, 3},
    // Tiles, with the tiles at the right and bottom edges cut.
    {"rgb-tiled", true, 0},
    {"tile-rgb-lzw-pred", true, 0},
    {"tile-rgb-zip-pred", true, 0},
    {"tile-rgb-packbits", true, 0},
    {"tile-rgb-jpeg", false, 0},
    {"tile-rgb-planar-lzw", true, 0},
    {"tile-rgb-mm-lzw", true, 0},
    {"tile-rgb-lsb-lzw", true, 0},
    {"tile-rgba-lzw-pred", true, 1, false, 0, true},
    {"tile-grey-lzw-pred", true, 0},
    {"tile-grey-jpeg", false, 0},
    {"tile-grey16-mm-zip-pred", true, 1, true},
    {"tile-grey4-lzw", true, 0},
    {"tile-grey2-none", true, 0},
    {"tile-pal8-lzw-pred", true, 0},
    {"tile-pal4-packbits", true, 0},
    {"tile-pal2-none", true, 0},
    {"tile-rgb16-lzw-pred", true, 1},
    {"tile-bw-none", true, 0},
    {"tile-bw-mh", true, 0},
    {"tile-bw-g3-2d", true, 0},
    {"tile-bw-g4", true, 0},
    {"tile-cmyk-lzw-pred", true, 1},
    {"tile-lab-none", true, -1},
    {"tile-ycbcr22-lzw-pred", true, 3},
    {"tile-ycbcr21-none", true, 3},
    {"lib-quad-tile", true, 0},
    {"lib-jello", true, 0},
    {"lib-fax2d", true, 0},
    {"lib-g3test", true, 0},
    {"lib-oxford", true, 0},
    {"lib-quad-jpeg", false, 0},
    {"lib-quad-lzw", true, 0},
    {"lib-strike", true, 0},
    {"lib-text", true, -1, false, 756},
    {"lib-ycbcr-cat", true, 3},
    {"lib-ladoga", true, 1},
};

void PrintTo(const Fixture& f, std::ostream* os) {
    *os << f.name;
}

class TIFFConformance : public ::testing::TestWithParam<Fixture> {};

TEST_P(TIFFConformance, StripsUnpackAsLibtiffDoes) {
    const Fixture& f = GetParam();
    if (!f.strips) GTEST_SKIP() << "JPEG strips and tiles are delivered as colour rows";
    TFileStream stream(kDir + f.name + ".tif");
    TTIFFGraphic reader;
    const std::vector<std::uint8_t> got = reader.DecodeAllStrips(stream);
    std::vector<std::uint8_t> want = Inflate(Slurp(kDir + f.name + ".strips.z"));
    ASSERT_EQ(got.size(), want.size());
    if (f.swapped)
        for (std::size_t i = 0; i + 1 < want.size(); i += 2)
            std::swap(want[i], want[i + 1]);
    std::size_t differ = 0, first = 0, runEnds = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        if (f.thunderRow) {
            // Accept the rest of a row that libtiff left empty where the
            // reader filled it with the pixel before it.
            const std::size_t end = (i / f.thunderRow + 1) * f.thunderRow;
            const std::uint8_t last = std::uint8_t(got[i] & 0x0F);
            bool runToEnd = true;
            for (std::size_t k = i; k < end && runToEnd; ++k)
                runToEnd = want[k] == 0 && got[k] == std::uint8_t(last << 4 | last);
            if (runToEnd) {
                runEnds += end - i;
                i = end - 1;
                continue;
            }
        }
        if (differ++ == 0) first = i;
    }
    if (f.thunderRow) {
        EXPECT_GT(runEnds, 0u);
    }
    EXPECT_EQ(differ, 0u) << "first difference at byte " << first;
}

TEST_P(TIFFConformance, PixelsMatchLibtiff) {
    const Fixture& f = GetParam();
    if (f.tolerance < 0) GTEST_SKIP() << "libtiff's colours are not comparable here";
    TTIFFGraphic reader;
    reader.LoadFromFile(kDir + f.name + ".tif");
    const Bitmap& b = reader.GetBitmap();
    const std::vector<std::uint8_t> want = Inflate(Slurp(kDir + f.name + ".rgba.z"));
    ASSERT_GE(want.size(), 8u);
    const int w = int(want[0] | want[1] << 8 | want[2] << 16 | want[3] << 24);
    const int h = int(want[4] | want[5] << 8 | want[6] << 16 | want[7] << 24);
    ASSERT_EQ(b.width(), w);
    ASSERT_EQ(b.height(), h);
    int worst = 0, wx = 0, wy = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* e = want.data() + 8 + 4 * (std::size_t(y) * w + x);
            TColor c = b.pixel(x, y);
            if (f.unassociatedAlpha) {
                const std::uint8_t* p = b.scanLine(y) + 4 * x;
                EXPECT_EQ(p[3], e[3]) << "alpha at " << x << "," << y;
                c = RGBColor(p[2] * p[3] / 255, p[1] * p[3] / 255, p[0] * p[3] / 255);
            }
            const int d = std::max({std::abs(GetRValue(c) - e[0]), std::abs(GetGValue(c) - e[1]),
                                    std::abs(GetBValue(c) - e[2])});
            if (d > worst) {
                worst = d;
                wx = x;
                wy = y;
            }
        }
    EXPECT_LE(worst, f.tolerance) << "at " << wx << "," << wy;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TIFFConformance, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

} // namespace
