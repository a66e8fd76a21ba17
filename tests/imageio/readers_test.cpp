// The PNG, PPM, ICO and JPEG readers on files built here, and every reader
// on damaged input.
#include <gtest/gtest.h>
#include <thread>

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "imageio/jpegimage.h"
#include "imageio/platformgraphics.h"
#include "imageio/pnggraphic.h"
#include "imageio/ppmgraphic.h"
#include "imageio/stream.h"
#include "loadmessage.h"
#include "platform/bmpfile.h"
#include "support/hostilefiles.h"
#include "support/tempdir.h"

namespace vt {
namespace {

using Bytes = std::string;
using test::LoadMessage;

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void putBE32(Bytes& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(char(v >> (8 * i)));
}

Bytes chunk(const char* type, const Bytes& data) {
    Bytes out;
    putBE32(out, std::uint32_t(data.size()));
    Bytes body = Bytes(type, 4) + data;
    out += body;
    putBE32(out, std::uint32_t(
                     crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    return out;
}

Bytes ihdr(std::uint32_t w, std::uint32_t h, int depth, int type, int interlace = 0) {
    Bytes d;
    putBE32(d, w);
    putBE32(d, h);
    d += char(depth);
    d += char(type);
    d += '\0';
    d += '\0';
    d += char(interlace);
    return chunk("IHDR", d);
}

Bytes deflate(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    out.resize(size);
    return out;
}

const Bytes kSig = "\x89PNG\r\n\x1a\n";

// An 8-bit RGB image of w x h whose rows use filters 0 to 4 in turn.
Bytes rgbRows(int w, int h) {
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw += '\0';
        for (int x = 0; x < w; ++x) {
            raw += char(x * 7 + y);
            raw += char(y * 13);
            raw += char(x ^ y);
        }
    }
    return raw;
}

TEST(PngReader, ImageDataSplitOverManyChunksDecodesTheSame) {
    const Bytes z = deflate(rgbRows(9, 5));
    Bytes one = kSig + ihdr(9, 5, 8, 2) + chunk("IDAT", z) + chunk("IEND", "");
    Bytes many = kSig + ihdr(9, 5, 8, 2);
    for (char c : z)
        many += chunk("IDAT", Bytes(1, c));
    many += chunk("IEND", "");
    Bitmap a, b;
    ASSERT_EQ(LoadMessage<TPNGGraphic>(one, &a), "");
    ASSERT_EQ(LoadMessage<TPNGGraphic>(many, &b), "");
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.pixel(2, 3), RGBColor(2 * 7 + 3, 3 * 13, 2 ^ 3));
}

TEST(PngReader, ChunksAndTheirFailures) {
    const Bytes z = deflate(rgbRows(4, 4));
    const Bytes head = kSig + ihdr(4, 4, 8, 2);
    const Bytes tail = chunk("IDAT", z) + chunk("IEND", "");
    // Unknown ancillary chunks are skipped; critical ones refused.
    EXPECT_EQ(LoadMessage<TPNGGraphic>(head + chunk("abCd", "xyz") + tail), "");
    EXPECT_EQ(LoadMessage<TPNGGraphic>(head + chunk("AbCd", "xyz") + tail),
              "Cannot load PNG image. Unexpected but critical chunk detected.");
    EXPECT_EQ(LoadMessage<TPNGGraphic>(head + chunk("PLTE", Bytes(767, '\0')) + tail),
              "Cannot load image. Palette in PNG file is invalid.");
    // A compression method other than 0.
    Bytes bad = ihdr(4, 4, 8, 2);
    bad[8 + 10] = 1;
    bad = bad.substr(0, bad.size() - 4);
    putBE32(bad, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bad.data() + 4), 17)));
    EXPECT_EQ(LoadMessage<TPNGGraphic>(kSig + bad + tail),
              "Cannot load image. The compression scheme is not supported for PNG files.");
    // Data after the end of the compressed stream.
    EXPECT_EQ(LoadMessage<TPNGGraphic>(head + chunk("IDAT", z + "junk") + chunk("IEND", "")),
              "Cannot load image. Extra compressed data found in PNG file.");
    // Image data that ends before the image does.
    EXPECT_EQ(
        LoadMessage<TPNGGraphic>(head + chunk("IDAT", deflate(rgbRows(4, 3))) + chunk("IEND", "")),
        "Cannot load image. Extra compressed data found in PNG file.");
    EXPECT_EQ(LoadMessage<TPNGGraphic>(head + chunk("IDAT", z.substr(0, z.size() / 2)) +
                                       chunk("IEND", "")),
              "Cannot load image. Compression error found in PNG file.");
    // An indexed image without a palette.
    EXPECT_EQ(LoadMessage<TPNGGraphic>(kSig + ihdr(4, 4, 8, 3) + tail),
              "Cannot load image. Palette in PNG file is invalid.");
}

