#include "camera/camerachoice.h"

#include <exception>

#include "camera/cameraidentity.h"
#include "camera/cameralibrary.h"
#include "imageio/exiftags.h"

namespace vt {

CameraChoices ChooseCamerasByExif(const std::vector<std::string>& photos,
                                  const std::string& cameraDir) {
    const CameraIndex index(cameraDir);
    CameraChoices c;
    // Camera files that could not be read, and why.
    std::map<std::string, std::string> unreadable;
    for (const std::string& photo : photos) {
        std::string camera, reason;
        try {
            CameraIndex::Match m = index.match(IdentityOf(ReadExifTags(photo)));
            camera = m.camera;
            reason = m.reason;
        } catch (const std::exception& e) {
            reason = "Unable to read file " + photo + "\r" + e.what();
        }
        const HotPixelList* list = nullptr;
        if (!camera.empty()) {
            auto known = c.lists.find(camera);
            if (known == c.lists.end() && !unreadable.count(camera)) {
                const std::string path = CameraFilePath(cameraDir, camera);
                try {
                    known = c.lists.emplace(camera, ReadCameraFile(path).records).first;
                } catch (const std::exception& e) {
                    unreadable[camera] = CameraFileFailureText(path, e);
                }
            }
            if (known != c.lists.end()) {
                list = &known->second;
            } else {
                reason = unreadable[camera];
                camera.clear();
            }
        }
        c.camera.push_back(camera);
        c.reason.push_back(reason);
        c.hotPixels.push_back(list);
    }
    return c;
}

std::string BatchEntryText(const std::string& fileName, const std::string& camera) {
    return fileName + " (" + (camera.empty() ? "no camera" : camera) + ")";
}

std::string RepairingWithText(const std::string& fileName, const std::string& camera) {
    return "Repairing " + fileName + " with " + camera;
}

std::string NotRepairedText(const std::vector<std::string>& fileNames,
                            const std::vector<std::string>& reasons) {
    std::string text = fileNames.size() == 1
                           ? std::string("1 photo was not repaired; it stays on the list:")
                           : std::to_string(fileNames.size()) +
                                 " photos were not repaired; they stay on the list:";
    for (std::size_t i = 0; i < fileNames.size() && i < reasons.size(); ++i)
        text += "\r\r" + fileNames[i] + ": " + reasons[i];
    return text;
}

} // namespace vt
