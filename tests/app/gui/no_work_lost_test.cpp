// Paths between the window's panels on which work used to be lost or mixed
// up: closing while "Save?" is open, a batch started over a changed photo,
// damaged files, stores over an original, and the window's state after a
// batch or a failed camera.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "repair/photooutput.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// The scripted seam, which can also act whenever a message box shows.
struct ActingDialogs : ScriptedDialogs {
    std::function<void(const MessageBoxRequest&)> onMessage;
    int messageBox(const MessageBoxRequest& request) override {
        if (onMessage) onMessage(request);
        return ScriptedDialogs::messageBox(request);
    }
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

class NoWorkLost : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Cameras/Cam.cam", "*00002,00002,00001,00001,00002,00001,00003,00001\r\n");
        dir.write("Vorantel.ini", "[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
        ASSERT_TRUE(CreateDir(dir.file("photos")));
        Bitmap b(60, 40);
        b.fill(RGBColor(90, 90, 90));
        WriteBmpFile(dir.file("photos/a.bmp"), b);
        b.fill(RGBColor(10, 200, 10));
        WriteBmpFile(dir.file("photos/b.bmp"), b);
        f = std::make_unique<TForm1>(dir.path());
        f->BatchPanel->Workers = 2;
        f->show();
    }

    // Opens a photo on the Camera tab.
    void open(const std::string& path) {
        f->PageControl1->setCurrentIndex(0);
        dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(path)}));
        f->sbOpenFileClick();
    }
    // a.bmp opened and repaired: a change not stored yet.
    void repairA() {
        open(dir.file("photos/a.bmp"));
        f->btnFixSingle->click();
        ASSERT_TRUE(f->Photo->UnsavedChanges());
        dlg.messages.clear();
    }
    void runBatch(const QStringList& files) {
        f->PageControl1->setCurrentIndex(1);
        f->BatchPanel->AddFiles(files);
        f->btnFixBatch->click();
        f->BatchPanel->WaitForEnd();
    }
    // A JPEG cut in the middle of its data.
    std::string truncatedJpeg(const std::string& name) {
        Bitmap b(400, 300);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                b.setPixel(x, y, RGBColor(x % 256, y % 256, (x + y) % 256));
        const std::string path = dir.file(name);
        StorePhoto(b, path);
        const std::string whole = dir.read(name);
        dir.write(name, whole.substr(0, whole.size() / 2));
        return path;
    }

    TempDir dir;
    ActingDialogs dlg;
    std::unique_ptr<TForm1> f;
};

} // namespace

TEST_F(NoWorkLost, CloseRequestsWhileSaveIsAskedAreIgnored) {
    repairA();
    // The window system's close while File > Quit asks: ignored, and asked
    // about no second time.
    bool closedMeanwhile = true;
    dlg.onMessage = [&](const MessageBoxRequest&) {
        dlg.onMessage = nullptr;
        closedMeanwhile = f->close();
    };
    dlg.messageAnswers = {mbCancel};
    f->Quit1->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(closedMeanwhile);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Save?");
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->Photo->UnsavedChanges());

    // The window system's own close asks once, after it returned.
    dlg.messageAnswers = {mbCancel};
    EXPECT_FALSE(f->close());
    QApplication::processEvents();
    EXPECT_EQ(dlg.messages.size(), 2u);
    EXPECT_TRUE(f->isVisible());
    // No: the window closes.
    dlg.messageAnswers = {mbNo};
    f->close();
    QApplication::processEvents();
    EXPECT_FALSE(f->isVisible());
}

TEST_F(NoWorkLost, ABatchOverAChangedPhotoAsksFirst) {
    repairA();
    const std::string b = dir.file("photos/b.bmp");
    // Cancel: no run, the photo and its changes stay.
    dlg.messageAnswers = {mbCancel};
    runBatch({Q(b)});
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Save?");
    EXPECT_FALSE(FileExists(dir.file("photos/Vorantel/b.bmp")));
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Photo->Source(), dir.file("photos/a.bmp"));
    EXPECT_EQ(f->BatchPanel->Paths(), std::vector<std::string>{b});
    // No: the run goes, and nothing is left to ask about afterwards.
    dlg.messageAnswers = {mbNo};
    f->btnFixBatch->click();
    f->BatchPanel->WaitForEnd();
    EXPECT_TRUE(FileExists(dir.file("photos/Vorantel/b.bmp")));
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Photo->Destination(), "");
    dlg.messages.clear();
    EXPECT_TRUE(f->RequestClose());
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(NoWorkLost, EveryOtherWayOfReplacingAChangedPhotoAsksFirst) {
    dir.write("Cameras/Other.cam", "*00003,00003,00002,00002,00003,00002,00004,00002\r\n");
    f = std::make_unique<TForm1>(dir.path());
    repairA();
    const Bitmap repaired = *f->Image1->Picture().bitmap();
    auto kept = [&] {
        return f->Photo->UnsavedChanges() && *f->Image1->Picture().bitmap() == repaired;
    };
    // Another camera chosen, Cancel: the camera and the photo stay.
    dlg.messageAnswers = {mbCancel};
    f->cbCameras->setCurrentIndex(f->CameraPanel->findCameraName("Other"));
    emit f->cbCameras->activated(f->cbCameras->currentIndex());
    EXPECT_EQ(f->cbCameras->currentText(), "Cam");
    EXPECT_TRUE(kept());
    // A new camera's blackshot chosen, Cancel.
    dlg.modalScripts.push_back([](QDialog& form) {
        static_cast<TNewCameraForm&>(form).cbInCamera->setEditText("New");
        return int(QDialog::Accepted);
    });
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/b.bmp"))}));
    dlg.messageAnswers = {mbCancel};
    f->NewCamera1->trigger();
    EXPECT_TRUE(kept());
    EXPECT_FALSE(FileExists(dir.file("Cameras/New.cam")));
    // A list entry deleted, Cancel: the entry stays too.
    f->PageControl1->setCurrentIndex(2);
    f->RetouchTab->AddToRetouchList(dir.file("photos/b.bmp"));
    f->cbRetouchList->item(0)->setSelected(true);
    dlg.messageAnswers = {mbCancel};
    f->DeleteItems1Click();
    EXPECT_EQ(f->cbRetouchList->count(), 1);
    EXPECT_TRUE(kept());
    EXPECT_EQ(dlg.messages.size(), 3u);
    for (const MessageBoxRequest& m : dlg.messages)
        EXPECT_EQ(m.caption, "Save?");
}

