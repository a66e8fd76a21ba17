// The desktop file's "Open with" list against the desktop's own table of
// file types (shared-mime-info) and the formats the program reads.
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

#include "imageio/fileformatlist.h"
#include "platform/files.h"

using namespace vt;

namespace {

const char kGlobs[] = "/usr/share/mime/globs2";

// shared-mime-info's "weight:type:*.ext" lines: the extensions of each type.
std::map<std::string, std::set<std::string>> ExtensionsByType() {
    std::map<std::string, std::set<std::string>> byType;
    std::ifstream f(kGlobs);
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t a = line.find(':');
        const std::size_t b = line.find(':', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        const std::string type = line.substr(a + 1, b - a - 1);
        std::string glob = line.substr(b + 1);
        glob = glob.substr(0, glob.find(':'));
        if (glob.rfind("*.", 0) != 0 || glob.find_first_of("*?[", 2) != std::string::npos) continue;
        byType[type].insert(LowerCase(glob.substr(2)));
    }
    return byType;
}

std::set<std::string> DesktopMimeTypes() {
    std::ifstream f(std::string(VORANTEL_SOURCE_DIR) + "/desktop/com.tarnwick.Vorantel.desktop");
    std::string line;
    std::set<std::string> types;
    while (std::getline(f, line)) {
        if (line.rfind("MimeType=", 0) != 0) continue;
        std::stringstream ss(line.substr(9));
        std::string t;
        while (std::getline(ss, t, ';'))
            if (!t.empty()) types.insert(t);
    }
    return types;
}

// Registered extensions whose reader can read pictures: not the metafiles,
// which this platform cannot draw, and not EPS, whose reader only finds a
// TIFF preview that most EPS files lack.
bool Readable(const std::string& ext) {
    const TGraphicClass* c = FileFormatList().GraphicFromExtension(ext);
    if (!c) return false;
    const std::string name = c->Name;
    return name != "TMetafile" && name != "TEPSGraphic";
}

} // namespace

TEST(DesktopFile, OpenWithListsTheImageTypesTheProgramReads) {
    if (!FileExists(kGlobs)) GTEST_SKIP() << kGlobs << " is missing (shared-mime-info)";
    const auto byType = ExtensionsByType();
    const std::set<std::string> listed = DesktopMimeTypes();
    ASSERT_FALSE(listed.empty());

    // Every type listed is one the desktop knows, and a file of it carries
    // an extension that reaches a reader.
    for (const std::string& type : listed) {
        auto it = byType.find(type);
        ASSERT_NE(it, byType.end()) << type << " is unknown to shared-mime-info";
        bool reads = false;
        for (const std::string& ext : it->second)
            reads = reads || Readable(ext);
        EXPECT_TRUE(reads) << type << " has no extension the program reads";
    }

    // And every image type whose extensions the program reads is listed;
    // image/rle (Utah raster files) only shares the extension of
    // run-length encoded Windows bitmaps.
    for (const auto& [type, exts] : byType) {
        if (type.rfind("image/", 0) != 0 || type == "image/rle") continue;
        for (const std::string& ext : exts) {
            if (Readable(ext)) {
                EXPECT_TRUE(listed.count(type)) << type << " (*." << ext << ") is not listed";
            }
        }
    }
}
