// Cameras that remember which real camera they stand for, and the camera
// chosen for a photo by its Exif.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/camerachoice.h"
#include "camera/cameraidentity.h"
#include "camera/cameralibrary.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "support/tempdir.h"

using namespace vt;
using vt::testing::TempDir;

namespace vt {
void PrintTo(const CameraIdentity& id, std::ostream* out) {
    *out << "{" << id.make << "|" << id.model << "|" << id.serial << "}";
}
} // namespace vt

namespace {

const std::string kData = VORANTEL_TESTDATA;

// A library folder "Cameras" in a fresh program folder, with cameras whose
// files hold one line each.
struct Library {
    TempDir program;
    std::string dir = CameraDirectoryOf(program.path());
    Library() { CreateDir(dir); }
    void camera(const std::string& name, int x = 1) const {
        WriteCameraFile(dir + name + ".cam", {FormatRepairLine('*', {{x, 1, 0, 0, 1, 0, 2, 0}})});
    }
    void remember(const std::string& name, const CameraIdentity& id,
                  const std::string& when = "2024-01-01T00:00:00Z") const {
        RememberCameraIdentity(dir, name, id, when);
    }
};

} // namespace

TEST(CameraIdentity, KeptInTheSettingsBesideTheLibraryWhateverItHolds) {
    Library lib;
    EXPECT_EQ(CameraSettingsPath(lib.dir), lib.program.path() + "Vorantel.ini");
    EXPECT_EQ(CameraSettingsPath("/data/my cams"), "/data/my cams/Vorantel.ini");
    TIniFile(lib.program.path() + "Vorantel.ini").WriteInteger("Init", "LastCam", 2);

    const std::vector<std::pair<std::string, CameraIdentity>> cases = {
        {"Studio", {"Canon", "Canon EOS 6D", "012345"}},
        {" [odd]=name; 100% ", {" NIKON CORPORATION", "NIKON D850 \"x\"", "'7'"}},
        {"tab\tname", {"Make=1;", "[Model]", ""}},
    };
    for (const auto& [name, id] : cases) {
        lib.camera(name);
        lib.remember(name, id);
    }
    for (const auto& [name, id] : cases)
        EXPECT_EQ(RecalledIdentity(lib.dir, name), id) << name;
    // Letter case aside, as camera names are.
    EXPECT_EQ(RecalledIdentity(lib.dir, "STUDIO").model, "Canon EOS 6D");

    // A camera file replaced without its identity no longer claims it; a
    // forgotten camera has none; the other settings stay.
    lib.camera("Studio", 7);
    EXPECT_TRUE(RecalledIdentity(lib.dir, "Studio").empty());
    ForgetCameraIdentity(lib.dir, cases[1].first);
    EXPECT_TRUE(RecalledIdentity(lib.dir, cases[1].first).empty());
    EXPECT_EQ(RecalledIdentity(lib.dir, "tab\tname"), cases[2].second);
    EXPECT_EQ(TIniFile(lib.program.path() + "Vorantel.ini").ReadInteger("Init", "LastCam", 0), 2);
    lib.remember("tab\tname", {});
    EXPECT_TRUE(RecalledIdentity(lib.dir, "tab\tname").empty());
}

TEST(CameraIdentity, TheFilesOfOneCameraAgree) {
    const CameraIdentity a{"Canon", "Canon EOS 6D", ""}, a1{"canon", "CANON EOS 6D", "1"},
        a2{"Canon", "Canon EOS 6D", "2"}, b{"Sony", "ILCE-7M3", ""}, none{};
    struct Case {
        const char* what;
        std::vector<CameraIdentity> sources;
        CameraIdentity identity;
        std::size_t mixed;
    };
    const Case cases[] = {
        {"one camera", {a, a, a}, a, 0},
        {"files without Exif aside", {none, a, none}, a, 0},
        {"a serial number where there is one", {a, a1, a1}, {"Canon", "Canon EOS 6D", "1"}, 0},
        {"serial numbers that disagree", {a2, a1}, a, 0},
        {"two cameras", {a, b, a1}, {}, 2},
        {"no Exif at all", {none, none}, {}, 0},
    };
    for (const Case& c : cases) {
        const CommonIdentity common = CommonIdentityOf(c.sources);
        EXPECT_EQ(common.identity, c.identity) << c.what;
        EXPECT_EQ(common.mixed.size(), c.mixed) << c.what;
    }
    EXPECT_EQ(DescribeIdentity(a1), "CANON EOS 6D (serial 1)");
    EXPECT_EQ(DescribeIdentity(b), "Sony ILCE-7M3");
    EXPECT_EQ(IdentityNoteText(CommonIdentityOf({a, b})),
              "The files come from different cameras (Canon EOS 6D, Sony ILCE-7M3), so batch "
              "repair will not choose this camera by itself.");
}

