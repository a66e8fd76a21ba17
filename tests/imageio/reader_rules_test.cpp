// Rules of the Targa, PCX, SGI, GIF and Photoshop readers that no other
// reader shares (palettes the file does not carry, pictures that end
// early), the image properties they fill, their progress reports and their
// signature tests.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imageio/gifgraphic.h"
#include "imageio/pcxgraphic.h"
#include "imageio/psdgraphic.h"
#include "imageio/sgigraphic.h"
#include "imageio/targagraphic.h"
#include "loadmessage.h"

namespace vt {
namespace {

using Bytes = std::string;
using test::LoadMessage;

Bytes fixture(const std::string& name) {
    std::ifstream in(std::string(VORANTEL_TESTDATA) + "/readers/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<TColor> greyRamp(int entries) {
    std::vector<TColor> p;
    for (int i = 0; i < entries; ++i)
        p.push_back(
            RGBColor(i * 255 / (entries - 1), i * 255 / (entries - 1), i * 255 / (entries - 1)));
    return p;
}

TEST(TargaReader, SixteenBitMapEntriesKeepTheirFiveBitsOnTop) {
    // 4 x 1, colour-mapped, map of four 16-bit entries.
    Bytes tga = {0, 1, 1, 0, 0, 4, 0, 16, 0, 0, 0, 0, 4, 0, 1, 0, 8, 0x20};
    for (unsigned v : {0x7FFFu, 0x001Fu, 0x7C00u, 0x03E0u}) {
        tga += char(v & 0xFF);
        tga += char(v >> 8);
    }
    tga += Bytes{0, 1, 2, 3};
    Bitmap b;
    ASSERT_EQ(LoadMessage<TTargaGraphic>(tga, &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(248, 248, 248));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(0, 0, 248));
    EXPECT_EQ(b.pixel(2, 0), RGBColor(248, 0, 0));
    EXPECT_EQ(b.pixel(3, 0), RGBColor(0, 248, 0));
}

TEST(PCXReader, BothSignaturesReadAlike) {
    const Bytes pcx = fixture("pcx/planes4.pcx");
    Bitmap a, b;
    ASSERT_EQ(LoadMessage<TPCXGraphic>(pcx, &a), "");
    Bytes scr = pcx;
    scr[0] = char(205);
    ASSERT_EQ(LoadMessage<TPCXGraphic>(scr, &b), "");
    EXPECT_TRUE(a == b);
}

TEST(PCXReader, PalettesTheFileDoesNotCarry) {
    // Version 3 has no palette: the system's 16 colours.
    Bytes pcx = fixture("pcx/planes4.pcx");
    pcx[1] = 3;
    Bitmap b;
    ASSERT_EQ(LoadMessage<TPCXGraphic>(pcx, &b), "");
    EXPECT_EQ(b.palette(), Bitmap::defaultPalette(PixelFormat::pf4bit));

    // Palette type 2 (grey) on a 16-colour file: a grey ramp.
    pcx = fixture("pcx/packed4.pcx");
    pcx[68] = 2;
    ASSERT_EQ(LoadMessage<TPCXGraphic>(pcx, &b), "");
    EXPECT_EQ(b.palette(), greyRamp(16));

    // A 256-colour file whose last 769 bytes do not start with 12: a grey
    // ramp, and those bytes are pixel data.
    pcx = fixture("pcx/plain8.scr");
    Bitmap withPalette;
    ASSERT_EQ(LoadMessage<TPCXGraphic>(pcx, &withPalette), "");
    pcx[pcx.size() - 769] = 11;
    ASSERT_EQ(LoadMessage<TPCXGraphic>(pcx, &b), "");
    EXPECT_EQ(b.palette(), greyRamp(256));
    EXPECT_EQ(std::memcmp(b.bits(), withPalette.bits(), b.bytesPerLine() * b.height()), 0);
}

TEST(GIFReader, TrailerBeforeAnyImageGivesAnEmptyPicture) {
    Bitmap b(3, 3);
    ASSERT_EQ(LoadMessage<TGIFGraphic>(Bytes("GIF89a\x02\0\x02\0\0\0\0;", 14), &b), "");
    EXPECT_TRUE(b.empty());
    // The signature in any case.
    EXPECT_EQ(LoadMessage<TGIFGraphic>(Bytes("gif89A\x02\0\x02\0\0\0\0;", 14), &b), "");
}

TEST(GIFReader, DataThatEndsEarlyLeavesTheRestAtColourZero) {
    const Bytes gif = fixture("gif/noise_im.gif");
    Bitmap full, part;
    ASSERT_EQ(LoadMessage<TGIFGraphic>(gif, &full), "");
    ASSERT_EQ(LoadMessage<TGIFGraphic>(gif.substr(0, gif.size() / 2), &part), "");
    ASSERT_EQ(part.width(), full.width());
    ASSERT_EQ(part.height(), full.height());
    EXPECT_EQ(part.palette(), full.palette());
    // About half the rows are there; the last row is all index 0.
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(std::memcmp(part.scanLine(y), full.scanLine(y), std::size_t(full.width())), 0)
            << y;
    const int last = part.height() - 1;
    EXPECT_EQ(std::vector<std::uint8_t>(part.scanLine(last), part.scanLine(last) + part.width()),
              std::vector<std::uint8_t>(std::size_t(part.width()), 0));
}

// What ReadHeader makes of a fixture.
template <class Reader> TImageProperties propertiesOf(const std::string& name) {
    const Bytes bytes = fixture(name);
    TMemoryStream stream(bytes.data(), bytes.size());
    Reader reader;
    EXPECT_TRUE(reader.ReadHeader(stream, 0)) << name;
    return *reader.ImageProperties();
}

TEST(ReaderProperties, WhatTheHeadersSay) {
    TImageProperties p = propertiesOf<TTargaGraphic>("tga/rgb16_rle.tga");
    EXPECT_EQ(p.ColorModel, TColorModel::RGB);
    EXPECT_EQ(p.BitsPerSample, 5);
    EXPECT_EQ(p.SamplesPerPixel, 3);
    EXPECT_EQ(p.BitsPerPixel, 16);
    EXPECT_EQ(p.Compression, TCompressionType::RLE);
    p = propertiesOf<TTargaGraphic>("tga/rgba32.tga");
    EXPECT_EQ(p.ColorModel, TColorModel::RGBA);
    EXPECT_TRUE(p.AlphaPresent);
    EXPECT_EQ(p.Compression, TCompressionType::None);
    EXPECT_EQ(propertiesOf<TTargaGraphic>("tga/grey8.icb").ColorModel, TColorModel::Grey);
    EXPECT_EQ(propertiesOf<TTargaGraphic>("tga/cmap24.tga").ColorModel, TColorModel::Indexed);

    p = propertiesOf<TPCXGraphic>("pcx/planes4.pcx");
    EXPECT_EQ(p.ColorModel, TColorModel::Indexed);
    EXPECT_EQ(p.BitsPerSample, 1);
    EXPECT_EQ(p.SamplesPerPixel, 4);
    EXPECT_EQ(p.FormatVersion, 5u);
    EXPECT_EQ(p.Compression, TCompressionType::RLE);
    p = propertiesOf<TPCXGraphic>("pcx/plain24.pcx");
    EXPECT_EQ(p.ColorModel, TColorModel::RGB);
    EXPECT_EQ(p.Compression, TCompressionType::None);
    EXPECT_EQ(p.Width, 13u);
    EXPECT_EQ(p.Height, 7u);

    p = propertiesOf<TSGIGraphic>("sgi/rgb16_rle.sgi");
    EXPECT_EQ(p.ColorModel, TColorModel::RGB);
    EXPECT_EQ(p.BitsPerSample, 16);
    EXPECT_EQ(p.Compression, TCompressionType::RLE);
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::BigEndian));
    p = propertiesOf<TSGIGraphic>("sgi/grey_1d.sgi");
    EXPECT_EQ(p.Height, 1u);
    EXPECT_EQ(p.ColorModel, TColorModel::Grey);

