#include "ui/forum.h"

#include "platform/registry.h"

namespace vt {

std::string ForumAddress(const TRegistry& registry) {
    auto stored = registry.ReadString(kProgramRegistryKey, kForumAddressValue);
    return stored && !stored->empty() ? *stored : kDefaultForumAddress;
}

std::string BrowserFailedText(const std::string& address) {
    return "The attempt to start your web browser failed. Please try again later or:\r"
           "   ... start your browser yourself and visit " +
           address +
           ".\r"
           "Click on CANCEL to put this address on the Windows clipboard to paste into your "
           "browser, or click on RETRY to try again.";
}

} // namespace vt
