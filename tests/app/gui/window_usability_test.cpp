// What users expect around the window: keyboard shortcuts, a layout that
// holds at the smallest size, hints as tooltips, and a New Camera dialog
// that is typed into and confirmed with Enter.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

#include "app/gui/form1.h"
#include "camera/gui/newcameraform.h"
#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchtab.h"
#include "effects/gui/retouchview.h"
#include "platform/files.h"
#include "platform/gui/scripted_dialogs.h"
#include "support/tempdir.h"

using namespace vt;
using namespace vt::gui;
using vt::gui::testing::ScriptedDialogs;
using vt::testing::TempDir;

namespace {

class Usability : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDir(dir.file("Cameras")));
        dir.write("Cameras/Cam.cam", "*00002,00002,00001,00001,00002,00001,00003,00001\r\n");
        dir.write("Vorantel.ini", "[Init]\r\nLastCam=0\r\nTipOfTheDay=0\r\n");
        f = std::make_unique<TForm1>(dir.path());
        f->PictureLoader = [](const std::string&) { return Photo{Bitmap(40, 30), {}, {}}; };
    }
    void showActive() {
        f->show();
        QApplication::setActiveWindow(f.get());
        f->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    }

    TempDir dir;
    ScriptedDialogs dlg;
    std::unique_ptr<TForm1> f;
};

// The window's visible controls: named widgets (not Qt's own parts) that
// hold no other named widget.
std::vector<QWidget*> Controls(QWidget* tab) {
    std::vector<QWidget*> all;
    for (QWidget* w : tab->findChildren<QWidget*>()) {
        if (!w->isVisible() || w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        all.push_back(w);
    }
    std::vector<QWidget*> leaves;
    for (QWidget* w : all) {
        bool holds = false;
        for (QWidget* o : all)
            if (o != w && w->isAncestorOf(o)) holds = true;
        if (!holds) leaves.push_back(w);
    }
    return leaves;
}

} // namespace

TEST_F(Usability, KeyboardShortcutsReachTheCommands) {
    EXPECT_EQ(f->AnalyzePhotograph1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(f->SaveRetouchedPhotograph1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(f->SavePhotographAs1->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    EXPECT_EQ(f->Undo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(f->Quit1->text(), "&Quit");
    showActive();

    // Ctrl+O opens a photo on the Camera tab.
    dlg.openAnswers.push_back(ScriptedDialogs::picked({"/p/x.bmp"}));
    QTest::keyClick(f.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].title, "Open the photograph to be analyzed");
    ASSERT_FALSE(f->Image1->Picture().empty());

    // Ctrl+Z undoes a paint of the magnifier.
    f->imgHalo->setFocus();
    f->RetouchView->imgHaloMouseDown(Qt::LeftButton);
    f->RetouchView->imgHaloClick(QPoint(44, 44));
    ASSERT_EQ(f->RetouchView->Undo().size(), 1u);
    QTest::keyClick(f.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(f->RetouchView->Undo().empty());

    // Ctrl+Shift+S asks where to save; Ctrl+Q asks about the changes.
    QTest::keyClick(f.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dlg.saveRequests.size(), 1u);
    EXPECT_EQ(dlg.saveRequests[0].title, "Save Retouched Photograph");
    dlg.messageAnswers.push_back(mbCancel);
    QTest::keyClick(f.get(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].caption, "Save?");
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Usability, TheListsFollowTheArrowKeys) {
    f->RetouchTab->AddToRetouchList("/r/a.bmp");
    f->RetouchTab->AddToRetouchList("/r/b.bmp");
    f->PageControl1->setCurrentIndex(2);
    showActive();
    f->cbRetouchList->setFocus();
    f->cbRetouchList->setCurrentRow(0);
    QTest::keyClick(f->cbRetouchList, Qt::Key_Down);
    EXPECT_EQ(f->cbRetouchList->currentRow(), 1);
    EXPECT_TRUE(f->cbRetouchTimer->isActive());
}

TEST_F(Usability, NoControlsOverlapAtTheSmallestWindow) {
    f->show();
    f->resize(1, 1); // as small as the user can make it
    QApplication::processEvents();
    EXPECT_EQ(f->size(), f->minimumSize());
    EXPECT_GE(f->width(), 600);
    // The photo view keeps a useful part of the window.
    EXPECT_GE(f->ScrollBox1->width(), 300);
    f->Image1->setPictureOriginal(Bitmap(50, 50)); // the magnifier and swatch show
    f->Image1->ResetEffects();
    for (int tab = 0; tab < 3; ++tab) {
        f->PageControl1->setCurrentIndex(tab);
        QApplication::processEvents();
        const std::vector<QWidget*> controls = Controls(f->PageControl1->currentWidget());
        EXPECT_GE(controls.size(), 3u) << "tab " << tab;
        for (QWidget* a : controls) {
            const QRect ra(a->mapTo(f.get(), QPoint(0, 0)), a->size());
            EXPECT_TRUE(f->rect().contains(ra)) << a->objectName().toStdString();
            EXPECT_GE(a->height(), a->minimumSizeHint().height()) << a->objectName().toStdString();
            for (QWidget* b : controls) {
                if (a >= b) continue;
                const QRect rb(b->mapTo(f.get(), QPoint(0, 0)), b->size());
                EXPECT_FALSE(ra.intersects(rb))
                    << "tab " << tab << ": " << a->objectName().toStdString() << " and "
                    << b->objectName().toStdString();
            }
        }
    }
}

TEST_F(Usability, EveryToolButtonAndTheSwatchHaveTheirHints) {
    for (QToolButton* b : f->Panel1->findChildren<QToolButton*>())
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString();
    // The nine of the design, then fit, 100 %, zoom in and zoom out.
    EXPECT_EQ(f->Panel1->findChildren<QToolButton*>().size(), 13);
    EXPECT_EQ(f->imgBrush->toolTip(), "Brush color");
    EXPECT_EQ(f->imgBrush->size(), QSize(25, 25));
}

TEST_F(Usability, NewCameraDialogTakesTheNameAndEnterConfirms) {
    TNewCameraForm& form = *f->CameraPanel->NewCameraForm;
    // Left last time with the focus on the threshold.
    dlg.modalScripts.push_back([&](QDialog& d) {
        d.show();
        QApplication::setActiveWindow(&d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        form.seThreshold->setFocus();
        d.reject();
        return d.result();
    });
    f->CameraPanel->NewCamera1Click();
    dlg.modalScripts.push_back([&](QDialog& d) {
        d.show();
        QApplication::setActiveWindow(&d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        EXPECT_TRUE(form.cbInCamera->hasFocus());
        QTest::keyClicks(QApplication::focusWidget(), "Garden");
        EXPECT_TRUE(form.btnCameraName->isDefault());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
        return d.result();
    });
    f->CameraPanel->NewCamera1Click();
    EXPECT_EQ(f->CameraPanel->CurrentCameraName(), "Garden");
    // The blackshot is asked for next: the name was taken.
    ASSERT_EQ(dlg.openRequests.size(), 1u);
    EXPECT_EQ(dlg.openRequests[0].title, "Open the camera's blackshot");
}
