// The registry of file formats and the way LoadPicture picks a reader.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/imageerrors.h"
#include "platform/files.h"
#include "support/tempdir.h"

namespace vt {
namespace {

class TDummyA : public TGraphic {
  public:
    void LoadFromStream(TStream&) override {}
};
class TDummyB : public TGraphic {
  public:
    void LoadFromStream(TStream&) override {}
};

std::string messageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

TEST(FileFormatList, StandardRegistrationsInOrderWithTheirTexts) {
    const TFileFormatList& list = FileFormatList();
    std::vector<std::string> exts;
    for (const auto& e : list.Extensions())
        exts.push_back(e.Extension);
    const std::vector<std::string> want = {
        "bmp", "ico", "wmf", "emf", "jfif", "jpg",  "jpe", "jpeg", "rle", "dib",
        "win", "vst", "vda", "tga", "icb",  "tiff", "tif", "fax",  "eps", "pcx",
        "pcc", "scr", "rpf", "rla", "sgi",  "rgba", "rgb", "bw",   "psd", "pdd",
        "ppm", "pgm", "pbm", "cel", "pic",  "pcd",  "gif", "cut",  "psp", "png"};
    EXPECT_EQ(exts, want);

    EXPECT_EQ(list.Description("emf"), "Windows enhanced meta files");
    EXPECT_EQ(list.Description("wmf"), "Windows metafiles");
    EXPECT_EQ(list.Description("jfif"), "JFIF images");
    EXPECT_EQ(list.Description("dib"), "Device independant Windows bitmaps");
    EXPECT_EQ(list.Description("tga"), "Truevision images");
    EXPECT_EQ(list.Description("pcc"), "ZSoft Paintbrush images");
    EXPECT_EQ(list.Description("bw"), "SGI black/white images");
    EXPECT_EQ(list.Description("pic"), "Autodesk images");
    EXPECT_EQ(list.Description("png"), "Portable network graphic images");

    // Classes own their extensions: TIFF has three, JPEG four, BMP three.
    auto countOf = [&](const char* ext) {
        return list.Classes()[std::size_t(list.FindClass(list.GraphicFromExtension(ext)))].Count;
    };
    EXPECT_EQ(countOf("tif"), 3);
    EXPECT_EQ(countOf("jpe"), 4);
    EXPECT_EQ(countOf("rle"), 3);
    EXPECT_EQ(
        list.Classes()[std::size_t(list.FindClass(list.GraphicFromExtension("jpg")))].Description,
        "JPG images");

    const auto& gif = list.Extensions()[std::size_t(list.FindExtension("gif"))];
    EXPECT_TRUE(gif.FormatTypes.Contains(TFormatKind::Animation));
    EXPECT_TRUE(gif.FormatTypes.Contains(TFormatKind::MultiImage));
    EXPECT_FALSE(gif.FormatTypes.Contains(TFormatKind::Vector));
}

TEST(FileFormatList, LookupIgnoresCaseAndALeadingDot) {
    const TFileFormatList& list = FileFormatList();
    EXPECT_EQ(list.FindExtension("JPG"), list.FindExtension("jpg"));
    EXPECT_EQ(list.FindExtension(".Jpeg"), list.FindExtension("jpeg"));
    EXPECT_EQ(list.GraphicFromExtension("jpe"), list.GraphicFromExtension("JFIF"));
    EXPECT_EQ(list.GraphicFromExtension("tiff"), list.GraphicFromExtension("fax"));
    EXPECT_EQ(list.FindExtension("raw"), -1);
    EXPECT_EQ(list.FindClass(GraphicClassOf<TDummyA>()), -1);
}

TEST(FileFormatList, RegisterReplaceAndUnregister) {
    TFileFormatList list;
    const TGraphicClass* a = GraphicClassOf<TDummyA>();
    const TGraphicClass* b = GraphicClassOf<TDummyB>();
    list.RegisterFormat("", "ignored", "", {TFormatKind::Raster}, false, a);
    EXPECT_TRUE(list.Extensions().empty());
    EXPECT_TRUE(list.Classes().empty());

    list.RegisterFormat("png", "Common", "PNG one", {TFormatKind::Raster}, false, a);
    list.RegisterFormat("pnx", "", "", {TFormatKind::Raster}, false, a);
    EXPECT_EQ(messageOf([&] { list.RegisterFormat("PNG", "", "", {}, false, b); }),
              "Attempt to register PNG twice.");
    EXPECT_EQ(list.Classes().size(), 1u);
    EXPECT_EQ(list.Classes()[0].Count, 2);
    EXPECT_EQ(list.Description("pnx"), "Common");

    // Replacing moves the extension; a class entry leaves with its last one.
    list.RegisterFormat("png", "Other", "", {TFormatKind::Vector}, true, b);
    EXPECT_EQ(list.GraphicFromExtension("png"), b);
    EXPECT_EQ(list.Classes()[std::size_t(list.FindClass(a))].Count, 1);
    list.RegisterFormat("pnx", "", "", {}, true, b);
    EXPECT_EQ(list.FindClass(a), -1);
    EXPECT_EQ(list.Classes()[std::size_t(list.FindClass(b))].Count, 2);

    list.UnregisterFormat("png", b);
    EXPECT_EQ(list.FindExtension("png"), -1);
    EXPECT_EQ(list.Classes()[std::size_t(list.FindClass(b))].Count, 1);
    list.RegisterFormat("abc", "", "", {}, false, a);
    list.UnregisterFormat("", b);
    EXPECT_EQ(list.FindExtension("pnx"), -1);
    EXPECT_EQ(list.FindClass(b), -1);
    EXPECT_EQ(list.FindExtension("abc"), 0);
    list.Clear();
    EXPECT_TRUE(list.Extensions().empty());
}

TEST(LoadPicture, ExtensionAlonePicksTheReader) {
    testing::TempDir dir;
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("x.raw")); }),
              "Unknown picture file extension (.raw)");
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("noextension")); }),
              "Unknown picture file extension (.)");
    EXPECT_EQ(messageOf([&] { LoadPicture("/tmp/a.dir/noextension"); }),
              "Unknown picture file extension (.)");

    // A JPEG named .png is read by the PNG reader, and refused by it.
    const std::string jpegBytes = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01"
                                  "\x00\x00\xFF\xD9";
    dir.write("x.png", jpegBytes);
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("x.png")); }),
              "Cannot load image. Invalid or unexpected PNG image format.");
    // The other way round: libjpeg's message, and the process goes on.
    dir.write("y.JPG", "\x89PNG\r\n\x1a\n0000000000000000000");
    EXPECT_FALSE(messageOf([&] { LoadPicture(dir.file("y.JPG")); }).empty());

    dir.write("a.tga", "whatever");
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("a.tga")); }),
              "Cannot load image. Invalid or unexpected TGA image format.");
    dir.write("a.wmf", "whatever");
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("a.wmf")); }),
              "Cannot load image. Windows metafiles (WMF, EMF) cannot be displayed on this "
              "platform.");
    // A missing file fails with the system's message, not a crash.
    EXPECT_EQ(messageOf([&] { LoadPicture(dir.file("missing.png")); }), SysErrorMessage(ENOENT));
}

TEST(LoadPicture, BitmapFilesOfEveryBmpExtension) {
    const std::string bmp = std::string(VORANTEL_TESTDATA) + "/bmp/os2_pal8.bmp";
    Bitmap direct = LoadPicture(bmp);
    EXPECT_FALSE(direct.empty());
    testing::TempDir dir;
    std::string bytes;
    {
        FILE* f = std::fopen(bmp.c_str(), "rb");
        ASSERT_TRUE(f);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    }
    for (const char* name : {"a.DIB", "b.rle", "c.Bmp"}) {
        dir.write(name, bytes);
        EXPECT_TRUE(LoadPicture(dir.file(name)) == direct) << name;
    }
}

} // namespace
} // namespace vt
