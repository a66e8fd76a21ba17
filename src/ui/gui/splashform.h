// The splash window: shows "Initializing...", then hands over to the main
// window after five seconds, a click or the space bar.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QTimer;

namespace vt::gui {

class TSplashForm : public QWidget {
    Q_OBJECT
  public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // Run once the splash is dismissed: shows the main window.
    std::function<void()> OnHandOver;

    QLabel* lblWorking = nullptr;
    QLabel* Label1 = nullptr;
    QTimer* Timer1 = nullptr;

    // Dismissal from the timer, a click or the space bar.
    void Dismiss();
    bool Shown() const { return shown_; }
    bool TimerFired() const { return timerFired_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void setUp();
    bool shown_ = false;
    bool settingUp_ = false;
    bool timerFired_ = false;
    bool handedOver_ = false;
};

} // namespace vt::gui
