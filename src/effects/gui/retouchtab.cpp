#include "effects/gui/retouchtab.h"

#include <QEvent>
#include <QFocusEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <memory>

#include "effects/gui/effectsform.h"
#include "effects/gui/raduvir.h"
#include "effects/gui/retouchhost.h"
#include "effects/gui/retouchview.h"
#include "imageio/gui/loadmessages.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/qtutil.h"
#include "platform/gui/waitcursor.h"
#include "repair/repair.h"

namespace vt::gui {

namespace {

// Runs a handler when a widget loses the keyboard focus to another control
// of its window by the user's own doing; a pop-up menu, a message box or
// another window taking the focus does not count.
class FocusLoss : public QObject {
  public:
    FocusLoss(QWidget* widget, std::function<void()> handler)
        : QObject(widget), handler_(std::move(handler)) {
        widget->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::FocusOut) return false;
        switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::MouseFocusReason:
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
            handler_();
            break;
        default:
            break;
        }
        return false;
    }

  private:
    std::function<void()> handler_;
};

} // namespace

TRetouchTab::TRetouchTab(const Controls& controls, TRetouchHost& host, QObject* parent)
    : QObject(parent), c_(controls), host_(host) {
    OnListChoice(c_.cbRetouchList, [this] { cbRetouchListClick(); });
    new FocusLoss(c_.cbRetouchList, [this] { cbRetouchListExit(); });
    connect(c_.cbRetouchTimer, &QTimer::timeout, this, [this] { cbRetouchTimerTimer(); });
}

std::string TRetouchTab::PathOf(const QListWidgetItem* item) {
    if (!item) return {};
    return item->data(Qt::UserRole).toString().toStdString();
}

void TRetouchTab::cbRetouchListClick() {
    // A right click now would open the pop-up menu over a photo about to
    // change.
    host_.SetBatchMenuAutoPopup(false);
    c_.cbRetouchTimer->stop();
    c_.cbRetouchTimer->setInterval(kLoadDelayMs);
    c_.cbRetouchTimer->start();
}

void TRetouchTab::cbRetouchListExit() {
    c_.cbRetouchTimer->stop();
    host_.SetBatchMenuAutoPopup(true);
}

void TRetouchTab::SelectDisplayedEntry() {
    QListWidget* list = c_.cbRetouchList;
    const std::string shown = host_.CurrentDestination();
    QSignalBlocker block(list);
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i)
        if (!shown.empty() && PathOf(list->item(i)) == shown) {
            list->setCurrentRow(i);
            return;
        }
}

void TRetouchTab::cbRetouchTimerTimer() {
    c_.cbRetouchTimer->stop();
    host_.SetBatchMenuAutoPopup(true);
    // Cancel (or a save that did not happen) keeps the photo on display
    // with its changes.
    if (!host_.MayReplacePhoto()) {
        SelectDisplayedEntry();
        host_.RefreshCommandStates();
        return;
    }

    const QList<QListWidgetItem*> selected = c_.cbRetouchList->selectedItems();
    c_.btnRetouch->setEnabled(!selected.isEmpty());
    if (selected.isEmpty()) {
        // The entry was deleted while the load waited: nothing to load.
        host_.RefreshCommandStates();
        return;
    }
    const std::string path = PathOf(selected.first());
    Photo loaded;
    {
        WaitCursor wait;
        try {
            loaded = host_.LoadPhoto(path);
        } catch (const std::exception& e) {
            ReportUnreadable(path, e.what());
            return;
        }
    }
    const std::vector<std::string> warnings = loaded.warnings;
    host_.ShowRetouchPhoto(path, std::move(loaded));
    c_.btnFixSingle->setEnabled(true);
    host_.RefreshCommandStates();
    if (!warnings.empty()) ReportDamaged(path, warnings);
}

void TRetouchTab::btnRetouchClick() {
    if (!c_.Image1->PictureOriginal().empty()) {
        TEffectsForm& form = *c_.EffectsForm;
        form.Target = c_.Image1;
        form.SetPreviewFrom(*c_.Image1);
        if (dialogs().execModal(form) == QDialog::Accepted) {
            // The dialog has rendered the photograph with its effects.
            host_.SetUnsavedChanges(true);
            c_.btnReset->setEnabled(true);
        }
    }
    host_.RefreshCommandStates();
}

void TRetouchTab::AddToRetouchList(const std::string& path) {
    QListWidget* list = c_.cbRetouchList;
    for (int i = 0; i < list->count(); ++i)
        if (PathOf(list->item(i)) == path) return;
    auto* item = new QListWidgetItem(QString::fromStdString(ExtractFileName(path)));
    item->setData(Qt::UserRole, QString::fromStdString(path));
    QSignalBlocker block(list);
    InsertSorted(list, item);
}

void TRetouchTab::AddFiles(const QStringList& files) {
    for (const QString& file : files)
        if (IsImageExtension(ExtractFileName(file.toStdString())))
            AddToRetouchList(file.toStdString());
}

bool TRetouchTab::DeleteSelected() {
    return DeleteSelectedItems(c_.cbRetouchList);
}

std::string TRetouchTab::SelectedPath() const {
    const QList<QListWidgetItem*> selected = c_.cbRetouchList->selectedItems();
    return selected.isEmpty() ? std::string() : PathOf(selected.first());
}

void TRetouchTab::LocateFile1Click() {
    const std::string path = SelectedPath();
    if (path.empty()) return;
    if (FileLocator && FileLocator(path)) return;
    MessageDlg("Error during CreateProcess", "Vorantel", MsgIcon::None, mbOK);
}

void TRetouchTab::btnResetClick() {
    c_.Image1->ResetEffects();
    c_.btnReset->setEnabled(false);
    host_.SetUnsavedChanges(false);
    host_.RefreshCommandStates();
}

} // namespace vt::gui
