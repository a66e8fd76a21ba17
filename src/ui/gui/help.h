// The Help commands: the help book's pages opened in the desktop's browser.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace vt::gui {

// Opens the page of a help context (see ui/helpbook.h: kHelpCameraTab,
// kHelpBatchTab, kHelpRetouchTab, kHelpNewCamera, kHelpEffectsDialog;
// kHelpContents for the contents page). When the book is missing, or the
// browser cannot be started, says so in a message box. True when the page
// was handed to the browser.
bool ShowHelpContext(int context, QWidget* window = nullptr);

// The folders searched for the book, in order; tests replace them (empty:
// the real ones, beside the executable and in the installed places).
std::vector<std::string> HelpBookSearchFolders();
void SetHelpBookSearchFolders(std::vector<std::string> folders);

} // namespace vt::gui
