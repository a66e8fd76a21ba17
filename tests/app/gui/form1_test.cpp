// The main window driven as a user would, on Qt's offscreen platform, with
// the dialog seam scripted.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "camera/camerafile.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "platform/inifile.h"
#include "support/tempdir.h"
#include "ui/gui/tipdialog.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

std::string Line(char mark, std::initializer_list<int> v) {
    HotPixelRecord r;
    std::copy(v.begin(), v.end(), r.v.begin());
    return FormatRepairLine(mark, r) + "\r\n";
}

// A camera with one single-pixel block at (x, y): the four lines of one
// block as they stand in the file, marked line last.
std::string OnePixelCamera(int x, int y) {
    return Line(' ', {x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1}) +
           Line(' ', {x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1}) +
           Line(' ', {x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}) +
           Line('*', {x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1});
}

class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(CreateDir(dir.file("Cameras"))); }

    void addCamera(const std::string& name, const std::string& contents) {
        dir.write("Cameras/" + name + ".cam", contents);
    }
    void writeIni(const std::string& text) { dir.write("Vorantel.ini", text); }

    std::unique_ptr<TForm1> start(const QStringList& args = {}) {
        return std::make_unique<TForm1>(dir.path(), args);
    }

    static QStringList comboItems(const QComboBox* c) {
        QStringList items;
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
        return items;
    }

    static void showPhoto(TForm1& f, int w = 8, int h = 6) {
        f.Image1->setPictureOriginal(Bitmap(w, h));
        f.Image1->ResetEffects();
    }

    TempDir dir;
    ScriptedDialogs dlg;
};

} // namespace

TEST_F(Form1Test, FirstStartInAnEmptyProgramDirectory) {
    TempDir empty;
    {
        TForm1 f(empty.path());
        EXPECT_TRUE(DirectoryExists(empty.file("Cameras")));
        EXPECT_EQ(f.cbCameras->count(), 0);
        EXPECT_EQ(f.cbCameras->currentIndex(), -1);
        EXPECT_FALSE(f.PageControl1->isTabEnabled(1));
        EXPECT_FALSE(f.btnFixBatch->isEnabled());
        EXPECT_EQ(f.PageControl1->currentIndex(), 0);
        EXPECT_EQ(f.windowTitle(), "Vorantel");
        // The tip of the day is shown at the first start.
        ASSERT_EQ(dlg.modalForms.size(), 1u);
        EXPECT_EQ(dlg.modalForms[0], "TipDialogForm");
        EXPECT_FALSE(FileExists(empty.file("Vorantel.ini")));
    }
    TIniFile ini(empty.file("Vorantel.ini"));
    EXPECT_EQ(ini.ReadString("Init", "LastCam", ""), "-1");
    EXPECT_EQ(ini.ReadString("Init", "TipOfTheDay", ""), "1");
    EXPECT_EQ(ini.ReadString("Init", "odSingleShot", ""), empty.path());
    EXPECT_EQ(ini.ReadString("Init", "odImageFile", ""), empty.path());
}

