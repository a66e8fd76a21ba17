#include "repair/gui/batchpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <map>

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
        post([this, index] {
            if (panel_.choices_)
                panel_.ShowStep(
                    Q(RepairingWithText(S(panel_.NameOf(index)), panel_.choices_->camera[index])));
            else
                panel_.ShowStep("Repairing ", index);
        });
    }
    void skipped(std::size_t index) override {
        post([this, index] {
            // Left on the list, and told at the end.
            panel_.notRepaired_.push_back(index);
            panel_.ShowRunProgress(index + 1, 0, 1);
        });
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
                                         DestinationPathFor(path), panel_.CameraOf(index));
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
    connect(c_.cbBatchByExif, &QCheckBox::toggled, this, [this] {
        MatchCameras();
        host_.RefreshCommandStates();
    });
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
    std::vector<std::string> paths;
    for (const QString& file : files)
        if (IsImageExtension(ExtractFileName(S(file)))) paths.push_back(S(file));
    std::vector<std::string> cameras(paths.size());
    if (ByExif()) cameras = CamerasOf(paths);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        auto* item = new QListWidgetItem(EntryText(paths[i], cameras[i]));
        item->setData(Qt::UserRole, Q(paths[i]));
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
    return (host_.CameraSelected() || ByExif()) && !running_;
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
// The camera of each photo

bool TBatchPanel::ByExif() const {
    return c_.cbBatchByExif->isChecked();
}

void TBatchPanel::SetByExif(bool on) {
    c_.cbBatchByExif->setChecked(on);
}

void TBatchPanel::CameraChanged() {
    if (ByExif())
        MatchCameras();
    else
        Clear();
}

void TBatchPanel::MatchCameras() {
    if (running_) return;
    std::map<unsigned long long, std::string> cameras;
    if (ByExif()) {
        const std::vector<Entry> entries = Entries();
        std::vector<std::string> paths;
        for (const Entry& e : entries)
            paths.push_back(e.path);
        const std::vector<std::string> names = CamerasOf(paths);
        for (std::size_t i = 0; i < entries.size(); ++i)
            cameras[entries[i].order] = names[i];
    }
    ShowCameras(cameras);
}

std::vector<std::string> TBatchPanel::CamerasOf(const std::vector<std::string>& paths) const {
    try {
        return ChooseCamerasByExif(paths, host_.CameraDirectory()).camera;
    } catch (const std::exception&) {
        // A library that cannot be read names no camera; the run says why
        // for each photo.
        return std::vector<std::string>(paths.size());
    }
}

QString TBatchPanel::EntryText(const std::string& path, const std::string& camera) const {
    const std::string name = ExtractFileName(path);
    return Q(ByExif() ? BatchEntryText(name, camera) : name);
}

void TBatchPanel::ShowCameras(const std::map<unsigned long long, std::string>& cameras) {
    // The texts change, and with them their order: every entry is put back
    // at its sorted place, with its selection.
    QListWidget* list = c_.lbBatchList;
    QSignalBlocker block(list);
    std::vector<std::pair<QListWidgetItem*, bool>> items;
    while (list->count() > 0) {
        const bool selected = list->item(0)->isSelected();
        items.emplace_back(list->takeItem(0), selected);
    }
    for (auto [item, selected] : items) {
        const auto camera = cameras.find(item->data(kOrderRole).toULongLong());
        item->setText(EntryText(S(item->data(Qt::UserRole).toString()),
                                camera == cameras.end() ? std::string() : camera->second));
        InsertSorted(list, item);
        item->setSelected(selected);
    }
}

// --------------------------------------------------------------------------
// The run

std::shared_ptr<const HotPixelList> TBatchPanel::CameraOf(std::size_t index) const {
    if (!choices_) return camera_;
    // The photo's own camera, kept by the displayed photo beyond the run.
    const HotPixelList* chosen = choices_->hotPixels[index];
    return chosen ? std::make_shared<const HotPixelList>(*chosen) : nullptr;
}

QString TBatchPanel::NameOf(std::size_t index) const {
    return Q(ExtractFileName(run_[index].path));
}

void TBatchPanel::ShowStep(const QString& text) {
    // Once a stop was asked for, the label says so until the run ends.
    if (stop_) return;
    c_.lblFileName->setText(text);
    c_.lblFileName->repaint();
}

void TBatchPanel::ShowStep(const char* step, std::size_t index) {
    ShowStep(step + NameOf(index));
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
    const bool byExif = ByExif();
    if (!entries.empty() && !camera && !byExif) {
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
    std::unique_ptr<CameraChoices> choices;
    if (byExif && !entries.empty()) {
        // Matched afresh, before anything changes: cameras may have been
        // defined or deleted since the photos were listed. The list shows
        // what the run will use.
        std::vector<std::string> paths;
        for (const Entry& e : entries)
            paths.push_back(e.path);
        choices =
            std::make_unique<CameraChoices>(ChooseCamerasByExif(paths, host_.CameraDirectory()));
        std::map<unsigned long long, std::string> cameras;
        for (std::size_t i = 0; i < entries.size(); ++i)
            cameras[entries[i].order] = choices->camera[i];
        ShowCameras(cameras);
        camera.reset();
    }
    c_.btnFixBatch->setEnabled(false);
    host_.ClearImgHalo();
    if (entries.empty()) {
        run_.clear();
        End();
        return;
    }
    Begin(std::move(entries), std::move(camera), std::move(choices));
}

void TBatchPanel::Begin(std::vector<Entry> entries, std::shared_ptr<const HotPixelList> camera,
                        std::unique_ptr<CameraChoices> choices) {
    run_ = std::move(entries);
    camera_ = std::move(camera);
    choices_ = std::move(choices);
    notRepaired_.clear();
    running_ = true;
    stop_ = false;
    inHand_ = 0;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    host_.LockForRun(true);
    c_.btnFixBatch->hide();
    c_.btnStopBatch->show();
    c_.btnStopBatch->setEnabled(true);
    c_.cbBatchByExif->setEnabled(false);
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
            if (choices_)
                RunBatch(photos, choices_->hotPixels, *observer_, options);
            else
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
        choices_.reset();
        running_ = false;
        QApplication::restoreOverrideCursor();
        host_.LockForRun(false);
        c_.cbBatchByExif->setEnabled(true);
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
    // Why each photo left alone had no camera, before the choices go.
    std::vector<std::string> names, reasons;
    for (std::size_t i : notRepaired_) {
        names.push_back(S(NameOf(i)));
        reasons.push_back(choices_ ? choices_->reason[i] : std::string());
    }
    notRepaired_.clear();
    choices_.reset();
    if (running_) {
        running_ = false;
        QApplication::restoreOverrideCursor();
        host_.LockForRun(false);
        c_.btnStopBatch->hide();
        c_.btnFixBatch->show();
        c_.cbBatchByExif->setEnabled(true);
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
    if (!names.empty())
        MessageDlg(Q(NotRepairedText(names, reasons)), kNotRepairedCaption, MsgIcon::Information,
                   mbOK);
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
