// The Batch tab's run driven through the window with files on disk: what is
// stored where, what the lists hold afterwards, the messages, the stop, and
// the window's state while the run goes on.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <system_error>
#include <thread>

#include "app/gui/form1.h"
#include "camera/camerafile.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/bmpfile.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "repair/gui/batchpanel.h"
#include "repair/gui/droplist.h"
#include "repair/photooutput.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// prefix + i + suffix. (Written out because g++ 12 warns falsely about
// "literal" + std::to_string(i) under -O2.)
std::string Numbered(const char* prefix, int i, const char* suffix) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "%s%d%s", prefix, i, suffix);
    return buf;
}

// The scripted seam, which can also look at the window whenever a message
// box shows.
struct WatchingDialogs : ScriptedDialogs {
    std::function<void()> onMessage;
    int messageBox(const MessageBoxRequest& request) override {
        if (onMessage) onMessage();
        return ScriptedDialogs::messageBox(request);
    }
};

class BatchFlow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        // Camera "Nine": one hot pixel at (4, 4) with its four records.
        const int x = 4, y = 4;
        const HotPixelRecord recs[] = {{{x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}},
                                       {{x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1}},
                                       {{x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1}},
                                       {{x, y, x - 1, y - 1, x, y - 1, x + 1, y - 1}}};
        std::string text;
        for (int i = 0; i < 4; ++i)
            text += FormatRepairLine(i == 3 ? '*' : ' ', recs[i]) + "\r\n";
        dir.write("Cameras/Nine.cam", text);
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=0\r\n");
    }

    std::unique_ptr<TForm1> start() {
        auto f = std::make_unique<TForm1>(dir.path());
        f->BatchPanel->Workers = 2;
        f->PageControl1->setCurrentIndex(1);
        return f;
    }

    // A photo of camera Nine: a gradient with the hot pixel white.
    std::string photo(const std::string& name, int seed = 0) {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        Bitmap b(9, 9);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                b.setPixel(x, y, RGBColor(10 * x + seed, 10 * y, 100));
        b.setPixel(4, 4, RGBColor(255, 255, 255));
        const std::string path = dir.file(name);
        const std::string ext = ExtractFileExt(name);
        if (ext == ".png") {
            // Written by the toolkit: the program itself writes no PNG.
            QImage image(9, 9, QImage::Format_RGB32);
            for (int yy = 0; yy < 9; ++yy)
                for (int xx = 0; xx < 9; ++xx) {
                    const TColor c = b.pixel(xx, yy);
                    image.setPixel(xx, yy, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
                }
            EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        } else if (ext == ".bmp") {
            WriteBmpFile(path, b);
        } else {
            StorePhoto(b, path); // .jpg and .tif as themselves
        }
        return path;
    }

    void add(TForm1& f, const std::vector<std::string>& paths) {
        QStringList files;
        for (const std::string& p : paths)
            files << QString::fromStdString(p);
        f.BatchPanel->AddFiles(files);
    }

    void run(TForm1& f) {
        f.btnFixBatch->click();
        f.BatchPanel->WaitForEnd();
    }

    std::vector<std::string> batchNames(TForm1& f) {
        std::vector<std::string> names;
        for (int i = 0; i < f.lbBatchList->count(); ++i)
            names.push_back(f.lbBatchList->item(i)->text().toStdString());
        return names;
    }
    std::vector<std::string> retouchPaths(TForm1& f) {
        std::vector<std::string> paths;
        for (int i = 0; i < f.cbRetouchList->count(); ++i)
            paths.push_back(TRetouchTab::PathOf(f.cbRetouchList->item(i)));
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TempDir dir;
    WatchingDialogs dlg;
};

// The repaired hot pixel: the mean of its eight neighbours of the
// gradient, (40, 40, 100); a stored JPEG comes within its loss of it.
void ExpectRepaired(const std::string& stored) {
    Bitmap b = LoadPicture(stored).convertedTo24();
    ASSERT_EQ(b.width(), 9) << stored;
    const TColor c = b.pixel(4, 4);
    const int tolerance = ExtractFileExt(stored) == ".jpg" ? 8 : 0;
    EXPECT_NEAR(GetRValue(c), 40, tolerance) << stored;
    EXPECT_NEAR(GetGValue(c), 40, tolerance) << stored;
    EXPECT_NEAR(GetBValue(c), 100, tolerance) << stored;
}

} // namespace

