// The retouch view's widgets: the magnifier grid of 11 x 11 cells, the
// marker that is dragged over the photo, and the brush-colour swatch. They
// only show and report; TRetouchView decides what happens.
#pragma once

#include <QColor>
#include <QFrame>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>

namespace vt::gui {

class THaloGrid : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCells = 11;
    explicit THaloGrid(QWidget* parent = nullptr);

    int cellSize() const { return cellSize_; }
    void setCellSize(int size);
    QColor cellColor(int col, int row) const { return cells_[std::size_t(row * kCells + col)]; }
    // Sets a cell's colour; repaint false while the grid paints already.
    void setCellColor(int col, int row, const QColor& c, bool repaint = true);
    void fillAll(const QColor& c);
    // The cell under a point of the grid; false for a point over no cell.
    bool cellAt(const QPoint& at, int& col, int& row) const;

    // Asked for each cell whenever the grid paints (the owner fills the
    // cell from its pixel); without it the cells keep their colours.
    std::function<void(int col, int row)> OnDrawCell;

  signals:
    void mouseDown(Qt::MouseButton button);
    // The pointer moved with these buttons held; at is in grid coordinates.
    void mouseMoved(Qt::MouseButtons buttons, const QPoint& at);
    // A left-button press on the grid was released at this point.
    void clicked(const QPoint& at);
    void focusLost();
    void contextMenuRequested(const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    int cellSize_ = 8;
    bool leftPressed_ = false;
    std::array<QColor, kCells * kCells> cells_;
};

// The marker over the photo: a square outline. Dragged with the left
// button; a press that moves less than the platform's drag distance is no
// drag.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);
    int penWidth() const { return penWidth_; }
    QColor penColor() const { return color_; }
    bool dragging() const { return dragging_; }

    // Ends a drag without a drop: the marker stays where it was.
    void cancelDrag();

  signals:
    void dragMoved(const QPoint& globalPos);
    void dragDropped(const QPoint& globalPos);
    void dragCancelled();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int penWidth_ = 2;
    QColor color_ = QColor(0, 255, 0);
    QPoint pressedAt_;
    bool pressed_ = false;
    bool dragging_ = false;
};

// The brush-colour swatch: a box filled with one colour; a click on it
// reports.
class TBrushSwatch : public QFrame {
    Q_OBJECT
  public:
    explicit TBrushSwatch(QWidget* parent = nullptr);
    QColor color() const { return color_; }
    void setColor(const QColor& c);

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QColor color_ = Qt::black;
};

} // namespace vt::gui
