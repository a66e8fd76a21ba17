// The desktop shell as the program uses it: open a document or address
// with its default handler, and put text on the clipboard. Both go through
// replaceable functions, so that tests check them without a desktop.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace vt::gui {

// Asks the desktop to open target (a file path or an address) with its
// default handler; true when the request was handed on. window is the
// window asking (may be null).
bool ShellOpen(QWidget* window, const QString& target);

// Puts text on the clipboard.
void SetClipboardText(const QString& text);

using ShellOpener = std::function<bool(const QString&)>;
using ClipboardWriter = std::function<void(const QString&)>;

// Replace the real functions; an empty function returns to them.
void SetShellOpener(ShellOpener opener);
void SetClipboardWriter(ClipboardWriter writer);

} // namespace vt::gui
