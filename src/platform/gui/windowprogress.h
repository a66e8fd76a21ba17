// Shows the core's progress in a status label and a progress bar while the
// work runs on the user-interface thread. Repainting every row or record
// would cost more than the work itself, so changes are collected and painted
// at most every few tens of milliseconds; what is left is painted when the
// reporter goes out of scope, at the end of the work.
#pragma once

#include <QString>
#include <chrono>
#include <string>

#include "platform/progress.h"

class QLabel;
class QProgressBar;

namespace vt::gui {

class WindowProgress : public IProgress {
  public:
    WindowProgress(QLabel* label, QProgressBar* bar,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(40));
    ~WindowProgress() override;

    void status(const std::string& text) override;
    void range(int min, int max) override;
    void position(int pos) override;

    // Paints what is pending now.
    void flush();
    int paints() const { return paints_; }

  private:
    void maybeFlush(bool force);

    QLabel* label_;
    QProgressBar* bar_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point last_{};
    std::string text_;
    bool textPending_ = false;
    int min_ = 0, max_ = 100, pos_ = 0;
    bool rangePending_ = false;
    bool posPending_ = false;
    int paints_ = 0;
    unsigned calls_ = 0;
    unsigned texts_ = 0;
};

} // namespace vt::gui