TEST(PngReader, HugeSizesAreRefusedBeforeAllocating) {
    Bytes png = kSig + ihdr(100000, 100000, 8, 6) + chunk("IDAT", deflate("x")) + chunk("IEND", "");
    EXPECT_EQ(LoadMessage<TPNGGraphic>(png),
              "Cannot load image. Images above 268435456 pixels are not supported for PNG files.");
    // Within the limit, but far more pixels than the file could hold.
    png = kSig + ihdr(16000, 16000, 8, 6) + chunk("IDAT", deflate("x")) + chunk("IEND", "");
    EXPECT_EQ(LoadMessage<TPNGGraphic>(png),
              "Cannot load image. Invalid or unexpected PNG image format.");
}

TEST(PngReader, TinyInterlacedImageAndProperties) {
    // 1 x 1: only the first pass has pixels.
    Bytes png = kSig + ihdr(1, 1, 16, 0, 1) + chunk("IDAT", deflate(Bytes("\0\x80\x00", 3))) +
                chunk("IEND", "");
    TPNGGraphic reader;
    TMemoryStream stream(png.data(), png.size());
    reader.LoadFromStream(stream);
    const Bitmap& b = reader.GetBitmap();
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(b.pixel(0, 0),
              RGBColor(0x8000 * 255 / 65535, 0x8000 * 255 / 65535, 0x8000 * 255 / 65535));
    const TImageProperties& p = *reader.ImageProperties();
    EXPECT_TRUE(p.Interlaced);
    EXPECT_EQ(p.BitsPerSample, 16);
    EXPECT_EQ(p.ColorModel, TColorModel::Grey);
    EXPECT_TRUE(p.Flags.Contains(TImageFlag::BigEndian));
    EXPECT_EQ(p.Compression, TCompressionType::LZ77);
}

TEST(PngReader, TransparentAndBackgroundColours) {
    Bytes trns, bkgd;
    trns += Bytes("\x00\x10\x00\x20\x00\x30", 6);
    bkgd += Bytes("\x00\x01\x00\x02\x00\x03", 6);
    Bytes png = kSig + ihdr(4, 4, 8, 2) + chunk("tRNS", trns) + chunk("bKGD", bkgd) +
                chunk("IDAT", deflate(rgbRows(4, 4))) + chunk("IEND", "");
    TPNGGraphic reader;
    TMemoryStream stream(png.data(), png.size());
    reader.LoadFromStream(stream);
    EXPECT_EQ(reader.TransparentColor(), std::uint32_t(RGBColor(0x10, 0x20, 0x30)));
    EXPECT_EQ(reader.BackgroundColor(), std::uint32_t(RGBColor(1, 2, 3)));
}

