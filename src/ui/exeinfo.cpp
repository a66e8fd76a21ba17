#include "ui/exeinfo.h"

#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/progdir.h"

namespace vt {

namespace {

// The abbreviated month name (0 = January) of a locale; the C locale's when
// the named one is not installed.
std::string ShortMonthName(int month, const std::string& localeName) {
    static const nl_item kItems[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                       ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
    locale_t loc = ::newlocale(LC_TIME_MASK, localeName.c_str(), locale_t(0));
    if (loc == locale_t(0)) loc = ::newlocale(LC_TIME_MASK, "C", locale_t(0));
    std::string name = ::nl_langinfo_l(kItems[month], loc);
    ::freelocale(loc);
    return name;
}

} // namespace

std::string FileDateText(const std::string& path, const std::string& localeName) {
    // Opened, not only looked up: a file that cannot be read gives no date.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok) return {};
    std::tm tm{};
    const std::time_t written = st.st_mtim.tv_sec;
    if (!::localtime_r(&written, &tm)) return {};
    return std::to_string(tm.tm_mday) + " " + ShortMonthName(tm.tm_mon, localeName) + ", " +
           std::to_string(tm.tm_year + 1900);
}

std::string GetExeDateText() {
    const std::string exe = ExecutablePath();
    return exe.empty() ? std::string() : FileDateText(exe);
}

std::string VersionText(const char* fileVersion) {
    if (!fileVersion || !*fileVersion) return "No version information found";
    return fileVersion;
}

std::string GetExeVersionText() {
#ifdef VORANTEL_VERSION
    return VersionText(VORANTEL_VERSION);
#else
    return VersionText(nullptr);
#endif
}

} // namespace vt
