// The main window's remembered place: stored when it goes, restored when it
// comes, in the registry key "Vorantel\Form1".
#include <QApplication>
#include <gtest/gtest.h>

#include "app/gui/form1.h"
#include "app/gui/programfolder.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "support/tempdir.h"
#include "ui/gui/formmemory.h"
#include "ui/windowplacement.h"

using namespace vt;
using namespace vt::gui;

namespace {

const char kKey[] = "Vorantel\\Form1";

class FormMemory : public vt::gui::testing::ProgramFolder {
  protected:
    void SetUp() override {
        ProgramFolder::SetUp();
        TFormMemory::SetScreenAreas({QRect(0, 0, 1600, 1000)});
    }
    void TearDown() override {
        TFormMemory::SetScreenAreas({});
        ProgramFolder::TearDown();
    }
    StoredPlacement stored() const { return ReadPlacement(TRegistry(), kKey); }
    void store(const WindowBounds& b, StoredWindowState s) {
        TRegistry reg;
        WritePlacement(reg, kKey, b, s);
    }
};

} // namespace

TEST_F(FormMemory, WithoutStoredValuesTheWindowIsAsDesigned) {
    auto f = start();
    EXPECT_EQ(f->FormMemory1->Key(), kKey);
    EXPECT_EQ(f->size(), QSize(800, 581));
    EXPECT_EQ(f->windowState(), Qt::WindowNoState);
    f.reset();
    // The first close stores them.
    EXPECT_EQ(stored().windowState, 0);
    ASSERT_TRUE(stored().bounds);
    EXPECT_EQ(stored().bounds->width, 800);
    EXPECT_EQ(stored().bounds->height, 581);
}

TEST_F(FormMemory, ANormalWindowComesBackWhereItWas) {
    {
        auto f = start();
        f->move(120, 90);
        f->resize(900, 640);
    }
    EXPECT_EQ(stored().bounds, (WindowBounds{120, 90, 900, 640}));
    EXPECT_EQ(stored().windowState, 0);
    auto f = start();
    EXPECT_EQ(f->pos(), QPoint(120, 90));
    EXPECT_EQ(f->size(), QSize(900, 640));
    EXPECT_EQ(f->windowState(), Qt::WindowNoState);
}

TEST_F(FormMemory, AMaximisedWindowComesBackMaximisedOverItsLastNormalBounds) {
    store({50, 60, 700, 500}, StoredWindowState::Normal);
    {
        auto f = start();
        f->move(300, 200); // moved, then maximised: the move is not kept
        f->setWindowState(Qt::WindowMaximized);
    }
    EXPECT_EQ(stored().windowState, 2);
    EXPECT_EQ(stored().bounds, (WindowBounds{50, 60, 700, 500}));
    auto f = start();
    EXPECT_TRUE(f->windowState() & Qt::WindowMaximized);
    f->setWindowState(Qt::WindowNoState);
    EXPECT_EQ(f->pos(), QPoint(50, 60));
    EXPECT_EQ(f->size(), QSize(700, 500));
}

TEST_F(FormMemory, AMinimisedWindowComesBackNormal) {
    store({50, 60, 700, 500}, StoredWindowState::Normal);
    {
        auto f = start();
        f->setWindowState(Qt::WindowMinimized);
    }
    EXPECT_EQ(stored().windowState, 1);
    EXPECT_EQ(stored().bounds, (WindowBounds{50, 60, 700, 500}));
    auto f = start();
    EXPECT_EQ(f->windowState(), Qt::WindowNoState);
    EXPECT_EQ(f->pos(), QPoint(50, 60));
}

TEST_F(FormMemory, APlaceOffEveryScreenIsPulledBack) {
    // Closed on a second screen that is no longer attached.
    store({2200, 300, 800, 581}, StoredWindowState::Normal);
    auto f = start();
    EXPECT_EQ(f->pos(), QPoint(800, 300));
    EXPECT_EQ(f->size(), QSize(800, 581));
    f.reset();
    // With the second screen back, the place is kept.
    TFormMemory::SetScreenAreas({QRect(0, 0, 1600, 1000), QRect(1600, 0, 1920, 1080)});
    store({2200, 300, 800, 581}, StoredWindowState::Normal);
    f = start();
    EXPECT_EQ(f->pos(), QPoint(2200, 300));
}

TEST_F(FormMemory, DamagedValuesLeaveTheDesign) {
    TRegistry reg;
    reg.WriteBinary(kKey, "Bounds", {1, 2, 3, 4});
    reg.WriteInteger(kKey, "WindowState", 7);
    auto f = start();
    EXPECT_EQ(f->size(), QSize(800, 581));
    EXPECT_EQ(f->windowState(), Qt::WindowNoState);
}
