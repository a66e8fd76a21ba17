// "Keep JPEG quality" in the window: the setting, the store of a repaired
// JPEG on the Camera tab and in a batch, the fallback for a painted photo,
// and what the status bar says of each.
#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "platform/inifile.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// The bytes of a JPEG's quantisation tables: a file that kept its quality
// has its source's.
std::string QuantisationTables(const std::string& bytes) {
    std::string tables;
    for (std::size_t at = 2; at + 4 <= bytes.size() && std::uint8_t(bytes[at]) == 0xFF;) {
        const std::uint8_t marker = std::uint8_t(bytes[at + 1]);
        const std::size_t length = std::uint8_t(bytes[at + 2]) * 256u + std::uint8_t(bytes[at + 3]);
        if (marker == 0xDB) tables += bytes.substr(at, length + 2);
        if (marker == 0xDA) break;
        at += length + 2;
    }
    return tables;
}

class KeepQuality : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        // The fixture's hot pixel at (200, 120), mended from the row above.
        dir.write("Cameras/Cam.cam", "*00200,00120,00199,00119,00200,00119,00201,00119\r\n");
        dir.write("Vorantel.ini", "[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\nKeepJpegQuality=1\r\n");
        ASSERT_TRUE(CreateDir(dir.file("photos")));
        fs::copy_file(std::string(VORANTEL_TESTDATA) + "/jpeg/baseline420.jpg",
                      dir.file("photos/a.jpg"));
        source = dir.read("photos/a.jpg");
        f = std::make_unique<TForm1>(dir.path());
        f->show();
    }
    void openAndFix() {
        f->PageControl1->setCurrentIndex(0);
        dlg.openAnswers.push_back(
            ScriptedDialogs::picked({QString::fromStdString(dir.file("photos/a.jpg"))}));
        f->sbOpenFileClick();
        f->btnFixSingle->click();
    }
    std::string status() const { return f->statusText().toStdString(); }

    TempDir dir;
    ScriptedDialogs dlg;
    std::unique_ptr<TForm1> f;
    std::string source;
};

} // namespace

TEST_F(KeepQuality, ARepairedJpegKeepsItsQualityUnlessItCarriesPaints) {
    ASSERT_TRUE(f->KeepJpegQuality1->isChecked());
    const std::string stored = dir.file("photos/Vorantel/a.jpg");
    openAndFix();
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_EQ(status().rfind(stored + "   JPEG quality kept: ", 0), 0u) << status();
    EXPECT_EQ(QuantisationTables(dir.read("photos/Vorantel/a.jpg")), QuantisationTables(source));

    // A brush paint only a full encode keeps.
    const int s = f->imgHalo->cellSize();
    f->RetouchView->imgHaloMouseDown(Qt::LeftButton);
    f->RetouchView->imgHaloClick(QPoint(5 * s + s / 2, 2 * s + s / 2));
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_EQ(status(), stored + "   Full encode at quality 90: The photograph carries brush "
                                 "paints or effects, which only a full encode keeps.");
    EXPECT_NE(QuantisationTables(dir.read("photos/Vorantel/a.jpg")), QuantisationTables(source));

    // Off, the status bar names the destination only; the choice is kept.
    f->KeepJpegQuality1->trigger();
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_EQ(status(), stored);
    f->Photo->SetUnsavedChanges(false);
    ASSERT_TRUE(f->RequestClose());
    f.reset();
    EXPECT_FALSE(TIniFile(dir.file("Vorantel.ini")).ReadBool("Init", "KeepJpegQuality", true));
}

TEST_F(KeepQuality, ABatchKeepsTheQualityOfItsJpegs) {
    fs::copy_file(dir.file("photos/a.jpg"), dir.file("photos/b.jpg"));
    f->BatchPanel->Workers = 2;
    f->PageControl1->setCurrentIndex(1);
    f->BatchPanel->AddFiles({QString::fromStdString(dir.file("photos/a.jpg")),
                             QString::fromStdString(dir.file("photos/b.jpg"))});
    f->btnFixBatch->click();
    f->BatchPanel->WaitForEnd();
    EXPECT_TRUE(dlg.messages.empty());
    for (const char* name : {"photos/Vorantel/a.jpg", "photos/Vorantel/b.jpg"})
        EXPECT_EQ(QuantisationTables(dir.read(name)), QuantisationTables(source)) << name;
}

TEST_F(KeepQuality, ARetouchListPhotoStoredOverItselfIsCopiedAsItWas) {
    const std::string copy = dir.file("photos/Vorantel/a.jpg");
    fs::create_directories(dir.file("photos/Vorantel"));
    fs::copy_file(dir.file("photos/a.jpg"), copy);
    f->PageControl1->setCurrentIndex(2);
    f->RetouchTab->AddToRetouchList(copy);
    f->cbRetouchList->item(0)->setSelected(true);
    f->RetouchTab->cbRetouchTimerTimer();
    f->SaveRetouchedPhotograph1->trigger();
    EXPECT_EQ(status().rfind(copy + "   JPEG quality kept: 0 of ", 0), 0u) << status();
    EXPECT_EQ(QuantisationTables(dir.read("photos/Vorantel/a.jpg")), QuantisationTables(source));
}
