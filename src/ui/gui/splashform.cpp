#include "ui/gui/splashform.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/gui/icons.h"

namespace vt::gui {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("SplashForm");
    setWindowTitle("Rev Ivi Dav Or");
    setFixedSize(363, 188);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    auto* frame = new QFrame(this);
    frame->setObjectName("Panel1");
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    auto* logo = new QLabel(frame);
    logo->setObjectName("Image1");
    logo->setAlignment(Qt::AlignCenter);
    QFont big = font();
    big.setPixelSize(34);
    big.setBold(true);
    big.setItalic(true);
    logo->setFont(big);
    logo->setText("Vorantel");
    auto* icon = new QLabel(frame);
    icon->setObjectName("Image2");
    icon->setPixmap(ProgramIcon("vorantel").pixmap(32, 32));
    Label1 = new QLabel("Removes hot pixels from your photographs.", frame);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    lblWorking = new QLabel(frame);
    lblWorking->setObjectName("lblWorking");
    lblWorking->setAlignment(Qt::AlignCenter);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addWidget(logo, 1);
    auto* inner = new QVBoxLayout(frame);
    inner->addLayout(top);
    inner->addWidget(Label1);
    inner->addStretch(1);
    inner->addWidget(lblWorking);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->addWidget(frame);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { Dismiss(); });

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplashForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // From now on a click on the splash counts, also one that comes before
    // the set-up below has finished.
    if (!settingUp_ && !shown_) {
        settingUp_ = true;
        timerFired_ = false;
        // Finish the set-up once the window is on screen.
        QTimer::singleShot(0, this, [this] { setUp(); });
    }
}

void TSplashForm::setUp() {
    if (shown_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    lblWorking->setText("Initializing...");
    repaint();
    // A window manager gives no focus to a splash of its own accord: the
    // space bar would never arrive.
    activateWindow();
    if (QGuiApplication::platformName() == "xcb") grabKeyboard();
    Timer1->setInterval(5000);
    QApplication::processEvents();
    Timer1->start();
    shown_ = true;
    settingUp_ = false;
    if (timerFired_) Dismiss();
}

void TSplashForm::Dismiss() {
    Timer1->stop();
    timerFired_ = true;
    if (!shown_ || handedOver_) return;
    handedOver_ = true;
    if (QWidget::keyboardGrabber() == this) releaseKeyboard();
    QApplication::restoreOverrideCursor();
    hide();
    if (OnHandOver) OnHandOver();
}

void TSplashForm::mousePressEvent(QMouseEvent* event) {
    // A click on the panel or its text dismisses at any time (during the
    // set-up it is remembered); the thin border around it only once the
    // splash is shown.
    if (shown_ || childAt(event->position().toPoint())) Dismiss();
}

void TSplashForm::keyPressEvent(QKeyEvent* event) {
    if (shown_ && event->key() == Qt::Key_Space) Dismiss();
}

} // namespace vt::gui
