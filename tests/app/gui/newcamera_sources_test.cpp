// New cameras from more than one blackshot, from a noisy blackshot and from
// ordinary photos, driven through the window with files on disk; and the
// Exif make and model a new camera remembers (and forgets when deleted).
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/gui/form1.h"
#include "app/gui/programfolder.h"
#include "camera/cameraidentity.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/raduvir.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "support/sensorframes.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ProgramFolder;
using vt::gui::testing::ScriptedDialogs;

namespace {

const std::string kData = VORANTEL_TESTDATA;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// "p<i>.bmp". (Written out because g++ 12 warns falsely about
// "literal" + std::to_string(i) under -O2.)
std::string PhotoName(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "p%d.bmp", i);
    return buf;
}

struct Spot {
    int x, y, luminance;
};

class NewCameraSources : public ProgramFolder {
  protected:
    // A grey picture with the spots, as a BMP file of the test's folder.
    std::string picture(const std::string& name, int w, int h, int grey,
                        const std::vector<Spot>& spots) {
        Bitmap b(w, h);
        b.fill(RGBColor(grey, grey, grey));
        for (const Spot& s : spots)
            b.setPixel(s.x, s.y, RGBColor(s.luminance, s.luminance, s.luminance));
        return save(name, b);
    }
    std::string save(const std::string& name, const Bitmap& b) {
        WriteBmpFile(dir.file(name), b);
        return dir.file(name);
    }
    // The New Camera dialog answered with the name; the files picked next.
    void answer(const char* name, const std::vector<std::string>& files) {
        dlg.modalScripts.push_back([name, this](QDialog& form) {
            auto& f = static_cast<TNewCameraForm&>(form);
            thresholdOffered = f.seThreshold->isEnabled();
            f.cbInCamera->setEditText(name);
            return int(QDialog::Accepted);
        });
        QStringList picked;
        for (const std::string& file : files)
            picked << Q(file);
        dlg.openAnswers.push_back(ScriptedDialogs::picked(picked));
    }
    std::vector<std::string> fixPoints(TForm1& f) {
        std::vector<std::string> rows;
        for (int i = 0; i < f.lbFixPoints->count(); ++i)
            rows.push_back(f.lbFixPoints->item(i)->text().toStdString());
        return rows;
    }
    std::vector<std::string> captions() {
        std::vector<std::string> c;
        for (const MessageBoxRequest& m : dlg.messages)
            c.push_back(m.caption.toStdString());
        return c;
    }
    // A dark frame with read noise of `noise` levels and the hot pixels.
    std::string noisyFrame(const std::string& name, double noise,
                           const std::vector<vt::testing::HotPixel>& hot) {
        vt::testing::DarkFrameModel model;
        model.width = 200;
        model.height = 150;
        model.readNoise = noise;
        return save(name, vt::testing::DarkFrame(model, hot, 5, dir.path()));
    }

    bool thresholdOffered = false;
};

} // namespace

// Three blackshots: a pixel hot in two of them stays, one hot in a single
// frame is outvoted; the first frame is the one shown.
TEST_F(NewCameraSources, SeveralBlackshotsVote) {
    auto f = start();
    const std::vector<std::string> shots = {
        picture("a.bmp", 20, 16, 0, {{5, 5, 200}, {15, 3, 200}}),
        picture("b.bmp", 20, 16, 0, {{5, 5, 190}, {12, 9, 220}}),
        picture("c.bmp", 20, 16, 0, {{5, 5, 210}, {15, 3, 180}})};
    answer("Three", shots);
    f->NewCamera1->trigger();
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].title, "Open the camera's blackshot");
    EXPECT_TRUE(dlg.openRequests[0].multiSelect);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Camera Defined");
    EXPECT_EQ(dlg.messages[0].text, "Camera \"Three\" is defined.\r"
                                    "From 3 blackshots: 2 pixels were hot in at least 2 of them; "
                                    "1 pixel hot in fewer was left out.");
    EXPECT_EQ(fixPoints(*f), (std::vector<std::string>{"x=    5, y=    5", "x=   15, y=    3"}));
    EXPECT_EQ(f->cbCameras->currentText(), "Three");
    const Bitmap* shown = f->Image1->Picture().bitmap();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->pixel(15, 3), RGBColor(200, 200, 200));
    EXPECT_EQ(shown->pixel(12, 9), RGBColor(0, 0, 0));
    EXPECT_FALSE(f->CameraPanel->NewCameraFlag());
    EXPECT_EQ(f->Label1->text(), "");
}