    p = propertiesOf<TGIFGraphic>("gif/noise_interlaced.gif");
    EXPECT_TRUE(p.Interlaced);
    EXPECT_FALSE(p.LocalColorTable);
    EXPECT_EQ(p.FormatVersion, 87u);
    EXPECT_EQ(p.Compression, TCompressionType::LZW);
    p = propertiesOf<TGIFGraphic>("gif/local_table.gif");
    EXPECT_TRUE(p.LocalColorTable);
    EXPECT_EQ(propertiesOf<TGIFGraphic>("gif/one_pixel.gif").FormatVersion, 89u);
    p = propertiesOf<TGIFGraphic>("gif/size_zero.gif");
    EXPECT_EQ(p.Width, 23u);
    EXPECT_EQ(p.Height, 9u);

    p = propertiesOf<TPSDGraphic>("psd/rgb_five_channels.psd");
    EXPECT_EQ(p.Channels, 5u);
    EXPECT_EQ(p.SamplesPerPixel, 4);
    EXPECT_EQ(p.ColorModel, TColorModel::RGBA);
    EXPECT_TRUE(p.AlphaPresent);
    EXPECT_EQ(p.Compression, TCompressionType::None);
    p = propertiesOf<TPSDGraphic>("psd/bitmap_rle.psd");
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::InvertedGrey));
    EXPECT_EQ(p.BitsPerSample, 1);
    EXPECT_EQ(p.Compression, TCompressionType::PackBits);
    EXPECT_EQ(propertiesOf<TPSDGraphic>("psd/cmyk_rle.psd").ColorModel, TColorModel::CMYK);
    EXPECT_EQ(propertiesOf<TPSDGraphic>("psd/lab.psd").ColorModel, TColorModel::CIELab);
    EXPECT_EQ(propertiesOf<TPSDGraphic>("psd/duotone.psd").ColorModel, TColorModel::Grey);
}

