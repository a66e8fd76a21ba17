// The camera library: the camera files directly in the camera directory,
// each named after its camera with the extension ".cam". Camera names are
// compared without regard to letter case; since this platform's file names
// are case-sensitive, "Studio.cam" and "studio.cam" name one camera, and the
// file whose name sorts first by byte value (upper case before lower case)
// stands for it.
#pragma once

#include <string>
#include <vector>

namespace vt {

// program directory + "Cameras" + separator.
std::string CameraDirectoryOf(const std::string& programDir);

// The file name of path without its last four characters (".cam").
std::string CameraNameOf(const std::string& path);

// Names of the cameras in dir, one per camera (see above), in the order the
// files were found (byte order of their names).
std::vector<std::string> EnumerateCameras(const std::string& dir);

// The file that stands for the camera: the existing file of dir whose name
// equals name + ".cam" without regard to case (the first by byte order), or
// dir + name + ".cam" when there is none.
std::string CameraFilePath(const std::string& dir, const std::string& name);

// The file to read for a camera file path: the path itself when it exists,
// otherwise the file of its folder that stands for the camera named by it
// (letter case aside), otherwise the path unchanged.
std::string ResolveCameraPath(const std::string& path);

// Every file of dir that names the camera.
std::vector<std::string> CameraFilesOf(const std::string& dir, const std::string& name);

// Why a name cannot be a camera's, or "" when it can. A camera's name
// becomes a file name in the camera directory: it must not be empty, hold
// "/", "\", "*" or "?", begin with "." (which would reach a parent folder
// or hide the file) or hold control characters (line ends, escapes).
std::string CameraNameError(const std::string& name);

} // namespace vt
