// The Camera tab's whole road with files on disk: a new camera from a
// blackshot, a photo opened, repaired and stored, the Save? prompt, and the
// photo lists with the dialog and with drops.
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include <jpeglib.h>

#include "app/gui/form1.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
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

class PhotoFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=0\r\n");
        ASSERT_TRUE(CreateDir(dir.file("photos")));
    }
    std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(dir.path()); }

    // A 9 x 9 black blackshot with one hot pixel at (4, 4).
    std::string writeBlackshot(const std::string& name) {
        Bitmap b(9, 9);
        b.fill(RGBColor(0, 0, 0));
        b.setPixel(4, 4, RGBColor(200, 200, 200));
        WriteBmpFile(dir.file("photos/" + name), b);
        return dir.file("photos/" + name);
    }
    // A photo of that camera: grey 100 with the hot pixel bright, and a
    // gradient around it so the repair has something to average.
    std::string writePhoto(const std::string& name) {
        Bitmap b(9, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                b.setPixel(x, y, RGBColor(10 * x, 10 * y, 100));
        b.setPixel(4, 4, RGBColor(255, 255, 255));
        WriteBmpFile(dir.file("photos/" + name), b);
        return dir.file("photos/" + name);
    }
    // Defines camera "Nine" through the dialog and the blackshot file.
    void defineNine(TForm1& f) {
        std::string shot = writeBlackshot("shot.bmp");
        dlg.modalScripts.push_back([](QDialog& form) {
            static_cast<TNewCameraForm&>(form).cbInCamera->setEditText("Nine");
            return int(QDialog::Accepted);
        });
        dlg.openAnswers.push_back(ScriptedDialogs::picked({QString::fromStdString(shot)}));
        f.CameraPanel->NewCamera1Click();
    }

    TempDir dir;
    ScriptedDialogs dlg;
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TEST_F(PhotoFlow, NewCameraFromABlackshotFile) {
    auto f = start();
    f->SetStatusText("old");
    defineNine(*f);
    ASSERT_EQ(dlg.modalForms.size(), 1u);
    EXPECT_EQ(dlg.modalForms[0], "NewCameraForm");
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].title, "Open the camera's blackshot");
    EXPECT_TRUE(dlg.openRequests[0].filter.startsWith("Graphic Files|*.bmp;*.cut;"));
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Camera Defined");
    EXPECT_EQ(f->cbCameras->currentText(), "Nine");
    EXPECT_EQ(f->windowTitle(), "Vorantel - Nine");
    EXPECT_EQ(f->lbFixPoints->count(), 1);
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    // The blackshot stays on display, but it is no photo to store.
    EXPECT_FALSE(f->Image1->Picture().empty());
    EXPECT_TRUE(f->Image1->PictureOriginal().empty());
    EXPECT_EQ(f->Image1->Picture().width(), 9);
    EXPECT_FALSE(f->CameraPanel->NewCameraFlag());
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Label1->text(), "");
    EXPECT_EQ(f->statusText(), "");
    EXPECT_TRUE(FileExists(dir.file("Cameras/Nine.cam")));
    // Its hot pixel, chosen in the list, shows the marker on the blackshot.
    f->lbFixPoints->setCurrentRow(0);
    f->RetouchView->lbFixPointsClick();
    EXPECT_FALSE(f->Shape1->isHidden());
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(4, 4));
    // It is no photo to store.
    EXPECT_FALSE(f->SaveRetouchedPhotograph1->isEnabled());
}

TEST_F(PhotoFlow, NewCameraCancelledOrUnreadable) {
    dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\n");
    auto f = start();
    // Dialog cancelled: nothing happens at all.
    f->CameraPanel->NewCamera1Click();
    EXPECT_TRUE(dlg.openRequests.empty());

    // Blackshot dialog cancelled.
    f->Image1->setPictureOriginal(Bitmap(5, 5));
    f->Image1->ResetEffects();
    f->Photo->SetUnsavedChanges(true);
    dlg.modalScripts.push_back([](QDialog& form) {
        static_cast<TNewCameraForm&>(form).cbInCamera->setEditText("Later");
        return int(QDialog::Accepted);
    });
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_TRUE(dlg.messages.empty());
    // The photo stays as it was, with its changes.
    EXPECT_EQ(f->Image1->Picture().width(), 5);
    EXPECT_FALSE(f->Image1->PictureOriginal().empty());
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_FALSE(f->PageControl1->isTabEnabled(1));
    f->Photo->SetUnsavedChanges(false);

    // A file that is no image.
    dir.write("photos/notes.bmp", "hello");
    dlg.modalScripts.push_back([](QDialog& form) {
        static_cast<TNewCameraForm&>(form).cbInCamera->setEditText("Broken");
        return int(QDialog::Accepted);
    });
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/notes.bmp"))}));
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        Q("Unable to read file " + dir.file("photos/notes.bmp") + "\r")));
    EXPECT_GT(dlg.messages[0].text.size(),
              int(("Unable to read file " + dir.file("photos/notes.bmp") + "\r").size()));
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_FALSE(FileExists(dir.file("Cameras/Broken.cam")));
}

