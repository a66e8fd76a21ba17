// The geometric whole-image effects of the photo view. Each works in place
// on a 24-bit bitmap (rows of blue, green, red) and treats every channel
// separately. None of them reads or writes outside the picture, whatever its
// size; a picture without pixels is left as it is.
#pragma once

#include "platform/bitmap.h"

namespace vt {

// Relief: each pixel against the pixel three columns right in the row below
// (the same column where that lies outside; the last row against the row
// above it, already embossed; a single row against itself as it was).
void EmbossEffect(Bitmap& b);

// Blocks of size x size from the top-left corner, each filled with the
// colour of its own top-left pixel. Sizes below 2 change nothing.
void MosaicEffect(Bitmap& b, int size);

// In place, each pixel the mean of the four pixels at the given distance
// diagonally; rows and columns beyond an edge are taken from the mirrored
// index (height - y, width - x) and, where that still lies outside, from the
// last row or column.
void SplitBlurEffect(Bitmap& b, int distance);

// The split blur of distance 3, applied strength + 1 times.
void GaussianBlurEffect(Bitmap& b, int strength);

// Passes of the mean of the four direct neighbours over the interior pixels,
// in place; border pixels keep their colours.
void AntiAliasEffect(Bitmap& b, int passes);

// Black outlines along the boundaries of the picture reduced to the halftone
// palette: a forward sweep, and from the second pass on a backward sweep.
// Pictures narrower than 3 or lower than 2 pixels have no pair to examine
// and stay as they are.
void TraceEffect(Bitmap& b, int passes);

// Bilinear shrink (15-bit fixed point) of src to w x h (both > 0). The
// right-hand and lower neighbours of the last column and row are that column
// and row themselves.
Bitmap ShrinkBitmap(const Bitmap& src, int w, int h);

// Tile size for a tile setting of value > 0 on a picture of width x height:
// max(10, height div value) high and max(10, width div value) wide. Returns
// the value to store: the request, or max(width, height) div 10 when both
// tile sides are the minimum 10.
int TileSizeFor(int value, int width, int height, int& tileW, int& tileH);

// Fills b with copies of src shrunk to tileW x tileH, from the top-left
// corner, clipped at b's edges.
void TileEffect(Bitmap& b, const Bitmap& src, int tileW, int tileH);

} // namespace vt
