// The Batch tab with each photo's camera chosen by its Exif make and model:
// the list's entries, a run over photos of two cameras and one of none, the
// rules of a run in this mode, and the box remembered in the settings.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/form1.h"
#include "app/gui/programfolder.h"
#include "camera/analysis.h"
#include "camera/camerafile.h"
#include "camera/cameraidentity.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "platform/files.h"
#include "platform/inifile.h"
#include "repair/gui/batchpanel.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ProgramFolder;
namespace fs = std::filesystem;

namespace {

const std::string kData = VORANTEL_TESTDATA;

// Records every text a label paints.
class PaintedTexts : public QObject {
  public:
    std::vector<std::string> texts;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const std::string text = static_cast<QLabel*>(watched)->text().toStdString();
            if (texts.empty() || texts.back() != text) texts.push_back(text);
        }
        return false;
    }
};

class BatchByExif : public ProgramFolder {
  protected:
    void SetUp() override {
        ProgramFolder::SetUp();
        // Cameras Alpha and Beta, each from its blackshot, with the make and
        // model of the blackshot recorded.
        for (const char* name : {"Alpha", "Beta"}) {
            const std::string shot = kData + "/cameras/" + Lower(name) + "-shot.tif";
            NullProgress progress;
            WriteCameraFile(dir.file(std::string("Cameras/") + name + ".cam"),
                            AnalyzeBlackshotBitmap(LoadPicture(shot), 30, progress).lines);
            RememberCameraIdentity(dir.file("Cameras/"), name, {"Vorantel", name, ""});
        }
        fs::create_directories(dir.file("photos"));
        for (const char* photo : {"alpha-photo.tif", "beta-photo.jpg", "anon-photo.tif"})
            fs::copy_file(kData + "/cameras/" + photo, photos(photo));
        TIniFile(dir.file("Vorantel.ini")).WriteBool("Init", "BatchByExif", true);
    }
    static std::string Lower(std::string s) {
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    std::string photos(const std::string& name) { return dir.file("photos/" + name); }

    std::unique_ptr<TForm1> open() {
        auto f = start();
        f->BatchPanel->Workers = 2;
        f->PageControl1->setCurrentIndex(1);
        return f;
    }
    void add(TForm1& f, const std::vector<std::string>& names) {
        QStringList files;
        for (const std::string& n : names)
            files << QString::fromStdString(photos(n));
        f.BatchPanel->AddFiles(files);
    }
    std::vector<std::string> entries(TForm1& f) {
        std::vector<std::string> texts;
        for (int i = 0; i < f.lbBatchList->count(); ++i)
            texts.push_back(f.lbBatchList->item(i)->text().toStdString());
        return texts;
    }
    void run(TForm1& f) {
        f.btnFixBatch->click();
        f.BatchPanel->WaitForEnd();
    }
};

const std::vector<std::string> kAllThree = {"alpha-photo.tif (Alpha)", "anon-photo.tif (no camera)",
                                            "beta-photo.jpg (Beta)"};

} // namespace

// No camera is chosen: each photo is repaired with the camera its Exif
// names, the photo of no known camera stays on the list and is told.
TEST_F(BatchByExif, EachPhotoIsRepairedWithItsOwnCamera) {
    auto f = open();
    ASSERT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_TRUE(f->cbBatchByExif->isChecked());
    EXPECT_EQ(f->cbBatchByExif->text(), "Choose each photo's camera by its Exif");
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    EXPECT_TRUE(f->BatchPanel->ddfxBatchDragEnter());
    add(*f, {"beta-photo.jpg", "anon-photo.tif", "alpha-photo.tif"});
    EXPECT_EQ(entries(*f), kAllThree);
    ASSERT_TRUE(f->btnFixBatch->isEnabled());

    f->show();
    PaintedTexts steps;
    f->lblFileName->installEventFilter(&steps);
    f->btnFixBatch->click();
    EXPECT_FALSE(f->cbBatchByExif->isEnabled());
    f->BatchPanel->WaitForEnd();
    EXPECT_TRUE(f->cbBatchByExif->isEnabled());
    EXPECT_NE(
        std::find(steps.texts.begin(), steps.texts.end(), "Repairing alpha-photo.tif with Alpha"),
        steps.texts.end());
    EXPECT_NE(
        std::find(steps.texts.begin(), steps.texts.end(), "Repairing beta-photo.jpg with Beta"),
        steps.texts.end());

    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Not Repaired");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(dlg.messages[0].text.startsWith("1 photo was not repaired; it stays on the list:"
                                                "\r\ranon-photo.tif: "))
        << dlg.messages[0].text.toStdString();
    EXPECT_EQ(entries(*f), std::vector<std::string>{"anon-photo.tif (no camera)"});
    EXPECT_FALSE(FileExists(photos("Vorantel/anon-photo.tif")));
    // Each repaired where its own camera has its hot pixel.
    const TColor alpha =
        LoadPicture(photos("Vorantel/alpha-photo.tif")).convertedTo24().pixel(4, 4);
    EXPECT_EQ(alpha, RGBColor(100, 100, 100));
    const TColor beta = LoadPicture(photos("Vorantel/beta-photo.jpg")).convertedTo24().pixel(2, 6);
    EXPECT_LT(GetGValue(beta), 130);
    EXPECT_EQ(f->cbRetouchList->count(), 2);
    // The photo left can be run again, once its camera is known.
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
}

