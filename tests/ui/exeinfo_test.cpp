#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/progdir.h"
#include "support/tempdir.h"
#include "ui/about.h"
#include "ui/exeinfo.h"

using namespace vt;
using vt::testing::TempDir;

namespace {

// Sets a file's last-write time to noon of a local date.
void SetWriteDate(const std::string& path, int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(ExeInfo, FileDateIsDayShortMonthCommaYear) {
    TempDir dir;
    dir.write("vorantel", "x");
    SetWriteDate(dir.file("vorantel"), 2026, 12, 6);
    EXPECT_EQ(FileDateText(dir.file("vorantel"), "C"), "6 Dec, 2026");
    SetWriteDate(dir.file("vorantel"), 2025, 3, 1);
    EXPECT_EQ(FileDateText(dir.file("vorantel"), "C"), "1 Mar, 2025");
    SetWriteDate(dir.file("vorantel"), 1999, 10, 31);
    EXPECT_EQ(FileDateText(dir.file("vorantel"), "C"), "31 Oct, 1999");
    // A locale that is not installed falls back to the C locale's names.
    EXPECT_EQ(FileDateText(dir.file("vorantel"), "xx_NOWHERE.UTF-8"), "31 Oct, 1999");
}

TEST(ExeInfo, AFileThatCannotBeOpenedHasNoDate) {
    TempDir dir;
    EXPECT_EQ(FileDateText(dir.file("missing")), "");
    EXPECT_EQ(FileDateText(""), "");
}

TEST(ExeInfo, TheRunningExecutableHasADate) {
    const std::string exe = ExecutablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.substr(exe.rfind('/') + 1), "vorantel_core_tests");
    EXPECT_EQ(GetExeDateText(), FileDateText(exe));
    EXPECT_FALSE(GetExeDateText().empty());
}

TEST(ExeInfo, VersionTexts) {
    EXPECT_EQ(VersionText("1.0.1.1"), "1.0.1.1");
    EXPECT_EQ(VersionText(nullptr), "No version information found");
    EXPECT_EQ(VersionText(""), "No version information found");
    EXPECT_EQ(GetExeVersionText(), VORANTEL_VERSION);
    // The About box's line: the version, three blanks, the date; also when
    // one of them is missing.
    EXPECT_EQ(ReleaseText("1.0.1.1", "6 Dec, 2026"), "1.0.1.1   6 Dec, 2026");
    EXPECT_EQ(ReleaseText(VersionText(nullptr), ""), "No version information found   ");
}

TEST(ExeInfo, AcknowledgementsNameTheLibrariesInUse) {
    const std::string text = AcknowledgementsText("6.4.2");
    for (const char* name : {"Qt 6.4.2", "libjpeg-turbo 2", "zlib 1.", "Independent JPEG Group"})
        EXPECT_NE(text.find(name), std::string::npos) << name;
}
