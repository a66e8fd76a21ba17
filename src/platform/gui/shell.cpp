#include "platform/gui/shell.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>

namespace vt::gui {

namespace {

ShellOpener& Opener() {
    static ShellOpener opener;
    return opener;
}

ClipboardWriter& Writer() {
    static ClipboardWriter writer;
    return writer;
}

// A path of the file system becomes a file URL; an address stays as it is.
QUrl TargetUrl(const QString& target) {
    if (QDir::isAbsolutePath(target)) return QUrl::fromLocalFile(target);
    return QUrl(target, QUrl::TolerantMode);
}

} // namespace

bool ShellOpen(QWidget*, const QString& target) {
    if (Opener()) return Opener()(target);
    const QUrl url = TargetUrl(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

void SetClipboardText(const QString& text) {
    if (Writer()) {
        Writer()(text);
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

void SetShellOpener(ShellOpener opener) {
    Opener() = std::move(opener);
}

void SetClipboardWriter(ClipboardWriter writer) {
    Writer() = std::move(writer);
}

} // namespace vt::gui
