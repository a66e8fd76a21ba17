// The noise floor of a dark frame: where its dark pixels lie and how far
// they scatter, measured from the frame itself, and the black level that
// follows from it: the luminance from which a pixel stands out of the noise.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "camera/analysis.h"
#include "platform/bitmap.h"

namespace vt {

// The analysis's own black level: pixels below it are black, whatever the
// frame's noise.
constexpr int kFixedBlackLevel = kNonblackLuminance;

// How many noise spreads above the median the black level lies. For noise
// that is Gaussian, about one pixel in three million lies beyond it.
constexpr double kBlackLevelSpreads = 5.0;

// A frame counts as noisy when nonblack pixels lie in at least this share
// of the cells of a kNoiseGrid x kNoiseGrid grid over it.
constexpr int kNoiseGrid = 16;
constexpr double kNoisyCellShare = 0.75;

using LuminanceHistogram = std::array<std::uint64_t, 256>;

struct NoiseFloor {
    // The median luminance, and the spread of the noise: the distance from
    // its 84th to its 98th percentile, one standard deviation for Gaussian
    // noise. Only the upper side is measured: a camera clips its noise at 0,
    // which moves the median, and the hot pixels, a tiny share of the frame,
    // do not reach the 98th percentile.
    double median = 0;
    double spread = 0;
    // kBlackLevelSpreads standard deviations above the noise's mean (the
    // 84th percentile + (kBlackLevelSpreads - 1) * spread), rounded up; at
    // least kFixedBlackLevel.
    int blackLevel = kFixedBlackLevel;
    // The share of the frame's cells (kNoiseGrid x kNoiseGrid of them) in
    // which at least 1 % of the pixels reach the fixed black level: noise
    // is everywhere, a bright patch or glow only in some cells. 1 when only
    // the histogram was measured.
    double widespread = 1;

    // The frame's noise reaches above the fixed black level all over the
    // frame, so that its dark pixels do not count as black to the analysis.
    bool aboveFixedLevel() const {
        return blackLevel > kFixedBlackLevel && widespread >= kNoisyCellShare;
    }
};

// Counts the luminance of every pixel (any pixel format).
LuminanceHistogram HistogramOf(const Bitmap& frame);

NoiseFloor MeasureNoiseFloor(const LuminanceHistogram& histogram);
// The same from the luminance of every pixel, row by row, with how widely
// the nonblack pixels spread.
NoiseFloor MeasureNoiseFloor(const std::uint8_t* luminance, int width, int height);

// "median 3, noise 4.5": the measured values, for texts.
std::string DescribeNoiseFloor(const NoiseFloor& noise);

} // namespace vt
