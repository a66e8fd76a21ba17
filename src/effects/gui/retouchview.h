// The retouch view of the Camera tab: the marker over the photo (placed
// from the hot-pixel list or dragged), the magnifier of the 11 x 11 pixels
// around it, the brush that paints single pixels of the displayed picture,
// and the undo of those paints.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

#include "effects/undolist.h"
#include "platform/bitmap.h"

class QAction;
class QListWidget;
class QMenu;
class QScrollArea;
class QTimer;
class QWidget;

namespace vt::gui {

class TRaDuvir;
class THaloGrid;
class TShape;
class TBrushSwatch;
class TRetouchHost;

class TRetouchView : public QObject {
    Q_OBJECT
  public:
    // The window's controls the view works on; it wires their events.
    struct Controls {
        QWidget* window = nullptr; // whose surface FormDragOver speaks of
        QScrollArea* ScrollBox1 = nullptr;
        TRaDuvir* Image1 = nullptr;
        TShape* Shape1 = nullptr;
        THaloGrid* imgHalo = nullptr;
        TBrushSwatch* imgBrush = nullptr;
        QListWidget* lbFixPoints = nullptr;
        QTimer* Timer1 = nullptr;
        QMenu* pmHalo = nullptr;
        QAction* SetBrush1 = nullptr;
        QAction* SelectAColor1 = nullptr;
    };
    TRetouchView(const Controls& controls, TRetouchHost& host, QObject* parent = nullptr);

    // The paints recorded by the magnifier, newest first.
    TUndoList& Undo() { return undo_; }
    const TUndoList& Undo() const { return undo_; }
    // Empties the magnifier and the undo list, and hides the magnifier.
    void ClearImgHalo();
    // Enables the hot-pixel list and goes to its first entry, as a click on
    // it would.
    void SelectFirstFixPoint();

    // --- Marker.
    // Goes to the hot pixel of the selected entry of lbFixPoints.
    void lbFixPointsClick();
    // Only the marker may be dropped on the photo.
    bool Image1DragOver(const QObject* source) const;
    // The marker dropped on photo pixel (x, y).
    void Image1DragDrop(int x, int y);
    enum class DragState { Enter, Move, Leave };
    // Something dragged over the window outside the photo view, at a point
    // of the window; never accepted. Runs Timer1 while the marker is
    // outside the view.
    bool FormDragOver(const QPoint& at, const QObject* source, DragState state);
    // Scrolls the view one line towards the pointer while the marker is
    // dragged outside it.
    void Timer1Timer();
    // The photo pixel the marker is centred on.
    QPoint MarkerPixel() const;
    // Puts the marker on photo pixel (x, y).
    void PlaceMarker(int x, int y);
    // The view's zoom changed: the marker moves to its pixel's new place.
    void ZoomChanged();

    // --- Magnifier.
    void ShowNeighbourhood(int x, int y);
    void imgHaloDrawCell(int col, int row);

    // --- Brush.
    void imgHaloMouseDown(Qt::MouseButton button);
    // Paints the pixel of the cell under at (grid coordinates).
    void imgHaloClick(const QPoint& at);
    void imgHaloMouseMove(Qt::MouseButtons buttons, const QPoint& at);
    void imgHaloExit();
    // pmHalo opens with the pointer at this screen position.
    void pmHaloPopup(const QPoint& globalPos);
    void SetBrush1Click();
    void SelectAColor1Click();
    void imgBrushClick();
    TColor BrushColor() const;
    void SetBrushColor(TColor c);

    // --- Undo.
    void sbUndoClick();

    // The pointer's screen position; replaceable for tests.
    std::function<QPoint()> PointerPos;

  private:
    // A pixel of the displayed picture; clInvalid outside it.
    TColor PixelOf(int x, int y) const;
    // The colour shown for a photo pixel: black outside the photo.
    TColor CellColorOf(int x, int y) const;
    // Photo pixel of a magnifier cell around the marker.
    QPoint PixelOfCell(int col, int row) const;
    // Sets a pixel, repaints it and records the paint; the cell shows c.
    void PaintPixel(int col, int row, TColor c, bool groupStart);
    // The marker dragged to a screen position, dropped there, or its drag
    // given up (Escape).
    void MarkerDragged(const QPoint& globalPos);
    void MarkerDropped(const QPoint& globalPos);
    void MarkerDragCancelled();
    void RestoreDragCursor();
    // Whether a screen position lies over the visible part of the photo.
    bool OverView(const QPoint& globalPos) const;
    void SetDragCursor(bool accepted);

    Controls c_;
    TUndoList undo_;
    TRetouchHost& host_;
    bool strokeStart_ = false;
    QPoint popupPoint_;
    bool dragCursor_ = false;
    // The photo pixel the marker is on; before any is chosen, the pixel that
    // puts the marker where it was designed, its corner at the photo's
    // origin at 100 %.
    QPoint marker_{6, 6};
};

// Makes a list's handler run when the user chooses an entry: by a click, and
// by the keyboard when a key moves the current entry.
void OnListChoice(QListWidget* list, std::function<void()> handler);

} // namespace vt::gui
