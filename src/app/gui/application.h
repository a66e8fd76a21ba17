// The application object: an exception that escapes an event handler is
// shown to the user with its message, and the program keeps running.
#pragma once

#include <QApplication>

namespace vt::gui {

// The name of the program's desktop file (without ".desktop"), which is
// also its application id and the name of its icon.
inline constexpr const char* kDesktopFileName = VORANTEL_APP_ID;

class TApplication : public QApplication {
    Q_OBJECT
  public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an exception that reached the event loop.
    static void ShowException(const char* message);
};

} // namespace vt::gui
