// The Camera tab's retouch view driven as a user drives it: the hot-pixel
// list, the marker dragged over the photo, the magnifier, the brush and
// its colours, and Undo.
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/gui/retouch_fixture.h"
#include "effects/gui/retouchview.h"

using namespace vt;
using namespace vt::gui;
using namespace vt::gui::testing;

namespace {

class RetouchView : public RetouchFixture {
  protected:
    // Every cell of the magnifier against the photo around (x, y): black
    // outside the photo.
    void expectNeighbourhood(int x, int y) {
        for (int r = 0; r < 11; ++r)
            for (int c = 0; c < 11; ++c) {
                const int px = x - 5 + c, py = y - 5 + r;
                const bool inside = px >= 0 && py >= 0 && px < 1200 && py < 900;
                const QColor want = inside ? Q(PhotoColor(px, py)) : QColor(Qt::black);
                EXPECT_EQ(f->imgHalo->cellColor(c, r), want) << "cell " << c << "," << r;
            }
    }
    QScrollBar* hbar() const { return f->ScrollBox1->horizontalScrollBar(); }
    QScrollBar* vbar() const { return f->ScrollBox1->verticalScrollBar(); }
};

} // namespace

TEST_F(RetouchView, AHotPixelOfTheListPutsTheMarkerOnItAndScrollsToIt) {
    openPhoto();
    // Opening selects the first entry and goes to it: (2, 3).
    EXPECT_EQ(f->lbFixPoints->currentRow(), rowOf(2, 3));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(2, 3));

    clickRow(f->lbFixPoints, rowOf(120, 45));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(120, 45));
    EXPECT_EQ(f->Shape1->geometry(), QRect(114, 39, 13, 13));
    EXPECT_FALSE(f->Shape1->isHidden());
    EXPECT_EQ(f->imgHalo->cellColor(5, 5), Q(PhotoColor(120, 45)));
    expectNeighbourhood(120, 45);
    // As near the middle as the scroll range allows: the top-left corner.
    EXPECT_EQ(hbar()->value(), 0);
    EXPECT_EQ(vbar()->value(), 0);
    EXPECT_EQ(f->lbFixPoints->currentRow(), rowOf(120, 45));
    EXPECT_TRUE(f->lbFixPoints->item(rowOf(120, 45))->isSelected());

    // A hot pixel in the middle of the photo is in the middle of the view.
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const QWidget* view = f->ScrollBox1->viewport();
    EXPECT_EQ(hbar()->value() + view->width() / 2, 700);
    EXPECT_EQ(vbar()->value() + view->height() / 2, 500);
    // One near the far corner: scrolled as far as it goes.
    clickRow(f->lbFixPoints, rowOf(1190, 890));
    EXPECT_EQ(hbar()->value(), hbar()->maximum());
    EXPECT_EQ(vbar()->value(), vbar()->maximum());
    expectNeighbourhood(1190, 890);
}

TEST_F(RetouchView, TheArrowKeysGoFromHotPixelToHotPixel) {
    openPhoto();
    f->lbFixPoints->setFocus();
    const int from = f->lbFixPoints->currentRow();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(f->lbFixPoints, &down);
    ASSERT_EQ(f->lbFixPoints->currentRow(), from + 1);
    const int v = f->lbFixPoints->currentItem()->data(Qt::UserRole).toInt();
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(v >> 16, v & 0xFFFF));
    EXPECT_TRUE(f->lbFixPoints->currentItem()->isSelected());
    // Keys the list does not use reach the window once, as before.
    struct Count : QObject {
        int keys = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::KeyPress) ++keys;
            return false;
        }
    } count;
    f->installEventFilter(&count);
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(f->lbFixPoints, &f5);
    EXPECT_EQ(count.keys, 1);
    f->removeEventFilter(&count);
}

TEST_F(RetouchView, AtTwoThreeTheCellsOutsideThePhotoAreBlack) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(2, 3));
    for (int r = 0; r < 11; ++r)
        for (int c = 0; c < 11; ++c) {
            if (c > 2 && r > 1) continue;
            EXPECT_EQ(f->imgHalo->cellColor(c, r), QColor(Qt::black)) << c << "," << r;
        }
    expectNeighbourhood(2, 3);
    // The grid paints itself from the photo too.
    f->imgHalo->repaint();
    expectNeighbourhood(2, 3);
}

