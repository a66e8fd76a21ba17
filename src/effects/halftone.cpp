#include "effects/halftone.h"

#include <array>

namespace vt {

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kGreys = 40;
constexpr int kCubeEntries = kCubeLevels * kCubeLevels * kCubeLevels;

int greyLevel(int i) {
    return (i * 255 + 19) / 39;
}

struct Tables {
    // Nearest cube level of a channel value and the squared error it leaves.
    std::array<std::uint8_t, 256> cubeLevel{};
    std::array<int, 256> cubeError{};
    // Nearest grey step for a channel sum 0..765, lowest step on ties. The
    // distance to grey v is sum(c^2) - 2 v s + 3 v^2, so only s matters.
    std::array<std::uint8_t, 766> greyStep{};

    Tables() {
        for (int c = 0; c < 256; ++c) {
            int level = (c + kCubeStep / 2) / kCubeStep;
            int e = c - level * kCubeStep;
            cubeLevel[std::size_t(c)] = std::uint8_t(level);
            cubeError[std::size_t(c)] = e * e;
        }
        for (int s = 0; s <= 765; ++s) {
            int best = 0;
            long bestCost = 0;
            for (int i = 0; i < kGreys; ++i) {
                long v = greyLevel(i);
                long cost = 3 * v * v - 2 * v * s;
                if (i == 0 || cost < bestCost) {
                    best = i;
                    bestCost = cost;
                }
            }
            greyStep[std::size_t(s)] = std::uint8_t(best);
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

const std::vector<TColor>& HalftonePalette() {
    static const std::vector<TColor> palette = Bitmap::defaultPalette(PixelFormat::pf8bit);
    return palette;
}

std::uint8_t HalftoneIndex(int r, int g, int b) {
    const Tables& t = tables();
    int cubeDist =
        t.cubeError[std::size_t(r)] + t.cubeError[std::size_t(g)] + t.cubeError[std::size_t(b)];
    int cubeIndex = t.cubeLevel[std::size_t(r)] * kCubeLevels * kCubeLevels +
                    t.cubeLevel[std::size_t(g)] * kCubeLevels + t.cubeLevel[std::size_t(b)];
    int s = r + g + b;
    int step = t.greyStep[std::size_t(s)];
    int v = greyLevel(step);
    int greyDist = r * r + g * g + b * b - 2 * v * s + 3 * v * v;
    // The cube comes first in the palette, so it wins a tie.
    if (greyDist < cubeDist) return std::uint8_t(kCubeEntries + step);
    return std::uint8_t(cubeIndex);
}

} // namespace vt