TEST_F(Form1Test, WindowLayoutAndTexts) {
    auto f = start();
    EXPECT_EQ(f->size(), QSize(800, 581));
    f->show();
    QApplication::processEvents();
    const std::pair<QToolButton*, const char*> buttons[] = {
        {f->sbNewCamera, "New Camera"},
        {f->sbOpenFile, "Add or Open Photo Files"},
        {f->sbSave, "Save Photo"},
        {f->sbUndo, "Undo"},
        {f->sbFix, "Fix Photos"},
        {f->sbEffects, "Add Effects"},
        {f->sbDelete, "Delete Items from List"},
        {f->sbReset, "Restore Photo"},
        {f->sbHelp, "Help"}};
    int lastX = -1;
    for (auto [button, hint] : buttons) {
        EXPECT_EQ(button->toolTip(), hint);
        EXPECT_FALSE(button->icon().isNull()) << hint;
        EXPECT_EQ(button->size(), QSize(23, 22));
        EXPECT_GT(button->x(), lastX) << hint;
        lastX = button->x();
        EXPECT_EQ(f->findChild<QToolButton*>(button->objectName()), button);
    }
    EXPECT_EQ(f->PageControl1->width(), 273);
    EXPECT_EQ(f->PageControl1->tabText(0), "Camera");
    EXPECT_EQ(f->PageControl1->tabText(1), "Batch");
    EXPECT_EQ(f->PageControl1->tabText(2), "Retouch");
    EXPECT_EQ(f->btnFixSingle->text(), "Fix");
    EXPECT_EQ(f->btnFixSingle->toolTip(), "Fix hot pixels on current image");
    EXPECT_FALSE(f->btnFixSingle->isEnabled());
    EXPECT_EQ(f->cbCameras->toolTip(), "Choose a camera from this list");
    EXPECT_EQ(f->lbFixPoints->toolTip(), "Hot pixels. Click on one to scroll the image.");
    EXPECT_EQ(f->lblCameras->text(), "&Cameras");
    EXPECT_EQ(f->Button1->text(), "Add Images to List");
    EXPECT_EQ(f->btnRetouch->text(), "Effects");
    EXPECT_EQ(f->btnReset->text(), "Restore");
    // Magnifier: eleven cells of 8 pixels; marker 13 x 13, hidden.
    EXPECT_EQ(f->imgHalo->cellSize(), 8);
    EXPECT_EQ(f->imgHalo->size(), QSize(88, 88));
    EXPECT_EQ(f->Shape1->size(), QSize(13, 13));
    EXPECT_TRUE(f->Shape1->isHidden());
    EXPECT_EQ(f->File1->title(), "&File");
    EXPECT_EQ(f->SavePhotographAs1->text(), "Save Photograph &As...");
    EXPECT_EQ(f->JointheTarnwickForum1->text(), "&Join the Tarnwick Forum");
    // The start-up refresh has renamed the analyse command already.
    EXPECT_EQ(f->AnalyzePhotograph1->text(), "Analyze Photograph");
    EXPECT_EQ(f->Timer1->interval(), 100);
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_EQ(f->cbRetouchTimer->interval(), 250);
    EXPECT_FALSE(f->cbRetouchTimer->isActive());
    EXPECT_EQ(f->TipDialog1->Tips.size(), 10);
    EXPECT_EQ(f->TipDialog1->TitleLabel, "Vorantel Tip of the Day");
}

TEST_F(Form1Test, LastCamIsAnIndexButTheRememberedNameWins) {
    addCamera("Zeta", OnePixelCamera(5, 5));
    addCamera("alpha", OnePixelCamera(3, 3));
    addCamera("Beta", OnePixelCamera(4, 4));
    writeIni("[Init]\r\nLastCam=1\r\nTipOfTheDay=0\r\n");
    {
        auto f = start();
        EXPECT_EQ(comboItems(f->cbCameras), QStringList({"alpha", "Beta", "Zeta"}));
        EXPECT_EQ(f->cbCameras->currentText(), "Beta");
        EXPECT_EQ(f->windowTitle(), "Vorantel - Beta");
        EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
        ASSERT_EQ(f->lbFixPoints->count(), 1);
        EXPECT_EQ(f->lbFixPoints->item(0)->text(), "x=    4, y=    4");
        EXPECT_TRUE(dlg.modalForms.empty()); // no tip
        f->cbCameras->setCurrentIndex(2);
    }
    EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadInteger("Init", "LastCam", 0), 2);
    EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadString("Init", "LastCamName", ""), "Zeta");
    EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadString("Init", "TipOfTheDay", ""), "0");

    // A camera deleted or added outside the program: the index alone would
    // now name another camera (or none); the name still finds Zeta.
    DeleteFileAt(dir.file("Cameras/alpha.cam"));
    {
        auto f = start();
        EXPECT_EQ(f->cbCameras->currentText(), "Zeta");
        EXPECT_EQ(f->windowTitle(), "Vorantel - Zeta");
    }
    addCamera("Aardvark", OnePixelCamera(3, 3));
    addCamera("Gamma", OnePixelCamera(3, 3));
    {
        auto f = start();
        EXPECT_EQ(f->cbCameras->currentText(), "Zeta");
        EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadInteger("Init", "LastCam", 0), 1);
    }
    EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadInteger("Init", "LastCam", 0), 3);

    // Without a name (a settings file of an older version), or with a name
    // no longer in the library, the index decides as it always did.
    writeIni("[Init]\r\nLastCam=9\r\nLastCamName=Gone\r\nTipOfTheDay=0\r\n");
    {
        auto f = start();
        EXPECT_EQ(f->cbCameras->currentIndex(), -1); // index 9 is beyond the list
        EXPECT_EQ(f->windowTitle(), "Vorantel");
        EXPECT_TRUE(f->PageControl1->isTabEnabled(1)); // the library is not empty
    }
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    {
        auto f = start();
        EXPECT_EQ(f->cbCameras->currentText(), "Aardvark");
    }
}

