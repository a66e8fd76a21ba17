// The read-only, borderless memo of the small windows: text on the window's
// own background, lined up with the labels around it.
#pragma once

class QPlainTextEdit;
class QWidget;

namespace vt::gui {

QPlainTextEdit* BorderlessMemo(const char* name, QWidget* parent);

} // namespace vt::gui
