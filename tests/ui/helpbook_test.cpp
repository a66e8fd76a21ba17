#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>

#include "platform/files.h"
#include "support/tempdir.h"
#include "ui/helpbook.h"

using namespace vt;
using vt::testing::TempDir;

TEST(HelpBook, EachContextHasItsPage) {
    EXPECT_EQ(HelpPageOf(kHelpContents), "index.html");
    EXPECT_EQ(HelpPageOf(1000), "camera.html");
    EXPECT_EQ(HelpPageOf(3000), "batch.html");
    EXPECT_EQ(HelpPageOf(4000), "retouch.html");
    EXPECT_EQ(HelpPageOf(kHelpNewCamera), "newcamera.html");
    EXPECT_EQ(HelpPageOf(kHelpEffectsDialog), "effects.html");
    EXPECT_EQ(HelpPageOf(1234), "index.html");
    EXPECT_EQ(HelpContextOfTab(0), 1000);
    EXPECT_EQ(HelpContextOfTab(1), 3000);
    EXPECT_EQ(HelpContextOfTab(2), 4000);
    EXPECT_EQ(HelpContextOfTab(-1), kHelpContents);
}

TEST(HelpBook, LooksBesideTheProgramThenWhereItIsInstalled) {
    using V = std::vector<std::string>;
    EXPECT_EQ(HelpBookFolders("/opt/vorantel/bin/", ""),
              (V{"/opt/vorantel/bin/help/", "/opt/vorantel/share/vorantel/help/",
                 "/usr/local/share/vorantel/help/", "/usr/share/vorantel/help/"}));
    // Each folder once; entries of the variable that are not absolute are
    // ignored.
    EXPECT_EQ(
        HelpBookFolders("/usr/bin", "/usr/share/:relative::/home/u/.local/share"),
        (V{"/usr/bin/help/", "/usr/share/vorantel/help/", "/home/u/.local/share/vorantel/help/"}));
}

TEST(HelpBook, TheFirstFolderWithTheContentsPageWins) {
    TempDir dir;
    ASSERT_TRUE(CreateDir(dir.file("a")));
    ASSERT_TRUE(CreateDir(dir.file("b")));
    ASSERT_TRUE(CreateDir(dir.file("c")));
    dir.write("b/camera.html", "");
    dir.write("c/index.html", "");
    const std::vector<std::string> folders = {dir.file("a/"), dir.file("b/"), dir.file("c/")};
    EXPECT_EQ(FindHelpBook(folders), dir.file("c/"));
    dir.write("a/index.html", "");
    EXPECT_EQ(FindHelpBook(folders), dir.file("a/"));
    EXPECT_EQ(FindHelpBook({dir.file("none/")}), "");
    EXPECT_EQ(HelpBookMissingText({"/x/help/", "/y/help/"}),
              "Cannot find the help book. Vorantel looked for index.html in:\r/x/help/\r/y/help/");
}

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

} // namespace

// The book in the tree: every page a context names is there, and every link
// and picture of every page leads to a file of the book.
TEST(HelpBook, TheBookIsWholeAndItsLinksLead) {
    const std::string book = std::string(VORANTEL_SOURCE_DIR) + "/docs/help/";
    std::set<std::string> pages = {"index.html", "hotpixels.html", "camerafiles.html",
                                   "formats.html"};
    for (int context : {kHelpContents, kHelpCameraTab, kHelpNewCamera, kHelpBatchTab,
                        kHelpRetouchTab, kHelpEffectsDialog})
        pages.insert(HelpPageOf(context));
    const std::regex ref("(?:href|src)=\"([^\"#:]*)(#[^\"]*)?\"");
    for (const std::string& page : pages) {
        const std::string html = ReadAll(book + page);
        ASSERT_FALSE(html.empty()) << page;
        EXPECT_NE(html.find("<title>"), std::string::npos) << page;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), ref);
             it != std::sregex_iterator(); ++it) {
            const std::string target = (*it)[1];
            if (target.empty()) continue; // a link within the page
            EXPECT_TRUE(FileExists(book + target)) << page << " links to " << target;
        }
    }
}