// One fixture of each reader, for the checks every reader shares.
struct Sample {
    const char* file;
    std::unique_ptr<TFormatGraphic> (*make)();
};
template <class R> std::unique_ptr<TFormatGraphic> makeReader() {
    return std::make_unique<R>();
}
const Sample kSamples[] = {
    {"tga/rgb24_rle.tga", makeReader<TTargaGraphic>},
    {"pcx/rgb24.pcx", makeReader<TPCXGraphic>},
    {"sgi/rgb_rle_im.sgi", makeReader<TSGIGraphic>},
    {"gif/noise_interlaced.gif", makeReader<TGIFGraphic>},
    {"psd/rgb_rle.psd", makeReader<TPSDGraphic>},
};

class EveryReader : public ::testing::TestWithParam<Sample> {};

TEST_P(EveryReader, ReportsProgressRowByRow) {
    const Bytes bytes = fixture(GetParam().file);
    TMemoryStream stream(bytes.data(), bytes.size());
    auto reader = GetParam().make();
    std::vector<std::string> messages;
    int rows = 0, ends = 0, last = -1;
    reader->OnProgress = [&](TProgressStage stage, int percent, bool, const TRect&,
                             const std::string& message) {
        if (!message.empty()) messages.push_back(message);
        if (stage == TProgressStage::Running && message.empty()) {
            ++rows;
            EXPECT_GE(percent, last);
            last = percent;
        }
        if (stage == TProgressStage::Ending) ++ends;
    };
    reader->LoadFromStream(stream);
    EXPECT_EQ(messages, (std::vector<std::string>{"Preparing...", "Transfering..."}));
    EXPECT_EQ(rows, reader->GetBitmap().height());
    EXPECT_EQ(ends, 1);
}

TEST_P(EveryReader, AcceptsItsOwnFilesOnly) {
    for (const Sample& other : kSamples) {
        const Bytes bytes = fixture(other.file);
        TMemoryStream stream(bytes.data(), bytes.size());
        stream.Seek(0);
        const bool own = std::string(other.file) == GetParam().file;
        EXPECT_EQ(GetParam().make()->AcceptsStream(stream), own) << other.file;
        EXPECT_EQ(stream.Position(), 0u);
    }
}

std::string SampleName(const ::testing::TestParamInfo<Sample>& info) {
    return std::string(info.param.file).substr(0, 3);
}

INSTANTIATE_TEST_SUITE_P(Readers, EveryReader, ::testing::ValuesIn(kSamples), SampleName);

} // namespace
} // namespace vt