TEST_F(PhotoFlow, ReplaceQuestionNoAndYes) {
    dir.write("Cameras/Studio.cam", "*00001,00001,00000,00000,00001,00000,00002,00000\r\n");
    auto f = start();
    std::string shot = writeBlackshot("shot.bmp");
    auto name = [](const char* n) {
        return [n](QDialog& form) {
            static_cast<TNewCameraForm&>(form).cbInCamera->setEditText(n);
            return int(QDialog::Accepted);
        };
    };
    dlg.modalScripts.push_back(name("studio"));
    dlg.messageAnswers.push_back(mbNo);
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text,
              "There is already a camera named studio. Do you want to replace it?");
    EXPECT_EQ(dlg.messages[0].caption, "Replace Camera?");
    EXPECT_EQ(dlg.messages[0].buttons, mbYes | mbNo);
    EXPECT_EQ(dlg.messages[0].defaultButton, mbNo);
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Question);
    EXPECT_TRUE(dlg.openRequests.empty());
    EXPECT_EQ(f->cbCameras->currentText(), "Studio");

    dlg.modalScripts.push_back(name("studio"));
    dlg.messageAnswers.push_back(mbYes);
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(shot)}));
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 3u);
    EXPECT_EQ(dlg.messages[2].text, "Camera \"studio\" is defined.");
    // The existing entry is selected, its file replaced, the caption shows
    // the name as typed.
    EXPECT_EQ(f->cbCameras->count(), 1);
    EXPECT_EQ(f->cbCameras->currentText(), "Studio");
    EXPECT_EQ(f->windowTitle(), "Vorantel - studio");
    EXPECT_EQ(dir.read("Cameras/Studio.cam").size(), 4u * 50u);
    EXPECT_FALSE(FileExists(dir.file("Cameras/studio.cam")));
}

TEST_F(PhotoFlow, NewCameraDialogRules) {
    auto f = start();
    TNewCameraForm& form = *f->CameraPanel->NewCameraForm;
    EXPECT_EQ(form.windowTitle(), "New Camera");
    EXPECT_EQ(form.seThreshold->value(), 30);
    EXPECT_EQ(form.seThreshold->minimum(), 20);
    EXPECT_EQ(form.seThreshold->maximum(), 60);
    dlg.modalScripts.push_back([&](QDialog&) {
        EXPECT_FALSE(form.btnCameraName->isEnabled());
        EXPECT_EQ(form.cbInCamera->count(), f->cbCameras->count());
        QLineEdit* edit = form.cbInCamera->lineEdit();
        for (QChar c : QString("Ab*./?\\: c")) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(form.cbInCamera->currentText(), "Ab: c");
        EXPECT_EQ(dlg.beeps, 5);
        EXPECT_TRUE(form.btnCameraName->isEnabled());
        form.cbInCamera->setEditText("");
        EXPECT_FALSE(form.btnCameraName->isEnabled());
        form.seThreshold->setValue(45);
        return int(QDialog::Rejected);
    });
    f->CameraPanel->NewCamera1Click();
    // The threshold is kept for the next camera of this run.
    dlg.modalScripts.push_back([&](QDialog&) {
        EXPECT_EQ(form.seThreshold->value(), 45);
        return int(QDialog::Rejected);
    });
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(dlg.modalForms.size(), 2u);
}

