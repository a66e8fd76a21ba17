// The program's own TIFF writer: little-endian TIFF 6.0, one image file
// directory, one uncompressed strip, in one of three layouts chosen by the
// bitmap's pixel format.
//
// Common to all layouts: the 8-byte header ("II", 42, offset of the IFD),
// resolution 877/10 pixels per inch in X and Y (RATIONAL blocks of 8 bytes),
// the ten characters "Quendraval" as Software (no terminating zero), rows from
// the top of the image to the bottom without row padding, and the IFD after
// the last data block, at whatever offset that gives (it may be odd). Values
// that fit the entry's value field are written there as 32-bit numbers, SHORT
// values included.
//
// Bilevel (pf1bit), in file order: header, pixel rows (offset 8), X and Y
// resolution, Software, IFD with 14 entries. A 0 bit is black, a 1 bit white
// (PhotometricInterpretation 1); the palette is not written.
//
// Palette (pf4bit, pf8bit): header, colour map (offset 8), X and Y resolution,
// Software, pixel rows, IFD with 15 entries (the bilevel ones plus ColorMap).
// The colour map holds 2^bits red values, then green, then blue, each the
// 8-bit palette value times 256; palette entries missing from the bitmap are
// black. A 4-bit image is written with its width cut to a multiple of four;
// one narrower than four pixels, which would be left without a column, is
// written in the 8-bit palette layout instead.
//
// RGB (pf15bit, pf16bit, pf24bit, pf32bit): header, X resolution (8),
// Y resolution (16), BitsPerSample values 8, 8, 8 (24), Software (30), pixel
// rows (40), IFD with 15 entries. Every pixel is written red, green, blue; the
// fourth byte of 32-bit pixels is dropped and 15 and 16-bit pixels are widened
// to 8 bits per sample.
//
// ImageWidth and ImageLength are SHORT entries, LONG ones for an image wider
// or taller than 65535 pixels.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace vt {

// Writes the bitmap as a TIFF file into the stream, whose current position
// counts as offset 0. An empty bitmap (no pixels) writes nothing. The stream
// need not be seekable: every offset is known before the first byte is
// written. A stream that fails throws std::runtime_error.
void WriteTiff(std::ostream& stream, const Bitmap& bitmap);

// The TIFF file of the bitmap in memory.
std::vector<std::uint8_t> EncodeTiff(const Bitmap& bitmap);

// Writes the bitmap as a TIFF file at path, replacing any file there only
// once the new one is complete (see ReplacingFile in photooutput.h): on any
// failure a previous file at path is left as it was. Throws
// std::runtime_error with the system's error text; an empty bitmap is refused
// the same way, so that no empty file takes the place of a photograph.
void WriteTiffFile(const std::string& path, const Bitmap& bitmap);

class ReplacingFile;
// Writes the TIFF file of the bitmap into a file that is not yet committed.
// Throws std::runtime_error as WriteTiffFile does.
void WriteTiffTo(ReplacingFile& file, const Bitmap& bitmap);

} // namespace vt
