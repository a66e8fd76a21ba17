// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace vt::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // With trailing separator.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }
    // Writes a file with exactly these bytes.
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

  private:
    std::string path_;
};

} // namespace vt::testing
