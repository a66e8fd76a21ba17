// The help book: HTML pages installed with the program, one per tab and
// dialog, found by help context.
#pragma once

#include <string>
#include <vector>

namespace vt {

// Help contexts. The tabs carry the numbers the main window's design gives
// them; the dialogs that have a page of their own carry theirs.
constexpr int kHelpContents = 0;
constexpr int kHelpCameraTab = 1000;
constexpr int kHelpNewCamera = 2000;
constexpr int kHelpBatchTab = 3000;
constexpr int kHelpRetouchTab = 4000;
constexpr int kHelpEffectsDialog = 4100;

// The book's contents page.
constexpr const char* kHelpContentsPage = "index.html";

// The page of a help context; the contents page for a context without one.
std::string HelpPageOf(int context);

// The help context of a tab of the main window (0 Camera, 1 Batch, 2
// Retouch); the contents for any other index.
int HelpContextOfTab(int tabIndex);

// The folders that may hold the book, in the order they are tried, for an
// executable in exeDir: "help/" beside the executable (a build or unpacked
// program), the installed data folder's "help/", then "vorantel/help/" in
// each folder of xdgDataDirs (colon-separated; the standard
// "/usr/local/share:/usr/share" when empty).
std::vector<std::string> HelpBookFolders(const std::string& exeDir, const std::string& xdgDataDirs);

// The first of the folders that holds the contents page; empty when none.
std::string FindHelpBook(const std::vector<std::string>& folders);

// The message for a book that is nowhere: the folders that were tried.
std::string HelpBookMissingText(const std::vector<std::string>& folders);

} // namespace vt
