// Windows BMP files for the platform bitmap.
//
// Reading accepts a BITMAPFILEHEADER followed by an OS/2 1.x core header
// (12 bytes), a BITMAPINFOHEADER (40 bytes) or one of its longer successors
// (52, 56, 64, 108 and 124 bytes). Pixels keep the file's own format where the
// bitmap has it:
//   1, 4, 8 bits            -> pf1bit, pf4bit, pf8bit with the file's palette
//                              (which may be shorter than 2^bits entries)
//   RLE4, RLE8              -> pf4bit, pf8bit (pixels the runs skip stay index 0)
//   16 bits, BI_RGB or 555  -> pf15bit
//   16 bits, 565 masks      -> pf16bit
//   16 bits, other masks    -> pf24bit
//   24 bits                 -> pf24bit
//   32 bits, BI_RGB or the usual 0x00RRGGBB masks -> pf32bit as stored
//   32 bits, other masks    -> pf32bit rearranged to blue, green, red, alpha
// Bottom-up and top-down (negative height) files are read.
//
// Every fault in the content (bad magic, truncated data, unknown header,
// compression or bit count, absurd sizes, pictures over kMaxBitmapPixels,
// run-length codes that leave the row or the picture) throws BmpError; the
// reader never reads outside the given bytes.
//
// Writing stores the bitmap in its own pixel format, uncompressed and
// bottom-up with a BITMAPINFOHEADER: palette formats with their palette,
// pf15bit as 16-bit BI_RGB, pf16bit as 16-bit BI_BITFIELDS with 5-6-5 masks,
// pf24bit and pf32bit as BI_RGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace vt {

// Content of a BMP file that cannot be read, or a bitmap that cannot be
// stored as one.
class BmpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Decodes a complete BMP file held in memory.
Bitmap ReadBmp(const std::uint8_t* data, std::size_t size);

// Reads and decodes a BMP file. A file that cannot be opened or read throws
// std::runtime_error with the system's error text; bad content throws
// BmpError.
Bitmap ReadBmpFile(const std::string& path);

// Encodes the bitmap as a BMP file. An empty bitmap (no pixels) throws
// BmpError.
std::vector<std::uint8_t> WriteBmp(const Bitmap& b);

// Writes the bitmap as a BMP file at path, replacing any file there. The
// bytes go to a temporary file in the same folder which, once complete and
// flushed to disk, is renamed over path; on any failure the temporary file is
// removed, a previous file at path is left untouched and std::runtime_error
// is thrown with the system's error text.
void WriteBmpFile(const std::string& path, const Bitmap& b);

class ReplacingFile;
// Streams the BMP file of the bitmap into a file that is not yet committed,
// a block of rows at a time. Throws BmpError or FileWriteError.
void WriteBmpTo(ReplacingFile& file, const Bitmap& b);

} // namespace vt
