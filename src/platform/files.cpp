#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vt {

std::string SysErrorMessage(int err) {
    return std::strerror(err);
}

bool CreateDir(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DeleteFileAt(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool MakeWritable(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool DirectoryWritable(const std::string& dir) {
    return DirectoryExists(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

namespace {
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool MatchFrom(const char* n, const char* p) {
    // Iterative wildcard match with single backtracking point for '*'.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '*') {
            star = p++;
            resume = n;
        } else if (*p == '?' || (*p && Lower(*p) == Lower(*n))) {
            ++p;
            ++n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == 0;
}
} // namespace

bool WildcardMatch(const std::string& name, const std::string& pattern) {
    return MatchFrom(name.c_str(), pattern.c_str());
}

std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!WildcardMatch(name, pattern)) continue;
        if (!FileExists(IncludeTrailingDelimiter(dir) + name)) continue;
        names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = SysErrorMessage(errno);
        return false;
    }
    std::string current;
    bool pendingLine = false;
    char buf[65536];
    bool lastWasCR = false;
    for (;;) {
        std::size_t got = std::fread(buf, 1, sizeof buf, f);
        for (std::size_t i = 0; i < got; ++i) {
            char c = buf[i];
            if (c == '\n') {
                if (!lastWasCR) lines.push_back(std::move(current));
                current.clear();
                pendingLine = false;
                lastWasCR = false;
            } else if (c == '\r') {
                lines.push_back(std::move(current));
                current.clear();
                pendingLine = false;
                lastWasCR = true;
            } else {
                current.push_back(c);
                pendingLine = true;
                lastWasCR = false;
            }
        }
        if (got < sizeof buf) break;
    }
    bool failed = std::ferror(f) != 0;
    int err = errno;
    std::fclose(f);
    if (failed) {
        error = SysErrorMessage(err ? err : EIO);
        lines.clear();
        return false;
    }
    if (pendingLine) lines.push_back(std::move(current));
    return true;
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    std::string tmp = ExtractFilePath(path) + "." + ExtractFileName(path) + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw std::runtime_error(SysErrorMessage(errno));
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(name.data());
        throw std::runtime_error(SysErrorMessage(err));
    };
    const char* p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        p += n;
        left -= std::size_t(n);
    }
    if (::fsync(fd) != 0) fail(errno);
    // Keep the permissions an ordinary new file would get.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw std::runtime_error(SysErrorMessage(err));
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        throw std::runtime_error(SysErrorMessage(err));
    }
}

std::string ExtractFilePath(const std::string& path) {
    auto pos = path.find_last_of(kPathDelim);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
    auto pos = path.find_last_of(kPathDelim);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
    std::string name = ExtractFileName(path);
    auto pos = name.find_last_of('.');
    return pos == std::string::npos ? std::string() : name.substr(pos);
}

std::string IncludeTrailingDelimiter(const std::string& dir) {
    if (!dir.empty() && dir.back() == kPathDelim) return dir;
    return dir + kPathDelim;
}

std::string LowerCase(std::string s) {
    for (char& c : s)
        c = Lower(c);
    return s;
}

int CompareText(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(Lower(a[i]));
        unsigned char cb = static_cast<unsigned char>(Lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SameText(const std::string& a, const std::string& b) {
    return CompareText(a, b) == 0;
}

} // namespace vt