TEST_F(Form1Test, SettingsFoldersAreKeptAndDamagedFileGivesDefaults) {
    writeIni("[Init]\r\nLastCam=zero\r\nodSingleShot=/photos/\r\nodImageFile=?\r\n");
    addCamera("one", OnePixelCamera(2, 2));
    {
        auto f = start();
        EXPECT_EQ(f->cbCameras->currentIndex(), -1);
        EXPECT_EQ(f->odSingleShot.initialDir, "/photos/");
        EXPECT_EQ(f->odImageFile.initialDir, QString::fromStdString(dir.path()));
        EXPECT_EQ(dlg.modalForms.size(), 1u); // TipOfTheDay missing: shown
    }
    TIniFile ini(dir.file("Vorantel.ini"));
    EXPECT_EQ(ini.ReadString("Init", "odSingleShot", ""), "/photos/");
}

TEST_F(Form1Test, CommandLineCameraSelectsTheLibraryCameraOfThatName) {
    addCamera("studio", OnePixelCamera(6, 7));
    addCamera("beach", OnePixelCamera(3, 3));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start({"/somewhere/else/Studio.cam"});
    EXPECT_EQ(f->cbCameras->currentText(), "studio");
    EXPECT_EQ(f->windowTitle(), "Vorantel - studio");
    ASSERT_EQ(f->lbFixPoints->count(), 1);
    EXPECT_EQ(f->lbFixPoints->item(0)->text(), "x=    6, y=    7");

    // A name that is not in the library is ignored.
    auto g = start({"Nikon.cam"});
    EXPECT_EQ(g->cbCameras->currentText(), "beach");
}

TEST_F(Form1Test, TwinFilesDifferingInCaseAreOneCamera) {
    addCamera("Studio", OnePixelCamera(1, 1));
    addCamera("studio", OnePixelCamera(9, 9));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    EXPECT_EQ(comboItems(f->cbCameras), QStringList({"Studio"}));
    ASSERT_EQ(f->lbFixPoints->count(), 1);
    EXPECT_EQ(f->lbFixPoints->item(0)->text(), "x=    1, y=    1");
}

