// Progress reporting from long work in the core to whoever shows it.
#pragma once

#include <string>

namespace vt {

// Long operations call these as they go; a window repaints its status label
// and progress bar from them. Implementations decide how often to repaint.
class IProgress {
  public:
    virtual ~IProgress() = default;
    // Replaces the status text.
    virtual void status(const std::string& text) = 0;
    // Sets the range of the progress bar and resets its position to min.
    virtual void range(int min, int max) = 0;
    // Moves the progress bar.
    virtual void position(int pos) = 0;
};

// Does nothing; for callers that have nobody to tell.
class NullProgress final : public IProgress {
  public:
    void status(const std::string&) override {}
    void range(int, int) override {}
    void position(int) override {}
};

} // namespace vt
