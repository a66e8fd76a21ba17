// Helpers of the reader tests that compare loaded pictures with expected
// pixels kept beside the test pictures in data/.
#pragma once

#include <cctype>
#include <cstdint>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imageio/fileformatlist.h"
#include "imageio/stream.h"
#include "platform/bitmap.h"

namespace vt::test {

inline std::string TestData(const std::string& relative) {
    return std::string(VORANTEL_TESTDATA) + "/" + relative;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// "" when the pictures show the same colours pixel by pixel (and, with
// withAlpha, both are 32-bit with the same alpha), else what differs first.
inline std::string PictureDifference(const Bitmap& actual, const Bitmap& expected,
                                     bool withAlpha = false) {
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return "size " + std::to_string(actual.width()) + " x " + std::to_string(actual.height()) +
               ", expected " + std::to_string(expected.width()) + " x " +
               std::to_string(expected.height());
    if (withAlpha && (actual.pixelFormat() != PixelFormat::pf32bit ||
                      expected.pixelFormat() != PixelFormat::pf32bit))
        return "not both 32-bit";
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const TColor a = actual.pixel(x, y), e = expected.pixel(x, y);
            const bool alphaDiffers =
                withAlpha && actual.scanLine(y)[4 * x + 3] != expected.scanLine(y)[4 * x + 3];
            if (a != e || alphaDiffers) {
                char text[96];
                std::snprintf(text, sizeof text, "pixel (%d, %d): %06X, expected %06X", x, y,
                              unsigned(a), unsigned(e));
                return text;
            }
        }
    return "";
}

// A file name as a test case name.
inline std::string CaseName(std::string name) {
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// Loads bytes through the reader of the extension; returns the error text,
// "" on success.
inline std::string LoadBytesMessage(const std::string& extension, const std::string& bytes) {
    try {
        std::unique_ptr<TGraphic> graphic = CreateGraphicFor("x." + extension);
        TMemoryStream stream(bytes.data(), bytes.size());
        graphic->LoadFromStream(stream);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// The bytes with a big-endian or little-endian value written at `at`.
inline std::string Patched(std::string bytes, std::size_t at, std::uint32_t value, int size,
                           bool bigEndian) {
    for (int i = 0; i < size; ++i)
        bytes[at + std::size_t(i)] = char(value >> (8 * (bigEndian ? size - 1 - i : i)));
    return bytes;
}

} // namespace vt::test
