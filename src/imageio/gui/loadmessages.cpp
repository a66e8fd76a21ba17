#include "imageio/gui/loadmessages.h"

#include "imageio/fileformatlist.h"
#include "platform/gui/dialogs.h"

namespace vt::gui {

void ReportUnreadable(const std::string& path, const std::string& message) {
    MessageDlg(QString::fromStdString("Unable to read file " + path + "\r" + message), "File Error",
               MsgIcon::Error, mbOK);
}

void ReportDamaged(const std::string& path, const std::vector<std::string>& warnings) {
    MessageDlg(QString::fromStdString(DamagedPhotoText(path, warnings)), "Warning",
               MsgIcon::Warning, mbOK);
}

} // namespace vt::gui
