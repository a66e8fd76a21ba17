// The magnifier's undo list: strokes undone as a whole, newest first.
#include <gtest/gtest.h>

#include "effects/undolist.h"

using namespace vt;

namespace {

Bitmap grey(int w, int h, int v) {
    Bitmap b(w, h);
    b.fill(RGBColor(v, v, v));
    return b;
}

// Paints like the brush does: records the colour the pixel had, then sets it.
void paint(TUndoList& undo, Bitmap& b, bool groupStart, int x, int y, TColor c) {
    undo.Record(groupStart, b.pixel(x, y), x, y);
    b.setPixel(x, y, c);
}

} // namespace

TEST(UndoList, EachUndoTakesBackOneStrokeNewestFirst) {
    Bitmap b = grey(8, 8, 50);
    const Bitmap before = b;
    TUndoList undo;
    const TColor red = RGBColor(255, 0, 0);
    // One drag over three pixels, then two single clicks.
    paint(undo, b, true, 1, 1, red);
    paint(undo, b, false, 2, 1, red);
    paint(undo, b, false, 3, 1, red);
    paint(undo, b, true, 5, 5, red);
    paint(undo, b, true, 6, 6, red);
    ASSERT_EQ(undo.size(), 5u);
    EXPECT_EQ(undo.at(0).x, 6); // the newest is at the front
    EXPECT_TRUE(undo.at(0).groupStart);
    EXPECT_EQ(undo.at(0).previous, RGBColor(50, 50, 50));

    EXPECT_EQ(undo.UndoGroup(b), 1u);
    EXPECT_EQ(b.pixel(6, 6), RGBColor(50, 50, 50));
    EXPECT_EQ(b.pixel(5, 5), red);
    EXPECT_EQ(undo.UndoGroup(b), 1u);
    EXPECT_EQ(b.pixel(5, 5), RGBColor(50, 50, 50));
    EXPECT_EQ(b.pixel(1, 1), red);
    EXPECT_EQ(undo.UndoGroup(b), 3u);
    EXPECT_EQ(b, before);
    EXPECT_TRUE(undo.empty());
    EXPECT_EQ(undo.UndoGroup(b), 0u);
}

TEST(UndoList, APixelPaintedTwiceInOneStrokeGetsItsColourFromBeforeTheStroke) {
    Bitmap b = grey(4, 4, 90);
    TUndoList undo;
    paint(undo, b, true, 1, 1, RGBColor(1, 2, 3));
    paint(undo, b, false, 2, 1, RGBColor(1, 2, 3));
    paint(undo, b, false, 1, 1, RGBColor(7, 8, 9)); // back over the first cell
    undo.UndoGroup(b);
    EXPECT_EQ(b, grey(4, 4, 90));
}

TEST(UndoList, PixelsOutsideThePictureAreLeftAlone) {
    Bitmap b = grey(3, 3, 10);
    TUndoList undo;
    paint(undo, b, true, -1, 0, RGBColor(255, 255, 255)); // recorded, changes nothing
    EXPECT_EQ(undo.at(0).previous, clInvalid);
    paint(undo, b, false, 3, 3, RGBColor(255, 255, 255));
    EXPECT_EQ(undo.UndoGroup(b), 2u);
    EXPECT_EQ(b, grey(3, 3, 10));

    // A picture that has become smaller since the paint.
    Bitmap big = grey(6, 6, 20);
    paint(undo, big, true, 5, 5, RGBColor(0, 0, 0));
    Bitmap small = grey(2, 2, 30);
    EXPECT_EQ(undo.UndoGroup(small), 1u);
    EXPECT_EQ(small, grey(2, 2, 30));
}

TEST(UndoList, AStrokeWithoutItsStartRunsIntoTheStrokeBefore) {
    // The grid lost the focus during a drag: the rest of the drag has no
    // group start, and undo goes on through the click before it.
    Bitmap b = grey(4, 4, 0);
    TUndoList undo;
    paint(undo, b, true, 0, 0, RGBColor(9, 9, 9));
    paint(undo, b, false, 1, 0, RGBColor(9, 9, 9));
    paint(undo, b, false, 2, 0, RGBColor(9, 9, 9));
    EXPECT_EQ(undo.UndoGroup(b), 3u);
    EXPECT_EQ(b, grey(4, 4, 0));
    paint(undo, b, true, 1, 1, RGBColor(5, 5, 5));
    undo.Clear();
    EXPECT_TRUE(undo.empty());
    EXPECT_EQ(undo.UndoGroup(b), 0u);
    EXPECT_EQ(b.pixel(1, 1), RGBColor(5, 5, 5));
}
