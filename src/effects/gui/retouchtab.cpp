#include "effects/gui/retouchtab.h"

#include <QEvent>
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
#include "platform/gui/dialogs.h"
#include "platform/gui/waitcursor.h"

namespace vt::gui {

namespace {

// Runs a handler when a widget loses the keyboard focus.
class FocusLoss : public QObject {
  public:
    FocusLoss(QWidget* widget, std::function<void()> handler)
        : QObject(widget), handler_(std::move(handler)) {
        widget->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut) handler_();
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
    if (host_.HasUnsavedChanges() && !host_.PromptSaveChanges()) {
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
    {
        WaitCursor wait;
        Photo loaded;
        try {
            loaded = host_.LoadPhoto(path);
        } catch (const std::exception& e) {
            host_.ReportUnreadable(path, e);
            return;
        }
        Bitmap photo = std::move(loaded.picture).convertedTo24();
        host_.ClearImgHalo();
        host_.SetRetouchPhotoPath(path, std::move(loaded.metadata));
        c_.Image1->setPictureOriginal(std::move(photo));
        c_.ScrollBox1->horizontalScrollBar()->setValue(0);
        c_.ScrollBox1->verticalScrollBar()->setValue(0);
        c_.Image1->ResetEffects();
    }
    c_.btnFixSingle->setEnabled(true);
    host_.RefreshCommandStates();
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

void TRetouchTab::btnResetClick() {
    c_.Image1->ResetEffects();
    c_.btnReset->setEnabled(false);
    host_.SetUnsavedChanges(false);
    host_.RefreshCommandStates();
}

} // namespace vt::gui
