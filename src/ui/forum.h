// The Tarnwick Forum: where its sign-up page is and what the forum window
// says when the browser cannot be started.
#pragma once

#include <string>

namespace vt {

class TRegistry;

// The sign-up page of the maker's forum.
constexpr const char* kDefaultForumAddress = "https://forum.tarnwick.example/join";

// The string value in the program's registry key that replaces it.
constexpr const char* kProgramRegistryKey = "Vorantel";
constexpr const char* kForumAddressValue = "ForumAddress";

// The sign-up address: the registry value when it is set, else the default.
std::string ForumAddress(const TRegistry& registry);

// The thank-you box.
constexpr const char* kThankYouText = "Thank you!";
constexpr const char* kThankYouCaption = "Thank you for joining the Tarnwick Forum";

// The box shown when the browser could not be started.
constexpr const char* kBrowserFailedCaption = "Oh, well...";
std::string BrowserFailedText(const std::string& address);

} // namespace vt