TEST(PngReader, ReportsProgressThroughTheLoad) {
    Bytes png = kSig + ihdr(5, 4, 8, 2) + chunk("IDAT", deflate(rgbRows(5, 4))) + chunk("IEND", "");
    struct Event {
        TProgressStage stage;
        int percent;
        TRect rect;
        std::string message;
    };
    std::vector<Event> events;
    TPNGGraphic reader;
    reader.OnProgress = [&](TProgressStage stage, int percent, bool, const TRect& rect,
                            const std::string& message) {
        events.push_back({stage, percent, rect, message});
    };
    TMemoryStream stream(png.data(), png.size());
    reader.LoadFromStream(stream);
    ASSERT_EQ(events.size(), 7u); // start, transfer, four rows, end
    EXPECT_EQ(events[0].stage, TProgressStage::Starting);
    EXPECT_EQ(events[0].message, "Preparing...");
    EXPECT_EQ(events[0].rect.Right, 5);
    EXPECT_EQ(events[0].rect.Bottom, 1);
    EXPECT_EQ(events[1].message, "Transfering...");
    EXPECT_EQ(events[3].percent, 25);
    EXPECT_EQ(events[3].rect.Top, 1);
    EXPECT_EQ(events[6].stage, TProgressStage::Ending);

    // A failing load reports its end too.
    events.clear();
    Bytes broken = png.substr(0, png.size() - 20);
    TMemoryStream brokenStream(broken.data(), broken.size());
    EXPECT_THROW(reader.LoadFromStream(brokenStream), EReadError);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().stage, TProgressStage::Ending);
}

TEST(PpmReader, TextAndBinaryFormats) {
    Bitmap b;
    ASSERT_EQ(LoadMessage<TPPMGraphic>("P1\n# comment\n3 2\n1 0 1\n010", &b), "");
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf1bit);
    EXPECT_EQ(b.pixel(0, 0), RGBColor(0, 0, 0));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(255, 255, 255));
    EXPECT_EQ(b.pixel(1, 1), RGBColor(0, 0, 0));

    ASSERT_EQ(LoadMessage<TPPMGraphic>(Bytes("P4 10 1\n\xA0\x40", 10), &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(0, 0, 0));
    EXPECT_EQ(b.pixel(1, 0), RGBColor(255, 255, 255));
    EXPECT_EQ(b.pixel(9, 0), RGBColor(0, 0, 0));

    ASSERT_EQ(LoadMessage<TPPMGraphic>("P2 2 1 255\n7 200", &b), "");
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(b.pixel(1, 0), RGBColor(200, 200, 200));

    ASSERT_EQ(LoadMessage<TPPMGraphic>("P3\r\n2 1\r\n# max\r\n255\r\n1 2 3 4 5 6", &b), "");
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(b.pixel(1, 0), RGBColor(4, 5, 6));

    ASSERT_EQ(LoadMessage<TPPMGraphic>("P6 1 1 255\nabc", &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor('a', 'b', 'c'));

    // Samples are scaled from the file's maximum; 16-bit binary samples.
    ASSERT_EQ(LoadMessage<TPPMGraphic>("P2 1 1 15\n15", &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 255, 255));
    ASSERT_EQ(LoadMessage<TPPMGraphic>(Bytes("P5 1 1 65535\n\x80\x00", 15), &b), "");
    EXPECT_EQ(b.pixel(0, 0), RGBColor(128, 128, 128));
}

TEST(PpmReader, DamagedFiles) {
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P6 2 2 255\nabc"), "Stream read error in PPM file.");
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P3 2 1 255\n1 2 3 4"), "Stream read error in PPM file.");
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P7 2 1 255\n"),
              "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.");
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P5 0 1 255\n"),
              "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.");
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P5 70000 70000 255\n"),
              "Cannot load image. Images above 268435456 pixels are not supported for PBM, PGM "
              "or PPM files.");
    EXPECT_EQ(LoadMessage<TPPMGraphic>("P5 10000 10000 255\nab"), "Stream read error in PPM file.");
}

// A 2 x 2 icon of 24 bits whose mask makes the top-left pixel transparent.
Bytes makeIcon() {
    Bytes dib(40, '\0');
    auto put32 = [](Bytes& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + std::size_t(i)] = char(v >> (8 * i));
    };
    put32(dib, 0, 40);
    put32(dib, 4, 2);
    put32(dib, 8, 4);
    dib[12] = 1;
    dib[14] = 24;
    // Colour rows bottom-up, 8 bytes each (6 + padding): blue, green, red.
    dib += Bytes("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8); // bottom: red, green
    dib += Bytes("\xFF\x00\x00\x10\x20\x30\x00\x00", 8); // top: blue, (48,32,16)
    // Mask rows bottom-up, 4 bytes each.
    dib += Bytes("\x00\x00\x00\x00", 4);
    dib += Bytes("\x80\x00\x00\x00", 4);
    Bytes ico("\x00\x00\x01\x00\x01\x00", 6);
    Bytes entry(16, '\0');
    entry[0] = 2;
    entry[1] = 2;
    entry[4] = 1;
    entry[6] = 24;
    put32(entry, 8, std::uint32_t(dib.size()));
    put32(entry, 12, 22);
    return ico + entry + dib;
}

