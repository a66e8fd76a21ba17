// What the photo lists and the open dialogs share: the filter of graphic
// files and the "Add Images to List" dialog.
#pragma once

#include <QStringList>

namespace vt::gui {

struct OpenDialogState;

// The open dialogs' filter of the graphic files Vorantel reads.
extern const char* const kGraphicFilter;

// Shows the multi-select "Add Images to List" dialog starting where the
// state says, remembers the folder of the files picked, and returns those
// that may enter a photo list (chosen by their extension), in the order
// picked. Cancel returns none.
QStringList AskForImages(OpenDialogState& state);

} // namespace vt::gui
