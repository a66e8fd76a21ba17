// The 8 x 8 blocks of a JPEG component in the pixel domain and back: the
// inverse DCT of a block, and the smallest change of its quantised
// coefficients that gives chosen samples chosen values.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace vt::dct {

// The samples of a block before a decoder rounds and clamps them:
// 128 + the inverse DCT of the dequantised coefficients, row by row.
// Coefficients and quantisation table in natural order.
void InverseDct(const std::int16_t* coefficients, const std::uint16_t* quant, float samples[64]);

// The sample a decoder outputs for an inverse-DCT value: rounded, clamped
// to 0..255.
std::uint8_t Clamped(float value);

// A value the block is to decode to: a weighted sum of some of its samples
// (0..63, row by row) that is to reach `value`. A single sample of weight
// 1 is that sample's value; a decoder that interpolates subsampled colour
// makes a picture pixel of up to four samples.
struct SampleTarget {
    std::vector<std::pair<int, float>> samples;
    float value = 0;
};

// Changes the block's coefficients so that the targets decode as close to
// their values as the quantisation allows, moving the block as little as
// possible otherwise. `samples` are the block's values before the change
// (InverseDct). The exact change is the smallest one that meets every
// target; each coefficient then takes a step near its share of it, chosen
// so that the targets are met first and the rest of the block moves no more
// than requantising it would. Coefficients stay within the range a baseline
// file can code. Returns whether any coefficient changed.
bool Requantise(std::int16_t* coefficients, const std::uint16_t* quant, const float samples[64],
                std::span<const SampleTarget> targets);

} // namespace vt::dct
