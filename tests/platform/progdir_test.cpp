#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/progdir.h"
#include "support/tempdir.h"

using namespace vt;
using vt::testing::TempDir;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

TEST(ProgramDirectory, ABuiltProgramKeepsItsFilesBesideItself) {
    TempDir dir;
    ASSERT_TRUE(CreateDir(dir.file("build")));
    EXPECT_FALSE(IsInstalledProgram(dir.file("build/")));
    EXPECT_EQ(ProgramDirectoryFor(dir.file("build")), dir.file("build/"));
}

TEST(ProgramDirectory, AnInstalledProgramKeepsThemInTheUsersDataFolder) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.file("home/data"));
    for (const char* d : {"prefix", "prefix/bin", "prefix/share", "prefix/share/vorantel"})
        ASSERT_TRUE(CreateDir(dir.file(d)));
    EXPECT_EQ(InstalledDataDirectory(dir.file("prefix/bin/")), dir.file("prefix/share/vorantel/"));
    EXPECT_TRUE(IsInstalledProgram(dir.file("prefix/bin/")));
    // Also where the program could write beside itself (a prefix in the
    // user's home): the folder is created, parents and all.
    EXPECT_EQ(ProgramDirectoryFor(dir.file("prefix/bin/")), dir.file("home/data/Vorantel/"));
    EXPECT_TRUE(DirectoryExists(dir.file("home/data/Vorantel")));
}

TEST(ProgramDirectory, AFolderThatCannotBeWrittenSendsThemThereToo) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
    ASSERT_TRUE(CreateDir(dir.file("ro")));
    ASSERT_EQ(::chmod(dir.file("ro").c_str(), 0555), 0);
    EXPECT_EQ(ProgramDirectoryFor(dir.file("ro/")), dir.file("data/Vorantel/"));
}