TEST_F(NewCameraSources, ABlackshotOfAnotherSizeIsRefused) {
    auto f = start();
    const std::string first = picture("a.bmp", 20, 16, 0, {{5, 5, 200}});
    const std::string other = picture("b.bmp", 16, 20, 0, {{5, 5, 200}});
    answer("Mixed", {first, other});
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Blackshot Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(Q("Vorantel cannot use " + other + ".\r")))
        << dlg.messages[0].text.toStdString();
    EXPECT_FALSE(FileExists(dir.file("Cameras/Mixed.cam")));
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
    EXPECT_FALSE(f->PageControl1->isTabEnabled(1));
}

// The case the classic analysis got wrong: read noise above its black
// level made every hot pixel's cluster too large, and the question that
// followed claimed there were none. Now the noise is told, and Yes analyses
// at the level measured from the frame.
TEST_F(NewCameraSources, ANoisyBlackshotIsAnalysedAtItsOwnLevel) {
    const auto hot = vt::testing::HotPattern(200, 150, 20, 200, 200, 3);
    const std::string shot = noisyFrame("noisy.bmp", 6, hot);
    auto f = start();
    answer("Noisy", {shot});
    dlg.messageAnswers = {mbOK, mbNo};
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(captions(), (std::vector<std::string>{"Blackshot Error", "Noisy Blackshot"}));
    EXPECT_EQ(dlg.messages[1].icon, MsgIcon::Question);
    EXPECT_EQ(dlg.messages[1].buttons, mbYes | mbNo);
    EXPECT_TRUE(dlg.messages[1].text.startsWith("The dark pixels of your blackshot ("))
        << dlg.messages[1].text.toStdString();
    EXPECT_FALSE(FileExists(dir.file("Cameras/Noisy.cam")));

    dlg.messages.clear();
    answer("Noisy", {shot});
    dlg.messageAnswers = {mbOK, mbYes};
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(captions(),
              (std::vector<std::string>{"Blackshot Error", "Noisy Blackshot", "Camera Defined"}));
    EXPECT_TRUE(dlg.messages[2].text.startsWith("Camera \"Noisy\" is defined.\rBlack level "))
        << dlg.messages[2].text.toStdString();
    EXPECT_EQ(f->lbFixPoints->count(), 20);
    EXPECT_EQ(f->cbCameras->currentText(), "Noisy");
}

// At the measured level nothing is hot: said so, not that the frame is
// black.
TEST_F(NewCameraSources, NothingAboveTheNoiseIsToldAsSuch) {
    const std::string shot = noisyFrame("noisy.bmp", 8, {});
    auto f = start();
    answer("Faint", {shot});
    dlg.messageAnswers = {mbOK, mbYes};
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(captions(),
              (std::vector<std::string>{"Blackshot Error", "Noisy Blackshot", "No Hot Pixels"}));
    EXPECT_EQ(dlg.messages[2].icon, MsgIcon::Warning);
    EXPECT_TRUE(dlg.messages[2].text.startsWith("No pixel of your blackshot stands out of its "
                                                "noise"))
        << dlg.messages[2].text.toStdString();
    EXPECT_EQ(f->cbCameras->currentIndex(), -1);
}

// The make and model of the blackshots are kept for the camera, and told;
// files of different cameras keep none.
TEST_F(NewCameraSources, TheCameraRemembersItsMakeAndModel) {
    auto f = start();
    answer("Alpha", {kData + "/cameras/alpha-shot.tif"});
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].text, "Camera \"Alpha\" is defined.\r"
                                    "Batch repair will choose this camera for photos of the "
                                    "Vorantel Alpha.");
    const std::string cameras = dir.file("Cameras/");
    EXPECT_EQ(RecalledIdentity(cameras, "Alpha").model, "Alpha");

    answer("Both", {kData + "/cameras/alpha-shot.tif", kData + "/cameras/beta-shot.tif"});
    f->CameraPanel->NewCamera1Click();
    ASSERT_EQ(dlg.messages.size(), 2u);
    EXPECT_TRUE(dlg.messages[1].text.contains("come from different cameras"))
        << dlg.messages[1].text.toStdString();
    EXPECT_TRUE(RecalledIdentity(cameras, "Both").empty());
}