TEST_F(NoWorkLost, AfterABatchTheEmptyViewHasNothingToFixAndCamerasCanBeMade) {
    runBatch({Q(dir.file("photos/b.bmp"))});
    ASSERT_TRUE(f->Image1->Picture().empty());
    f->PageControl1->setCurrentIndex(0);
    EXPECT_FALSE(f->sbFix->isEnabled());
    EXPECT_FALSE(f->btnFixSingle->isEnabled());
    f->Photo->btnFixSingleClick();
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    for (QAction* a : {f->NewCamera1, f->OpenExistingCameraFile1})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(f->sbNewCamera->isEnabled());
}

TEST_F(NoWorkLost, ADamagedPhotoIsOneWarningThatNamesIt) {
    const std::string cut = truncatedJpeg("photos/cut.jpg");
    open(cut);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Warning");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(Q("The file " + cut + " is damaged")))
        << dlg.messages[0].text.toStdString();
    EXPECT_TRUE(dlg.messages[0].text.contains("Premature end of JPEG file"));
    // What could be read is on view.
    EXPECT_EQ(f->Image1->Picture().width(), 400);

    // A file with nothing in it: one failure, one box.
    dlg.messages.clear();
    dir.write("photos/empty.jpg", "");
    open(dir.file("photos/empty.jpg"));
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
}

TEST_F(NoWorkLost, StoringOverAnOriginalFromTheRetouchListAsksFirst) {
    const std::string a = dir.file("photos/a.bmp");
    const std::string before = dir.read("photos/a.bmp");
    f->PageControl1->setCurrentIndex(2);
    f->RetouchTab->AddToRetouchList(a);
    f->cbRetouchList->item(0)->setSelected(true);
    f->RetouchTab->cbRetouchTimerTimer();
    ASSERT_EQ(f->Photo->Destination(), a);
    f->Photo->SetUnsavedChanges(true);
    // No, the default answer: nothing is written.
    dlg.messageAnswers = {mbNo};
    f->SaveRetouchedPhotograph1->trigger();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Replace Original?");
    EXPECT_EQ(dlg.messages[0].defaultButton, mbNo);
    EXPECT_EQ(dlg.messages[0].buttons, mbYes | mbNo);
    EXPECT_EQ(dir.read("photos/a.bmp"), before);
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    // Yes stores over it.
    dlg.messageAnswers = {mbYes};
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    // A copy in a "Vorantel" folder is stored over without a question.
    dlg.messages.clear();
    CreateDir(dir.file("photos/Vorantel"));
    WriteBmpFile(dir.file("photos/Vorantel/c.bmp"), Bitmap(4, 4));
    f->RetouchTab->AddToRetouchList(dir.file("photos/Vorantel/c.bmp"));
    f->cbRetouchList->clearSelection();
    f->cbRetouchList->item(1)->setSelected(true);
    f->RetouchTab->cbRetouchTimerTimer();
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(NoWorkLost, SmallThingsTheWindowForgot) {
    // The Add Images dialog starts where the last file was picked.
    f->PageControl1->setCurrentIndex(2);
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/a.bmp"))}));
    f->btnAddImagesToListClick();
    f->btnAddImagesToListClick();
    ASSERT_EQ(dlg.openRequests.size(), 2u);
    EXPECT_EQ(dlg.openRequests[1].initialDir.toStdString(), dir.file("photos/"));

    // The Effects button goes with its photo's entry.
    f->cbRetouchList->item(0)->setSelected(true);
    f->RetouchTab->cbRetouchTimerTimer();
    EXPECT_TRUE(f->btnRetouch->isEnabled());
    f->DeleteItems1Click();
    EXPECT_FALSE(f->btnRetouch->isEnabled());

    // A camera file that cannot be read names no camera in the title.
    ASSERT_EQ(f->windowTitle(), "Vorantel - Cam");
    dir.write("broken.cam", "not a camera\r\n");
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("broken.cam"))}));
    f->OpenExistingCameraFile1->trigger();
    EXPECT_EQ(f->windowTitle(), "Vorantel");
}