TEST_F(RetouchView, TheMarkerDraggedAndDroppedOnThePhoto) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    ASSERT_GE(f->lbFixPoints->currentRow(), 0);
    QWidget* view = f->ScrollBox1->viewport();
    const QPoint target = view->mapToGlobal(QPoint(40, 30));
    const QPoint on = QPoint(6, 6);
    press(f->Shape1, on);
    // A shake of the hand is no drag.
    move(f->Shape1, on + QPoint(1, 0));
    release(f->Shape1, on + QPoint(1, 0));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(700, 500));
    EXPECT_GE(f->lbFixPoints->currentRow(), 0);

    press(f->Shape1, on);
    QMouseEvent drag(QEvent::MouseMove, f->Shape1->mapFromGlobal(target), target, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &drag);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QMouseEvent drop(QEvent::MouseButtonRelease, f->Shape1->mapFromGlobal(target), target,
                     Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &drop);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const QPoint pixel = f->Image1->mapFromGlobal(target);
    EXPECT_EQ(pixel, QPoint(hbar()->value() + 40, vbar()->value() + 30));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), pixel);
    expectNeighbourhood(pixel.x(), pixel.y());
    EXPECT_EQ(f->lbFixPoints->currentRow(), -1);
    EXPECT_TRUE(f->lbFixPoints->selectedItems().isEmpty());
    EXPECT_FALSE(f->Timer1->isActive());
}

TEST_F(RetouchView, EscapeGivesUpADragAndTheMarkerStays) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const QPoint on(6, 6);
    // Dragged out of the view, where it scrolls the photo.
    const QPoint outside = f->mapToGlobal(QPoint(2, f->height() / 2));
    press(f->Shape1, on);
    QMouseEvent drag(QEvent::MouseMove, f->Shape1->mapFromGlobal(outside), outside, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &drag);
    ASSERT_TRUE(f->Timer1->isActive());
    // Escape as the platform delivers it, through the window's shortcuts.
    QTest::keyClick(f->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(f->Shape1->dragging());
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Letting go of the button afterwards drops nothing.
    const QPoint target = f->ScrollBox1->viewport()->mapToGlobal(QPoint(40, 30));
    QMouseEvent drop(QEvent::MouseButtonRelease, f->Shape1->mapFromGlobal(target), target,
                     Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &drop);
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(700, 500));
}

