// Unsaved changes are never lost: "Save?" answered Cancel, or Yes with a
// save that did not happen, keeps the photo and its changes, and the next
// close or open asks again.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "effects/gui/raduvir.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

class UnsavedChanges : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Cameras/Cam.cam", "*00002,00002,00001,00001,00002,00001,00003,00001\r\n");
        dir.write("Vorantel.ini", "[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
        ASSERT_TRUE(CreateDir(dir.file("photos")));
        Bitmap b(6, 5);
        b.fill(RGBColor(90, 90, 90));
        WriteBmpFile(dir.file("photos/a.bmp"), b);
        b.fill(RGBColor(10, 200, 10));
        WriteBmpFile(dir.file("photos/b.bmp"), b);
        f = std::make_unique<TForm1>(dir.path());
        f->show();
        // a.bmp opened and repaired: a change not stored yet.
        dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/a.bmp"))}));
        f->sbOpenFileClick();
        f->Photo->btnFixSingleClick();
        ASSERT_TRUE(f->Photo->UnsavedChanges());
        repaired = *f->Image1->Picture().bitmap();
        dlg.messages.clear();
        dlg.openRequests.clear();
    }
    static QString Q(const std::string& s) { return QString::fromStdString(s); }
    bool stillShown() const { return *f->Image1->Picture().bitmap() == repaired; }

    TempDir dir;
    ScriptedDialogs dlg;
    std::unique_ptr<TForm1> f;
    Bitmap repaired;
};

} // namespace

TEST_F(UnsavedChanges, CancelOnCloseKeepsAskingUntilAnswered) {
    dlg.messageAnswers = {mbCancel, mbCancel};
    EXPECT_FALSE(f->RequestClose());
    EXPECT_FALSE(f->RequestClose());
    ASSERT_EQ(dlg.messages.size(), 2u); // asked both times
    EXPECT_EQ(dlg.messages[1].caption, "Save?");
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_TRUE(stillShown());
    // File > Quit asks the same question.
    EXPECT_EQ(f->Quit1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    dlg.messageAnswers = {mbCancel};
    f->Quit1->trigger();
    EXPECT_EQ(dlg.messages.size(), 3u);
    EXPECT_TRUE(f->isVisible());
    dlg.messageAnswers = {mbNo};
    f->Quit1->trigger();
    EXPECT_FALSE(f->isVisible());
}

TEST_F(UnsavedChanges, YesWithTheSaveDialogCancelledIsACancel) {
    dlg.messageAnswers = {mbYes};
    EXPECT_FALSE(f->RequestClose()); // the save dialog answers "cancelled"
    EXPECT_EQ(dlg.saveRequests.size(), 1u);
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->Photo->UnsavedChanges());

    dlg.messageAnswers = {mbYes};
    f->sbOpenFileClick();
    EXPECT_TRUE(dlg.openRequests.empty());
    EXPECT_TRUE(stillShown());
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_FALSE(FileExists(dir.file("photos/Vorantel/a.bmp")));

    // Yes with the dialog accepted stores, and the close goes ahead.
    dlg.messageAnswers = {mbYes};
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/Vorantel/a.bmp"))}, 3));
    CreateDir(dir.file("photos/Vorantel"));
    EXPECT_TRUE(f->RequestClose());
    EXPECT_TRUE(FileExists(dir.file("photos/Vorantel/a.bmp")));
    EXPECT_FALSE(f->Photo->UnsavedChanges());
}

TEST_F(UnsavedChanges, YesWithAFailedStoreIsACancel) {
    dir.write("photos/blocked", "a file where a folder should be");
    dlg.messageAnswers = {mbYes};
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/blocked/a.jpg"))}));
    EXPECT_FALSE(f->Photo->PromptSaveChanges());
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_EQ(dlg.messages[1].caption, "File Error");
    EXPECT_TRUE(f->Photo->UnsavedChanges());

    // A BMP that cannot be written is reported by the same road.
    dlg.messageAnswers = {mbYes};
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/blocked/a.bmp"))}, 3));
    EXPECT_FALSE(f->RequestClose());
    ASSERT_EQ(dlg.messages.size(), 4u);
    EXPECT_EQ(dlg.messages[3].icon, MsgIcon::Error);
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_TRUE(stillShown());
}

TEST_F(UnsavedChanges, CancelBeforeOpeningAnotherPhotoKeepsThisOne) {
    dlg.messageAnswers = {mbCancel};
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/b.bmp"))}));
    f->AnalyzePhotograph1->trigger();
    EXPECT_TRUE(dlg.openRequests.empty());
    EXPECT_TRUE(stillShown());
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Photo->Destination(), dir.file("photos/Vorantel/a.bmp"));

    // No gives the changes up: the open goes ahead.
    dlg.messageAnswers = {mbNo};
    f->sbOpenFileClick();
    EXPECT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(0, 0), RGBColor(10, 200, 10));
    EXPECT_FALSE(f->Photo->UnsavedChanges());
}
