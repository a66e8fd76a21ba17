// The photo view control: paints the engine's display picture and forwards
// the pointer's comings and goings.
#pragma once

#include <QWidget>

#include "effects/raduvir_engine.h"

namespace vt::gui {

class TRaDuvir : public QWidget, public vt::TRaDuvirEngine {
    Q_OBJECT
  public:
    explicit TRaDuvir(QWidget* parent = nullptr);

    bool Stretch() const { return stretch_; }
    void setStretch(bool on);
    bool Center() const { return center_; }
    void setCenter(bool on);
    bool MouseInside() const { return mouseInside_; }
    bool Drawing() const { return drawing_; }

    // The rectangle in which the display picture is painted.
    QRect destinationRect() const;

  signals:
    void OnMouseEnter();
    void OnMouseExit();
    void OnMouseMove(QMouseEvent* event);
    void OnMouseDown(QMouseEvent* event);
    void OnMouseUp(QMouseEvent* event);

  protected:
    int controlWidth() const override { return width(); }
    int controlHeight() const override { return height(); }
    void Repaint() override;
    void DisplayChanged() override;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool stretch_ = false;
    bool center_ = false;
    bool mouseInside_ = false;
    bool drawing_ = false;
};

} // namespace vt::gui
