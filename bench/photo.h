// A 6000 x 4000 photograph for the benchmarks of the photo view: three
// channels of different patterns, so no effect meets a flat picture.
#pragma once

#include <cstdint>

#include "platform/bitmap.h"

namespace vt::bench {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

inline const vt::Bitmap& Photo() {
    static const vt::Bitmap photo = [] {
        vt::Bitmap p(kPhotoWidth, kPhotoHeight);
        for (int y = 0; y < kPhotoHeight; ++y) {
            std::uint8_t* row = p.scanLine(y);
            for (int x = 0; x < kPhotoWidth; ++x) {
                row[3 * x] = std::uint8_t((x * 7 + y * 3) >> 4);
                row[3 * x + 1] = std::uint8_t((x ^ y) >> 3);
                row[3 * x + 2] = std::uint8_t((x * y) >> 9);
            }
        }
        return p;
    }();
    return photo;
}

} // namespace vt::bench