TEST_F(PhotoFlow, OpenRepairStoreAndListOnce) {
    auto f = start();
    defineNine(*f);
    dlg.messages.clear();
    std::string photo = writePhoto("img_01.bmp");
    f->PageControl1->setCurrentIndex(0);
    ASSERT_TRUE(f->sbOpenFile->isEnabled());
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->sbOpenFileClick();
    EXPECT_EQ(dlg.openRequests.back().title, "Open the photograph to be analyzed");
    EXPECT_EQ(f->Photo->Destination(), dir.file("photos/Vorantel/img_01.bmp"));
    EXPECT_EQ(f->statusText(), Q(photo));
    EXPECT_TRUE(f->btnFixSingle->isEnabled());
    EXPECT_TRUE(f->sbFix->isEnabled());
    EXPECT_TRUE(f->lbFixPoints->isEnabled());
    EXPECT_EQ(f->lbFixPoints->currentRow(), 0);
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(255, 255, 255));

    f->sbFixClick();
    // The four lines of the pixel pool its eight neighbours: red and green
    // 320 / 8, blue 100.
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(40, 40, 100));
    EXPECT_EQ(f->Image1->PictureOriginal().bitmap()->pixel(4, 4), RGBColor(255, 255, 255));
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_FALSE(f->btnFixSingle->isEnabled());
    EXPECT_FALSE(f->sbFix->isEnabled());
    EXPECT_TRUE(f->sbSave->isEnabled());
    EXPECT_TRUE(f->SaveRetouchedPhotograph1->isEnabled());
    EXPECT_EQ(f->Label1->text(), "Done");

    f->sbSaveClick();
    f->sbSaveClick();
    std::string stored = dir.file("photos/Vorantel/img_01.bmp");
    ASSERT_TRUE(FileExists(stored));
    Bitmap back = ReadBmpFile(stored);
    EXPECT_EQ(back.pixel(4, 4), RGBColor(40, 40, 100));
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    ASSERT_EQ(f->cbRetouchList->count(), 1);
    EXPECT_EQ(f->cbRetouchList->item(0)->text(), "img_01.bmp");
    EXPECT_EQ(TRetouchTab::PathOf(f->cbRetouchList->item(0)), stored);
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(PhotoFlow, UnreadablePhotoKeepsThePreviousOne) {
    auto f = start();
    defineNine(*f);
    std::string photo = writePhoto("a.bmp");
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->Photo->OpenPhotoForRepair();
    dlg.messages.clear();
    dir.write("photos/bad.bmp", "BM not really");
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/bad.bmp"))}));
    f->Photo->OpenPhotoForRepair();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        Q("Unable to read file " + dir.file("photos/bad.bmp") + "\r")));
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(f->Image1->Picture().width(), 9);
    EXPECT_EQ(f->Photo->Destination(), dir.file("photos/Vorantel/a.bmp"));
    EXPECT_EQ(f->Label1->text(), "");
    EXPECT_FALSE(f->lbFixPoints->isEnabled());
}

TEST_F(PhotoFlow, PhotosInOtherFormatsOpenAndRepair) {
    // The photo of writePhoto as a bottom-up 24-bit Targa, a plain 8-bit PCX
    // with its 256-colour palette, and a raw RGB Photoshop file.
    auto colour = [](int x, int y) {
        return x == 4 && y == 4 ? RGBColor(255, 255, 255) : RGBColor(10 * x, 10 * y, 100);
    };
    std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 9, 0, 24, 0};
    for (int y = 8; y >= 0; --y)
        for (int x = 0; x < 9; ++x)
            tga += {char(GetBValue(colour(x, y))), char(GetGValue(colour(x, y))),
                    char(GetRValue(colour(x, y)))};
    std::string pcx(128, '\0');
    pcx[0] = 10, pcx[1] = 5, pcx[3] = 8, pcx[8] = 8, pcx[10] = 8, pcx[65] = 1, pcx[66] = 10;
    std::string palette = "\x0c";
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            pcx += char(y * 9 + x);
            palette += {char(GetRValue(colour(x, y))), char(GetGValue(colour(x, y))),
                        char(GetBValue(colour(x, y)))};
        }
        pcx += '\0';
    }
    pcx += palette + std::string(768 - 3 * 81, '\0');
    std::string psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0,
                       3,   0,   0,   0,   9, 0, 0, 0, 9, 0, 8, 0, 3};
    psd += std::string(14, '\0'); // three empty sections, no compression
    for (auto channel : {GetRValue, GetGValue, GetBValue})
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                psd += char(channel(colour(x, y)));

    auto f = start();
    defineNine(*f);
    const std::pair<const char*, std::string> photos[] = {
        {"img.tga", tga}, {"img.pcx", pcx}, {"img.psd", psd}};
    for (const auto& [name, bytes] : photos) {
        SCOPED_TRACE(name);
        dir.write(std::string("photos/") + name, bytes);
        dlg.messages.clear();
        dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/") + name)}));
        f->sbOpenFileClick();
        EXPECT_TRUE(dlg.messages.empty());
        EXPECT_EQ(f->Photo->Destination(), dir.file("photos/Vorantel/") + name);
        EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(255, 255, 255));
        EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(7, 2), RGBColor(70, 20, 100));
        f->sbFixClick();
        EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(40, 40, 100));
        f->Photo->SetUnsavedChanges(false);
    }
}

