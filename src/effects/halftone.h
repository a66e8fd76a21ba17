// The fixed 256-colour halftone palette used where a picture is reduced to
// palette indices: a 6 x 6 x 6 colour cube (levels 0, 51, ..., 255; index
// 36 r + 6 g + b) followed by a 40-step grey ramp. It is the same palette the
// platform bitmap gives an 8-bit picture (Bitmap::defaultPalette), and a
// colour maps to the same entry as Bitmap::nearestPaletteIndex picks: the
// nearest by squared RGB distance, the lowest index on ties.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmap.h"

namespace vt {

// The 256 palette entries as 0x00BBGGRR.
const std::vector<TColor>& HalftonePalette();

// Index of the palette entry nearest to (r, g, b), each 0..255. Constant
// time: the cube is searched per channel and the grey ramp by the channel
// sum, then the two candidates compared.
std::uint8_t HalftoneIndex(int r, int g, int b);

} // namespace vt