TEST(IconReader, ColourImageAndMask) {
    Bitmap b;
    ASSERT_EQ(LoadMessage<TIconGraphic>(makeIcon(), &b), "");
    ASSERT_EQ(b.width(), 2);
    ASSERT_EQ(b.height(), 2);
    EXPECT_EQ(b.pixel(0, 0), RGBColor(255, 255, 255));
    EXPECT_EQ(b.scanLine(0)[3], 0);
    EXPECT_EQ(b.pixel(1, 0), RGBColor(0x30, 0x20, 0x10));
    EXPECT_EQ(b.pixel(0, 1), RGBColor(255, 0, 0));
    EXPECT_EQ(b.pixel(1, 1), RGBColor(0, 255, 0));
    EXPECT_EQ(b.scanLine(1)[3], 255);
}

TEST(IconReader, PngImageInsideAnIcon) {
    Bytes png = kSig + ihdr(3, 2, 8, 2) + chunk("IDAT", deflate(rgbRows(3, 2))) + chunk("IEND", "");
    Bytes ico("\x00\x00\x01\x00\x01\x00", 6);
    Bytes entry(16, '\0');
    entry[0] = 3;
    entry[1] = 2;
    entry[8] = char(png.size());
    entry[12] = 22;
    Bitmap b;
    ASSERT_EQ(LoadMessage<TIconGraphic>(ico + entry + png, &b), "");
    EXPECT_EQ(b.pixel(2, 1), RGBColor(2 * 7 + 1, 13, 2 ^ 1));
    EXPECT_EQ(LoadMessage<TIconGraphic>("\x00\x00\x01\x00"),
              "Cannot load image. Invalid or unexpected ICO image format.");
}

// A JPEG made with libjpeg from a colour ramp, or a grey one.
Bytes makeJpeg(int w, int h, bool grey) {
    return test::EncodeJpeg(
        w, h, grey ? 1 : 3, false,
        [w, grey](int y, std::uint8_t* row) {
            for (int x = 0; x < w; ++x) {
                if (grey) {
                    row[x] = std::uint8_t(x * 4);
                } else {
                    row[3 * x] = std::uint8_t(x * 4);
                    row[3 * x + 1] = std::uint8_t(y * 4);
                    row[3 * x + 2] = 128;
                }
            }
        },
        95);
}

TEST(JpegReader, ColourAndGreyImages) {
    Bitmap b;
    ASSERT_EQ(LoadMessage<TJPEGImage>(makeJpeg(48, 40, false), &b), "");
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf24bit);
    ASSERT_EQ(b.width(), 48);
    TColor c = b.pixel(20, 30);
    EXPECT_NEAR(GetRValue(c), 80, 6);
    EXPECT_NEAR(GetGValue(c), 120, 6);
    EXPECT_NEAR(GetBValue(c), 128, 6);

    ASSERT_EQ(LoadMessage<TJPEGImage>(makeJpeg(32, 8, true), &b), "");
    EXPECT_EQ(b.pixelFormat(), PixelFormat::pf8bit);
    EXPECT_NEAR(GetRValue(b.pixel(16, 4)), 64, 4);
}

TEST(JpegReader, DamageIsAMessageOrAWarningNeverAnExit) {
    const Bytes jpeg = makeJpeg(64, 64, false);
    std::vector<std::string> warnings;
    TWarningHandler previous =
        SetWarningHandler([&](const std::string& caption, const std::string& text) {
            EXPECT_EQ(caption, "Warning");
            warnings.push_back(text);
        });
    // Cut in the middle of the data: loads with a warning.
    Bitmap b;
    EXPECT_EQ(LoadMessage<TJPEGImage>(jpeg.substr(0, jpeg.size() / 2), &b), "");
    EXPECT_EQ(b.width(), 64);
    EXPECT_EQ(warnings.size(), 1u);
    // Cut inside the header, or not a JPEG at all: libjpeg's message.
    EXPECT_NE(LoadMessage<TJPEGImage>(jpeg.substr(0, 30)), "");
    EXPECT_NE(LoadMessage<TJPEGImage>("not a jpeg at all"), "");
    SetWarningHandler(previous);
}

