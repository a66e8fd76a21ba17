// libjpeg as the tests' oracle for JPEG files: the pixels, the component
// samples and the coefficients it reads from a file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vt::testing {

// Everything libjpeg reads from a JPEG file. Empty (width 0) when libjpeg
// fails; `error` then holds its message.
struct JpegFile {
    std::string error;
    int width = 0, height = 0;
    bool progressive = false, arithmetic = false, jfif = false;
    int restartInterval = 0;
    struct Component {
        int h = 1, v = 1;
        int widthInBlocks = 0, heightInBlocks = 0;
        std::array<std::uint16_t, 64> quant{};
        // The blocks row by row, 64 coefficients each in natural order.
        std::vector<std::int16_t> coefficients;
        // The samples libjpeg's inverse DCT gives, widthInBlocks * 8 wide.
        std::vector<std::uint8_t> samples;
        const std::int16_t* block(int bx, int by) const {
            return coefficients.data() + (std::size_t(by) * widthInBlocks + bx) * 64;
        }
        int sample(int x, int y) const { return samples[std::size_t(y) * widthInBlocks * 8 + x]; }
    };
    std::vector<Component> components;
    // Red, green, blue per pixel, as libjpeg decodes the file by default.
    std::vector<std::uint8_t> rgb;
    // APPn and COM segments in file order: code and payload.
    std::vector<std::pair<int, std::vector<std::uint8_t>>> markers;

    std::array<int, 3> pixel(int x, int y) const {
        const std::uint8_t* p = rgb.data() + (std::size_t(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

JpegFile ReadJpeg(const std::string& path);

} // namespace vt::testing
