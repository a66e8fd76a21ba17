// Small files built byte by byte by the reader tests: little-endian TIFF
// files tag by tag, and binary EPS files around a TIFF preview.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt::test {

// Appends a little-endian 16 or 32-bit number.
void Put16(std::string& s, std::uint32_t v);
void Put32(std::string& s, std::uint32_t v);

struct TiffTag {
    std::uint16_t tag;
    std::uint16_t type; // 3 SHORT, 4 LONG
    std::vector<std::uint32_t> values;
};

// A little-endian TIFF with one directory holding the tags (sorted here)
// and the strips, from offset 8 on. Tags 273 and 279 are filled in from the
// strips unless given.
std::string BuildTiff(std::vector<TiffTag> tags, const std::vector<std::string>& strips);

// Tags of a grey picture: width, height, 8 bits, compression, black is
// zero, one sample.
std::vector<TiffTag> GreyTags(std::uint32_t width, std::uint32_t height, std::uint32_t compression);

// A binary EPS file: its 30-byte header, a line of PostScript and the TIFF
// preview.
std::string WrapInEPS(const std::string& tiff);

} // namespace vt::test
