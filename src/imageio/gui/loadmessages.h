// The boxes that tell the user of a photograph or blackshot that could not
// be read, or that was read from a damaged file.
#pragma once

#include <string>
#include <vector>

namespace vt::gui {

// "Unable to read file " + path + a line break + the reader's message,
// under "File Error" with the error icon.
void ReportUnreadable(const std::string& path, const std::string& message);

// The file was read, but its reader warned: one box that names the file,
// says it is damaged and gives the warnings, under "Warning".
void ReportDamaged(const std::string& path, const std::vector<std::string>& warnings);

} // namespace vt::gui
