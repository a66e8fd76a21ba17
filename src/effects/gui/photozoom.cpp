#include "effects/gui/photozoom.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

#include "effects/gui/raduvir.h"

namespace vt::gui {

namespace {

QAction* MakeAction(QObject* parent, const char* name, const char* caption,
                    std::initializer_list<QKeySequence> keys) {
    auto* a = new QAction(caption, parent);
    a->setObjectName(name);
    a->setShortcuts(QList<QKeySequence>(keys));
    a->setShortcutContext(Qt::WindowShortcut);
    // The tool button's hint names the key too.
    a->setToolTip(QString(caption).remove('&') + " (" +
                  keys.begin()->toString(QKeySequence::NativeText) + ")");
    return a;
}

} // namespace

TPhotoZoom::TPhotoZoom(const Controls& controls, QObject* parent) : QObject(parent), c_(controls) {
    ZoomFit1 = MakeAction(this, "ZoomFit1", "&Fit to Window", {QKeySequence(Qt::CTRL | Qt::Key_0)});
    ZoomActual1 = MakeAction(this, "ZoomActual1", "&Actual Pixels (100 %)",
                             {QKeySequence(Qt::CTRL | Qt::Key_1)});
    // Ctrl+= as well: on many keyboards "+" needs Shift.
    ZoomIn1 =
        MakeAction(this, "ZoomIn1", "Zoom &In",
                   {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOut1 = MakeAction(this, "ZoomOut1", "Zoom &Out", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    connect(ZoomFit1, &QAction::triggered, this, [this] { FitToWindow(); });
    connect(ZoomActual1, &QAction::triggered, this, [this] { ActualPixels(); });
    connect(ZoomIn1, &QAction::triggered, this, [this] { ZoomIn(); });
    connect(ZoomOut1, &QAction::triggered, this, [this] { ZoomOut(); });
    c_.ScrollBox1->viewport()->installEventFilter(this);
    showZoom();
}

ZoomScale TPhotoZoom::fitScale() const {
    const double dpr = c_.Image1->devicePixelRatioF();
    const QSize view = c_.ScrollBox1->maximumViewportSize();
    return FitScale(c_.Image1->Picture().width(), c_.Image1->Picture().height(),
                    int(view.width() * dpr), int(view.height() * dpr));
}

void TPhotoZoom::FitToWindow() {
    fitRemembered_ = true;
    applyFit();
}

void TPhotoZoom::applyFit() {
    SetScale(fitScale());
    fitting_ = true;
    showZoom();
}

void TPhotoZoom::ActualPixels() {
    fitRemembered_ = false;
    SetScale(ZoomStep(kZoomStep100));
}

void TPhotoZoom::ZoomIn(QPoint about) {
    SetScale(ZoomStepAbove(c_.Image1->Zoom()), about);
}

void TPhotoZoom::ZoomOut(QPoint about) {
    SetScale(ZoomStepBelow(c_.Image1->Zoom()), about);
}

void TPhotoZoom::SetScale(ZoomScale scale, QPoint about) {
    fitting_ = false;
    QWidget* view = c_.ScrollBox1->viewport();
    if (about.x() < 0) about = QPoint(view->width() / 2, view->height() / 2);
    QScrollBar* h = c_.ScrollBox1->horizontalScrollBar();
    QScrollBar* v = c_.ScrollBox1->verticalScrollBar();
    // The point of the photo under `about`, in photo pixels.
    const double before = c_.Image1->Zoom().factor() / c_.Image1->devicePixelRatioF();
    const double px = (h->value() + about.x()) / before;
    const double py = (v->value() + about.y()) / before;
    c_.Image1->SetZoom(scale);
    // The scroll ranges must know the new size before scrolling.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const double after = scale.factor() / c_.Image1->devicePixelRatioF();
    h->setValue(int(std::lround(px * after - about.x())));
    v->setValue(int(std::lround(py * after - about.y())));
    if (OnZoomChanged) OnZoomChanged();
    showZoom();
}

void TPhotoZoom::PhotographShown() {
    if (fitRemembered_)
        applyFit();
    else
        SetScale(ZoomStep(kZoomStep100));
}

void TPhotoZoom::RefreshStates() {
    const bool shown = !c_.Image1->Picture().empty();
    for (QAction* a : {ZoomFit1, ZoomActual1, ZoomIn1, ZoomOut1})
        a->setEnabled(shown);
}

void TPhotoZoom::showZoom() {
    if (!c_.ZoomLabel) return;
    const QString zoom = QString::fromStdString(ZoomText(c_.Image1->Zoom()));
    c_.ZoomLabel->setText(fitting_ ? QString("Fit %1").arg(zoom) : zoom);
}

bool TPhotoZoom::eventFilter(QObject* watched, QEvent* event) {
    if (watched != c_.ScrollBox1->viewport()) return false;
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier) || c_.Image1->Picture().empty())
            return false;
        // A step per notch of a wheel; a touchpad's small movements add up
        // to one.
        wheelDelta_ += wheel->angleDelta().y();
        const QPoint at = wheel->position().toPoint();
        for (; wheelDelta_ >= 120; wheelDelta_ -= 120)
            ZoomIn(at);
        for (; wheelDelta_ <= -120; wheelDelta_ += 120)
            ZoomOut(at);
        return true;
    }
    if (event->type() == QEvent::Resize && fitting_ && !c_.Image1->Picture().empty()) {
        if (!(fitScale() == c_.Image1->Zoom())) applyFit();
    }
    return false;
}

} // namespace vt::gui
