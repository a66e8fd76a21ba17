#include "effects/gui/raduvir.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <utility>

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
    return QRect(QPoint(0, 0), ViewSize());
}

void TRaDuvir::SetZoom(ZoomScale zoom) {
    if (zoom == zoom_) return;
    zoom_ = zoom;
    UpdateViewSize();
    update();
}

PhotoViewMapping TRaDuvir::Mapping() const {
    return PhotoViewMapping(zoom_, Picture().width(), Picture().height());
}

QPoint TRaDuvir::PhotoPixelAt(const QPointF& at) const {
    const double dpr = devicePixelRatioF();
    const PhotoViewMapping m = Mapping();
    return {m.toPhoto(int(std::floor(at.x() * dpr))), m.toPhoto(int(std::floor(at.y() * dpr)))};
}

QRect TRaDuvir::PixelRect(int x, int y) const {
    const double dpr = devicePixelRatioF();
    const PhotoViewMapping m = Mapping();
    // Device pixels to the control's, rounded outwards.
    const int left = int(std::floor(m.toScreen(x) / dpr));
    const int top = int(std::floor(m.toScreen(y) / dpr));
    const int right = std::max(left + 1, int(std::ceil(m.toScreenEnd(x) / dpr)));
    const int bottom = std::max(top + 1, int(std::ceil(m.toScreenEnd(y) / dpr)));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QPoint TRaDuvir::PixelCentre(int x, int y) const {
    const QRect r = PixelRect(x, y);
    return {r.left() + (r.width() - 1) / 2, r.top() + (r.height() - 1) / 2};
}

QSize TRaDuvir::ViewSize() const {
    const double dpr = devicePixelRatioF();
    const PhotoViewMapping m = Mapping();
    return {int(std::ceil(m.screenWidth() / dpr)), int(std::ceil(m.screenHeight() / dpr))};
}

void TRaDuvir::UpdateViewSize() {
    setMinimumSize(ViewSize());
}

void TRaDuvir::UpdatePixel(int x, int y) {
    // A reduced view averages the pixel into a neighbour of its rectangle
    // too.
    update(PixelRect(x, y).adjusted(-1, -1, 1, 1));
}

void TRaDuvir::paintEvent(QPaintEvent* event) {
    drawing_ = true;
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    // Read only: a picture that shares the photograph keeps sharing it.
    const Bitmap* b = std::as_const(*this).Picture().bitmap();
    if (b && !b->empty()) {
        // The view shows 24-bit pixels; another format is converted once.
        Bitmap converted;
        const Bitmap* shown = b;
        if (b->pixelFormat() != PixelFormat::pf24bit) {
            converted = b->convertedTo24();
            shown = &converted;
        }
        const QImage image(shown->bits(), shown->width(), shown->height(),
                           qsizetype(shown->bytesPerLine()), QImage::Format_BGR888);
        QRect dest = destinationRect();
        const double dpr = devicePixelRatioF();
        if (!stretch_ && !center_ && (zoom_ != ZoomScale{1, 1} || dpr != 1.0)) {
            // Only the exposed device pixels, each showing its photo pixel
            // (or the mean of those it covers).
            const PhotoViewMapping m = Mapping();
            const QRectF exposedF = QRectF(event->rect()).intersected(QRectF(dest));
            const int left = int(std::floor(exposedF.left() * dpr));
            const int top = int(std::floor(exposedF.top() * dpr));
            const int right = std::min(m.screenWidth(), int(std::ceil(exposedF.right() * dpr)));
            const int bottom = std::min(m.screenHeight(), int(std::ceil(exposedF.bottom() * dpr)));
            if (right > left && bottom > top) {
                QImage region(right - left, bottom - top, QImage::Format_RGB32);
                RenderViewRegion(*shown, m, left, top, region.width(), region.height(),
                                 reinterpret_cast<std::uint32_t*>(region.bits()),
                                 std::size_t(region.bytesPerLine()) / 4);
                region.setDevicePixelRatio(dpr);
                painter.drawImage(QPointF(left / dpr, top / dpr), region);
            }
        } else if (dest.size() == image.size()) {
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
