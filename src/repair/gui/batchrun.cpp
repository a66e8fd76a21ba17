#include "repair/gui/batchrun.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "app/gui/form1.h"
#include "effects/gui/raduvir.h"
#include "platform/files.h"
#include "platform/gui/dialogs.h"
#include "repair/gui/droplist.h"
#include "repair/photooutput.h"

namespace vt::gui {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

// Runs on the batch's own thread and hands every report to the window's
// thread, in order. Reports that need the window's answer, or hand it a
// picture, wait for it; the others are queued.
class TBatchRun::Observer : public BatchObserver {
  public:
    explicit Observer(TBatchRun& run) : run_(run) {}

    bool proceed() override { return !run_.stop_; }
    void loading(std::size_t index) override {
        post([this, index] {
            TForm1& f = run_.form_;
            f.DestinationPath = DestinationPathFor(run_.photos_[index]);
            f.setStatusText(Q(f.DestinationPath));
            f.lblFileName->setText("Loading " + run_.NameOf(index));
            f.lblFileName->repaint();
        });
    }
    void repairing(std::size_t index) override {
        post([this, index] {
            TForm1& f = run_.form_;
            f.lblFileName->setText("Repairing " + run_.NameOf(index));
            f.lblFileName->repaint();
            // The last photo's "Done" gives way to this one's progress.
            f.lblBatchProgress->clear();
            f.pbBatchProgress->setValue(0);
        });
    }
    void progress(std::size_t, const std::string& status, int position, int maximum) override {
        post([this, status, position, maximum] {
            TForm1& f = run_.form_;
            f.lblBatchProgress->setText(Q(status));
            f.pbBatchProgress->setRange(0, maximum);
            f.pbBatchProgress->setValue(position);
        });
    }
    void storing(std::size_t index, Bitmap* picture, PhotoMetadata* metadata) override {
        wait([this, index, picture, metadata] {
            TForm1& f = run_.form_;
            // The repaired photo is shown, and is the one Restore returns to.
            if (picture) f.Image1->setPictureOriginal(std::move(*picture));
            f.PhotoSource = run_.photos_[index];
            if (metadata) f.SourceMetadata = std::move(*metadata);
            f.ScrollBox1->horizontalScrollBar()->setValue(0);
            f.ScrollBox1->verticalScrollBar()->setValue(0);
            f.Image1->ResetEffects();
            f.lblFileName->setText("Storing " + run_.NameOf(index));
            f.lblFileName->repaint();
        });
    }
    void stored(std::size_t index, const std::string& written) override {
        post([this, index, written] {
            TForm1& f = run_.form_;
            f.AddToRetouchList(written);
            run_.RemoveFromBatchList(run_.photos_[index]);
            f.lbBatchList->repaint();
            f.Image1->update();
        });
    }
    bool failed(std::size_t index, const BatchFailure& failure) override {
        bool goOn = false;
        wait([this, index, &failure, &goOn] {
            if (failure.jpegStore) {
                // The JPEG could not be written: said, and the run goes on;
                // the photo stays in the list, as it was not stored.
                MessageDlg(Q(failure.text), "File Error", MsgIcon::Error, mbOK);
                goOn = true;
                return;
            }
            const std::string& path = run_.photos_[index];
            MessageDlg(Q("Unable to read file " + path + "\r" + failure.text), "File Error",
                       MsgIcon::Error, mbOK);
            run_.RemoveFromBatchList(path);
            run_.failed_ = true;
        });
        return goOn;
    }

  private:
    template <class F> void post(F&& f) {
        QMetaObject::invokeMethod(&run_, std::forward<F>(f), Qt::QueuedConnection);
    }
    template <class F> void wait(F&& f) {
        QMetaObject::invokeMethod(&run_, std::forward<F>(f), Qt::BlockingQueuedConnection);
    }

    TBatchRun& run_;
};

TBatchRun::TBatchRun(TForm1& form) : QObject(&form), form_(form) {
    setObjectName("BatchRun");
}

TBatchRun::~TBatchRun() {
    if (!running_) return;
    Stop();
    WaitForEnd();
}

QString TBatchRun::NameOf(std::size_t index) const {
    return Q(ExtractFileName(photos_[index]));
}

void TBatchRun::btnFixBatchClick() {
    if (running_) return;
    TForm1& f = form_;
    f.btnFixBatch->setEnabled(false);
    f.ClearImgHalo();
    photos_ = f.BatchPaths;
    if (!photos_.empty() && !f.HotPixels()) {
        // Without a camera there is nothing to repair: storing the photos
        // unchanged would only look like a repair.
        MessageDlg("No camera has been loaded yet, so the photographs cannot be repaired.\r"
                   "Choose a camera in the Camera tab first.",
                   "Fix", MsgIcon::Warning, mbOK);
        f.btnFixBatch->setEnabled(true);
        f.RefreshCommandStates();
        return;
    }
    if (photos_.empty()) {
        End(BatchSummary{});
        return;
    }
    Begin();
}

void TBatchRun::Begin() {
    running_ = true;
    failed_ = false;
    stop_ = false;
    TForm1& f = form_;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    f.BatchStarted();
    observer_ = std::make_unique<Observer>(*this);
    BatchOptions options;
    options.workers = Workers;
    options.keepPictures = true;
    const HotPixelList* hot = f.HotPixels();
    thread_ = std::thread([this, hot, options] {
        BatchSummary summary;
        try {
            summary = RunBatch(photos_, *hot, *observer_, options);
        } catch (const std::exception& e) {
            // Failures of a photo are reported per photo; anything else
            // ends the run and is said once.
            std::string text = e.what();
            QMetaObject::invokeMethod(
                this, [text] { MessageDlg(Q(text), "File Error", MsgIcon::Error, mbOK); },
                Qt::BlockingQueuedConnection);
            failed_ = true;
        }
        QMetaObject::invokeMethod(
            this, [this, summary] { End(summary); }, Qt::QueuedConnection);
    });
}

void TBatchRun::End(const BatchSummary&) {
    TForm1& f = form_;
    if (thread_.joinable()) thread_.join();
    observer_.reset();
    const bool wasRunning = running_;
    running_ = false;
    if (wasRunning) {
        QApplication::restoreOverrideCursor();
        f.BatchEnded();
    }
    f.lblFileName->clear();
    if (failed_) {
        // The failed photo's path stays in the status bar and the window
        // keeps what it shows; Fix waits for the next photo or camera.
        f.btnFixBatch->setEnabled(false);
    } else {
        f.ClearPhoto();
        f.setStatusText(QString());
        f.DestinationPath.clear();
        // Photos left by a stop can be run again.
        f.btnFixBatch->setEnabled(!f.BatchPaths.empty() && f.PageControl1->isTabEnabled(1));
    }
    f.RefreshCommandStates();
    emit Finished();
}

void TBatchRun::Stop() {
    stop_ = true;
}

void TBatchRun::WaitForEnd() {
    while (running_)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

void TBatchRun::RemoveFromBatchList(const std::string& path) {
    TForm1& f = form_;
    auto it = std::find(f.BatchPaths.begin(), f.BatchPaths.end(), path);
    if (it != f.BatchPaths.end()) f.BatchPaths.erase(it);
    for (int i = 0; i < f.lbBatchList->count(); ++i)
        if (TForm1::RetouchPathOf(f.lbBatchList->item(i)) == path) {
            delete f.lbBatchList->takeItem(i);
            break;
        }
}

} // namespace vt::gui
