#include "repair/gui/droplist.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace vt::gui {

TDropList::TDropList(QWidget* parent) : QListWidget(parent) {
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    viewport()->setAcceptDrops(true);
}

QStringList TDropList::DroppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        files << url.toLocalFile();
    }
    return files;
}

void TDropList::dragEnterEvent(QDragEnterEvent* event) {
    // Drags that start inside the program and items without a file name
    // are refused; so is anything the owner does not want now.
    accepting_ = event->source() == nullptr && !DroppedFiles(event->mimeData()).isEmpty() &&
                 (event->possibleActions() & (Qt::CopyAction | Qt::MoveAction)) &&
                 (!OnDragEnter || OnDragEnter());
    if (!accepting_) {
        event->ignore();
        return;
    }
    if (!(event->possibleActions() & event->proposedAction()) ||
        event->proposedAction() == Qt::LinkAction)
        event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TDropList::dragMoveEvent(QDragMoveEvent* event) {
    if (accepting_)
        event->accept();
    else
        event->ignore();
}

void TDropList::dragLeaveEvent(QDragLeaveEvent* event) {
    accepting_ = false;
    event->accept();
}

void TDropList::dropEvent(QDropEvent* event) {
    if (!accepting_) {
        event->ignore();
        return;
    }
    accepting_ = false;
    QStringList files = DroppedFiles(event->mimeData());
    event->setDropAction(event->proposedAction() == Qt::MoveAction ? Qt::MoveAction
                                                                   : Qt::CopyAction);
    event->accept();
    if (QWidget* w = window()) {
        w->raise();
        w->activateWindow();
    }
    // Processed once the dropping program has been let go.
    QTimer::singleShot(0, this, [this, files] {
        if (OnProcessDropped) OnProcessDropped(files);
    });
}

} // namespace vt::gui
