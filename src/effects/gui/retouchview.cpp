#include "effects/gui/retouchview.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <utility>

#include "effects/gui/halogrid.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchhost.h"
#include "platform/gui/dialogs.h"

namespace vt::gui {

namespace {

QColor ToQColor(TColor c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
TColor FromQColor(const QColor& c) {
    return RGBColor(c.red(), c.green(), c.blue());
}

// The marker's outline and the gap inside it: the marker pixel lies this far
// from the marker's top-left corner.
int MarkerInset(const TShape* shape) {
    return shape->penWidth() + 4;
}

// Runs a handler after a key moved a list's current entry.
class ListKeys : public QObject {
  public:
    ListKeys(QListWidget* list, std::function<void()> handler)
        : QObject(list), list_(list), handler_(std::move(handler)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != list_ || event->type() != QEvent::KeyPress || inside_) return false;
        const int before = list_->currentRow();
        inside_ = true;
        QApplication::sendEvent(list_, event);
        inside_ = false;
        // Delivered: to the list and, where it ignored the key, on to its
        // parents. It must not travel on a second time.
        event->accept();
        if (list_->currentRow() != before && list_->currentRow() >= 0) handler_();
        return true;
    }

  private:
    QListWidget* list_;
    std::function<void()> handler_;
    bool inside_ = false;
};

} // namespace

void OnListChoice(QListWidget* list, std::function<void()> handler) {
    QObject::connect(list, &QListWidget::itemClicked, list, [handler] { handler(); });
    list->installEventFilter(new ListKeys(list, std::move(handler)));
}

TRetouchView::TRetouchView(const Controls& controls, TRetouchHost& host, QObject* parent)
    : QObject(parent), c_(controls), host_(host) {
    PointerPos = [] { return QCursor::pos(); };
    // A picture rendered anew has none of the painted pixels the undo list
    // would give back their old colours.
    c_.Image1->setOnRendered([this] { undo_.Clear(); });

    OnListChoice(c_.lbFixPoints, [this] { lbFixPointsClick(); });
    connect(c_.Shape1, &TShape::dragMoved, this, [this](const QPoint& p) { MarkerDragged(p); });
    connect(c_.Shape1, &TShape::dragDropped, this, [this](const QPoint& p) { MarkerDropped(p); });
    connect(c_.Shape1, &TShape::dragCancelled, this, [this] { MarkerDragCancelled(); });
    connect(c_.Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    c_.imgHalo->OnDrawCell = [this](int col, int row) { imgHaloDrawCell(col, row); };
    connect(c_.imgHalo, &THaloGrid::mouseDown, this,
            [this](Qt::MouseButton b) { imgHaloMouseDown(b); });
    connect(c_.imgHalo, &THaloGrid::mouseMoved, this,
            [this](Qt::MouseButtons b, const QPoint& at) { imgHaloMouseMove(b, at); });
    connect(c_.imgHalo, &THaloGrid::clicked, this, [this](const QPoint& at) { imgHaloClick(at); });
    connect(c_.imgHalo, &THaloGrid::focusLost, this, [this] { imgHaloExit(); });
    connect(c_.imgHalo, &THaloGrid::contextMenuRequested, this, [this](const QPoint& at) {
        pmHaloPopup(at);
        c_.pmHalo->popup(at);
    });
    connect(c_.SetBrush1, &QAction::triggered, this, [this] { SetBrush1Click(); });
    connect(c_.SelectAColor1, &QAction::triggered, this, [this] { SelectAColor1Click(); });
    connect(c_.imgBrush, &TBrushSwatch::clicked, this, [this] { imgBrushClick(); });
}

// --------------------------------------------------------------------------
// Marker

QPoint TRetouchView::MarkerPixel() const {
    return marker_;
}

void TRetouchView::PlaceMarker(int x, int y) {
    marker_ = QPoint(x, y);
    ZoomChanged();
}

void TRetouchView::ZoomChanged() {
    // The marker frames the pixel's square on the screen with the same gap
    // at every zoom; at 100 % it spans x - 6 .. x + 6.
    const int inset = MarkerInset(c_.Shape1);
    const QRect pixel = c_.Image1->PixelRect(marker_.x(), marker_.y());
    c_.Shape1->setGeometry(pixel.adjusted(-inset, -inset, inset, inset));
}

void TRetouchView::lbFixPointsClick() {
    QListWidget* list = c_.lbFixPoints;
    const int i = list->currentRow();
    if (i < 0 || !list->item(i)->isSelected()) return;
    const auto v = std::uint32_t(list->item(i)->data(Qt::UserRole).toInt());
    const int x = int(v >> 16), y = int(v & 0xFFFF);
    Image1DragDrop(x, y);

    // The scroll ranges must know the photo now shown before scrolling.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QWidget* view = c_.ScrollBox1->viewport();
    const QPoint centre = c_.Image1->PixelCentre(x, y);
    c_.ScrollBox1->horizontalScrollBar()->setValue(centre.x() - view->width() / 2);
    c_.ScrollBox1->verticalScrollBar()->setValue(centre.y() - view->height() / 2);

    {
        QSignalBlocker block(list);
        list->setCurrentRow(i);
    }
    host_.RefreshCommandStates();
}

bool TRetouchView::Image1DragOver(const QObject* source) const {
    return source == c_.Shape1;
}

void TRetouchView::Image1DragDrop(int x, int y) {
    {
        QSignalBlocker block(c_.lbFixPoints);
        c_.lbFixPoints->setCurrentRow(-1);
        c_.lbFixPoints->clearSelection();
    }
    c_.Timer1->stop();
    PlaceMarker(x, y);
    // The marker shows wherever it is put on a picture, also one that was
    // on view before it had a marker (a blackshot just analysed).
    if (!c_.Image1->Picture().empty()) c_.Shape1->show();
    ShowNeighbourhood(x, y);
}

bool TRetouchView::FormDragOver(const QPoint& at, const QObject* source, DragState state) {
    if (state == DragState::Leave) {
        c_.Timer1->stop();
        return false;
    }
    bool run = true;
    if (source == c_.Shape1) {
        const QRect r(c_.ScrollBox1->mapTo(c_.window, QPoint(0, 0)), c_.ScrollBox1->size());
        const bool inside = r.left() <= at.x() && at.x() < r.left() + r.width() &&
                            r.top() <= at.y() && at.y() < r.top() + r.height();
        run = !inside;
    }
    if (run && !c_.Timer1->isActive())
        c_.Timer1->start();
    else if (!run)
        c_.Timer1->stop();
    return false;
}

void TRetouchView::Timer1Timer() {
    const QPoint at = c_.window->mapFromGlobal(PointerPos());
    const QPoint topLeft = c_.ScrollBox1->mapTo(c_.window, QPoint(0, 0));
    const int left = topLeft.x(), top = topLeft.y();
    const int right = left + c_.ScrollBox1->width(), bottom = top + c_.ScrollBox1->height();
    QScrollBar* h = c_.ScrollBox1->horizontalScrollBar();
    QScrollBar* v = c_.ScrollBox1->verticalScrollBar();
    if (left <= at.x() && at.x() < right) {
        if (at.y() < top)
            v->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (at.y() > bottom)
            v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (top <= at.y() && at.y() < bottom) {
        if (at.x() < left)
            h->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else {
        // Diagonally outside a corner: no direction to go.
        c_.Timer1->stop();
    }
}

bool TRetouchView::OverView(const QPoint& globalPos) const {
    QWidget* view = c_.ScrollBox1->viewport();
    return view->rect().contains(view->mapFromGlobal(globalPos));
}

void TRetouchView::SetDragCursor(bool accepted) {
    const Qt::CursorShape shape = accepted ? Qt::CrossCursor : Qt::ForbiddenCursor;
    if (dragCursor_)
        QApplication::changeOverrideCursor(shape);
    else
        QApplication::setOverrideCursor(shape);
    dragCursor_ = true;
}

void TRetouchView::MarkerDragged(const QPoint& globalPos) {
    if (OverView(globalPos)) {
        // Over the photo: the window's surface is left behind.
        FormDragOver(QPoint(), c_.Shape1, DragState::Leave);
        SetDragCursor(Image1DragOver(c_.Shape1));
    } else {
        FormDragOver(c_.window->mapFromGlobal(globalPos), c_.Shape1, DragState::Move);
        SetDragCursor(false);
    }
}

void TRetouchView::RestoreDragCursor() {
    if (dragCursor_) QApplication::restoreOverrideCursor();
    dragCursor_ = false;
}

void TRetouchView::MarkerDragCancelled() {
    // The marker never left its pixel; only the drag's scrolling and cursor
    // have to go.
    RestoreDragCursor();
    FormDragOver(QPoint(), c_.Shape1, DragState::Leave);
}

void TRetouchView::MarkerDropped(const QPoint& globalPos) {
    RestoreDragCursor();
    if (OverView(globalPos) && Image1DragOver(c_.Shape1)) {
        const QPoint at = c_.Image1->PhotoPixelAt(c_.Image1->mapFromGlobal(QPointF(globalPos)));
        Image1DragDrop(at.x(), at.y());
    } else {
        FormDragOver(QPoint(), c_.Shape1, DragState::Leave);
    }
}

// --------------------------------------------------------------------------
// Magnifier

void TRetouchView::ClearImgHalo() {
    c_.imgHalo->fillAll(c_.imgHalo->palette().button().color());
    undo_.Clear();
    c_.imgHalo->hide();
    c_.imgHalo->update();
}

void TRetouchView::SelectFirstFixPoint() {
    QListWidget* list = c_.lbFixPoints;
    list->setEnabled(true);
    if (list->count() == 0) return;
    list->setCurrentRow(0);
    lbFixPointsClick();
}

TColor TRetouchView::PixelOf(int x, int y) const {
    // Reading puts no blank picture in: the grid reads while it paints.
    const Bitmap* shown = std::as_const(*c_.Image1).Picture().bitmap();
    return shown ? shown->pixel(x, y) : clInvalid;
}

TColor TRetouchView::CellColorOf(int x, int y) const {
    const TColor c = PixelOf(x, y);
    return c < 0 ? RGBColor(0, 0, 0) : c;
}

QPoint TRetouchView::PixelOfCell(int col, int row) const {
    const QPoint m = MarkerPixel();
    const int half = THaloGrid::kCells / 2;
    return {m.x() - half + col, m.y() - half + row};
}

void TRetouchView::ShowNeighbourhood(int x, int y) {
    const int half = THaloGrid::kCells / 2;
    for (int col = 0; col < THaloGrid::kCells; ++col)
        for (int row = 0; row < THaloGrid::kCells; ++row)
            c_.imgHalo->setCellColor(col, row,
                                     ToQColor(CellColorOf(x - half + col, y - half + row)));
}

void TRetouchView::imgHaloDrawCell(int col, int row) {
    const QPoint p = PixelOfCell(col, row);
    // The grid is painting already: the cell needs its colour, no repaint.
    c_.imgHalo->setCellColor(col, row, ToQColor(CellColorOf(p.x(), p.y())), false);
}

// --------------------------------------------------------------------------
// Brush

TColor TRetouchView::BrushColor() const {
    return FromQColor(c_.imgBrush->color());
}

void TRetouchView::SetBrushColor(TColor c) {
    c_.imgBrush->setColor(ToQColor(c));
}

void TRetouchView::imgHaloMouseDown(Qt::MouseButton button) {
    strokeStart_ = button == Qt::LeftButton;
}

void TRetouchView::PaintPixel(int col, int row, TColor c, bool groupStart) {
    const QPoint p = PixelOfCell(col, row);
    Bitmap& canvas = c_.Image1->Canvas();
    const TColor previous = canvas.pixel(p.x(), p.y());
    canvas.setPixel(p.x(), p.y(), c);
    c_.Image1->UpdatePixel(p.x(), p.y());
    undo_.Record(groupStart, previous, p.x(), p.y());
    host_.RefreshCommandStates();
    strokeStart_ = false;
    host_.SetUnsavedChanges(true);
    c_.imgHalo->setCellColor(col, row, ToQColor(c));
}

void TRetouchView::imgHaloClick(const QPoint& at) {
    int col = 0, row = 0;
    if (!c_.imgHalo->cellAt(at, col, row)) return;
    PaintPixel(col, row, BrushColor(), strokeStart_);
}

void TRetouchView::imgHaloMouseMove(Qt::MouseButtons buttons, const QPoint& at) {
    if (buttons & Qt::LeftButton) imgHaloClick(at);
}

void TRetouchView::imgHaloExit() {
    strokeStart_ = false;
}

void TRetouchView::pmHaloPopup(const QPoint& globalPos) {
    popupPoint_ = globalPos;
}

void TRetouchView::SetBrush1Click() {
    int col = 0, row = 0;
    if (!c_.imgHalo->cellAt(c_.imgHalo->mapFromGlobal(popupPoint_), col, row)) return;
    const QPoint p = PixelOfCell(col, row);
    const TColor c = PixelOf(p.x(), p.y());
    if (c >= 0) SetBrushColor(c);
}

void TRetouchView::SelectAColor1Click() {
    int col = 0, row = 0;
    if (!c_.imgHalo->cellAt(c_.imgHalo->mapFromGlobal(popupPoint_), col, row)) return;
    const QPoint p = PixelOfCell(col, row);
    const TColor c = PixelOf(p.x(), p.y());
    if (c < 0) return;
    const std::optional<QColor> chosen = dialogs().chooseColor(ToQColor(c));
    if (!chosen) return;
    PaintPixel(col, row, FromQColor(*chosen), true);
}

void TRetouchView::imgBrushClick() {
    const std::optional<QColor> chosen = dialogs().chooseColor(c_.imgBrush->color());
    if (chosen) SetBrushColor(FromQColor(*chosen));
}

// --------------------------------------------------------------------------
// Undo

void TRetouchView::sbUndoClick() {
    undo_.UndoGroup(c_.Image1->Canvas());
    const QPoint m = MarkerPixel();
    ShowNeighbourhood(m.x(), m.y());
    c_.Image1->update();
    c_.imgHalo->update();
    host_.RefreshCommandStates();
}

} // namespace vt::gui