TEST_F(PhotoFlow, SavePromptYesNoCancel) {
    auto f = start();
    defineNine(*f);
    std::string photo = writePhoto("p.bmp");
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->Photo->OpenPhotoForRepair();
    dlg.messages.clear();

    // Cancel: no open, the changes stay marked.
    f->Photo->SetUnsavedChanges(true);
    const std::size_t opened = dlg.openRequests.size();
    dlg.messageAnswers.push_back(mbCancel);
    f->sbOpenFileClick();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Would you like to save the changes to p.bmp?");
    EXPECT_EQ(dlg.messages[0].caption, "Save?");
    EXPECT_EQ(dlg.messages[0].buttons, mbYes | mbNo | mbCancel);
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(dlg.openRequests.size(), opened);
    EXPECT_TRUE(f->Photo->UnsavedChanges());

    // Cancel keeps the window open; No lets it close.
    f->Photo->SetUnsavedChanges(true);
    dlg.messageAnswers.push_back(mbCancel);
    EXPECT_FALSE(f->Photo->PromptSaveChanges());
    f->Photo->SetUnsavedChanges(true);
    dlg.messageAnswers.push_back(mbNo);
    EXPECT_TRUE(f->Photo->PromptSaveChanges());
    EXPECT_TRUE(dlg.saveRequests.empty());

    // Yes: the save dialog, preset from the destination; the file is stored
    // under the chosen name, the retouch list is not touched.
    f->Photo->SetUnsavedChanges(true);
    dlg.messageAnswers.push_back(mbYes);
    std::string chosen = dir.file("photos/elsewhere.bmp");
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(chosen)}, 3));
    EXPECT_TRUE(f->Photo->PromptSaveChanges());
    ASSERT_EQ(dlg.saveRequests.size(), 1u);
    EXPECT_EQ(dlg.saveRequests[0].title, "Save Retouched Photograph");
    EXPECT_EQ(dlg.saveRequests[0].filter, "JPEG|*.jpg|TIFF|*.tif|Bitmap|*.bmp");
    EXPECT_EQ(dlg.saveRequests[0].filterIndex, 3);
    EXPECT_EQ(dlg.saveRequests[0].fileName, Q(dir.file("photos/Vorantel/p.bmp")));
    EXPECT_TRUE(FileExists(chosen));
    EXPECT_EQ(f->Photo->Destination(), chosen);
    EXPECT_EQ(f->cbRetouchList->count(), 0);
    EXPECT_FALSE(f->Photo->UnsavedChanges());

    // Closing the window with changes asks; Cancel keeps it open.
    f->show();
    f->Photo->SetUnsavedChanges(true);
    dlg.messageAnswers.push_back(mbCancel);
    EXPECT_FALSE(f->RequestClose());
    EXPECT_TRUE(f->isVisible());
}

TEST_F(PhotoFlow, SaveDialogTypeChangeReplacesTheExtension) {
    EXPECT_EQ(NameForFileType("/p/photo.jpg", {".jpg", ".tif", ".bmp"}, 3), "/p/photo.bmp");
    EXPECT_EQ(NameForFileType("photo", {".jpg", ".tif", ".bmp"}, 2), "photo.tif");
    EXPECT_EQ(NameForFileType("/a.b/photo", {".jpg", ".tif", ".bmp"}, 1), "/a.b/photo.jpg");
    // The real dialog does it in its file-name box.
    QFileDialog dlgWidget;
    dlgWidget.setOption(QFileDialog::DontUseNativeDialog);
    dlgWidget.setNameFilters(QtNameFilters("JPEG|*.jpg|TIFF|*.tif|Bitmap|*.bmp"));
    ConnectTypeChange(dlgWidget, {".jpg", ".tif", ".bmp"});
    auto* edit = dlgWidget.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText("photo.jpg");
    emit dlgWidget.filterSelected(dlgWidget.nameFilters()[2]);
    EXPECT_EQ(edit->text(), "photo.bmp");
}

