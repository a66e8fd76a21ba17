// The Batch tab's run: every photograph of the batch list loaded, repaired
// with the current camera, stored in the "Vorantel" folder beside it and
// moved to the retouch list, one after the other in the order they were
// added. The work runs off the window's thread, on as many workers as the
// machine has cores; the window follows it photo by photo (what is being
// done to which photo, the repair's progress, each photo as it is stored)
// and stays responsive: Stop, or Escape, ends the run after the photo in
// hand. While a run goes on, nothing that would touch the list, the camera
// or the photo can be used.
#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "repair/batch.h"

namespace vt::gui {

class TForm1;

class TBatchRun : public QObject {
    Q_OBJECT
  public:
    explicit TBatchRun(TForm1& form);
    // A run still going is stopped after its photo in hand and waited for.
    ~TBatchRun() override;

    // Fix on the Batch tab: starts a run over the batch list.
    void btnFixBatchClick();
    // Ends the run after the photo in hand.
    void Stop();
    bool Running() const { return running_; }
    // Handles the window's events until the run has ended.
    void WaitForEnd();

    // Photos worked on at once; 0: one per processor core.
    unsigned Workers = 0;

  signals:
    void Finished();

  private:
    class Observer;
    void Begin();
    void End(const BatchSummary& summary);
    // Removes the first entry of the batch list, and its path, for path.
    void RemoveFromBatchList(const std::string& path);
    QString NameOf(std::size_t index) const;

    TForm1& form_;
    std::vector<std::string> photos_;
    std::unique_ptr<Observer> observer_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    bool failed_ = false;
};

} // namespace vt::gui