TEST_F(Form1Test, FixPointsAreSortedWithTheirValues) {
    std::string cam =
        Line('*', {120, 3, 119, 2, 120, 2, 121, 2}) + Line(' ', {120, 4, 119, 2, 120, 2, 121, 2}) +
        Line('*', {7, 300, 6, 299, 7, 299, 8, 299}) + Line('*', {7, 21, 6, 20, 7, 20, 8, 20}) +
        Line('*', {65535, 0, 65534, 0, 65534, 1, 65535, 1});
    addCamera("sorted", cam);
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    ASSERT_EQ(f->lbFixPoints->count(), 4);
    const char* texts[] = {"x=    7, y=   21", "x=    7, y=  300", "x=  120, y=    3",
                           "x=65535, y=    0"};
    const std::int32_t values[] = {7 * 65536 + 21, 7 * 65536 + 300, 120 * 65536 + 3,
                                   std::int32_t(65535u * 65536u)};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f->lbFixPoints->item(i)->text(), texts[i]);
        EXPECT_EQ(f->lbFixPoints->item(i)->data(Qt::UserRole).toInt(), values[i]);
    }
    ASSERT_NE(f->CameraPanel->HotPixels(), nullptr);
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 5u);
    EXPECT_EQ(f->CameraPanel->HotPixels()->at(1).y(), 4);
}

TEST_F(Form1Test, UnmarkedOnlyAndMarkedOnlyFiles) {
    addCamera("a_unmarked",
              Line(' ', {1, 1, 0, 0, 1, 0, 2, 0}) + Line(' ', {1, 1, 0, 2, 1, 2, 2, 2}));
    addCamera("b_marked", Line('*', {1, 1, 0, 0, 1, 0, 2, 0}) +
                              Line('*', {1, 1, 0, 2, 1, 2, 2, 2}) +
                              Line('*', {3, 1, 2, 0, 3, 0, 4, 0}));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    EXPECT_EQ(f->lbFixPoints->count(), 0);
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 2u);
    f->cbCameras->setCurrentIndex(1);
    f->CameraPanel->cbCamerasChange();
    EXPECT_EQ(f->lbFixPoints->count(), 3);
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 3u);
    // Four consecutive lines for one pixel all become records.
    addCamera("c_four", OnePixelCamera(5, 5));
    f->CameraPanel->LoadCameraFile(dir.file("Cameras/c_four.cam"));
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 4u);
    for (const HotPixelRecord& r : *f->CameraPanel->HotPixels())
        EXPECT_EQ(r.x() * 100 + r.y(), 505);
    EXPECT_EQ(f->lbFixPoints->count(), 1);
}

TEST_F(Form1Test, MalformedCameraFileIsReportedAndKeepsThePreviousList) {
    addCamera("good", OnePixelCamera(5, 5));
    addCamera("torn", Line('*', {1, 1, 0, 0, 1, 0, 2, 0}) + " 00001,00001,00000,000\r\n");
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    ASSERT_EQ(f->CameraPanel->HotPixels()->size(), 4u);
    f->cbCameras->setCurrentIndex(1);
    f->CameraPanel->cbCamerasChange();
    ASSERT_EQ(dlg.messages.size(), 1u);
    const MessageBoxRequest& m = dlg.messages[0];
    std::string path = dir.file("Cameras/torn.cam");
    EXPECT_TRUE(m.text.startsWith(QString::fromStdString("Invalid camera file " + path + "\r")))
        << m.text.toStdString();
    EXPECT_TRUE(m.text.contains("Line 2")) << m.text.toStdString();
    EXPECT_EQ(m.caption, "File Error");
    EXPECT_EQ(m.icon, MsgIcon::Error);
    EXPECT_EQ(m.buttons, mbOK);
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_FALSE(f->PageControl1->isTabEnabled(1));
    EXPECT_EQ(f->lbFixPoints->count(), 0);
    EXPECT_EQ(f->CameraPanel->HotPixels()->size(), 4u); // the previous camera's records
    EXPECT_EQ(f->CameraPanel->CurrentCameraName(), "torn");
    EXPECT_FALSE(f->sbOpenFile->isEnabled());
    EXPECT_FALSE(f->sbDelete->isEnabled());
}

