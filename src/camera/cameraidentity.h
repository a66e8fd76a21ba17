// Which real camera a camera of the library stands for: the Exif Make and
// Model (and the body's serial number, where the camera writes one) of the
// blackshots or photos it was made from. Camera files keep only hot pixels,
// so the identity is kept in the settings file beside the library, in a
// section of its own per camera, together with a fingerprint of the camera
// file it was recorded for: a camera file replaced by other means (a
// definition that knew no identity, a copy) no longer claims it.
//
// Batch repair uses it to pick, for each photo, the camera whose identity
// the photo's own Exif names (CameraIndex::match).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/exiftags.h"

namespace vt {

struct CameraIdentity {
    std::string make;
    std::string model;
    std::string serial;

    bool empty() const { return make.empty() && model.empty(); }
    // Make and model agree (letter case aside).
    bool sameModel(const CameraIdentity& o) const;
    bool operator==(const CameraIdentity&) const = default;
};

CameraIdentity IdentityOf(const ExifTags& tags);

// "Canon EOS 6D" (the make is left out where the model begins with it),
// with " (serial 0123)" when there is one.
std::string DescribeIdentity(const CameraIdentity& identity);

// The identity of the files a camera is made from: the one they all carry
// (files without one aside; a serial number only where every file with
// one agrees). Empty when no file carries one, or when files of different
// makes or models were mixed (then `mixed` names them).
struct CommonIdentity {
    CameraIdentity identity;
    std::vector<CameraIdentity> mixed;
};
CommonIdentity CommonIdentityOf(const std::vector<CameraIdentity>& sources);

// For the "Camera Defined" message: which camera the new one will be chosen
// for, or why it will not be chosen by Exif; empty when no file carried
// any identity.
std::string IdentityNoteText(const CommonIdentity& common);

// The settings file that keeps a library's identities: the program's
// "Vorantel.ini" beside its "Cameras" folder, or, for a library folder of
// another name, a "Vorantel.ini" inside it.
std::string CameraSettingsPath(const std::string& cameraDir);

// Records the identity for the camera as its file now stands (an empty
// identity removes what was recorded). `defined` orders cameras of the same
// identity (later wins): a UTC time "YYYY-MM-DDTHH:MM:SSZ", now by default.
// Throws std::runtime_error when the settings file cannot be written or the
// camera file read.
void RememberCameraIdentity(const std::string& cameraDir, const std::string& camera,
                            const CameraIdentity& identity, const std::string& defined = {});
// Removes what was recorded for the camera (a deleted camera).
void ForgetCameraIdentity(const std::string& cameraDir, const std::string& camera);
// The identity recorded for the camera, empty when none is or the camera
// file has changed since.
CameraIdentity RecalledIdentity(const std::string& cameraDir, const std::string& camera);

// The identities of every camera of a library, read once.
class CameraIndex {
  public:
    explicit CameraIndex(const std::string& cameraDir);

    struct Match {
        // The camera chosen, empty for none.
        std::string camera;
        // Why there is none: NoExifText() or NoMatchingCameraText(...).
        std::string reason;
    };
    // The camera for a photo of this identity: one whose make and model are
    // the photo's, whose serial number (when both have one) is too; among
    // several, one with the photo's serial number, then the one defined
    // last.
    Match match(const CameraIdentity& photo) const;

    struct Entry {
        std::string camera;
        CameraIdentity identity;
        std::string defined;
    };
    const std::vector<Entry>& entries() const { return entries_; }

  private:
    std::vector<Entry> entries_;
};

// Why a photo was not given a camera.
std::string NoExifText();
std::string NoMatchingCameraText(const CameraIdentity& photo);

} // namespace vt