TEST(JpegReader, APhotosWarningsStayWithItOnEveryThread) {
    testing::TempDir dir;
    const Bytes jpeg = makeJpeg(64, 64, false);
    dir.write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    int handled = 0;
    TWarningHandler previous =
        SetWarningHandler([&](const std::string&, const std::string&) { ++handled; });
    // Read on another thread, as a batch worker reads: the warning comes
    // back with the photo, and no handler runs there.
    Photo photo;
    std::thread([&] { photo = LoadPhoto(dir.file("cut.jpg")); }).join();
    EXPECT_EQ(photo.warnings, std::vector<std::string>{"Premature end of JPEG file"});
    EXPECT_EQ(photo.picture.width(), 64);
    EXPECT_EQ(handled, 0);
    // Outside a load, a warning still reaches the handler.
    ShowWarning("elsewhere");
    EXPECT_EQ(handled, 1);
    SetWarningHandler(previous);
}

TEST(JpegReader, EveryJpegNameReachesIt) {
    testing::TempDir dir;
    const Bytes jpeg = makeJpeg(8, 8, false);
    for (const char* name : {"PHOTO.JPG", "photo.Jpeg", "photo.jpe", "p.JFIF"}) {
        dir.write(name, jpeg);
        Bitmap b = LoadPicture(dir.file(name));
        EXPECT_EQ(b.width(), 8) << name;
        EXPECT_EQ(b.pixelFormat(), PixelFormat::pf24bit) << name;
    }
}

// Every prefix and many single-bit flips of real files: each load ends with
// a picture or an exception, never a crash (the sanitizer build checks the
// memory accesses).
TEST(DamagedInput, TruncatedAndBitFlippedFilesFailCleanly) {
    const std::string data = VORANTEL_TESTDATA;
    struct Sample {
        std::string ext;
        Bytes bytes;
    };
    const std::vector<Sample> samples = {
        {"png", readFile(data + "/pngsuite/basi2c08.png")},
        {"png", readFile(data + "/pngsuite/basn3p02.png")},
        {"ppm", Bytes("P6 3 2 255\n") + Bytes(18, 'x')},
        {"jpg", makeJpeg(16, 16, false)},
        {"ico", makeIcon()},
    };
    TWarningHandler previous = SetWarningHandler(nullptr);
    for (const Sample& s : samples) {
        for (std::size_t len = 0; len < s.bytes.size(); ++len) {
            std::unique_ptr<TGraphic> g = CreateGraphicFor("x." + s.ext);
            TMemoryStream stream(s.bytes.data(), len);
            try {
                g->LoadFromStream(stream);
            } catch (const std::exception& e) {
                EXPECT_NE(std::string(e.what()), "");
            }
        }
        for (std::size_t bit = 0; bit < s.bytes.size() * 8; bit += 7) {
            Bytes flipped = s.bytes;
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
            std::unique_ptr<TGraphic> g = CreateGraphicFor("x." + s.ext);
            TMemoryStream stream(flipped.data(), flipped.size());
            try {
                g->LoadFromStream(stream);
            } catch (const std::exception& e) {
                EXPECT_NE(std::string(e.what()), "");
            }
        }
    }
    SetWarningHandler(previous);
}

TEST(DamagedInput, TruncatedPngFailsWithAReaderMessage) {
    const Bytes png = readFile(std::string(VORANTEL_TESTDATA) + "/pngsuite/basn2c08.png");
    for (std::size_t len = 0; len < png.size(); ++len) {
        std::string msg = LoadMessage<TPNGGraphic>(png.substr(0, len));
        EXPECT_TRUE(msg == "Stream read error in PNG file." ||
                    msg == "Cannot load image. Invalid or unexpected PNG image format.")
            << len << ": " << msg;
    }
}

} // namespace
} // namespace vt
