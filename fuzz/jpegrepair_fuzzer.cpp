// libFuzzer target for the repair of a JPEG in its compressed form: the input
// is a JPEG file, repaired with a fixed camera whose hot pixels lie in the
// first blocks of a picture (some at its edges, some with references
// outside it) and written to a file of its own (not put in place). Every
// input must end in a written file, a refusal (JpegTranscodeUnavailable) or
// another exception.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "repair/jpegrepair.h"

namespace {

vt::HotPixelList Camera() {
    vt::HotPixelList list;
    const int points[][2] = {{0, 0}, {3, 4}, {8, 8}, {9, 8}, {15, 1}, {17, 30}, {40, 7}, {63, 63}};
    for (const auto& p : points) {
        const int x = p[0], y = p[1];
        list.push_back({{x, y, x - 1, y + 1, x, y + 1, x + 1, y + 1}});
        list.push_back({{x, y, x - 1, y - 1, x - 1, y, x - 1, y + 1}});
        list.push_back({{x, y, x + 1, y - 1, x + 1, y, x + 1, y + 1}});
    }
    list.push_back({{5, 5, -1, -1, -2, -2, -3, -3}}); // painted black
    return list;
}

const std::string& Folder() {
    static const std::string dir = [] {
        char name[] = "/tmp/jpegrepair-fuzz-XXXXXX";
        return std::string(::mkdtemp(name)) + "/";
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vt::HotPixelList camera = Camera();
    const std::string in = Folder() + "in.jpg", out = Folder() + "out.jpg";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    try {
        vt::NullProgress quiet;
        // Written but not committed: committing adds only a flush to disk.
        vt::RepairJpeg(in, camera, out, quiet);
    } catch (const std::exception&) {
        // A refusal or an error with a message: both fine.
    }
    return 0;
}