TEST_F(Form1Test, OpeningACameraFileFromElsewhere) {
    writeIni("[Init]\r\nTipOfTheDay=0\r\n");
    TempDir other;
    other.write("Travel.cam", OnePixelCamera(8, 9));
    auto f = start();
    f->PageControl1->setCurrentIndex(2);
    dlg.openAnswers.push_back(
        ScriptedDialogs::picked({QString::fromStdString(other.file("Travel.cam"))}));
    f->CameraPanel->OpenExistingCameraFile1Click();
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].filter, "Camera Files|*.cam");
    EXPECT_EQ(dlg.openRequests[0].initialDir, QString::fromStdString(dir.path()));
    EXPECT_EQ(f->PageControl1->currentIndex(), 0);
    EXPECT_EQ(comboItems(f->cbCameras), QStringList({"Travel"}));
    EXPECT_EQ(f->cbCameras->currentIndex(), 0);
    EXPECT_EQ(f->lbFixPoints->count(), 1);
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    EXPECT_TRUE(f->sbOpenFile->isEnabled());
    EXPECT_FALSE(FileExists(dir.file("Cameras/Travel.cam"))); // not copied

    // Choosing it again reads the library's file, which does not exist.
    f->CameraPanel->cbCamerasChange();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text.toStdString(), "Unable to open or read file " +
                                                      dir.file("Cameras/Travel.cam") + "\r" +
                                                      SysErrorMessage(ENOENT));

    // Cancelling the dialog changes nothing.
    f->CameraPanel->OpenExistingCameraFile1Click();
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
}

TEST_F(Form1Test, DeletingTheSelectedCamera) {
    addCamera("Studio", OnePixelCamera(5, 5));
    addCamera("studio", OnePixelCamera(6, 6));
    addCamera("other", OnePixelCamera(4, 4));
    writeIni("[Init]\r\nLastCam=1\r\nTipOfTheDay=0\r\n");
    auto f = start();
    ASSERT_EQ(f->cbCameras->currentText(), "Studio");
    showPhoto(*f);

    dlg.messageAnswers.push_back(mbNo);
    f->DeleteItems1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    const MessageBoxRequest& q = dlg.messages[0];
    EXPECT_EQ(q.text, "Are you sure you want to delete camera: \"Studio?\"");
    EXPECT_EQ(q.caption, "Confirmation");
    EXPECT_EQ(q.buttons, mbYes | mbNo);
    EXPECT_EQ(q.icon, MsgIcon::Question);
    EXPECT_EQ(q.defaultButton, mbNo);
    EXPECT_EQ(f->cbCameras->count(), 2);
    EXPECT_FALSE(f->Image1->Picture().empty());

    dlg.messageAnswers.push_back(mbYes);
    f->DeleteItems1Click();
    EXPECT_EQ(comboItems(f->cbCameras), QStringList({"other"}));
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_EQ(f->lbFixPoints->count(), 0);
    EXPECT_TRUE(f->Image1->Picture().empty());
    EXPECT_FALSE(FileExists(dir.file("Cameras/Studio.cam")));
    EXPECT_FALSE(FileExists(dir.file("Cameras/studio.cam")));
    EXPECT_TRUE(FileExists(dir.file("Cameras/other.cam")));
    EXPECT_FALSE(f->sbDelete->isEnabled());
    EXPECT_FALSE(f->DeleteItems1->isEnabled());
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1)); // left as it was
}

TEST_F(Form1Test, SelectingACameraEmptiesTheBatchList) {
    addCamera("a", OnePixelCamera(5, 5));
    addCamera("b", OnePixelCamera(6, 6));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    auto* item = new QListWidgetItem("x.jpg");
    item->setData(Qt::UserRole, "/p/x.jpg");
    f->lbBatchList->addItem(item);
    f->BatchPanel->Paths().push_back("/p/x.jpg");
    f->cbCameras->setCurrentIndex(1);
    f->CameraPanel->cbCamerasChange();
    EXPECT_EQ(f->lbBatchList->count(), 0);
    EXPECT_TRUE(f->BatchPanel->Paths().empty());
}

