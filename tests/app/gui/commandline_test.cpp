// The command line: a camera file chooses the library camera, any other
// file is a photo to repair, opened as the open dialog would open it.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/gui/form1.h"
#include "camera/camerafile.h"
#include "effects/gui/raduvir.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=0\r\n");
        HotPixelRecord r{{4, 4, 3, 3, 4, 3, 5, 3}};
        dir.write("Cameras/Studio.cam", FormatRepairLine('*', r) + "\r\n");
        ASSERT_TRUE(CreateDir(dir.file("photos")));
        std::string bmp = ReadFile(std::string(VORANTEL_TESTDATA) + "/bmp/rgb24.bmp");
        ASSERT_FALSE(bmp.empty());
        dir.write("photos/shot.bmp", bmp);
    }

    static std::string ReadFile(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return {};
        std::string bytes;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
        return bytes;
    }

    TempDir dir;
    ScriptedDialogs dlg;
};

} // namespace

TEST_F(CommandLine, APhotoOpensForRepair) {
    TForm1 f(dir.path(), {QString::fromStdString(dir.file("photos/shot.bmp"))});
    // Nothing loads before the window shows.
    EXPECT_TRUE(f.Image1->Picture().empty());
    f.OpenCommandLinePhoto();
    EXPECT_FALSE(f.Image1->Picture().empty());
    EXPECT_EQ(f.cbCameras->currentText(), "Studio");
    EXPECT_EQ(f.statusText().toStdString(), dir.file("photos/shot.bmp"));
    EXPECT_EQ(f.Photo->Destination(), dir.file("photos/Vorantel/shot.bmp"));
    EXPECT_TRUE(f.btnFixSingle->isEnabled());
    EXPECT_TRUE(f.lbFixPoints->isEnabled());
    EXPECT_EQ(f.lbFixPoints->currentRow(), 0);
    EXPECT_FALSE(f.Photo->UnsavedChanges());
    EXPECT_TRUE(dlg.messages.empty());
    // Once only.
    f.Image1->setPictureOriginal(Bitmap(0, 0));
    f.Image1->ResetEffects();
    f.OpenCommandLinePhoto();
    EXPECT_TRUE(f.Image1->Picture().empty());
}

TEST_F(CommandLine, ARelativePathIsTakenFromTheCurrentFolder) {
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.file("photos"))));
    TForm1 f(dir.path(), {"shot.bmp"});
    QDir::setCurrent(cwd);
    f.OpenCommandLinePhoto();
    EXPECT_EQ(f.Photo->Destination(), dir.file("photos/Vorantel/shot.bmp"));
}

TEST_F(CommandLine, AnUnreadablePhotoIsReportedAsTheOpenDialogWould) {
    dir.write("photos/broken.png", "not a png");
    TForm1 f(dir.path(), {QString::fromStdString(dir.file("photos/broken.png"))});
    f.OpenCommandLinePhoto();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg.messages[0].text.toStdString(),
              "Unable to read file " + dir.file("photos/broken.png") +
                  "\rCannot load image. Invalid or unexpected PNG image format.");
    EXPECT_TRUE(f.Image1->Picture().empty());
    EXPECT_FALSE(f.btnFixSingle->isEnabled());
}

TEST_F(CommandLine, ACameraFileChoosesTheCameraAndOpensNoPhoto) {
    dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=-1\r\n");
    TForm1 f(dir.path(), {"/elsewhere/STUDIO.CAM"});
    EXPECT_EQ(f.cbCameras->currentText(), "Studio");
    f.OpenCommandLinePhoto();
    EXPECT_TRUE(f.Image1->Picture().empty());
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(CommandLine, OptionsAreNoFiles) {
    TForm1 f(dir.path(), {"--verbose"});
    f.OpenCommandLinePhoto();
    EXPECT_TRUE(f.Image1->Picture().empty());
    EXPECT_TRUE(dlg.messages.empty());
}
