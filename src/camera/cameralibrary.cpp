#include "camera/cameralibrary.h"

#include "platform/files.h"

namespace vt {

std::string CameraDirectoryOf(const std::string& programDir) {
    return IncludeTrailingDelimiter(programDir) + "Cameras" + kPathDelim;
}

std::string CameraNameOf(const std::string& path) {
    std::string name = ExtractFileName(path);
    return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::vector<std::string> EnumerateCameras(const std::string& dir) {
    std::vector<std::string> names;
    for (const std::string& file : FindFiles(dir, "*.cam")) {
        std::string name = CameraNameOf(file);
        if (name.empty()) continue;
        bool known = false;
        for (const std::string& n : names)
            if (SameText(n, name)) known = true;
        if (!known) names.push_back(name);
    }
    return names;
}

std::vector<std::string> CameraFilesOf(const std::string& dir, const std::string& name) {
    std::vector<std::string> paths;
    std::string wanted = name + ".cam";
    for (const std::string& file : FindFiles(dir, "*.cam"))
        if (SameText(file, wanted)) paths.push_back(IncludeTrailingDelimiter(dir) + file);
    return paths;
}

std::string CameraFilePath(const std::string& dir, const std::string& name) {
    std::vector<std::string> files = CameraFilesOf(dir, name);
    return files.empty() ? IncludeTrailingDelimiter(dir) + name + ".cam" : files.front();
}

std::string ResolveCameraPath(const std::string& path) {
    if (FileExists(path) || !SameText(ExtractFileExt(path), ".cam")) return path;
    std::vector<std::string> files = CameraFilesOf(ExtractFilePath(path), CameraNameOf(path));
    return files.empty() ? path : files.front();
}

std::string CameraNameError(const std::string& name) {
    if (name.empty()) return "The camera needs a name.";
    bool control = false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F) control = true;
    if (name.find_first_of("/\\*?") != std::string::npos || name[0] == '.' || control)
        return "A camera name may not hold \"/\", \"\\\", \"*\", \"?\" or control characters, "
               "nor begin with \".\".";
    return {};
}

} // namespace vt
