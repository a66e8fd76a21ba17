#include "camera/noisefloor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "camera/analysis.h"

namespace vt {

namespace {

// The luminance below which the share q of the pixels lies, each integer
// level v spread evenly over [v, v + 1): the luminance is truncated.
double Quantile(const LuminanceHistogram& h, std::uint64_t total, double q) {
    const double wanted = q * double(total);
    double below = 0;
    for (int v = 0; v < 256; ++v) {
        const double here = double(h[std::size_t(v)]);
        if (here > 0 && below + here >= wanted) return v + (wanted - below) / here;
        below += here;
    }
    return 256;
}

// The shares of a normal distribution below one and two standard deviations
// above its mean.
constexpr double kOneSigma = 0.841344746;
constexpr double kTwoSigma = 0.977249868;

} // namespace

LuminanceHistogram HistogramOf(const Bitmap& frame) {
    Bitmap converted;
    if (frame.pixelFormat() != PixelFormat::pf24bit) converted = frame.convertedTo24();
    const Bitmap& b = converted.empty() ? frame : converted;
    LuminanceHistogram h{};
    for (int y = 0; y < b.height(); ++y) {
        const std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x, p += 3)
            ++h[std::size_t(Luminance(p[2], p[1], p[0]))];
    }
    return h;
}

NoiseFloor MeasureNoiseFloor(const LuminanceHistogram& histogram) {
    std::uint64_t total = 0;
    for (std::uint64_t n : histogram)
        total += n;
    NoiseFloor f;
    if (total == 0) return f;
    f.median = Quantile(histogram, total, 0.5);
    const double oneSigma = Quantile(histogram, total, kOneSigma);
    f.spread = Quantile(histogram, total, kTwoSigma) - oneSigma;
    const double level = std::ceil(oneSigma + (kBlackLevelSpreads - 1) * f.spread);
    f.blackLevel = std::clamp(int(level), kFixedBlackLevel, 255);
    return f;
}

NoiseFloor MeasureNoiseFloor(const std::uint8_t* luminance, int width, int height) {
    LuminanceHistogram h{};
    // Nonblack pixels and all pixels per cell.
    std::array<std::uint64_t, kNoiseGrid * kNoiseGrid> nonblack{}, pixels{};
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = luminance + std::size_t(y) * std::size_t(width);
        const int cy = int(std::int64_t(y) * kNoiseGrid / height);
        for (int cx = 0; cx < kNoiseGrid; ++cx) {
            const int x0 = int(std::int64_t(cx) * width / kNoiseGrid);
            const int x1 = int(std::int64_t(cx + 1) * width / kNoiseGrid);
            std::uint64_t n = 0;
            for (int x = x0; x < x1; ++x) {
                ++h[row[x]];
                n += row[x] >= kFixedBlackLevel;
            }
            nonblack[std::size_t(cy * kNoiseGrid + cx)] += n;
            pixels[std::size_t(cy * kNoiseGrid + cx)] += std::uint64_t(x1 - x0);
        }
    }
    NoiseFloor f = MeasureNoiseFloor(h);
    int cells = 0, noisy = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (!pixels[i]) continue;
        ++cells;
        noisy += nonblack[i] * 100 >= pixels[i];
    }
    f.widespread = cells ? double(noisy) / cells : 0;
    return f;
}

std::string DescribeNoiseFloor(const NoiseFloor& noise) {
    char text[64];
    std::snprintf(text, sizeof text, "median %.0f, noise %.1f", std::max(0.0, noise.median),
                  noise.spread);
    return text;
}

} // namespace vt