// Unticked, the list shows file names and needs a chosen camera; ticked
// again, the cameras come back. The box is remembered.
TEST_F(BatchByExif, TheBoxChangesTheListAndIsRemembered) {
    {
        auto f = open();
        add(*f, {"alpha-photo.tif", "beta-photo.jpg", "anon-photo.tif"});
        f->lbBatchList->item(1)->setSelected(true);
        f->cbBatchByExif->click();
        EXPECT_EQ(entries(*f), (std::vector<std::string>{"alpha-photo.tif", "anon-photo.tif",
                                                         "beta-photo.jpg"}));
        EXPECT_TRUE(f->lbBatchList->item(1)->isSelected());
        EXPECT_FALSE(f->BatchPanel->ddfxBatchDragEnter());
        run(*f);
        ASSERT_EQ(dlg.messages.size(), 1u);
        EXPECT_EQ(dlg.messages[0].caption, "Fix");
        EXPECT_EQ(f->lbBatchList->count(), 3);
        f->cbBatchByExif->click();
        EXPECT_EQ(entries(*f), kAllThree);
        f->cbBatchByExif->click();
    }
    EXPECT_FALSE(open()->cbBatchByExif->isChecked());
}

// Choosing a camera keeps the list, whose photos are not the chosen
// camera's; a camera deleted or defined is matched again.
TEST_F(BatchByExif, CameraChangesMatchTheListAgain) {
    auto f = open();
    add(*f, {"alpha-photo.tif", "beta-photo.jpg", "anon-photo.tif"});
    f->cbCameras->setCurrentIndex(f->CameraPanel->findCameraName("Alpha"));
    f->CameraPanel->cbCamerasChange();
    EXPECT_EQ(entries(*f), kAllThree);

    dlg.messageAnswers = {mbYes};
    f->CameraPanel->DeleteCamera();
    EXPECT_EQ(entries(*f)[0], "alpha-photo.tif (no camera)");
    EXPECT_TRUE(RecalledIdentity(dir.file("Cameras/"), "Alpha").empty());
    // Still usable without any camera chosen.
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    EXPECT_TRUE(f->btnAddImagesToList->isEnabled());
}

// The rules of a run hold: Save? before it, damaged photos told at the end
// (before the photos left unrepaired).
TEST_F(BatchByExif, TheRunsRulesHold) {
    // A photo of camera Beta that ends in the middle of its data.
    const std::string whole = dir.read("photos/beta-photo.jpg");
    dir.write("photos/beta-cut.jpg", whole.substr(0, whole.size() - 40));
    auto f = open();
    add(*f, {"alpha-photo.tif", "beta-cut.jpg", "anon-photo.tif"});
    ASSERT_EQ(entries(*f)[2], "beta-cut.jpg (Beta)");
    f->Image1->setPictureOriginal(Bitmap(5, 5));
    f->Image1->ResetEffects();
    f->Photo->SetUnsavedChanges(true);
    dlg.messageAnswers = {mbNo};
    run(*f);
    std::vector<std::string> captions;
    for (const MessageBoxRequest& m : dlg.messages)
        captions.push_back(m.caption.toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"Save?", "Warning", "Not Repaired"}));
    EXPECT_TRUE(FileExists(photos("Vorantel/alpha-photo.tif")));
    EXPECT_FALSE(FileExists(photos("Vorantel/beta-cut.jpg")));
    EXPECT_EQ(entries(*f), std::vector<std::string>{"anon-photo.tif (no camera)"});
}