TEST_F(RetouchView, DraggedOutsideTheViewTheMarkerScrollsIt) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    TRetouchView& v = *f->RetouchView;
    const QRect r(f->ScrollBox1->mapTo(f.get(), QPoint(0, 0)), f->ScrollBox1->size());
    using S = TRetouchView::DragState;

    // Inside the view's rectangle: no scrolling; outside: the timer runs.
    v.FormDragOver(r.center(), f->Shape1, S::Move);
    EXPECT_FALSE(f->Timer1->isActive());
    v.FormDragOver(QPoint(r.center().x(), r.top() - 5), f->Shape1, S::Move);
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(f->Timer1->interval(), 100);
    v.FormDragOver(QPoint(r.center().x(), r.top() - 5), f->Shape1, S::Leave);
    EXPECT_FALSE(f->Timer1->isActive());
    // Anything but the marker never scrolls while it is over the window.
    v.FormDragOver(r.center(), nullptr, S::Move);
    EXPECT_TRUE(f->Timer1->isActive());
    v.FormDragOver(r.center(), nullptr, S::Leave);

    // Each tick scrolls one line towards the pointer.
    QPoint pointer;
    v.PointerPos = [&] { return f->mapToGlobal(pointer); };
    const int h0 = hbar()->value(), v0 = vbar()->value();
    f->Timer1->start();
    pointer = QPoint(r.center().x(), r.top() - 3);
    v.Timer1Timer();
    EXPECT_EQ(vbar()->value(), v0 - vbar()->singleStep());
    pointer = QPoint(r.center().x(), r.top() + r.height() + 3);
    v.Timer1Timer();
    v.Timer1Timer();
    EXPECT_EQ(vbar()->value(), v0 + vbar()->singleStep());
    pointer = QPoint(r.left() - 3, r.center().y());
    v.Timer1Timer();
    EXPECT_EQ(hbar()->value(), h0 - hbar()->singleStep());
    pointer = QPoint(r.left() + r.width() + 3, r.center().y());
    v.Timer1Timer();
    v.Timer1Timer();
    EXPECT_EQ(hbar()->value(), h0 + hbar()->singleStep());
    EXPECT_TRUE(f->Timer1->isActive());
    // Diagonally outside a corner there is no direction: the timer stops.
    pointer = r.topLeft() - QPoint(4, 4);
    v.Timer1Timer();
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_EQ(hbar()->value(), h0 + hbar()->singleStep());

    // The real drag: dragged out of the view starts the timer, back in stops it.
    press(f->Shape1, QPoint(6, 6));
    const QPoint out = f->mapToGlobal(QPoint(r.center().x(), r.top() - 3));
    QMouseEvent drag(QEvent::MouseMove, f->Shape1->mapFromGlobal(out), out, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &drag);
    EXPECT_TRUE(f->Timer1->isActive());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
    // Let go outside the photo: no drop, the marker stays.
    QMouseEvent letGo(QEvent::MouseButtonRelease, f->Shape1->mapFromGlobal(out), out,
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f->Shape1, &letGo);
    EXPECT_FALSE(f->Timer1->isActive());
    EXPECT_EQ(v.MarkerPixel(), QPoint(700, 500));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RetouchView, ThreeUndosTakeBackTwoClicksAndThenADrag) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const Bitmap before = shown();
    const TColor black = RGBColor(0, 0, 0);
    EXPECT_FALSE(f->sbUndo->isEnabled());

    // A drag over three cells of row 1, then clicks on (5, 5) and (7, 7).
    press(f->imgHalo, cell(1, 1));
    move(f->imgHalo, cell(1, 1) + QPoint(1, 0));
    move(f->imgHalo, cell(2, 1));
    move(f->imgHalo, cell(3, 1));
    release(f->imgHalo, cell(3, 1));
    click(f->imgHalo, cell(5, 5));
    click(f->imgHalo, cell(7, 7));
    for (auto [x, y] : {std::pair{696, 496}, {697, 496}, {698, 496}, {700, 500}, {702, 502}})
        EXPECT_EQ(shown().pixel(x, y), black) << x << "," << y;
    EXPECT_EQ(f->imgHalo->cellColor(2, 1), QColor(Qt::black));
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    EXPECT_TRUE(f->sbUndo->isEnabled());
    EXPECT_TRUE(f->Undo1->isEnabled());
    // The photograph itself is untouched: the paint is in the display.
    EXPECT_EQ(f->Image1->PictureOriginal().bitmap()->pixel(700, 500), PhotoColor(700, 500));

    f->sbUndo->click();
    EXPECT_EQ(shown().pixel(702, 502), PhotoColor(702, 502));
    EXPECT_EQ(shown().pixel(700, 500), black);
    EXPECT_EQ(f->imgHalo->cellColor(7, 7), Q(PhotoColor(702, 502)));
    f->Undo1->trigger();
    EXPECT_EQ(shown().pixel(700, 500), PhotoColor(700, 500));
    EXPECT_EQ(shown().pixel(697, 496), black);
    EXPECT_TRUE(f->sbUndo->isEnabled());
    f->sbUndo->click();
    EXPECT_EQ(shown(), before);
    expectNeighbourhood(700, 500);
    EXPECT_FALSE(f->sbUndo->isEnabled());
    EXPECT_FALSE(f->Undo1->isEnabled());
    // Undo never clears the unsaved changes.
    EXPECT_TRUE(f->Photo->UnsavedChanges());
}

