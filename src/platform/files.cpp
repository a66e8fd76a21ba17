#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
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
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularFile(const std::string& path, std::string& error) {
    // Without O_NONBLOCK the open itself would wait on a named pipe.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = SysErrorMessage(errno);
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        ::close(fd);
        error = S_ISDIR(st.st_mode) ? SysErrorMessage(EISDIR)
                : st.st_mode == 0   ? SysErrorMessage(err)
                                    : "It is not a regular file (a pipe, device or socket)";
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
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

bool ForEachTextLine(const std::string& path, const std::function<void(std::string&)>& line,
                     std::string& error) {
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(::fdopen(fd, "rb"), std::fclose);
    if (!f) {
        error = SysErrorMessage(errno);
        ::close(fd);
        return false;
    }
    std::string current;
    bool pendingLine = false;
    char buf[65536];
    bool lastWasCR = false;
    for (;;) {
        std::size_t got = std::fread(buf, 1, sizeof buf, f.get());
        for (std::size_t i = 0; i < got; ++i) {
            char c = buf[i];
            if (c == '\n') {
                if (!lastWasCR) line(current);
                current.clear();
                pendingLine = false;
                lastWasCR = false;
            } else if (c == '\r') {
                line(current);
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
    if (std::ferror(f.get()) != 0) {
        const int err = errno;
        error = SysErrorMessage(err ? err : EIO);
        return false;
    }
    if (pendingLine) line(current);
    return true;
}

bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    lines.clear();
    if (ForEachTextLine(
            path, [&](std::string& l) { lines.push_back(std::move(l)); }, error))
        return true;
    lines.clear();
    return false;
}

void WriteFileAtomically(const std::string& path, const std::string& contents) {
    try {
        ReplacingFile file(path);
        if (int err = file.write(contents.data(), contents.size()))
            throw FileWriteError(SysErrorMessage(err), err);
        file.commit();
    } catch (const FileWriteError& e) {
        throw std::runtime_error(SysErrorMessage(e.code()));
    }
}

namespace {
// A write beyond the process's file-size limit raises SIGXFSZ, which would
// end the process and leave the temporary file behind; ignored, the write
// fails with EFBIG and the file is abandoned like after any other failure.
// A handler the program installed itself is left alone.
void IgnoreFileSizeSignal() {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        ::signal(SIGXFSZ, SIG_IGN);
}
} // namespace

ReplacingFile::ReplacingFile(const std::string& target) : target_(target) {
    IgnoreFileSizeSignal();
    // The temporary file lies in the target's folder so that the final
    // rename stays within one file system.
    std::string name = ExtractFilePath(target) + ".vorantel-XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        const int err = errno;
        throw FileWriteError(errorText("Cannot create file", err), err);
    }
    temp_ = name;
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

int ReplacingFile::write(const void* data, std::size_t size) noexcept {
    if (fd_ < 0) return EBADF;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        size -= std::size_t(n);
    }
    return 0;
}

void ReplacingFile::finish() {
    if (finished_) return;
    if (fd_ < 0) throw FileWriteError(errorText("Cannot write file", EBADF), EBADF);
    if (::fsync(fd_) != 0) {
        const int err = errno;
        throw FileWriteError(errorText("Cannot write file", err), err);
    }
    // mkostemp creates the file for its owner only; give it the permissions
    // an ordinary new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        const int err = errno;
        throw FileWriteError(errorText("Cannot write file", err), err);
    }
    finished_ = true;
}

void ReplacingFile::commit() {
    finish();
    if (temp_.empty()) throw FileWriteError(errorText("Cannot write file", EBADF), EBADF);
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        throw FileWriteError(errorText("Cannot replace file", err), err);
    }
    temp_.clear();

    // Make the rename itself durable; a failure here loses nothing.
    const std::string dir = ExtractFilePath(target_);
    const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

bool IdentityOf(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    return true;
}

bool RemoveEmptyDir(const std::string& path) {
    return ::rmdir(path.c_str()) == 0;
}

std::string ReplacingFile::errorText(const char* what, int err) const {
    return std::string(what) + " \"" + target_ + "\". " + SysErrorMessage(err);
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