TEST_F(Form1Test, PictureChangesDriveMarkerMagnifierAndSwatch) {
    addCamera("a", OnePixelCamera(5, 5));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    EXPECT_TRUE(f->imgBrush->isHidden());
    showPhoto(*f, 40, 30);
    EXPECT_FALSE(f->Shape1->isHidden());
    EXPECT_FALSE(f->imgHalo->isHidden());
    EXPECT_FALSE(f->imgBrush->isHidden());
    EXPECT_TRUE(f->lbFixPoints->isEnabled());
    EXPECT_EQ(f->Image1->minimumSize(), QSize(40, 30));

    f->PageControl1->setCurrentIndex(2);
    EXPECT_TRUE(f->Shape1->isHidden());
    f->PageControl1->setCurrentIndex(0);
    EXPECT_FALSE(f->Shape1->isHidden());

    // Emptying the picture hides everything, clears the magnifier and the
    // retouch selection.
    f->RetouchView->Undo().Record(true, 0, 0, 0);
    f->cbRetouchList->addItem("photo.jpg");
    f->cbRetouchList->item(0)->setSelected(true);
    f->ClearPhoto();
    EXPECT_TRUE(f->Shape1->isHidden());
    EXPECT_TRUE(f->imgHalo->isHidden());
    EXPECT_TRUE(f->imgBrush->isHidden());
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_TRUE(f->cbRetouchList->selectedItems().isEmpty());
    EXPECT_EQ(f->imgHalo->cellColor(5, 5), f->palette().button().color());

    f->PageControl1->setCurrentIndex(2);
    EXPECT_TRUE(f->Shape1->isHidden());
    EXPECT_TRUE(f->imgHalo->isHidden());
}

// --------------------------------------------------------------------------
// The whole command-state table, tab by tab.

namespace {

struct Situation {
    bool camera = false;
    bool picture = false;
    bool fixPoints = true; // the camera has marked lines
    bool batchEntries = false;
    bool batchSelected = false;
    bool retouchSelected = false;
    bool fixSingle = false;
    bool reset = false;
    bool undo = false;
};

struct Expected {
    bool open, fix, save, effects, reset, del, undo;
};

} // namespace

class CommandStates : public Form1Test {
  protected:
    std::unique_ptr<TForm1> arrange(const Situation& s, int tab) {
        addCamera("cam", s.fixPoints ? OnePixelCamera(5, 5) : Line(' ', {1, 1, 0, 0, 1, 0, 2, 0}));
        writeIni(std::string("[Init]\r\nTipOfTheDay=0\r\nLastCam=") + (s.camera ? "0" : "-1") +
                 "\r\n");
        auto f = start();
        if (s.picture) {
            showPhoto(*f);
            f->Photo->SetDestination(dir.file("Vorantel/photo.jpg"));
        }
        if (s.batchEntries) {
            f->lbBatchList->addItem("a.jpg");
            f->lbBatchList->item(0)->setSelected(s.batchSelected);
        }
        f->cbRetouchList->addItem("b.jpg");
        f->cbRetouchList->item(0)->setSelected(s.retouchSelected);
        f->btnFixSingle->setEnabled(s.fixSingle);
        f->btnReset->setEnabled(s.reset);
        if (s.undo) f->RetouchView->Undo().Record(true, 0, 0, 0);
        f->PageControl1->setCurrentIndex(tab);
        f->RefreshCommandStates();
        return f;
    }

