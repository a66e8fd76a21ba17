// Small facts about the running executable that the About box shows: its
// version and the date of its file.
#pragma once

#include <string>

namespace vt {

// The last-write date of a file as "d mmm, yyyy": day without a leading
// zero, the short month name of the given locale ("" for the user's own,
// from the environment), a comma and the four-digit year, in local time.
// Empty when the file cannot be opened for reading.
std::string FileDateText(const std::string& path, const std::string& localeName = "");

// FileDateText of the running executable, in the user's locale.
std::string GetExeDateText();

// The version text of a version string compiled into the program: the
// string itself, or "No version information found" when there is none.
std::string VersionText(const char* fileVersion);

// VersionText of this build's own version.
std::string GetExeVersionText();

} // namespace vt
