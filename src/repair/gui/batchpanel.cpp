#include "repair/gui/batchpanel.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/qtutil.h"
#include "repair/gui/droplist.h"
#include "repair/gui/photolists.h"
#include "repair/photooutput.h"
#include "repair/repair.h"

namespace vt::gui {

namespace {

// Where an entry keeps its place in the order of adding.
constexpr int kOrderRole = Qt::UserRole + 1;
// The whole run's progress bar counts this much per photo.
constexpr int kPerPhoto = 100;

} // namespace

// Runs on the batch's own thread and hands every report to the window's
// thread, in order. Reports that need the window's answer, or hand it a
// picture, wait for it; the others are queued.
class TBatchPanel::Observer : public BatchObserver {
  public:
    explicit Observer(TBatchPanel& panel) : panel_(panel) {}

    bool proceed() override { return !panel_.stop_; }
    void loading(std::size_t index) override {
        post([this, index] {
            panel_.inHand_ = index;
            panel_.ShowStep("Loading ", index);
            panel_.ShowRunProgress(index, 0, 1);
        });
    }
    void repairing(std::size_t index) override {
        post([this, index] { panel_.ShowStep("Repairing ", index); });
    }
    void progress(std::size_t index, const std::string&, int position, int maximum) override {
        post(
            [this, index, position, maximum] { panel_.ShowRunProgress(index, position, maximum); });
    }
    void storing(std::size_t index, Bitmap* picture, PhotoMetadata* metadata) override {
        wait([this, index, picture, metadata] {
            const std::string& path = panel_.run_[index].path;
            // The repaired photo is shown with its own file, metadata and
            // destination; it is the one Restore returns to.
            panel_.host_.ShowStoredPhoto(picture ? std::move(*picture) : Bitmap(), path,
                                         metadata ? std::move(*metadata) : PhotoMetadata(),
                                         DestinationPathFor(path), panel_.camera_);
            panel_.ShowStep("Storing ", index);
        });
    }
    void storeOutcome(std::size_t, const StoreOutcome& outcome) override {
        post([this, mode = StoreModeText(outcome)] { panel_.host_.ShowStoreMode(mode); });
    }
    void stored(std::size_t index, const std::string& written) override {
        post([this, index, written] {
            panel_.host_.AddToRetouchList(written);
            panel_.RemoveFromList(index);
            panel_.ShowRunProgress(index + 1, 0, 1);
        });
    }
    bool failed(std::size_t index, const BatchFailure& failure) override {
        bool goOn = false;
        wait([this, index, &failure, &goOn] {
            const std::string& path = panel_.run_[index].path;
            if (failure.jpegStore) {
                // The JPEG could not be written: said, and the run goes on;
                // the photo stays in the list, as it was not stored.
                MessageDlg(Q(failure.text), "File Error", MsgIcon::Error, mbOK);
                goOn = true;
            } else if (failure.damaged) {
                // Told with the others at the end; the run goes on.
                panel_.damaged_.push_back(failure.text);
                panel_.RemoveFromList(index);
                goOn = true;
            } else {
                MessageDlg(Q("Unable to read file " + path + "\r" + failure.text), "File Error",
                           MsgIcon::Error, mbOK);
                panel_.RemoveFromList(index);
                panel_.failed_ = true;
            }
            panel_.ShowRunProgress(index + 1, 0, 1);
        });
        return goOn;
    }

  private:
    template <class F> void post(F&& f) {
        QMetaObject::invokeMethod(&panel_, std::forward<F>(f), Qt::QueuedConnection);
    }
    template <class F> void wait(F&& f) {
        QMetaObject::invokeMethod(&panel_, std::forward<F>(f), Qt::BlockingQueuedConnection);
    }

