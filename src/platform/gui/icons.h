// Tool-bar and small window icons drawn by the program itself, so that they
// show the same on every desktop whatever icon theme is installed.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace vt::gui {

// Names: "newcamera", "open", "save", "undo", "fix", "effects", "delete",
// "reset", "help", "brush", "palette", "vorantel", "zoomfit", "zoom100",
// "zoomin", "zoomout".
QIcon ProgramIcon(const QString& name);

// One of them drawn at size × size pixels (the program's desktop icons are
// made from "vorantel" at the usual sizes).
QPixmap ProgramIconPixmap(const QString& name, int size);

} // namespace vt::gui
