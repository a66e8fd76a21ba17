// Files made by code for the reader tests and the benchmarks: hostile files
// that declare far more pixels than their data can make, and the encoders
// needed to build them and their genuine counterparts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vt::test {

struct HostileFile {
    std::string name;      // a test name: letters, digits and '_'
    std::string extension; // picks the reader
    std::string bytes;
    std::string message; // what loading it must fail with
};

// Decompression bombs of a few hundred bytes that declare 16384 x 16384
// pixels, one of every kind the readers must refuse before they allocate:
// TIFF strips uncompressed, LZW, PackBits, deflate, ThunderScan, modified
// Huffman, group 3 and group 4 fax and JPEG, LZW tiles, an EPS preview,
// baseline and progressive JPEG, a BMP with RLE8 and a PNG.
std::vector<HostileFile> DecompressionBombs();

// zlib's deflate of the bytes (a zlib stream, as TIFF and PNG hold it).
std::string Deflate(const std::string& bytes, int level = 9);

// A JPEG file of width x height pixels of 1 (grey) or 3 samples, with
// optimised Huffman tables, baseline or progressive; rowOf fills row y.
std::string EncodeJpeg(int width, int height, int samples, bool progressive,
                       const std::function<void(int y, std::uint8_t* row)>& rowOf,
                       int quality = 90);

// The JPEG file with the size in its frame header replaced.
std::string WithJpegSize(std::string jpeg, int width, int height);

// A PNG file of one IHDR, the IDAT data as given, and IEND.
std::string BuildPng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                     const std::string& idat);

// A Windows BMP of 8 bits per pixel with a grey palette, BI_RLE8-coded
// with the data as given.
std::string BuildRle8Bmp(std::int32_t width, std::int32_t height, const std::string& data);

} // namespace vt::test
