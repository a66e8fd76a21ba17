// The photo view control: paints the engine's display picture and forwards
// the pointer's comings and goings.
#pragma once

#include <QWidget>

#include "effects/raduvir_engine.h"
#include "effects/viewzoom.h"

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

    // --- Zoom (neither stretched nor centred): device pixels per photo
    // pixel. At 1 one photo pixel is one device pixel of the screen.
    ZoomScale Zoom() const { return zoom_; }
    void SetZoom(ZoomScale zoom);
    // The mapping between photo pixels and the device pixels of the view.
    PhotoViewMapping Mapping() const;
    // The photo pixel under a point of the control (outside the photo when
    // the point is).
    QPoint PhotoPixelAt(const QPointF& at) const;
    // The rectangle of the control that shows a photo pixel, at least one
    // pixel wide and high.
    QRect PixelRect(int x, int y) const;
    // A point of the control that shows the photo pixel (its rectangle's
    // centre).
    QPoint PixelCentre(int x, int y) const;
    // Size of the whole photo on the screen, in the control's pixels.
    QSize ViewSize() const;
    // Makes the control at least as large as the photo on the screen.
    void UpdateViewSize();
    // Repaints the part of the control that shows a photo pixel.
    void UpdatePixel(int x, int y);

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
    ZoomScale zoom_;
};

} // namespace vt::gui