    static void check(TForm1& f, const Expected& e, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(f.sbOpenFile->isEnabled(), e.open);
        EXPECT_EQ(f.sbFix->isEnabled(), e.fix);
        EXPECT_EQ(f.sbSave->isEnabled(), e.save);
        EXPECT_EQ(f.sbEffects->isEnabled(), e.effects);
        EXPECT_EQ(f.sbReset->isEnabled(), e.reset);
        EXPECT_EQ(f.sbDelete->isEnabled(), e.del);
        EXPECT_EQ(f.sbUndo->isEnabled(), e.undo);
        // Menu items follow their buttons.
        EXPECT_EQ(f.AnalyzePhotograph1->isEnabled(), e.open);
        EXPECT_EQ(f.Fix1->isEnabled(), e.fix);
        EXPECT_EQ(f.Effects1->isEnabled(), e.effects);
        EXPECT_EQ(f.Reset1->isEnabled(), e.reset);
        EXPECT_EQ(f.Undo1->isEnabled(), e.undo);
        EXPECT_EQ(f.DeleteItems1->isEnabled(), e.del);
        EXPECT_EQ(f.DeleteItems2->isEnabled(), e.del);
        const int tab = f.PageControl1->currentIndex();
        EXPECT_EQ(f.LocateFile1->isVisible(), tab == 2 && e.del);
        EXPECT_EQ(f.LocateFile2->isEnabled(), tab == 2 && e.del);
        EXPECT_EQ(f.Effects1->isVisible(), tab == 2 && e.del);
        EXPECT_EQ(f.Effects2->isVisible(), tab == 2 && e.del);
        EXPECT_EQ(f.Effects2->isEnabled(), tab == 2 && e.del);
        EXPECT_EQ(f.AnalyzePhotograph1->text(),
                  tab == 0 ? "Analyze Photograph" : "Add Photographs to List");
    }
};

TEST_F(CommandStates, CameraTab) {
    {
        auto f = arrange({}, 0);
        check(*f, {false, false, false, false, false, false, false}, "nothing");
        EXPECT_FALSE(f->lbFixPoints->isEnabled());
        EXPECT_FALSE(f->SaveRetouchedPhotograph1->isEnabled());
    }
    {
        auto f = arrange({.camera = true}, 0);
        check(*f, {true, false, false, false, false, true, false}, "camera");
        EXPECT_FALSE(f->lbFixPoints->isEnabled());
        EXPECT_TRUE(f->imgHalo->isHidden());
    }
    {
        auto f = arrange(
            {.camera = true, .picture = true, .fixSingle = true, .reset = true, .undo = true}, 0);
        check(*f, {true, true, true, false, false, true, true}, "camera and picture");
        EXPECT_TRUE(f->lbFixPoints->isEnabled());
        EXPECT_FALSE(f->imgHalo->isHidden());
        EXPECT_TRUE(f->SaveRetouchedPhotograph1->isEnabled());
        EXPECT_TRUE(f->SavePhotographAs1->isEnabled());
    }
    {
        auto f = arrange({.camera = true, .picture = true, .fixPoints = false}, 0);
        check(*f, {true, false, false, false, false, true, false}, "camera without marked lines");
        EXPECT_FALSE(f->lbFixPoints->isEnabled());
        EXPECT_TRUE(f->SaveRetouchedPhotograph1->isEnabled());
    }
    {
        auto f = arrange({.picture = true}, 0);
        check(*f, {false, false, false, false, false, false, false}, "picture, no camera");
        EXPECT_TRUE(f->SaveRetouchedPhotograph1->isEnabled());
    }
}

TEST_F(CommandStates, BatchTab) {
    {
        auto f = arrange({.camera = true}, 1);
        check(*f, {true, false, false, false, false, false, false}, "empty batch");
    }
    {
        auto f = arrange({.camera = true,
                          .picture = true,
                          .batchEntries = true,
                          .retouchSelected = true,
                          .fixSingle = true,
                          .reset = true,
                          .undo = true},
                         1);
        check(*f, {true, true, false, false, false, false, false}, "entries, none selected");
        EXPECT_FALSE(f->SaveRetouchedPhotograph1->isEnabled());
        EXPECT_FALSE(f->SavePhotographAs1->isEnabled());
    }
    {
        auto f = arrange({.camera = true, .batchEntries = true, .batchSelected = true}, 1);
        check(*f, {true, true, false, false, false, true, false}, "entry selected");
    }
}

