#include "ui/helpbook.h"

#include "platform/files.h"
#include "platform/progdir.h"

namespace vt {

std::string HelpPageOf(int context) {
    switch (context) {
    case kHelpCameraTab:
        return "camera.html";
    case kHelpNewCamera:
        return "newcamera.html";
    case kHelpBatchTab:
        return "batch.html";
    case kHelpRetouchTab:
        return "retouch.html";
    case kHelpEffectsDialog:
        return "effects.html";
    default:
        return kHelpContentsPage;
    }
}

int HelpContextOfTab(int tabIndex) {
    switch (tabIndex) {
    case 0:
        return kHelpCameraTab;
    case 1:
        return kHelpBatchTab;
    case 2:
        return kHelpRetouchTab;
    default:
        return kHelpContents;
    }
}

std::vector<std::string> HelpBookFolders(const std::string& exeDir,
                                         const std::string& xdgDataDirs) {
    std::vector<std::string> folders;
    auto add = [&folders](const std::string& dir) {
        for (const std::string& f : folders)
            if (f == dir) return;
        folders.push_back(dir);
    };
    add(IncludeTrailingDelimiter(exeDir) + "help/");
    add(InstalledDataDirectory(exeDir) + "help/");
    const std::string dirs = xdgDataDirs.empty() ? "/usr/local/share:/usr/share" : xdgDataDirs;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        // Relative entries are not valid in the variable and are ignored.
        if (!dir.empty() && dir[0] == '/') add(IncludeTrailingDelimiter(dir) + "vorantel/help/");
        start = end + 1;
    }
    return folders;
}

std::string FindHelpBook(const std::vector<std::string>& folders) {
    for (const std::string& f : folders)
        if (FileExists(f + kHelpContentsPage)) return f;
    return {};
}

std::string HelpBookMissingText(const std::vector<std::string>& folders) {
    std::string text =
        "Cannot find the help book. Vorantel looked for " + std::string(kHelpContentsPage) + " in:";
    for (const std::string& f : folders)
        text += "\r" + f;
    return text;
}

} // namespace vt