    TBatchPanel& panel_;
};

TBatchPanel::TBatchPanel(const Controls& controls, OpenDialogState& odImageFile, TBatchHost& host,
                         QObject* parent)
    : QObject(parent), c_(controls), odImageFile_(odImageFile), host_(host) {
    setObjectName("BatchPanel");
    c_.lbBatchList->OnDragEnter = [this] { return ddfxBatchDragEnter(); };
    c_.lbBatchList->OnProcessDropped = [this](const QStringList& files) {
        AddFiles(files);
        host_.RefreshCommandStates();
    };
    connect(c_.btnAddImagesToList, &QPushButton::clicked, this,
            [this] { btnAddImagesToListClick(); });
    connect(c_.btnFixBatch, &QPushButton::clicked, this, [this] { btnFixBatchClick(); });
    connect(c_.btnStopBatch, &QPushButton::clicked, this, [this] { Stop(); });
    c_.btnStopBatch->hide();
}

TBatchPanel::~TBatchPanel() {
    if (!running_) return;
    Stop();
    WaitForEnd();
}

// --------------------------------------------------------------------------
// The batch list

void TBatchPanel::AddFiles(const QStringList& files) {
    for (const QString& file : files) {
        const std::string path = S(file);
        if (!IsImageExtension(ExtractFileName(path))) continue;
        auto* item = new QListWidgetItem(Q(ExtractFileName(path)));
        item->setData(Qt::UserRole, file);
        item->setData(kOrderRole, QVariant::fromValue(nextOrder_++));
        InsertSorted(c_.lbBatchList, item);
        c_.btnFixBatch->setEnabled(true);
    }
}

void TBatchPanel::btnAddImagesToListClick() {
    AddFiles(AskForImages(odImageFile_));
    host_.RefreshCommandStates();
}

bool TBatchPanel::ddfxBatchDragEnter() const {
    return host_.CameraSelected() && !running_;
}

bool TBatchPanel::DeleteSelected() {
    return DeleteSelectedItems(c_.lbBatchList);
}

void TBatchPanel::Clear() {
    c_.lbBatchList->clear();
}

std::vector<TBatchPanel::Entry> TBatchPanel::Entries() const {
    std::vector<Entry> entries;
    for (int i = 0; i < c_.lbBatchList->count(); ++i) {
        const QListWidgetItem* item = c_.lbBatchList->item(i);
        entries.push_back(
            {item->data(kOrderRole).toULongLong(), S(item->data(Qt::UserRole).toString())});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.order < b.order; });
    return entries;
}

std::vector<std::string> TBatchPanel::Paths() const {
    std::vector<std::string> paths;
    for (const Entry& e : Entries())
        paths.push_back(e.path);
    return paths;
}

int TBatchPanel::Count() const {
    return c_.lbBatchList->count();
}

bool TBatchPanel::HasSelection() const {
    return !c_.lbBatchList->selectedItems().isEmpty();
}

void TBatchPanel::RemoveFromList(std::size_t index) {
    const unsigned long long order = run_[index].order;
    for (int i = 0; i < c_.lbBatchList->count(); ++i)
        if (c_.lbBatchList->item(i)->data(kOrderRole).toULongLong() == order) {
            delete c_.lbBatchList->takeItem(i);
            break;
        }
    c_.lbBatchList->repaint();
}

// --------------------------------------------------------------------------
// The run

QString TBatchPanel::NameOf(std::size_t index) const {
    return Q(ExtractFileName(run_[index].path));
}

void TBatchPanel::ShowStep(const char* step, std::size_t index) {
    // Once a stop was asked for, the label says so until the run ends.
    if (stop_) return;
    c_.lblFileName->setText(step + NameOf(index));
    c_.lblFileName->repaint();
}

void TBatchPanel::ShowRunProgress(std::size_t index, int position, int maximum) {
    const int count = int(run_.size());
    const int shown = std::min(int(index) + 1, count);
    c_.lblBatchProgress->setText(QString("%1 of %2").arg(shown).arg(count));
    const int within = maximum > 0 ? int(std::int64_t(position) * kPerPhoto / maximum) : 0;
    c_.pbBatchProgress->setRange(0, count * kPerPhoto);
    c_.pbBatchProgress->setValue(std::min(int(index) * kPerPhoto + within, count * kPerPhoto));
}

