// Files and directories as the rest of the program needs them: create one
// directory level, enumerate by wildcard, delete, make writable, read text
// lines, and replace a file only once its new contents are complete.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt {

// The platform's path separator.
constexpr char kPathDelim = '/';

// Creates one directory level; false when it fails (it exists already, the
// parent is missing, no permission).
bool CreateDir(const std::string& path);
bool DirectoryExists(const std::string& path);
// True for a regular file (or a link to one).
bool FileExists(const std::string& path);
// Opens a file for reading. Only regular files are opened: opening a named
// pipe would wait for a writer for ever, and devices, sockets and
// directories hold no picture. Returns the descriptor, or -1 with `error`
// set to a message for the user.
int OpenRegularFile(const std::string& path, std::string& error);
// Deletes a file; false when it fails.
bool DeleteFileAt(const std::string& path);
// Clears the read-only state of a file (gives the owner write permission).
bool MakeWritable(const std::string& path);
// True when a file can be created in the directory.
bool DirectoryWritable(const std::string& dir);

// Names (without directory) of the regular files in dir whose names match
// the wildcard pattern ('*' any run, '?' one character), compared without
// regard to letter case, as the platform's file search does. Sorted by byte
// value; empty when dir cannot be read.
std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern);
bool WildcardMatch(const std::string& name, const std::string& pattern);

// Reads a text file into lines; line ends are CR LF, LF or a lone CR. On
// failure returns false and sets error to the system's error text.
bool ReadTextLines(const std::string& path, std::vector<std::string>& lines, std::string& error);
// The same, one line at a time: the callback gets each line (it may take its
// contents) and may throw to stop. Nothing but the current line is held.
bool ForEachTextLine(const std::string& path, const std::function<void(std::string&)>& line,
                     std::string& error);

// Writes the file through a temporary file in the same folder that is
// renamed over the target once complete, so that a failure never leaves a
// damaged file in place of a good one. A read-only target is replaced.
// Throws std::runtime_error with the system's error text.
void WriteFileAtomically(const std::string& path, const std::string& contents);

// A file could not be written: what() names the file and the system's
// reason; code() is the errno value.
class FileWriteError : public std::runtime_error {
  public:
    FileWriteError(const std::string& text, int code) : std::runtime_error(text), code_(code) {}
    int code() const { return code_; }

  private:
    int code_;
};

// A file written under a temporary name in the target's folder and renamed
// over the target by commit(), so that an unfinished or failed write never
// takes the place of the target. Without commit() the temporary file is
// removed and the target stays as it was. The committed file gets the
// permissions of an ordinary new file, also where a read-only file is
// replaced.
class ReplacingFile {
  public:
    // Creates the temporary file; throws FileWriteError ("Cannot create
    // file ...") when that fails.
    explicit ReplacingFile(const std::string& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    const std::string& target() const { return target_; }

    // Writes all the bytes. On failure returns the errno value (nonzero) and
    // the file can only be abandoned.
    int write(const void* data, std::size_t size) noexcept;

    // Flushes the file to disk and closes it, so that commit() has only the
    // rename left; commit() does this itself when it was not done. Throws
    // FileWriteError when that fails.
    void finish();

    // Flushes the file to disk (unless finish() did) and renames it over the
    // target. Throws FileWriteError when that fails.
    void commit();

    // The text of a failed operation on the target: what + " \"" + target +
    // "\". " + the system's text for err.
    std::string errorText(const char* what, int err) const;

  private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    bool finished_ = false;
};

// The identity of a file on its file system; two paths that lead to the same
// file (through links or a folder that leads back to itself) have the same.
struct FileIdentity {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of the file a path leads to; false when there is none.
bool IdentityOf(const std::string& path, FileIdentity& identity);

// Removes an empty directory; false when it fails (not empty, missing).
bool RemoveEmptyDir(const std::string& path);

// The system's text for an errno value.
std::string SysErrorMessage(int err);

// Path helpers in the platform's conventions.
std::string ExtractFilePath(const std::string& path); // with trailing separator
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path); // with the dot; "" without
std::string IncludeTrailingDelimiter(const std::string& dir);

// Case-insensitive comparison of ASCII letters (names of cameras).
bool SameText(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
std::string LowerCase(std::string s);

} // namespace vt
