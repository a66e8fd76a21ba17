// The magnifier grid: 11 x 11 cells, each painted with one colour.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>

namespace vt::gui {

class THaloGrid : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kCells = 11;
    explicit THaloGrid(QWidget* parent = nullptr);

    int cellSize() const { return cellSize_; }
    void setCellSize(int size);
    QColor cellColor(int col, int row) const { return cells_[std::size_t(row * kCells + col)]; }
    void setCellColor(int col, int row, const QColor& c);
    void fillAll(const QColor& c);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int cellSize_ = 8;
    std::array<QColor, kCells * kCells> cells_;
};

// The marker over the photo: a square outline.
class TShape : public QWidget {
    Q_OBJECT
  public:
    explicit TShape(QWidget* parent = nullptr);
    int penWidth() const { return penWidth_; }
    QColor penColor() const { return color_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int penWidth_ = 2;
    QColor color_ = QColor(0, 255, 0);
};

} // namespace vt::gui
