#include "app/gui/application.h"

#include <exception>

#include "platform/gui/dialogs.h"

namespace vt::gui {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Vorantel");
    setApplicationDisplayName("Vorantel");
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
