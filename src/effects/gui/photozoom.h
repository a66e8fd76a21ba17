// The photo view's zoom commands: fit to window, 100 %, zoom in and out by
// the steps 1/16 ... 16x, Ctrl+wheel about the pointer, the zoom in the
// status bar, and the choice between fit and 100 % that the next photograph
// is shown with.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

#include "effects/viewzoom.h"

class QAction;
class QLabel;
class QScrollArea;

namespace vt::gui {

class TRaDuvir;

class TPhotoZoom : public QObject {
    Q_OBJECT
  public:
    struct Controls {
        QScrollArea* ScrollBox1 = nullptr;
        TRaDuvir* Image1 = nullptr;
        // Shows the zoom in the status bar.
        QLabel* ZoomLabel = nullptr;
    };
    TPhotoZoom(const Controls& controls, QObject* parent = nullptr);

    // The commands, with their keys; the window puts them in its View menu
    // and tool bar.
    QAction* ZoomFit1 = nullptr;
    QAction* ZoomActual1 = nullptr;
    QAction* ZoomIn1 = nullptr;
    QAction* ZoomOut1 = nullptr;

    void FitToWindow();
    void ActualPixels();
    // One step in or out, about a point of the viewport (its centre when
    // none is given): the photo pixel there stays there.
    void ZoomIn(QPoint about = QPoint(-1, -1));
    void ZoomOut(QPoint about = QPoint(-1, -1));
    // Any scale, about a point of the viewport.
    void SetScale(ZoomScale scale, QPoint about = QPoint(-1, -1));

    // Whether the view fits the photo to the window (and follows the
    // window's size).
    bool Fitting() const { return fitting_; }
    // The choice between fit and 100 % that a new photograph is shown with;
    // the window keeps it in its settings.
    bool FitRemembered() const { return fitRemembered_; }
    void SetFitRemembered(bool fit) { fitRemembered_ = fit; }
    // A new photograph is on view: shown as last chosen.
    void PhotographShown();
    // The commands are offered while a picture is on view.
    void RefreshStates();

    // Runs after every change of the zoom (the marker follows it).
    std::function<void()> OnZoomChanged;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Zooms to fit the window and keeps fitting as it is resized.
    void applyFit();
    ZoomScale fitScale() const;
    void showZoom();

    Controls c_;
    bool fitting_ = false;
    bool fitRemembered_ = false;
    // Wheel movement not yet turned into a zoom step (120 a notch).
    int wheelDelta_ = 0;
};

} // namespace vt::gui