TEST_F(RetouchView, ADragOverTheSameCellTwiceIsUndoneToItsColourBeforeTheDrag) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const Bitmap before = shown();
    f->RetouchView->SetBrushColor(RGBColor(250, 10, 10));
    press(f->imgHalo, cell(4, 4));
    move(f->imgHalo, cell(4, 4) + QPoint(0, 1));
    move(f->imgHalo, cell(5, 4));
    move(f->imgHalo, cell(4, 4));
    release(f->imgHalo, cell(4, 4));
    // Each pass over a cell is a paint of its own (the release paints once
    // more); the first starts the group.
    ASSERT_EQ(f->RetouchView->Undo().size(), 4u);
    EXPECT_TRUE(f->RetouchView->Undo().at(3).groupStart);
    EXPECT_FALSE(f->RetouchView->Undo().at(2).groupStart);
    EXPECT_FALSE(f->RetouchView->Undo().at(0).groupStart);
    EXPECT_EQ(f->RetouchView->Undo().at(0).previous, RGBColor(250, 10, 10));
    f->RetouchView->sbUndoClick();
    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(f->RetouchView->Undo().empty());
}

TEST_F(RetouchView, PaintingOnlyWithTheLeftButtonAndOnlyOverACell) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const Bitmap before = shown();
    // The right button, a move without a button, a point beside the cells.
    press(f->imgHalo, cell(1, 1), Qt::RightButton);
    move(f->imgHalo, cell(2, 2), Qt::RightButton);
    release(f->imgHalo, cell(2, 2), Qt::RightButton);
    move(f->imgHalo, cell(3, 3), Qt::NoButton);
    f->RetouchView->imgHaloClick(QPoint(-1, 4));
    f->RetouchView->imgHaloClick(QPoint(4, 11 * f->imgHalo->cellSize()));
    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_FALSE(f->Photo->UnsavedChanges());

    // Losing the focus in the middle of a stroke ends its group start.
    press(f->imgHalo, cell(1, 1));
    f->RetouchView->imgHaloExit();
    move(f->imgHalo, cell(2, 1));
    ASSERT_EQ(f->RetouchView->Undo().size(), 1u);
    EXPECT_FALSE(f->RetouchView->Undo().at(0).groupStart);
    release(f->imgHalo, cell(2, 1));
}

TEST_F(RetouchView, PaintingOutsideThePhotoChangesNothingButIsRecorded) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(2, 3));
    const Bitmap before = shown();
    f->RetouchView->SetBrushColor(RGBColor(0, 0, 255));
    click(f->imgHalo, cell(0, 0)); // pixel (-3, -2)
    EXPECT_EQ(shown(), before);
    ASSERT_EQ(f->RetouchView->Undo().size(), 1u);
    EXPECT_EQ(f->RetouchView->Undo().at(0).previous, clInvalid);
    EXPECT_EQ(f->imgHalo->cellColor(0, 0), QColor(0, 0, 255));
    f->RetouchView->sbUndoClick();
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(f->imgHalo->cellColor(0, 0), QColor(Qt::black));
}

TEST_F(RetouchView, SetBrushTakesAColourFromThePhoto) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(120, 45));
    EXPECT_EQ(f->RetouchView->BrushColor(), RGBColor(0, 0, 0));
    EXPECT_EQ(f->imgBrush->toolTip(), "Brush color");
    EXPECT_EQ(f->SetBrush1->text(), "Set Brush");
    EXPECT_EQ(f->SelectAColor1->text(), "Select a Color");
    EXPECT_EQ(f->findChild<QAction*>("SelectAColor1"), f->SelectAColor1);

    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(cell(8, 2)));
    f->SetBrush1->trigger();
    EXPECT_EQ(f->RetouchView->BrushColor(), PhotoColor(123, 42));
    EXPECT_EQ(f->imgBrush->color(), Q(PhotoColor(123, 42)));
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    // The next click paints with it.
    click(f->imgHalo, cell(5, 5));
    EXPECT_EQ(shown().pixel(120, 45), PhotoColor(123, 42));

    // Over a cell outside the photo, or beside the grid: nothing.
    clickRow(f->lbFixPoints, rowOf(2, 3));
    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(cell(0, 0)));
    f->SetBrush1->trigger();
    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(QPoint(-3, 5)));
    f->SetBrush1->trigger();
    EXPECT_EQ(f->RetouchView->BrushColor(), PhotoColor(123, 42));
}

