#include "platform/gui/windowprogress.h"

#include <QLabel>
#include <QProgressBar>

namespace vt::gui {

WindowProgress::WindowProgress(QLabel* label, QProgressBar* bar, std::chrono::milliseconds interval)
    : label_(label), bar_(bar), interval_(interval) {
    if (bar_) {
        min_ = bar_->minimum();
        max_ = bar_->maximum();
        pos_ = bar_->value();
    }
}

WindowProgress::~WindowProgress() {
    flush();
}

void WindowProgress::status(const std::string& text) {
    // A run reports a new text for every step; keeping every one would cost
    // as much as the step. Long texts are kept every sixteenth time, short
    // ones (the last word of a run) always.
    if (text.size() <= 15 || (++texts_ & 15) == 1) {
        text_ = text;
        textPending_ = true;
    }
    maybeFlush(false);
}

void WindowProgress::range(int min, int max) {
    min_ = min;
    max_ = max;
    pos_ = min;
    rangePending_ = posPending_ = true;
    maybeFlush(false);
}

void WindowProgress::position(int pos) {
    pos_ = pos;
    posPending_ = true;
    maybeFlush(false);
}

void WindowProgress::maybeFlush(bool force) {
    // Reading the clock on every step of a long run would cost more than
    // the painting saves.
    if (!force && (++calls_ & 15) != 1) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && now - last_ < interval_) return;
    last_ = now;
    flush();
}

void WindowProgress::flush() {
    if (!textPending_ && !rangePending_ && !posPending_) return;
    if (label_ && textPending_) {
        label_->setText(QString::fromStdString(text_));
        label_->repaint();
    }
    if (bar_ && (rangePending_ || posPending_)) {
        if (rangePending_) bar_->setRange(min_, max_);
        bar_->setValue(pos_);
        bar_->repaint();
    }
    textPending_ = rangePending_ = posPending_ = false;
    ++paints_;
}

} // namespace vt::gui