TEST_F(PhotoFlow, ListsFromTheDialog) {
    dir.write("Cameras/cam.cam", "*00001,00001,00000,00000,00001,00000,00002,00000\r\n");
    auto f = start();
    f->PageControl1->setCurrentIndex(1);
    ASSERT_EQ(f->PageControl1->currentIndex(), 1);
    dlg.openAnswers.push_back(ScriptedDialogs::picked(
        {"/p/a.jpg", "/p/b.txt", "/p/c.tif", "/p/a.jpg", "/q/img.jpeg", "/q/x.rgba"}));
    f->btnAddImagesToListClick();
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_TRUE(dlg.openRequests[0].multiSelect);
    QStringList shown;
    for (int i = 0; i < f->lbBatchList->count(); ++i)
        shown << f->lbBatchList->item(i)->text();
    EXPECT_EQ(shown, QStringList({"a.jpg", "a.jpg", "c.tif", "img.jpeg"}));
    EXPECT_EQ(f->BatchPanel->Paths(),
              (std::vector<std::string>{"/p/a.jpg", "/p/c.tif", "/p/a.jpg", "/q/img.jpeg"}));
    EXPECT_TRUE(f->btnFixBatch->isEnabled());

    f->PageControl1->setCurrentIndex(2);
    dlg.openAnswers.push_back(
        ScriptedDialogs::picked({"/y/a.jpg", "/x/a.jpg", "/x/a.jpg", "/x/B.tiff", "/x/c.doc"}));
    f->Button1->click();
    QStringList retouch;
    for (int i = 0; i < f->cbRetouchList->count(); ++i)
        retouch << Q(TRetouchTab::PathOf(f->cbRetouchList->item(i)));
    EXPECT_EQ(retouch, QStringList({"/y/a.jpg", "/x/a.jpg", "/x/B.tiff"}));
}

namespace {
void Drop(QListWidget* list, const QStringList& files) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& f : files)
        urls << QUrl::fromLocalFile(f);
    data->setUrls(urls);
    QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    if (enter.isAccepted()) {
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
    }
    QApplication::processEvents();
    delete data;
}
} // namespace

TEST_F(PhotoFlow, DropsOnTheLists) {
    dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\n");
    auto f = start();
    ASSERT_EQ(f->cbCameras->currentIndex(), -1);
    Drop(f->lbBatchList, {"/d/one.jpg", "/d/two.png"});
    EXPECT_EQ(f->lbBatchList->count(), 0); // refused without a camera
    Drop(f->cbRetouchList, {"/d/one.jpg", "/d/notes.txt", "/d/one.jpg"});
    ASSERT_EQ(f->cbRetouchList->count(), 1);
    EXPECT_EQ(TRetouchTab::PathOf(f->cbRetouchList->item(0)), "/d/one.jpg");

    defineNine(*f);
    Drop(f->lbBatchList, {"/d/two.png", "/d/notes.txt", "/d/one.jpg"});
    QStringList shown;
    for (int i = 0; i < f->lbBatchList->count(); ++i)
        shown << f->lbBatchList->item(i)->text();
    EXPECT_EQ(shown, QStringList({"one.jpg", "two.png"}));
    EXPECT_EQ(f->BatchPanel->Paths(), (std::vector<std::string>{"/d/two.png", "/d/one.jpg"}));
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
}

