#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/tempdir.h"
#include "ui/forum.h"

using namespace vt;
using vt::testing::TempDir;

TEST(Forum, TheAddressCanBeReplacedInTheRegistry) {
    TempDir dir;
    TRegistry reg(dir.file("registry"));
    EXPECT_EQ(ForumAddress(reg), kDefaultForumAddress);
    reg.WriteString("Vorantel", "ForumAddress", "https://lists.example.org/join/vorantel");
    EXPECT_EQ(ForumAddress(reg), "https://lists.example.org/join/vorantel");
}

TEST(Forum, TheBrowserFailureTextHasThreeLines) {
    EXPECT_EQ(BrowserFailedText("https://f.example/j"),
              "The attempt to start your web browser failed. Please try again later or:\r"
              "   ... start your browser yourself and visit https://f.example/j.\r"
              "Click on CANCEL to put this address on the Windows clipboard to paste into your "
              "browser, or click on RETRY to try again.");
}
