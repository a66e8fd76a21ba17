// A list box that takes files dropped from the desktop: it accepts copy and
// move drags of files from other programs, asks its owner whether to accept
// a drag as it enters, and hands the dropped paths over once the drop has
// completed and the dropping program is released.
#pragma once

#include <QListWidget>
#include <QStringList>
#include <functional>

class QMimeData;

namespace vt::gui {

class TDropList : public QListWidget {
    Q_OBJECT
  public:
    explicit TDropList(QWidget* parent = nullptr);

    // Asked when a drag enters; false refuses the drop. Unset: accept.
    std::function<bool()> OnDragEnter;
    // Called after a drop with the full paths of the dropped files.
    std::function<void(const QStringList&)> OnProcessDropped;

    // The file-system paths a drag carries; empty when any item has none.
    static QStringList DroppedFiles(const QMimeData* data);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool accepting_ = false;
};

} // namespace vt::gui
