// A check box whose text wraps onto further lines where the width given to
// it is too small for one: a narrow panel shows the whole text instead of
// cutting it off. Clicking the text toggles the box, as with any check box.
#pragma once

#include <QCheckBox>

namespace vt::gui {

class TWrapCheckBox : public QCheckBox {
  public:
    explicit TWrapCheckBox(const QString& text, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

  private:
    // Where the text starts: past the indicator and its spacing.
    int textIndent() const;
    QRect textRect(int width) const;
};

} // namespace vt::gui
