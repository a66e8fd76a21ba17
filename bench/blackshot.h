// Pictures shared by the benchmarks: a 6000 x 4000 blackshot with about
// 2,000 scattered hot pixels and a few clusters over dark sensor noise.
#pragma once

#include <cstdint>

#include "platform/bitmap.h"

namespace vt::bench {

constexpr int kW = 6000;
constexpr int kH = 4000;

inline const vt::Bitmap& Blackshot() {
    static const vt::Bitmap shot = [] {
        vt::Bitmap b(kW, kH);
        std::uint32_t s = 12345;
        auto next = [&s] { return s = s * 1664525u + 1013904223u; };
        // Sensor noise: dark, below the nonblack level.
        for (int y = 0; y < kH; ++y) {
            std::uint8_t* row = b.scanLine(y);
            for (int x = 0; x < 3 * kW; ++x)
                row[x] = static_cast<std::uint8_t>(next() >> 30);
        }
        for (int i = 0; i < 2000; ++i) {
            const int x = int(next() % kW);
            const int y = int(next() % kH);
            const int v = 40 + int(next() % 200);
            b.setPixel(x, y, vt::RGBColor(v, v - 10, v + 10 > 255 ? 255 : v + 10));
        }
        // A few clusters: a bright core with a dimmer halo.
        for (int c = 0; c < 8; ++c) {
            const int cx = 100 + int(next() % (kW - 200));
            const int cy = 100 + int(next() % (kH - 200));
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    b.setPixel(cx + dx, cy + dy, vt::RGBColor(20, 20, 20));
            b.setPixel(cx, cy, vt::RGBColor(250, 250, 250));
            b.setPixel(cx + 1, cy, vt::RGBColor(120, 130, 110));
        }
        return b;
    }();
    return shot;
}

} // namespace vt::bench
