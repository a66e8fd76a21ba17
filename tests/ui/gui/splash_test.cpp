// The splash's hand-over to the main window: a click during its set-up is
// remembered, the space bar works once it is shown, other keys do not.
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <gtest/gtest.h>

#include "ui/gui/splashform.h"

using namespace vt::gui;

namespace {

// A press of the left button in the middle of a widget, queued as the
// platform queues it.
void PostPress(QWidget* w) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QCoreApplication::postEvent(w, new QMouseEvent(QEvent::MouseButtonPress, at, w->mapToGlobal(at),
                                                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
}

void Key(QWidget* w, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(Splash, AClickDuringTheSetUpIsRememberedAndHandsOverOnceShown) {
    TSplashForm splash;
    int handedOver = 0;
    splash.OnHandOver = [&] { ++handedOver; };
    // The click arrives while the splash sets itself up (it lets pending
    // events run before it counts as shown): it is kept for the end.
    PostPress(splash.findChild<QFrame*>("Panel1"));
    splash.show();
    QApplication::processEvents();
    EXPECT_TRUE(splash.Shown());
    EXPECT_EQ(handedOver, 1);
    EXPECT_TRUE(splash.isHidden());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST(Splash, OnlyTheSpaceBarDismissesItOnceShown) {
    TSplashForm splash;
    int handedOver = 0;
    splash.OnHandOver = [&] { ++handedOver; };
    splash.show();
    QApplication::processEvents();
    ASSERT_TRUE(splash.Shown());
    Key(&splash, Qt::Key_Return);
    EXPECT_EQ(handedOver, 0);
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_EQ(splash.Timer1->interval(), 5000);
    Key(&splash, Qt::Key_Space);
    EXPECT_EQ(handedOver, 1);
    EXPECT_FALSE(splash.Timer1->isActive());
}
