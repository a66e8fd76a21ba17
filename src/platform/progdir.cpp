#include "platform/progdir.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/files.h"

namespace vt {

#ifndef VORANTEL_DATA_RELATIVE
#define VORANTEL_DATA_RELATIVE "../share/vorantel"
#endif

std::string ExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, std::size_t(n));
}

std::string ExecutableDirectory() {
    const std::string exe = ExecutablePath();
    return exe.empty() ? std::string("./") : ExtractFilePath(exe);
}

std::string InstalledDataDirectory(const std::string& exeDir) {
    const std::string dir = IncludeTrailingDelimiter(exeDir) + VORANTEL_DATA_RELATIVE;
    return IncludeTrailingDelimiter(std::filesystem::path(dir).lexically_normal().string());
}

bool IsInstalledProgram(const std::string& exeDir) {
    return DirectoryExists(InstalledDataDirectory(exeDir));
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

std::string ProgramDirectoryFor(const std::string& exeDir) {
    // An installed program never writes beside itself, even where it could
    // (a prefix in the user's home): its settings and cameras are the
    // user's, not the installation's.
    if (!IsInstalledProgram(exeDir) && DirectoryWritable(exeDir))
        return IncludeTrailingDelimiter(exeDir);
    return UserDataDirectory();
}

std::string ProgramDirectory() {
    return ProgramDirectoryFor(ExecutableDirectory());
}

} // namespace vt
