// The photo view at any zoom: the marker, the magnifier, the hot-pixel
// list and Ctrl+wheel work on photo pixels; fit or 100 % is remembered for
// the next photo and the next run.
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/gui/retouch_fixture.h"
#include "effects/gui/photozoom.h"
#include "platform/inifile.h"

namespace vt::gui::testing {
namespace {

class PhotoZoom : public RetouchFixture {
  protected:
    void key(int k) { QTest::keyClick(f->windowHandle(), Qt::Key(k), Qt::ControlModifier); }
    // Where a photo pixel shows, on the screen.
    QPoint screenOf(int x, int y) const {
        return f->Image1->mapToGlobal(f->Image1->PixelCentre(x, y));
    }
    bool savedFit() {
        return TIniFile(dir.file("Vorantel.ini")).ReadBool("Init", "ZoomFit", false);
    }
};

struct ZoomCase {
    const char* name;
    std::function<void(TPhotoZoom&)> choose;
};

class PhotoZoomAt : public PhotoZoom, public ::testing::WithParamInterface<ZoomCase> {};

// At each zoom the hot-pixel list centres its pixel under the marker, a
// marker dropped on the screen lands on the photo pixel shown there, the
// magnifier shows that pixel, and the view paints it there.
TEST_P(PhotoZoomAt, MarkerMagnifierAndListWorkInPhotoPixels) {
    openPhoto();
    GetParam().choose(*f->Zoom);
    QApplication::processEvents();
    clickRow(f->lbFixPoints, rowOf(700, 500));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), QPoint(700, 500));
    EXPECT_EQ(f->Shape1->geometry().center(), f->Image1->PixelRect(700, 500).center());
    QWidget* view = f->ScrollBox1->viewport();
    EXPECT_TRUE(view->rect().contains(view->mapFromGlobal(screenOf(700, 500))));

    // A reduced view skips pixels: the marker lands on the one shown there.
    const bool enlarged = f->Image1->Zoom().num >= f->Image1->Zoom().den;
    const QPoint near(690, 497);
    const QPoint target = f->Image1->PhotoPixelAt(f->Image1->PixelCentre(near.x(), near.y()));
    if (enlarged) {
        EXPECT_EQ(target, near);
    }
    EXPECT_LT((target - near).manhattanLength(), 2 * f->Image1->Zoom().den);
    emit f->Shape1->dragDropped(screenOf(target.x(), target.y()));
    EXPECT_EQ(f->RetouchView->MarkerPixel(), target);
    EXPECT_EQ(f->imgHalo->cellColor(5, 5), Q(PhotoColor(target.x(), target.y())));
    EXPECT_EQ(f->imgHalo->cellColor(5, 4), Q(PhotoColor(target.x(), target.y() - 1)));
    EXPECT_EQ(f->Shape1->geometry().center(),
              f->Image1->PixelRect(target.x(), target.y()).center());
    if (enlarged) {
        const QImage painted =
            f->Image1->grab(QRect(f->Image1->PixelCentre(target.x(), target.y()), QSize(1, 1)))
                .toImage();
        EXPECT_EQ(painted.pixelColor(0, 0), Q(PhotoColor(target.x(), target.y())));
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, PhotoZoomAt,
                         ::testing::Values(ZoomCase{"at100",
                                                    [](TPhotoZoom& z) { z.ActualPixels(); }},
                                           ZoomCase{"at800",
                                                    [](TPhotoZoom& z) {
                                                        z.SetScale({8, 1});
                                                    }},
                                           ZoomCase{"at25",
                                                    [](TPhotoZoom& z) {
                                                        z.SetScale({1, 4});
                                                    }},
                                           ZoomCase{"fit", [](TPhotoZoom& z) { z.FitToWindow(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PhotoZoom, FitOrActualPixelsIsRememberedForTheNextPhotoAndRun) {
    openPhoto();
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{1, 1}));
    EXPECT_EQ(f->ZoomLabel->text(), "100 %");
    key(Qt::Key_0);
    EXPECT_TRUE(f->Zoom->Fitting());
    const QSize shown = f->Image1->ViewSize(), room = f->ScrollBox1->maximumViewportSize();
    EXPECT_TRUE(shown.width() <= room.width() && shown.height() <= room.height());
    EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height());
    EXPECT_TRUE(f->ZoomLabel->text().startsWith("Fit "));
    key(Qt::Key_Plus);
    EXPECT_FALSE(f->Zoom->Fitting());
    EXPECT_EQ(f->Image1->Zoom(), ZoomStepAbove(FitScale(1200, 900, room.width(), room.height())));
    openPhoto();
    EXPECT_TRUE(f->Zoom->Fitting());
    f.reset();
    EXPECT_TRUE(savedFit());

    f = std::make_unique<TForm1>(dir.path());
    f->PictureLoader = [this](const std::string& path) { return Photo{photos.at(path), {}, {}}; };
    f->show();
    openPhoto();
    EXPECT_TRUE(f->Zoom->Fitting());
    key(Qt::Key_1);
    key(Qt::Key_Minus);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{1, 2}));
    EXPECT_EQ(f->ZoomLabel->text(), "50 %");
    f.reset();
    EXPECT_FALSE(savedFit());
}

TEST_F(PhotoZoom, CtrlWheelZoomsAboutThePointer) {
    openPhoto();
    QWidget* view = f->ScrollBox1->viewport();
    f->ScrollBox1->horizontalScrollBar()->setValue(300);
    f->ScrollBox1->verticalScrollBar()->setValue(200);
    const QPoint at(view->width() / 3, view->height() / 3);
    auto under = [&] { return f->Image1->PhotoPixelAt(f->Image1->mapFrom(view, QPointF(at))); };
    const QPoint before = under();
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    };
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{2, 1}));
    EXPECT_EQ(under(), before);
    wheel(120, Qt::ControlModifier);
    wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{2, 1}));
    EXPECT_EQ(under(), before);
    // A touchpad's half notches add up to one step.
    wheel(60, Qt::ControlModifier);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{2, 1}));
    wheel(60, Qt::ControlModifier);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{4, 1}));
    wheel(-120, Qt::ControlModifier);
    // Without Ctrl the wheel scrolls, as ever.
    const int top = f->ScrollBox1->verticalScrollBar()->value();
    wheel(-120, Qt::NoModifier);
    EXPECT_EQ(f->Image1->Zoom(), (ZoomScale{2, 1}));
    EXPECT_GT(f->ScrollBox1->verticalScrollBar()->value(), top);
}

} // namespace
} // namespace vt::gui::testing
