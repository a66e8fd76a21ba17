// Remembers a window's place, size and state between runs, in the registry
// key "Vorantel\<form name>" ("Bounds" and "WindowState").
#pragma once

#include <QObject>
#include <QRect>
#include <vector>

class QWidget;

namespace vt::gui {

class TFormMemory : public QObject {
    Q_OBJECT
  public:
    // Belongs to form (which must have its object name already).
    explicit TFormMemory(QWidget* form);

    // Once the form has its designed place and size: takes the stored bounds
    // (pulled onto a screen when they lie off every screen) and the stored
    // state (a minimised window comes back normal).
    void Restore();

    // When the form goes: writes its bounds when it is in the normal state,
    // and always its state. Failures to write are not reported: the program
    // is ending.
    void Store();

    // The registry key of the form.
    std::string Key() const;

    // The usable areas of the screens, the primary one first; tests replace
    // it to stand for other screen layouts.
    static std::vector<QRect> ScreenAreas();
    static void SetScreenAreas(std::vector<QRect> areas); // empty: the real ones

  private:
    QWidget* form_;
    bool stored_ = false;
};

} // namespace vt::gui
