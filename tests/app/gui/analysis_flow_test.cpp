// Defining a camera from a blackshot handed to the photo view: every message
// of the analysis and the selection that follows.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "effects/gui/raduvir.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

class AnalysisFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\n");
    }
    std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(dir.path()); }

    // Hands a blackshot to the photo view as the new-camera flow does.
    static void showBlackshot(TForm1& f, const Bitmap& b, const std::string& name) {
        f.Image1->setPictureOriginal(b);
        f.Image1->ResetEffects();
        f.CameraPanel->setCurrentCameraName(name);
    }
    static Bitmap Black(int w, int h) {
        Bitmap b(w, h);
        b.fill(RGBColor(0, 0, 0));
        return b;
    }

    TempDir dir;
    ScriptedDialogs dlg;
};

} // namespace

TEST_F(AnalysisFlow, SinglePixelDefinesTheCamera) {
    auto f = start();
    f->btnFixSingle->setEnabled(true);
    Bitmap b = Black(9, 9);
    b.setPixel(4, 4, RGBColor(200, 200, 200));
    showBlackshot(*f, b, "Nine");
    f->CameraPanel->DefineCameraFromBlackshot();

    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Camera \"Nine\" is defined.");
    EXPECT_EQ(dlg.messages[0].caption, "Camera Defined");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(dlg.messages[0].buttons, mbOK);
    EXPECT_EQ(dir.read("Cameras/Nine.cam"), " 00004,00004,00003,00005,00004,00005,00005,00005\r\n"
                                            " 00004,00004,00003,00003,00003,00004,00003,00005\r\n"
                                            " 00004,00004,00005,00003,00005,00004,00005,00005\r\n"
                                            "*00004,00004,00003,00003,00004,00003,00005,00003\r\n");
    EXPECT_EQ(f->cbCameras->currentText(), "Nine");
    EXPECT_EQ(f->windowTitle(), "Vorantel - Nine");
    ASSERT_EQ(f->lbFixPoints->count(), 1);
    EXPECT_EQ(f->lbFixPoints->item(0)->text(), "x=    4, y=    4");
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 4u);
    EXPECT_EQ(f->Label1->text(), "Done");
    EXPECT_EQ(f->ProgressBar1->value(), 0);
    EXPECT_EQ(f->ProgressBar1->maximum(), 9);
    EXPECT_FALSE(f->btnFixSingle->isEnabled());
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    // The displayed blackshot is not painted by the analysis.
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(200, 200, 200));
}

TEST_F(AnalysisFlow, AllBlackGivesNoHotPixels) {
    auto f = start();
    Bitmap b = Black(12, 7);
    b.setPixel(3, 3, RGBColor(9, 9, 9));
    showBlackshot(*f, b, "Dark");
    f->CameraPanel->DefineCameraFromBlackshot();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text,
              "Your blackshot has no hot/dead pixels!\rTry a lower luminance threshold.");
    EXPECT_EQ(dlg.messages[0].caption, "No Hot Pixels");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_FALSE(FileExists(dir.file("Cameras/Dark.cam")));
}

TEST_F(AnalysisFlow, TryAgainQuotesTheNumbersAndYesUsesTheHighest) {
    Bitmap b = Black(10, 10);
    b.setPixel(2, 2, RGBColor(15, 15, 15));
    b.setPixel(7, 6, RGBColor(15, 15, 15));
    b.setPixel(7, 7, RGBColor(12, 12, 12));
    {
        auto f = start();
        showBlackshot(*f, b, "Faint");
        dlg.messageAnswers = {mbNo};
        f->CameraPanel->DefineCameraFromBlackshot();
        ASSERT_EQ(dlg.messages.size(), 1u);
        EXPECT_EQ(dlg.messages[0].text, "No hot pixels were found with luminance of 30 or more.\r"
                                        "The highest luminance value found was 15.\r"
                                        "Shall Vorantel mark these pixels as \"hot?\"");
        EXPECT_EQ(dlg.messages[0].caption, "Try again?");
        EXPECT_EQ(dlg.messages[0].buttons, mbYes | mbNo);
        EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Question);
        EXPECT_FALSE(FileExists(dir.file("Cameras/Faint.cam")));
    }
    dlg.messages.clear();
    auto f = start();
    showBlackshot(*f, b, "Faint");
    dlg.messageAnswers = {mbYes};
    f->CameraPanel->DefineCameraFromBlackshot();
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[1].caption, "Camera Defined");
    EXPECT_EQ(f->cbCameras->currentText(), "Faint");
    // Both pixels of luminance 15 are candidates; (7, 7) is outshone.
    ASSERT_EQ(f->lbFixPoints->count(), 2);
    EXPECT_EQ(f->lbFixPoints->item(0)->text(), "x=    2, y=    2");
    EXPECT_EQ(f->lbFixPoints->item(1)->text(), "x=    7, y=    6");
}

