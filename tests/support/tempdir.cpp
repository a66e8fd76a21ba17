#include "support/tempdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vt::testing {

TempDir::TempDir() {
    std::string base = std::filesystem::temp_directory_path().string() + "/vorantel-test-XXXXXX";
    if (!::mkdtemp(base.data())) throw std::runtime_error("mkdtemp failed");
    path_ = base + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    // Give write permission back where a test took it away.
    for (auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(path_ + name, std::ios::binary);
    f << bytes;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream f(path_ + name, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

} // namespace vt::testing
