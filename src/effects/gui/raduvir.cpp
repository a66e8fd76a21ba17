#include "effects/gui/raduvir.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace vt::gui {

TRaDuvir::TRaDuvir(QWidget* parent) : QWidget(parent) {
    resize(105, 105);
    setMouseTracking(true);
}

void TRaDuvir::setStretch(bool on) {
    if (stretch_ == on) return;
    stretch_ = on;
    update();
}

void TRaDuvir::setCenter(bool on) {
    if (center_ == on) return;
    center_ = on;
    update();
}

void TRaDuvir::Repaint() {
    update();
}

void TRaDuvir::DisplayChanged() {
    if (drawing_)
        repaint();
    else
        update();
}

QRect TRaDuvir::destinationRect() const {
    int pw = Picture().width(), ph = Picture().height();
    if (stretch_) return rect();
    if (center_) return QRect((width() - pw) / 2, (height() - ph) / 2, pw, ph);
    return QRect(0, 0, pw, ph);
}

void TRaDuvir::paintEvent(QPaintEvent* event) {
    drawing_ = true;
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    const Bitmap* b = Picture().bitmap();
    if (b && !b->empty()) {
        QImage image;
        if (b->pixelFormat() == PixelFormat::pf24bit) {
            image = QImage(b->bits(), b->width(), b->height(), qsizetype(b->bytesPerLine()),
                           QImage::Format_BGR888);
        } else {
            Bitmap copy = b->convertedTo24();
            image = QImage(copy.bits(), copy.width(), copy.height(), qsizetype(copy.bytesPerLine()),
                           QImage::Format_BGR888)
                        .copy();
        }
        QRect dest = destinationRect();
        if (dest.size() == image.size()) {
            // Only the exposed part: a 24-megapixel photo repaints quickly.
            QRect exposed = event->rect().intersected(dest);
            painter.drawImage(exposed.topLeft(), image, exposed.translated(-dest.topLeft()));
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, stretch_);
            painter.drawImage(dest, image);
        }
    }
    drawing_ = false;
}

void TRaDuvir::enterEvent(QEnterEvent*) {
    mouseInside_ = true;
    emit OnMouseEnter();
}

void TRaDuvir::leaveEvent(QEvent*) {
    mouseInside_ = false;
    emit OnMouseExit();
}

void TRaDuvir::mouseMoveEvent(QMouseEvent* event) {
    mouseInside_ = true;
    emit OnMouseMove(event);
}

void TRaDuvir::mousePressEvent(QMouseEvent* event) {
    emit OnMouseDown(event);
}
void TRaDuvir::mouseReleaseEvent(QMouseEvent* event) {
    emit OnMouseUp(event);
}

} // namespace vt::gui