TEST_F(AnalysisFlow, TooLargeAClusterIsRefusedThenQuestioned) {
    auto f = start();
    Bitmap b = Black(40, 40);
    for (int y = 5; y < 32; ++y)
        for (int x = 5; x < 32; ++x)
            b.setPixel(x, y, RGBColor(10, 10, 10));
    b.setPixel(18, 18, RGBColor(250, 250, 250));
    showBlackshot(*f, b, "Blotch");
    dlg.messageAnswers = {mbOK, mbNo};
    f->CameraPanel->DefineCameraFromBlackshot();
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[0].caption, "Blackshot Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg.messages[0].text,
              "The camera cannot be added to Vorantel because the selected image has too many "
              "contiguous nonblack pixels.");
    EXPECT_EQ(dlg.messages[1].caption, "Try again?");
    EXPECT_TRUE(dlg.messages[1].text.contains("The highest luminance value found was 250."));
    EXPECT_FALSE(FileExists(dir.file("Cameras/Blotch.cam")));
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
}

TEST_F(AnalysisFlow, ANameInAnotherCaseReplacesTheExistingCamera) {
    dir.write("Cameras/Studio.cam", " 00001,00001,00000,00000,00001,00000,00002,00000\r\n");
    dir.write("Cameras/Other.cam", " 00001,00001,00000,00000,00001,00000,00002,00000\r\n");
    auto f = start();
    Bitmap b = Black(9, 9);
    b.setPixel(4, 4, RGBColor(200, 200, 200));
    showBlackshot(*f, b, "studio");
    f->CameraPanel->DefineCameraFromBlackshot();
    EXPECT_EQ(f->cbCameras->count(), 2);
    EXPECT_EQ(f->cbCameras->currentText(), "Studio");
    EXPECT_EQ(dir.read("Cameras/Studio.cam").size(), 4u * 50u);
    EXPECT_FALSE(FileExists(dir.file("Cameras/studio.cam")));
}

TEST_F(AnalysisFlow, AFailedWriteIsReportedAndSelectsNothing) {
    ASSERT_TRUE(CreateDir(dir.file("Cameras/Blocked.cam")));
    dir.write("Cameras/Blocked.cam/keep", "x");
    auto f = start();
    Bitmap b = Black(9, 9);
    b.setPixel(4, 4, RGBColor(200, 200, 200));
    showBlackshot(*f, b, "Blocked");
    dlg.messageAnswers = {mbOK, mbNo};
    f->CameraPanel->DefineCameraFromBlackshot();
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(QString::fromStdString(
        "Unable to open or write file " + dir.file("Cameras/Blocked.cam") + "\r")))
        << dlg.messages[0].text.toStdString();
    EXPECT_EQ(dlg.messages[1].caption, "Try again?");
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_EQ(dir.read("Cameras/Blocked.cam/keep"), "x");
}

TEST_F(AnalysisFlow, AnEmptyBlackshotIsRefusedBeforeAnalysis) {
    auto f = start();
    showBlackshot(*f, Bitmap(0, 0), "Empty");
    EXPECT_THROW(f->CameraPanel->DefineCameraFromBlackshot(), std::exception);
    EXPECT_TRUE(dlg.messages.empty());
    EXPECT_FALSE(FileExists(dir.file("Cameras/Empty.cam")));
}
