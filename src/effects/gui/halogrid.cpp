#include "effects/gui/halogrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vt::gui {

THaloGrid::THaloGrid(QWidget* parent) : QWidget(parent) {
    cells_.fill(palette().button().color());
    setFixedSize(kCells * cellSize_, kCells * cellSize_);
    // Takes the focus when clicked, never by the tab key.
    setFocusPolicy(Qt::ClickFocus);
}

void THaloGrid::setCellSize(int size) {
    cellSize_ = size;
    setFixedSize(kCells * size, kCells * size);
    update();
}

void THaloGrid::setCellColor(int col, int row, const QColor& c, bool repaint) {
    if (col < 0 || row < 0 || col >= kCells || row >= kCells) return;
    cells_[std::size_t(row * kCells + col)] = c;
    if (repaint) update();
}

void THaloGrid::fillAll(const QColor& c) {
    cells_.fill(c);
    update();
}

bool THaloGrid::cellAt(const QPoint& at, int& col, int& row) const {
    if (cellSize_ <= 0 || at.x() < 0 || at.y() < 0) return false;
    col = at.x() / cellSize_;
    row = at.y() / cellSize_;
    return col < kCells && row < kCells;
}

void THaloGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int r = 0; r < kCells; ++r)
        for (int c = 0; c < kCells; ++c) {
            if (OnDrawCell) OnDrawCell(c, r);
            p.fillRect(c * cellSize_, r * cellSize_, cellSize_, cellSize_, cellColor(c, r));
        }
}

void THaloGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) leftPressed_ = true;
    emit mouseDown(event->button());
}

void THaloGrid::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->buttons(), event->position().toPoint());
}

void THaloGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !leftPressed_) return;
    leftPressed_ = false;
    emit clicked(event->position().toPoint());
}

void THaloGrid::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    emit focusLost();
}

void THaloGrid::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(event->globalPos());
}

TShape::TShape(QWidget* parent) : QWidget(parent) {
    resize(11, 11);
    setCursor(Qt::SizeAllCursor);
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QPen pen(color_, penWidth_);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    double half = penWidth_ / 2.0;
    p.drawRect(QRectF(half, half, width() - penWidth_, height() - penWidth_));
}

void TShape::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragging_ = false;
    pressedAt_ = event->globalPosition().toPoint();
}

void TShape::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) return;
    const QPoint at = event->globalPosition().toPoint();
    if (!dragging_ && (at - pressedAt_).manhattanLength() < QApplication::startDragDistance())
        return;
    if (!dragging_) {
        // The keyboard belongs to the drag while it lasts: Escape ends it.
        grabKeyboard();
        dragging_ = true;
    }
    emit dragMoved(at);
}

void TShape::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (!dragging_) return;
    dragging_ = false;
    releaseKeyboard();
    emit dragDropped(event->globalPosition().toPoint());
}

void TShape::keyPressEvent(QKeyEvent* event) {
    if (dragging_ && event->key() == Qt::Key_Escape) {
        cancelDrag();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TShape::cancelDrag() {
    const bool wasDragging = dragging_;
    pressed_ = dragging_ = false;
    if (!wasDragging) return;
    releaseKeyboard();
    emit dragCancelled();
}

TBrushSwatch::TBrushSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    setCursor(Qt::PointingHandCursor);
}

void TBrushSwatch::setColor(const QColor& c) {
    color_ = c;
    update();
}

void TBrushSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        p.fillRect(contentsRect(), color_);
    }
    QFrame::paintEvent(event);
}

void TBrushSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace vt::gui
