// The camera for each photo of a batch, chosen by the photo's Exif: the
// library camera recorded for the photo's make, model and serial number
// (cameraidentity.h), its camera file read once for all the photos that
// use it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "camera/camerafile.h"

namespace vt {

struct CameraChoices {
    // Per photo: the camera chosen, or "" and why there is none.
    std::vector<std::string> camera;
    std::vector<std::string> reason;
    // Per photo: the camera's hot pixels, null where there is none; ready
    // for RunBatch. They point into `lists`.
    std::vector<const HotPixelList*> hotPixels;
    // The camera files read, by camera name.
    std::map<std::string, HotPixelList> lists;
};

// Reads each photo's Exif (not its pixels) and each chosen camera's file.
// A photo that cannot be opened, carries no make or model, matches no
// camera, or whose camera file cannot be read gets none, with the reason.
CameraChoices ChooseCamerasByExif(const std::vector<std::string>& photos,
                                  const std::string& cameraDir);

// Texts of a batch whose photos are repaired each with its own camera:
// the list entry, "IMG_0042.jpg (Studio)" or "IMG_0042.jpg (no camera)";
// the status while a photo is repaired, "Repairing IMG_0042.jpg with
// Studio"; and the message after a run that left photos unrepaired, one
// photo and its reason per paragraph.
std::string BatchEntryText(const std::string& fileName, const std::string& camera);
std::string RepairingWithText(const std::string& fileName, const std::string& camera);
std::string NotRepairedText(const std::vector<std::string>& fileNames,
                            const std::vector<std::string>& reasons);
inline constexpr const char* kNotRepairedCaption = "Not Repaired";

} // namespace vt