TEST_F(RetouchView, SelectAColorThenUndoGivesThatPixelItsColourBack) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    const Bitmap before = shown();
    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(cell(3, 4)));
    dlg.colorAnswers.push_back(QColor(1, 2, 3));
    f->SelectAColor1->trigger();
    ASSERT_EQ(dlg.colorRequests.size(), 1u);
    EXPECT_EQ(dlg.colorRequests[0], Q(PhotoColor(698, 499))); // opened on the pixel's colour
    EXPECT_EQ(shown().pixel(698, 499), RGBColor(1, 2, 3));
    EXPECT_EQ(f->imgHalo->cellColor(3, 4), QColor(1, 2, 3));
    EXPECT_TRUE(f->Photo->UnsavedChanges());
    ASSERT_EQ(f->RetouchView->Undo().size(), 1u);
    EXPECT_TRUE(f->RetouchView->Undo().at(0).groupStart);
    // The brush is not changed by it.
    EXPECT_EQ(f->RetouchView->BrushColor(), RGBColor(0, 0, 0));

    // A click before it stays when the exact colour is undone.
    click(f->imgHalo, cell(9, 9));
    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(cell(3, 4)));
    dlg.colorAnswers.push_back(QColor(200, 100, 50));
    f->SelectAColor1->trigger();
    f->RetouchView->sbUndoClick();
    EXPECT_EQ(shown().pixel(698, 499), RGBColor(1, 2, 3));
    EXPECT_EQ(shown().pixel(704, 504), RGBColor(0, 0, 0));
    f->RetouchView->sbUndoClick();
    f->RetouchView->sbUndoClick();
    EXPECT_EQ(shown(), before);

    // A cancelled colour dialog changes nothing; outside the photo no dialog.
    f->Photo->SetUnsavedChanges(false);
    f->SelectAColor1->trigger();
    EXPECT_EQ(shown(), before);
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_FALSE(f->Photo->UnsavedChanges());
    clickRow(f->lbFixPoints, rowOf(2, 3));
    f->RetouchView->pmHaloPopup(f->imgHalo->mapToGlobal(cell(1, 1)));
    const std::size_t asked = dlg.colorRequests.size();
    f->SelectAColor1->trigger();
    EXPECT_EQ(dlg.colorRequests.size(), asked);
}

TEST_F(RetouchView, TheSwatchOpensTheColourDialogOnTheBrushColour) {
    openPhoto();
    EXPECT_FALSE(f->imgBrush->isHidden());
    f->RetouchView->SetBrushColor(RGBColor(10, 20, 30));
    dlg.colorAnswers.push_back(QColor(40, 50, 60));
    click(f->imgBrush, QPoint(5, 5));
    ASSERT_EQ(dlg.colorRequests.size(), 1u);
    EXPECT_EQ(dlg.colorRequests[0], QColor(10, 20, 30));
    EXPECT_EQ(f->RetouchView->BrushColor(), RGBColor(40, 50, 60));
    click(f->imgBrush, QPoint(5, 5)); // cancelled
    EXPECT_EQ(f->RetouchView->BrushColor(), RGBColor(40, 50, 60));
    EXPECT_FALSE(f->Photo->UnsavedChanges());
}

TEST_F(RetouchView, UndoIsOfferedOnTheCameraTabOnlyAndEmptiedByANewPhoto) {
    openPhoto();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    click(f->imgHalo, cell(5, 5));
    EXPECT_TRUE(f->sbUndo->isEnabled());
    f->PageControl1->setCurrentIndex(2);
    EXPECT_FALSE(f->sbUndo->isEnabled());
    f->PageControl1->setCurrentIndex(0);
    EXPECT_TRUE(f->sbUndo->isEnabled());
    // Another photo: "Save?" No, and the undo list is gone with the paint.
    dlg.messageAnswers.push_back(mbNo);
    openPhoto();
    EXPECT_TRUE(f->RetouchView->Undo().empty());
    EXPECT_FALSE(f->sbUndo->isEnabled());
}