TEST_F(PhotoFlow, LocateWithoutSelectionDoesNothing) {
    auto f = start();
    f->RetouchTab->AddToRetouchList("/x/a.jpg");
    int calls = 0;
    f->RetouchTab->FileLocator = [&](const std::string&) {
        ++calls;
        return false;
    };
    f->RetouchTab->LocateFile1Click();
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(PhotoFlow, StoringAsJpegAndAFailedJpeg) {
    auto f = start();
    defineNine(*f);
    std::string photo = writePhoto("shot.bmp");
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->Photo->OpenPhotoForRepair();
    f->Photo->btnFixSingleClick();
    dlg.messages.clear();

    // Save As with the JPEG type: the file is a JPEG beside the photo.
    std::string chosen = dir.file("photos/Vorantel/out.jpeg");
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(chosen)}, 1));
    f->Photo->SavePhotographAs1Click();
    EXPECT_EQ(dlg.saveRequests.back().filterIndex, 3); // preset from ".bmp"
    std::string jpeg = dir.read("photos/Vorantel/out.jpg");
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    ASSERT_EQ(f->cbRetouchList->count(), 1);
    EXPECT_EQ(TRetouchTab::PathOf(f->cbRetouchList->item(0)), dir.file("photos/Vorantel/out.jpg"));

    // A JPEG that cannot be written: the box, and nothing counts as stored.
    dir.write("photos/blocked", "a file where a folder should be");
    f->Photo->SetDestination(dir.file("photos/blocked/x.jpg"));
    f->Photo->SetUnsavedChanges(true);
    f->Photo->SaveRetouchedPhotograph1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        Q("Unable to read file " + dir.file("photos/blocked/x.jpg") + "\r")));
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->cbRetouchList->count(), 1);
}

TEST_F(PhotoFlow, AJpegThatEndsEarlyLoadsWithAWarning) {
    auto f = start();
    defineNine(*f);
    dlg.messages.clear();
    Bitmap b(256, 192);
    for (int y = 0; y < 192; ++y)
        for (int x = 0; x < 256; ++x)
            b.setPixel(x, y, RGBColor(x, (x * y) % 251, 90 + y % 7));
    WriteJpegFile(dir.file("photos/whole.jpg"), b);
    std::string bytes = dir.read("photos/whole.jpg");
    dir.write("photos/cut.jpg", bytes.substr(0, bytes.size() / 2));
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/cut.jpg"))}));
    f->Photo->OpenPhotoForRepair();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Warning");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
    EXPECT_EQ(f->Image1->Picture().width(), 256);
    EXPECT_EQ(f->Photo->Destination(), dir.file("photos/Vorantel/cut.jpg"));
}

TEST_F(PhotoFlow, LocateShowsTheSelectedFileOrSaysItCannot) {
    auto f = start();
    f->RetouchTab->AddToRetouchList("/y/a.jpg");
    f->RetouchTab->AddToRetouchList("/x/a.jpg");
    std::vector<std::string> shown;
    bool starts = true;
    f->RetouchTab->FileLocator = [&](const std::string& p) {
        shown.push_back(p);
        return starts;
    };
    f->cbRetouchList->item(1)->setSelected(true);
    f->RetouchTab->LocateFile1Click();
    EXPECT_EQ(shown, std::vector<std::string>{TRetouchTab::PathOf(f->cbRetouchList->item(1))});
    EXPECT_TRUE(dlg.messages.empty());
    starts = false;
    f->RetouchTab->LocateFile1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Error during CreateProcess");
    EXPECT_EQ(dlg.messages[0].buttons, mbOK);
}

TEST_F(PhotoFlow, FixRepairsThePictureAsShownAndTurnsTheEffectsOff) {
    auto f = start();
    defineNine(*f);
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(writePhoto("inv.bmp"))}));
    f->Photo->OpenPhotoForRepair();
    f->Image1->setPicInvert(true);
    ASSERT_EQ(f->Image1->Picture().bitmap()->pixel(0, 0), RGBColor(255, 255, 155));
    f->Photo->btnFixSingleClick();
    EXPECT_FALSE(f->Image1->PicInvert());
    // The inverted neighbours' mean: 255 - 40, 255 - 40, 255 - 100.
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(4, 4), RGBColor(215, 215, 155));
    EXPECT_EQ(f->Image1->Picture().bitmap()->pixel(0, 0), RGBColor(255, 255, 155));
    EXPECT_EQ(f->Image1->PictureOriginal().bitmap()->pixel(0, 0), RGBColor(0, 0, 100));
}

