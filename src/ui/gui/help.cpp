#include "ui/gui/help.h"

#include <QString>
#include <cstdlib>

#include "platform/gui/dialogs.h"
#include "platform/gui/shell.h"
#include "platform/progdir.h"
#include "ui/helpbook.h"

namespace vt::gui {

namespace {

std::vector<std::string>& FolderOverride() {
    static std::vector<std::string> folders;
    return folders;
}

const char kHelpCaption[] = "Help";

} // namespace

std::vector<std::string> HelpBookSearchFolders() {
    if (!FolderOverride().empty()) return FolderOverride();
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    return HelpBookFolders(ExecutableDirectory(), dirs ? dirs : "");
}

void SetHelpBookSearchFolders(std::vector<std::string> folders) {
    FolderOverride() = std::move(folders);
}

bool ShowHelpContext(int context, QWidget* window) {
    const std::vector<std::string> folders = HelpBookSearchFolders();
    const std::string book = FindHelpBook(folders);
    if (book.empty()) {
        MessageDlg(QString::fromStdString(HelpBookMissingText(folders)), kHelpCaption,
                   MsgIcon::Warning, mbOK);
        return false;
    }
    const QString page = QString::fromStdString(book + HelpPageOf(context));
    if (ShellOpen(window, page)) return true;
    MessageDlg("Cannot start the web browser to show the help page\r" + page, kHelpCaption,
               MsgIcon::Warning, mbOK);
    return false;
}

} // namespace vt::gui
