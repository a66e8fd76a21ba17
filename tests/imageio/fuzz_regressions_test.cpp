// Inputs that once crashed a reader under the fuzzer, kept as named files in
// data/fuzz/<family>/. Each must load or fail with an exception that carries
// a message; the sanitizer build turns any memory fault into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "imageio/fileformatlist.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> RegressionFiles() {
    std::vector<std::string> files;
    const fs::path root = fs::path(VORANTEL_TESTDATA) / "fuzz";
    if (!fs::exists(root)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().extension() != ".md" &&
            entry.path().extension() != ".py")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

class FuzzRegression : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzRegression, LoadsOrFailsWithAMessage) {
    try {
        Bitmap b = LoadPicture(GetParam());
        if (!b.empty()) (void)b.convertedTo24();
    } catch (const std::exception& e) {
        EXPECT_STRNE(e.what(), "") << GetParam();
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).parent_path().filename().string() + "_" +
                       fs::path(info.param).filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

TEST(HostileFiles, GiveTheirPictureOrTheReadersMessage) {
    // The hand-made files of data/fuzz/make_hostile.py: what each must give
    // (what each costs is measured by bench/bombs_bench.cpp).
    const struct {
        const char* file;
        const char* message; // "" when the picture loads
        int width, height;
        TColor pixel; // at (0, 0)
    } cases[] = {
        {"psp/small-picture-huge-layer.psp", "", 1, 1, RGBColor(0, 0, 0)},
        {"rla/rows-share-one-long-channel.rla", "", 1, 32767, RGBColor(200, 200, 200)},
        {"targa/rle8-runs-too-few.tga",
         "Cannot load image. Invalid or unexpected TGA image format.", 0, 0, 0},
    };
    for (const auto& c : cases) {
        try {
            const Bitmap b = LoadPicture(std::string(VORANTEL_TESTDATA) + "/fuzz/" + c.file);
            EXPECT_STREQ(c.message, "") << c.file;
            EXPECT_EQ(b.width(), c.width) << c.file;
            EXPECT_EQ(b.height(), c.height) << c.file;
            EXPECT_EQ(b.pixel(0, 0), c.pixel) << c.file;
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), c.message) << c.file;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FuzzRegression, ::testing::ValuesIn(RegressionFiles()), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

} // namespace
} // namespace vt