namespace {

// The APPn and COM segments of a JPEG file as libjpeg reads them (JFIF
// left out), in file order.
std::vector<std::pair<int, std::string>> Segments(const std::string& path) {
    std::vector<std::pair<int, std::string>> out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return out;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    for (int m = 0; m < 16; ++m)
        jpeg_save_markers(&cinfo, JPEG_APP0 + m, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker != JPEG_APP0)
            out.emplace_back(m->marker,
                             std::string(reinterpret_cast<char*>(m->data), m->data_length));
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return out;
}

} // namespace

TEST_F(PhotoFlow, TheStoredCopyKeepsThePhotosMetadata) {
    auto f = start();
    defineNine(*f);
    dlg.messages.clear();
    // A camera JPEG with Exif (orientation 6), IPTC, XMP, a colour profile
    // in two chunks and a comment.
    const std::string photo = dir.file("photos/exif.jpg");
    fs::copy_file(std::string(VORANTEL_TESTDATA) + "/metadata/exif.jpg", photo);
    const auto before = Segments(photo);
    ASSERT_EQ(before.size(), 6u);
    f->PageControl1->setCurrentIndex(0);
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->sbOpenFileClick();
    f->sbFixClick();
    f->sbSaveClick();
    EXPECT_EQ(Segments(dir.file("photos/Vorantel/exif.jpg")), before);

    // Save As under another name keeps them too.
    dlg.saveAnswers.push_back(ScriptedDialogs::picked({Q(dir.file("photos/other.jpg"))}));
    f->Photo->SavePhotographAs1Click();
    EXPECT_EQ(Segments(dir.file("photos/other.jpg")), before);
    EXPECT_TRUE(dlg.messages.empty());
}

TEST_F(PhotoFlow, TheDefaultStoreNeverReplacesThePhotoItself) {
    auto f = start();
    defineNine(*f);
    dlg.messages.clear();
    // "Vorantel" beside the photos leads back to their own folder.
    fs::create_directory_symlink(".", dir.file("photos/Vorantel"));
    const std::string photo = dir.file("photos/self.jpg");
    fs::copy_file(std::string(VORANTEL_TESTDATA) + "/metadata/exif.jpg", photo);
    const std::string original = dir.read("photos/self.jpg");
    f->PageControl1->setCurrentIndex(0);
    dlg.openAnswers.push_back(ScriptedDialogs::picked({Q(photo)}));
    f->sbOpenFileClick();
    f->sbFixClick();
    f->sbSaveClick();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        Q("Unable to read file " + dir.file("photos/Vorantel/self.jpg") + "\r")));
    EXPECT_EQ(dir.read("photos/self.jpg"), original);
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_EQ(f->cbRetouchList->count(), 0);
}

TEST_F(PhotoFlow, APastedNameThatWouldLeaveTheLibraryIsRefused) {
    auto f = start();
    TNewCameraForm& form = *f->CameraPanel->NewCameraForm;
    // Pasted text is not filtered as it is typed: OK looks at the whole name
    // and keeps the dialog open.
    for (const char* bad : {"../Evil", ".hidden", "a\nb", "x\x1b[2J", "a/b", "a\\b", "a*", "a?"}) {
        SCOPED_TRACE(bad);
        dlg.messages.clear();
        dlg.modalScripts.push_back([&, bad](QDialog& d) {
            form.cbInCamera->setEditText(QString::fromUtf8(bad));
            form.btnCameraName->click();
            EXPECT_EQ(d.result(), int(QDialog::Rejected));
            return d.result();
        });
        f->CameraPanel->NewCamera1Click();
        ASSERT_EQ(dlg.messages.size(), 1u);
        EXPECT_EQ(dlg.messages[0].caption, "New Camera");
        EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
        EXPECT_TRUE(dlg.messages[0].text.startsWith("A camera name may not hold"));
    }
    // A name that gets past the dialog all the same stops the flow too.
    dlg.messages.clear();
    dlg.modalScripts.push_back([&](QDialog&) {
        form.cbInCamera->setEditText("../Evil");
        return int(QDialog::Accepted);
    });
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(dlg.messages.size(), 1u);
    EXPECT_TRUE(dlg.openRequests.empty()); // no blackshot asked for
    EXPECT_FALSE(FileExists(dir.file("Evil.cam")));
    // A dot inside a name is fine.
    dlg.modalScripts.push_back([&](QDialog& d) {
        form.cbInCamera->setEditText("EOS 5D Mk.II");
        form.btnCameraName->click();
        return d.result();
    });
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(dlg.openRequests.size(), 1u);
}