TEST_F(BatchFlow, ThreePhotosFromTwoFoldersAreStoredAndMoveToTheRetouchList) {
    auto f = start();
    const std::string x = photo("one/x.png");
    const std::string y = photo("two/y.tif");
    fs::rename(y, dir.file("two/y.tiff"));
    const std::string z = photo("one/z.bmp");
    add(*f, {x, dir.file("two/y.tiff"), z});
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
    run(*f);
    EXPECT_TRUE(dlg.messages.empty());
    EXPECT_EQ(f->lbBatchList->count(), 0);
    EXPECT_TRUE(f->BatchPanel->Paths().empty());
    // Each in the "Vorantel" folder beside it, in the format of its name:
    // x.png as JPEG, y.tiff as TIFF, z.bmp as BMP.
    const std::vector<std::string> stored = {dir.file("one/Vorantel/x.jpg"),
                                             dir.file("one/Vorantel/z.bmp"),
                                             dir.file("two/Vorantel/y.tif")};
    for (const std::string& s : stored) {
        EXPECT_TRUE(FileExists(s)) << s;
        ExpectRepaired(s);
    }
    EXPECT_EQ(dir.read("one/Vorantel/x.jpg").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(dir.read("two/Vorantel/y.tif").substr(0, 4), std::string("II*\0", 4));
    EXPECT_EQ(dir.read("one/Vorantel/z.bmp").substr(0, 2), "BM");
    EXPECT_EQ(retouchPaths(*f), stored);
    // The end of the run: no photo, no path, Fix disabled, Fix shown again.
    EXPECT_TRUE(f->Image1->Picture().empty());
    EXPECT_EQ(f->statusText(), "");
    EXPECT_EQ(f->Photo->Destination(), "");
    EXPECT_EQ(f->lblFileName->text(), "");
    EXPECT_EQ(f->lblBatchProgress->text(), "");
    EXPECT_FALSE(f->btnFixBatch->isEnabled());
    EXPECT_FALSE(f->btnFixBatch->isHidden());
    EXPECT_TRUE(f->btnStopBatch->isHidden());
    EXPECT_FALSE(f->sbFix->isEnabled());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(BatchFlow, TheSecondOfThreeUnreadableEndsTheRun) {
    auto f = start();
    const std::string a = photo("a.bmp");
    dir.write("b.bmp", "this is no picture");
    const std::string c = photo("c.bmp");
    add(*f, {a, dir.file("b.bmp"), c});
    // While the box shows, the run is still going: only looking is left.
    bool lockedWhileShown = false;
    QString countWhileShown;
    dlg.onMessage = [&] {
        lockedWhileShown = f->BatchPanel->Running() && !f->cbCameras->isEnabled() &&
                           !f->sbOpenFile->isEnabled() && !f->sbNewCamera->isEnabled() &&
                           !f->lbBatchList->isEnabled() && !f->cbRetouchList->isEnabled() &&
                           !f->imgHalo->isEnabled() && !f->imgBrush->isEnabled() &&
                           !f->pmHalo->isEnabled() && !f->btnStopBatch->isHidden() &&
                           f->btnFixBatch->isHidden();
        countWhileShown = f->lblBatchProgress->text();
    };
    run(*f);
    EXPECT_TRUE(lockedWhileShown);
    EXPECT_EQ(countWhileShown, "2 of 3");
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "File Error");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(dlg.messages[0].text.startsWith(
        QString::fromStdString("Unable to read file " + dir.file("b.bmp") + "\r")))
        << dlg.messages[0].text.toStdString();
    EXPECT_TRUE(FileExists(dir.file("Vorantel/a.bmp")));
    EXPECT_FALSE(FileExists(dir.file("Vorantel/b.bmp")));
    EXPECT_FALSE(FileExists(dir.file("Vorantel/c.bmp")));
    // The failed photo leaves the list; the third stays for a later run.
    EXPECT_EQ(batchNames(*f), std::vector<std::string>{"c.bmp"});
    EXPECT_EQ(f->BatchPanel->Paths(), std::vector<std::string>{c});
    EXPECT_EQ(retouchPaths(*f), std::vector<std::string>{dir.file("Vorantel/a.bmp")});
    // No end-of-run steps: the last stored photo stays on view with its own
    // destination and metadata (never the failed photo's), Fix waits; the
    // tool button and menu follow the list.
    EXPECT_EQ(f->statusText().toStdString(), dir.file("Vorantel/a.bmp"));
    EXPECT_EQ(f->Photo->Destination(), dir.file("Vorantel/a.bmp"));
    EXPECT_EQ(f->Photo->Source(), a);
    EXPECT_FALSE(f->Image1->Picture().empty());
    EXPECT_FALSE(f->btnFixBatch->isEnabled());
    EXPECT_TRUE(f->sbFix->isEnabled());
    EXPECT_TRUE(f->Fix1->isEnabled());
    EXPECT_EQ(f->lblFileName->text(), "");
    EXPECT_TRUE(f->cbCameras->isEnabled());
    EXPECT_TRUE(f->lbBatchList->isEnabled());
    EXPECT_TRUE(f->imgBrush->isEnabled());
    EXPECT_TRUE(f->pmHalo->isEnabled());

    // A run of an empty list afterwards ends as any run does.
    f->BatchPanel->Clear();
    dlg.onMessage = nullptr;
    f->BatchPanel->btnFixBatchClick();
    EXPECT_TRUE(f->Image1->Picture().empty());
    EXPECT_EQ(f->Photo->Destination(), "");
    EXPECT_EQ(f->statusText(), "");
}

TEST_F(BatchFlow, AFailureInPhotoTwoOfFiveWithThreeWorkersStoresOnlyPhotoOne) {
    auto f = start();
    f->BatchPanel->Workers = 3;
    std::vector<std::string> photos;
    for (int i = 1; i <= 5; ++i)
        photos.push_back(photo(Numbered("d", i, "/p.bmp"), i));
    dir.write("d2/p.bmp", "broken");
    add(*f, photos);
    run(*f);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_TRUE(FileExists(dir.file("d1/Vorantel/p.bmp")));
    for (int i = 2; i <= 5; ++i) {
        // No file, no temporary file, no folder made for it.
        EXPECT_FALSE(fs::exists(dir.file(Numbered("d", i, "/Vorantel")))) << i;
    }
    EXPECT_EQ(f->BatchPanel->Paths(), (std::vector<std::string>{photos[2], photos[3], photos[4]}));
    EXPECT_EQ(f->lbBatchList->count(), 3);
}

TEST_F(BatchFlow, AnEmptyListGoesStraightToTheEnd) {
    auto f = start();
    f->SetStatusText("something");
    f->Photo->SetDestination("x");
    f->BatchPanel->btnFixBatchClick();
    EXPECT_FALSE(f->BatchPanel->Running());
    EXPECT_TRUE(dlg.messages.empty());
    EXPECT_EQ(f->statusText(), "");
    EXPECT_EQ(f->Photo->Destination(), "");
    EXPECT_FALSE(f->btnFixBatch->isEnabled());
}

TEST_F(BatchFlow, StopEndsTheRunAfterThePhotoInHand) {
    auto f = start();
    std::vector<std::string> photos;
    for (int i = 0; i < 4; ++i)
        photos.push_back(photo(Numbered("s/p", i, ".bmp"), i));
    add(*f, photos);
    f->btnFixBatch->click();
    ASSERT_TRUE(f->BatchPanel->Running());
    EXPECT_FALSE(f->btnStopBatch->isHidden());
    f->btnStopBatch->click();
    EXPECT_EQ(f->lblFileName->text(), "Stopping after p0.bmp");
    EXPECT_FALSE(f->btnStopBatch->isEnabled());
    f->BatchPanel->WaitForEnd();
    // The first photo was in hand: it is stored and leaves the list.
    EXPECT_TRUE(FileExists(dir.file("s/Vorantel/p0.bmp")));
    EXPECT_EQ(fs::directory_iterator(dir.file("s/Vorantel")) == fs::directory_iterator(), false);
    int storedFiles = 0;
    for (const auto& e : fs::directory_iterator(dir.file("s/Vorantel"))) {
        (void)e;
        ++storedFiles;
    }
    EXPECT_EQ(storedFiles, 1);
    EXPECT_EQ(f->BatchPanel->Paths(), (std::vector<std::string>{photos[1], photos[2], photos[3]}));
    EXPECT_EQ(batchNames(*f), (std::vector<std::string>{"p1.bmp", "p2.bmp", "p3.bmp"}));
    // The rest can be run again.
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
    EXPECT_TRUE(f->btnStopBatch->isHidden());
    EXPECT_TRUE(dlg.messages.empty());
    run(*f);
    EXPECT_EQ(f->lbBatchList->count(), 0);
    EXPECT_TRUE(FileExists(dir.file("s/Vorantel/p3.bmp")));
}

TEST_F(BatchFlow, WithoutACameraLoadedTheRunIsRefused) {
    dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=-1\r\n");
    auto f = start();
    ASSERT_EQ(f->CameraPanel->HotPixels(), nullptr);
    const std::string a = photo("a.bmp");
    add(*f, {a});
    f->RetouchView->Undo().Record(true, 0, 1, 1);
    run(*f);
    // Refused before anything was touched.
    EXPECT_EQ(f->RetouchView->Undo().size(), 1u);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Fix");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(fs::exists(dir.file("Vorantel")));
    EXPECT_EQ(f->BatchPanel->Paths(), std::vector<std::string>{a});
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
}

TEST_F(BatchFlow, ClosingTheWindowEndsTheRunWithThePhotoInHand) {
    auto f = start();
    std::vector<std::string> photos;
    for (int i = 0; i < 3; ++i)
        photos.push_back(photo(Numbered("c/p", i, ".bmp"), i));
    add(*f, photos);
    f->btnFixBatch->click();
    f->RequestClose();
    EXPECT_FALSE(f->BatchPanel->Running());
    EXPECT_TRUE(FileExists(dir.file("c/Vorantel/p0.bmp")));
}

TEST_F(BatchFlow, ADamagedPhotoIsToldAtTheEndAndTheOthersAreStored) {
    auto f = start();
    std::vector<std::string> photos;
    for (int i = 0; i < 6; ++i)
        photos.push_back(photo(Numbered("d/p", i, ".jpg"), i));
    // The fourth ends in the middle of its data.
    Bitmap big(300, 200);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            big.setPixel(x, y, RGBColor(x % 256, y, (x * y) % 256));
    StorePhoto(big, photos[3]);
    const std::string whole = dir.read("d/p3.jpg");
    dir.write("d/p3.jpg", whole.substr(0, whole.size() / 2));
    add(*f, photos);
    run(*f);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Warning");
    EXPECT_TRUE(dlg.messages[0].text.contains(
        QString::fromStdString("The file " + photos[3] + " is damaged")))
        << dlg.messages[0].text.toStdString();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(FileExists(dir.file(Numbered("d/Vorantel/p", i, ".jpg"))), i != 3) << i;
    EXPECT_EQ(f->lbBatchList->count(), 0);
    EXPECT_TRUE(f->Image1->Picture().empty());
}

TEST_F(BatchFlow, ARunThatCannotStartGivesTheWindowBack) {
    auto f = start();
    const std::string a = photo("a.bmp");
    add(*f, {a});
    f->BatchPanel->StartThread = [](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    run(*f);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Fix");
    EXPECT_EQ(dlg.messages[0].icon, MsgIcon::Error);
    EXPECT_FALSE(f->BatchPanel->Running());
    EXPECT_TRUE(f->cbCameras->isEnabled());
    EXPECT_TRUE(f->lbBatchList->isEnabled());
    EXPECT_TRUE(f->btnFixBatch->isEnabled());
    EXPECT_FALSE(f->btnFixBatch->isHidden());
    EXPECT_EQ(f->BatchPanel->Paths(), std::vector<std::string>{a});
    EXPECT_FALSE(QApplication::overrideCursor());
}