// Six photos, each of its own colour with a glint somewhere else, and one
// hot pixel in all: the camera learnt repairs that pixel.
TEST_F(NewCameraSources, ACameraLearntFromPhotos) {
    std::vector<std::string> photos;
    for (int i = 0; i < 6; ++i)
        photos.push_back(
            picture(PhotoName(i), 12, 10, 20 + 30 * i, {{4, 4, 160 + 15 * i}, {2 * i, 7, 255}}));
    auto f = start();
    ASSERT_TRUE(f->NewCameraFromPhotos1->isEnabled());
    EXPECT_EQ(f->NewCameraFromPhotos1->text(), "New Camera from &Photos...");
    answer("Learnt", photos);
    f->NewCameraFromPhotos1->trigger();
    EXPECT_FALSE(thresholdOffered);
    EXPECT_TRUE(f->CameraPanel->NewCameraForm->seThreshold->isEnabled());
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].title, "Open at least 5 photos of the camera");
    EXPECT_TRUE(dlg.openRequests[0].multiSelect);
    ASSERT_EQ(dlg.messages.size(), 1u) << dlg.messages[0].text.toStdString();
    EXPECT_EQ(dlg.messages[0].caption, "Camera Defined");
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        "Camera \"Learnt\" is defined.\rFrom 6 photos: 1 pixel stood out in at least 3 of them"))
        << dlg.messages[0].text.toStdString();
    EXPECT_EQ(fixPoints(*f), std::vector<std::string>{"x=    4, y=    4"});
    EXPECT_EQ(f->cbCameras->currentText(), "Learnt");
    EXPECT_TRUE(f->PageControl1->isTabEnabled(1));
    // The first photo stays on view to look at, but is nothing to store.
    EXPECT_EQ(f->Image1->Picture().width(), 12);
    EXPECT_FALSE(f->SaveRetouchedPhotograph1->isEnabled());
}

TEST_F(NewCameraSources, PhotosThatCannotTeachACamera) {
    std::vector<std::string> photos;
    for (int i = 0; i < 6; ++i)
        photos.push_back(picture(PhotoName(i), 12, 10, 20 + 30 * i, {}));
    const std::string turned = picture("turned.bmp", 10, 12, 100, {});
    struct Case {
        const char* what;
        std::vector<std::string> files;
        const char* caption;
        MsgIcon icon;
        std::string text; // the beginning
    };
    const Case cases[] = {
        {"too few",
         {photos[0], photos[1], photos[2]},
         "New Camera from Photos",
         MsgIcon::Warning,
         "Vorantel learns a camera from at least 5 photos of one size, not 3."},
        {"one turned",
         {photos[0], photos[1], turned, photos[3], photos[4]},
         "New Camera from Photos",
         MsgIcon::Error,
         "Vorantel cannot use " + turned + ".\r"},
        {"nothing stands out", photos, "No Hot Pixels", MsgIcon::Warning,
         "No pixel stood out of its surroundings in at least 3 of the 6 photos."},
    };
    auto f = start();
    for (const Case& c : cases) {
        // A photo with changes is on view: too few photos are told before
        // anything would replace it.
        f->Image1->setPictureOriginal(Bitmap(5, 5));
        f->Image1->ResetEffects();
        f->Photo->SetUnsavedChanges(true);
        dlg.messages.clear();
        dlg.messageAnswers = {mbNo}; // Save?: no, where it is asked
        answer("Learnt", c.files);
        f->CameraPanel->NewCameraFromPhotos1Click();
        ASSERT_FALSE(dlg.messages.empty()) << c.what;
        const MessageBoxRequest& last = dlg.messages.back();
        EXPECT_EQ(last.caption, c.caption) << c.what;
        EXPECT_EQ(last.icon, c.icon) << c.what;
        EXPECT_TRUE(last.text.startsWith(Q(c.text))) << c.what << ": " << last.text.toStdString();
        const bool tooFew = c.files.size() < 5;
        EXPECT_EQ(dlg.messages.size(), tooFew ? 1u : 2u) << c.what;
        if (tooFew) {
            EXPECT_TRUE(f->Photo->UnsavedChanges());
            EXPECT_EQ(f->Image1->Picture().width(), 5);
        }
        EXPECT_FALSE(FileExists(dir.file("Cameras/Learnt.cam"))) << c.what;
        EXPECT_EQ(f->cbCameras->currentIndex(), -1) << c.what;
    }
}
