#include "effects/preview.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vt {

Bitmap StretchedCopy(const Bitmap& photo, int w, int h) {
    Bitmap out(w, h);
    const Bitmap* src = &photo;
    Bitmap converted;
    if (photo.pixelFormat() != PixelFormat::pf24bit) {
        converted = photo.convertedTo24();
        src = &converted;
    }
    const int sw = src->width(), sh = src->height();
    if (sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return out;

    // Source columns [x0[i], x0[i + 1]) make target column i; at least one.
    auto spans = [](int from, int to) {
        std::vector<int> first(std::size_t(to) + 1);
        for (int i = 0; i <= to; ++i)
            first[std::size_t(i)] = int(std::int64_t(i) * from / to);
        return first;
    };
    const std::vector<int> xs = spans(sw, w), ys = spans(sh, h);
    std::vector<std::uint64_t> sums(std::size_t(w) * 3);
    for (int j = 0; j < h; ++j) {
        const int y0 = ys[std::size_t(j)];
        const int y1 = std::max(ys[std::size_t(j) + 1], y0 + 1);
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* row = src->scanLine(y);
            for (int i = 0; i < w; ++i) {
                const int x0 = xs[std::size_t(i)];
                const int x1 = std::max(xs[std::size_t(i) + 1], x0 + 1);
                std::uint64_t b = 0, g = 0, r = 0;
                for (const std::uint8_t* p = row + 3 * x0; p < row + 3 * x1; p += 3) {
                    b += p[0];
                    g += p[1];
                    r += p[2];
                }
                sums[3 * std::size_t(i)] += b;
                sums[3 * std::size_t(i) + 1] += g;
                sums[3 * std::size_t(i) + 2] += r;
            }
        }
        std::uint8_t* dst = out.scanLine(j);
        for (int i = 0; i < w; ++i) {
            const int x0 = xs[std::size_t(i)];
            const int x1 = std::max(xs[std::size_t(i) + 1], x0 + 1);
            const std::uint64_t n = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
            for (int c = 0; c < 3; ++c)
                dst[3 * i + c] =
                    std::uint8_t((sums[3 * std::size_t(i) + std::size_t(c)] + n / 2) / n);
        }
    }
    return out;
}

} // namespace vt
