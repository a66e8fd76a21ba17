#include "platform/progdir.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "platform/files.h"

namespace vt {

std::string ExecutableDirectory() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    buf[n] = 0;
    return ExtractFilePath(buf);
}

std::string UserDataDirectory() {
    std::string base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.local/share";
    else
        base = "/tmp";
    base = IncludeTrailingDelimiter(base);
    // Create the chain one level at a time; failures show up later when the
    // program writes there.
    std::string partial;
    for (std::size_t pos = 1; (pos = base.find('/', pos)) != std::string::npos; ++pos) {
        partial = base.substr(0, pos);
        if (!DirectoryExists(partial)) CreateDir(partial);
    }
    std::string dir = base + "Vorantel/";
    CreateDir(dir);
    return dir;
}

std::string ProgramDirectory() {
    std::string exeDir = ExecutableDirectory();
    if (DirectoryWritable(exeDir)) return exeDir;
    return UserDataDirectory();
}

} // namespace vt
