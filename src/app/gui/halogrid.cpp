#include "app/gui/halogrid.h"

#include <QPainter>

namespace vt::gui {

THaloGrid::THaloGrid(QWidget* parent) : QWidget(parent) {
    cells_.fill(palette().button().color());
    setFixedSize(kCells * cellSize_, kCells * cellSize_);
}

void THaloGrid::setCellSize(int size) {
    cellSize_ = size;
    setFixedSize(kCells * size, kCells * size);
    update();
}

void THaloGrid::setCellColor(int col, int row, const QColor& c) {
    if (col < 0 || row < 0 || col >= kCells || row >= kCells) return;
    cells_[std::size_t(row * kCells + col)] = c;
    update();
}

void THaloGrid::fillAll(const QColor& c) {
    cells_.fill(c);
    update();
}

void THaloGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int r = 0; r < kCells; ++r)
        for (int c = 0; c < kCells; ++c)
            p.fillRect(c * cellSize_, r * cellSize_, cellSize_, cellSize_, cellColor(c, r));
}

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    resize(11, 11);
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

} // namespace vt::gui