void TBatchPanel::btnFixBatchClick() {
    if (running_) return;
    failed_ = false;
    damaged_.clear();
    std::vector<Entry> entries = Entries();
    std::shared_ptr<const HotPixelList> camera = host_.HotPixels();
    if (!entries.empty() && !camera) {
        // Without a camera there is nothing to repair: storing the photos
        // unchanged would only look like a repair.
        MessageDlg("No camera has been loaded yet, so the photographs cannot be repaired.\r"
                   "Choose a camera in the Camera tab first.",
                   "Fix", MsgIcon::Warning, mbOK);
        host_.RefreshCommandStates();
        return;
    }
    // The run replaces the displayed photo: its changes are asked about
    // first, and Cancel starts nothing.
    if (!host_.MayReplacePhoto()) {
        host_.RefreshCommandStates();
        return;
    }
    c_.btnFixBatch->setEnabled(false);
    host_.ClearImgHalo();
    if (entries.empty()) {
        run_.clear();
        End();
        return;
    }
    Begin(std::move(entries), std::move(camera));
}

void TBatchPanel::Begin(std::vector<Entry> entries, std::shared_ptr<const HotPixelList> camera) {
    run_ = std::move(entries);
    camera_ = std::move(camera);
    running_ = true;
    stop_ = false;
    inHand_ = 0;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    host_.LockForRun(true);
    c_.btnFixBatch->hide();
    c_.btnStopBatch->show();
    c_.btnStopBatch->setEnabled(true);
    ShowRunProgress(0, 0, 1);
    host_.RefreshCommandStates();
    observer_ = std::make_unique<Observer>(*this);

    BatchOptions options;
    options.workers = Workers;
    options.keepPictures = true;
    options.keepJpegQuality = host_.KeepJpegQuality();
    options.stop = &stop_;
    std::vector<std::string> photos;
    for (const Entry& e : run_)
        photos.push_back(e.path);
    auto work = [this, photos = std::move(photos), options] {
        try {
            RunBatch(photos, *camera_, *observer_, options);
        } catch (const std::exception& e) {
            // Failures of a photo are reported per photo; anything else
            // ends the run and is said once.
            const std::string text = e.what();
            QMetaObject::invokeMethod(
                this, [text] { MessageDlg(Q(text), "File Error", MsgIcon::Error, mbOK); },
                Qt::BlockingQueuedConnection);
            failed_ = true;
        }
        QMetaObject::invokeMethod(
            this, [this] { End(); }, Qt::QueuedConnection);
    };
    try {
        thread_ = StartThread ? StartThread(std::move(work)) : std::thread(std::move(work));
    } catch (const std::exception& e) {
        // No run: the window is given back as it was.
        observer_.reset();
        camera_.reset();
        running_ = false;
        QApplication::restoreOverrideCursor();
        host_.LockForRun(false);
        c_.btnStopBatch->hide();
        c_.btnFixBatch->show();
        c_.btnFixBatch->setEnabled(true);
        c_.lblBatchProgress->clear();
        c_.pbBatchProgress->setValue(0);
        MessageDlg(Q(std::string("The batch fix could not be started.\r") + e.what()), "Fix",
                   MsgIcon::Error, mbOK);
        host_.RefreshCommandStates();
    }
}

void TBatchPanel::End() {
    if (thread_.joinable()) thread_.join();
    observer_.reset();
    camera_.reset();
    if (running_) {
        running_ = false;
        QApplication::restoreOverrideCursor();
        host_.LockForRun(false);
        c_.btnStopBatch->hide();
        c_.btnFixBatch->show();
    }
    c_.lblFileName->clear();
    c_.lblBatchProgress->clear();
    c_.pbBatchProgress->setValue(0);
    if (failed_) {
        // The last stored photo stays on view with its own destination;
        // Fix waits for the next photo or camera.
        c_.btnFixBatch->setEnabled(false);
    } else {
        host_.ClearPhoto();
        // Photos left by a stop can be run again.
        c_.btnFixBatch->setEnabled(Count() > 0 && host_.BatchEnabled());
    }
    host_.RefreshCommandStates();
    if (!damaged_.empty()) {
        QString text = "These photographs were not stored:";
        for (const std::string& d : damaged_)
            text += "\r" + Q(d);
        damaged_.clear();
        MessageDlg(text, "Warning", MsgIcon::Warning, mbOK);
    }
    emit Finished();
}

void TBatchPanel::Stop() {
    if (!running_ || stop_) return;
    stop_ = true;
    c_.btnStopBatch->setEnabled(false);
    c_.lblFileName->setText("Stopping after " + NameOf(inHand_));
    c_.lblFileName->repaint();
}

void TBatchPanel::WaitForEnd() {
    while (running_)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

} // namespace vt::gui
