// The window titles as the window system holds them. These run on a real X
// server (tests/app/window_titles_test.sh starts one); on Qt's offscreen
// platform, which has no window system, they are skipped.
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QWindow>
#include <gtest/gtest.h>

#include "app/gui/form1.h"
#include "camera/camerafile.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/effectsform.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "platform/registry.h"
#include "support/tempdir.h"
#include "ui/gui/aboutform.h"
#include "ui/gui/joinforumform.h"
#include "ui/gui/tipdialog.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

// Shows the window and reads its _NET_WM_NAME and WM_NAME back from the X
// server with xprop, as a window manager or a task bar reads them.
std::string TitleOnServer(QWidget& w) {
    w.show();
    QElapsedTimer clock;
    clock.start();
    while (!w.windowHandle() || !w.windowHandle()->isExposed()) {
        if (clock.elapsed() > 5000) return "(never shown)";
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QApplication::processEvents();
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(w.winId()), "_NET_WM_NAME", "WM_NAME"});
    if (!xprop.waitForFinished(5000)) return "(xprop failed)";
    return QString::fromUtf8(xprop.readAllStandardOutput()).toStdString();
}

std::string Expected(const std::string& title) {
    return "_NET_WM_NAME(UTF8_STRING) = \"" + title + "\"\nWM_NAME(STRING) = \"" + title + "\"\n";
}

class WindowSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb")
            GTEST_SKIP() << "needs an X server (tests/app/window_titles_test.sh)";
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Vorantel.ini", "[Init]\r\nTipOfTheDay=0\r\nLastCam=0\r\n");
        HotPixelRecord r{{4, 4, 3, 3, 4, 3, 5, 3}};
        dir.write("Cameras/Studio.cam", FormatRepairLine('*', r) + "\r\n");
    }
    TempDir dir;
    ScriptedDialogs dlg;
};

} // namespace

TEST_F(WindowSystem, TitlesAreExactlyTheWindowsCaptions) {
    TForm1 f(dir.path());
    EXPECT_EQ(TitleOnServer(f), Expected("Vorantel - Studio"));

    TTipDialogForm tip;
    EXPECT_EQ(TitleOnServer(tip), Expected("Tip"));
    EXPECT_EQ(TitleOnServer(*f.CameraPanel->NewCameraForm), Expected("New Camera"));
    EXPECT_EQ(TitleOnServer(*f.EffectsForm), Expected("Special Effects"));
    TAboutForm about;
    EXPECT_EQ(TitleOnServer(about), Expected("About Vorantel"));
    TJoinForumForm forum;
    EXPECT_EQ(TitleOnServer(forum), Expected("Join the Tarnwick Forum"));
}