TEST_F(CommandStates, RetouchTab) {
    {
        auto f = arrange({}, 2);
        check(*f, {true, false, false, false, false, false, false}, "nothing selected");
    }
    {
        auto f = arrange({.retouchSelected = true}, 2);
        // Without a picture the selection is cleared by the refresh.
        check(*f, {true, false, false, false, false, false, false}, "selected, no picture");
        EXPECT_TRUE(f->cbRetouchList->selectedItems().isEmpty());
    }
    {
        auto f =
            arrange({.picture = true, .retouchSelected = true, .fixSingle = true, .undo = true}, 2);
        check(*f, {true, false, true, true, false, true, false}, "selected with picture");
        EXPECT_TRUE(f->SaveRetouchedPhotograph1->isEnabled());
    }
    {
        auto f = arrange({.picture = true, .retouchSelected = true, .reset = true}, 2);
        check(*f, {true, false, true, true, true, true, false}, "restore enabled");
    }
}

TEST_F(CommandStates, MenusRefreshWhenTheyOpen) {
    auto f = arrange({.camera = true, .picture = true}, 0);
    f->btnFixSingle->setEnabled(true); // changed behind the window's back
    EXPECT_FALSE(f->Fix1->isEnabled());
    emit f->Edit1->aboutToShow();
    EXPECT_TRUE(f->Fix1->isEnabled());
    f->btnFixSingle->setEnabled(false);
    emit f->File1->aboutToShow();
    EXPECT_FALSE(f->Fix1->isEnabled());
    f->btnFixSingle->setEnabled(true);
    emit f->pmBatch->aboutToShow();
    EXPECT_TRUE(f->sbFix->isEnabled());
}

TEST_F(Form1Test, DeletingListEntriesClearsThePhoto) {
    addCamera("a", OnePixelCamera(5, 5));
    writeIni("[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
    auto f = start();
    f->BatchPanel->AddFiles({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"});
    f->PageControl1->setCurrentIndex(1);
    showPhoto(*f);
    f->lbBatchList->item(0)->setSelected(true);
    f->lbBatchList->item(2)->setSelected(true);
    EXPECT_TRUE(f->sbDelete->isEnabled());
    f->DeleteItems1Click();
    ASSERT_EQ(f->lbBatchList->count(), 1);
    EXPECT_EQ(f->lbBatchList->item(0)->text(), "2.jpg");
    EXPECT_EQ(f->BatchPanel->Paths(), std::vector<std::string>{"/p/2.jpg"});
    EXPECT_TRUE(f->Image1->Picture().empty());
    EXPECT_FALSE(f->sbDelete->isEnabled());
}

TEST_F(Form1Test, ShowNextTipStoresTheChoiceAtOnce) {
    writeIni("[Init]\r\nTipOfTheDay=1\r\n");
    auto f = start();
    dlg.modalScripts.push_back([](QDialog& form) {
        auto& tip = static_cast<TTipDialogForm&>(form);
        EXPECT_EQ(tip.windowTitle(), "Tip");
        EXPECT_EQ(tip.Label1->text(), "Vorantel Tip of the Day");
        EXPECT_TRUE(tip.CheckBox->isChecked());
        tip.CheckBox->setChecked(false);
        return int(QDialog::Accepted);
    });
    f->ShowNextTip1Click();
    EXPECT_EQ(TIniFile(dir.file("Vorantel.ini")).ReadString("Init", "TipOfTheDay", ""), "0");
}

TEST_F(Form1Test, ExceptionsInHandlersAreShownAndTheProgramGoesOn) {
    writeIni("[Init]\r\nTipOfTheDay=0\r\n");
    auto f = start();
    QObject::connect(f->btnRetouch, &QPushButton::clicked, f.get(),
                     [] { throw std::runtime_error("Disk on fire"); });
    // Delivered as events, the way a click of the user arrives.
    QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, f->btnRetouch->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, f->btnRetouch->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    f->show();
    f->PageControl1->setCurrentIndex(2);
    f->btnRetouch->setEnabled(true);
    QApplication::sendEvent(f->btnRetouch, &press);
    QApplication::sendEvent(f->btnRetouch, &release);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Disk on fire");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
}