TEST(CameraIdentity, PhotoFindsItsCamera) {
    Library lib;
    lib.camera("Old 6D");
    lib.remember("Old 6D", {"Canon", "Canon EOS 6D", ""}, "2020-05-01T10:00:00Z");
    lib.camera("New 6D");
    lib.remember("New 6D", {"Canon", "Canon EOS 6D", ""}, "2024-05-01T10:00:00Z");
    lib.camera("Body 2");
    lib.remember("Body 2", {"Canon", "Canon EOS 6D", "222"}, "2019-01-01T00:00:00Z");
    lib.camera("Sony");
    lib.remember("Sony", {"SONY", "ILCE-7M3", ""});
    lib.camera("Unknown");
    const CameraIndex index(lib.dir);
    struct Case {
        CameraIdentity photo;
        std::string camera;
    };
    const Case cases[] = {
        {{"Canon", "Canon EOS 6D", ""}, "New 6D"},    // the one defined last
        {{"CANON", "canon eos 6d", "222"}, "Body 2"}, // its own body first
        {{"Canon", "Canon EOS 6D", "999"}, "New 6D"}, // not another body
        {{"Sony", "ILCE-7M3", "5"}, "Sony"},          {{"Canon", "Canon EOS R5", ""}, ""}, {{}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(index.match(c.photo).camera, c.camera) << DescribeIdentity(c.photo);
    EXPECT_EQ(index.match({}).reason, NoExifText());
    EXPECT_EQ(index.match({"Canon", "Canon EOS R5", ""}).reason,
              "No camera of the library was made for the Canon EOS R5 that took this photo.");
}

TEST(CameraIdentity, BatchPhotosGetTheirCamerasFromTheirFiles) {
    Library lib;
    lib.camera("A", 4);
    lib.remember("A", {"Vorantel", "Alpha", ""});
    lib.camera("B", 2);
    lib.remember("B", {"Vorantel", "Beta", ""});
    WriteFileAtomically(lib.dir + "Broken.cam", "short\r\n");
    lib.remember("Broken", {"Vorantel", "Test Camera", ""});
    lib.camera("Changed");
    lib.remember("Changed", {"Vorantel", "Gamma", ""});
    lib.camera("Changed", 3);
    const std::string cams = kData + "/cameras/";
    const std::vector<std::string> photos = {
        cams + "alpha-photo.tif", cams + "beta-photo.jpg",  cams + "anon-photo.tif",
        cams + "missing.jpg",     cams + "alpha-photo.tif", kData + "/metadata/exif.jpg"};
    const CameraChoices c = ChooseCamerasByExif(photos, lib.dir);
    EXPECT_EQ(c.camera, (std::vector<std::string>{"A", "B", "", "", "A", ""}));
    EXPECT_EQ(c.hotPixels[0], c.hotPixels[4]);
    ASSERT_NE(c.hotPixels[1], nullptr);
    EXPECT_EQ(c.hotPixels[1]->at(0).x(), 2);
    EXPECT_EQ(c.reason[2], NoExifText());
    EXPECT_NE(c.reason[3].find("Unable to read file " + photos[3]), std::string::npos);
    EXPECT_EQ(c.reason[5].rfind("Invalid camera file " + lib.dir + "Broken.cam\r", 0), 0u)
        << c.reason[5];
    // A camera file changed since its identity was kept claims it no more.
    EXPECT_EQ(CameraIndex(lib.dir).entries().size(), 3u);
    EXPECT_EQ(c.lists.size(), 2u);

    // What the batch list and the message after the run say.
    EXPECT_EQ(BatchEntryText("alpha-photo.tif", c.camera[0]), "alpha-photo.tif (A)");
    EXPECT_EQ(BatchEntryText("anon-photo.tif", c.camera[2]), "anon-photo.tif (no camera)");
    EXPECT_EQ(NotRepairedText({"anon-photo.tif"}, {c.reason[2]}),
              "1 photo was not repaired; it stays on the list:\r\ranon-photo.tif: " + NoExifText());
}
