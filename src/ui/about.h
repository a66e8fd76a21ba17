// The texts of the About box.
#pragma once

#include <string>

namespace vt {

// What the About box shows under the product name: the version text, three
// blanks and the date text.
std::string ReleaseText(const std::string& versionText, const std::string& dateText);

// The acknowledgements: the libraries Vorantel uses, with the versions in
// use (the toolkit's is given by the caller, which links it). Lines are
// broken with "\n".
std::string AcknowledgementsText(const std::string& qtVersion);

// How to reach the maker. Lines are broken with "\n".
std::string ContactText();

} // namespace vt
