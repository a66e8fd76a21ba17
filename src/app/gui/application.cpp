#include "app/gui/application.h"

#include <QThread>
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
    // Loads of photographs keep their readers' warnings with the photo and
    // tell them with its name. A warning raised elsewhere is shown on the
    // window's thread, whatever thread raised it; the load goes on.
    SetWarningHandler([this](const std::string& caption, const std::string& text) {
        auto show = [caption, text] {
            MessageDlg(QString::fromStdString(text), QString::fromStdString(caption),
                       MsgIcon::Warning, mbOK);
        };
        if (QThread::currentThread() == thread())
            show();
        else
            QMetaObject::invokeMethod(this, show, Qt::QueuedConnection);
    });
}

TApplication::~TApplication() {
    SetWarningHandler({});
}

void TApplication::ShowException(const char* message) {
    ShowErrorMessage(QString::fromUtf8(message));
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
