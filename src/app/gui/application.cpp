#include "app/gui/application.h"

#include <exception>

#include "imageio/imageerrors.h"
#include "platform/gui/dialogs.h"

namespace vt::gui {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Vorantel");
    // No display name: the window system would add it to every window's
    // title ("Vorantel - Studio — Vorantel"), and the titles are complete.
    // The desktop file names the program and its icon to the desktop.
    setDesktopFileName(kDesktopFileName);
    // Readers' warnings (a JPEG that ends early, say) are shown; the load
    // goes on.
    SetWarningHandler([](const std::string& caption, const std::string& text) {
        MessageDlg(QString::fromStdString(text), QString::fromStdString(caption), MsgIcon::Warning,
                   mbOK);
    });
}

void TApplication::ShowException(const char* message) {
    MessageDlg(QString::fromUtf8(message), "Vorantel", MsgIcon::Error, mbOK);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("An unexpected error occurred.");
    }
    return false;
}

} // namespace vt::gui
