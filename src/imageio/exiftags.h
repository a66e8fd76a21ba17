// The few Exif facts Vorantel uses: which camera took a photograph (Make,
// Model and the body's serial number) and how it was held (Orientation).
// They are read from a JPEG's Exif segment or a TIFF file's first directory,
// without decoding any pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "imageio/photometadata.h"

namespace vt {

struct ExifTags {
    // ASCII values up to their first zero byte, without surrounding blanks;
    // control characters are dropped. Empty when the tag is missing.
    std::string make;
    std::string model;
    std::string serial; // BodySerialNumber of the Exif directory
    // 1 to 8 as the tag gives it; 0 when it is missing or out of range.
    int orientation = 0;

    bool hasCamera() const { return !make.empty() || !model.empty(); }
    bool operator==(const ExifTags&) const = default;
};

// Longest value kept of a text tag; a longer one is cut.
constexpr std::size_t kMaxExifText = 128;

// Parses a TIFF-structured block: an APP1 payload that begins "Exif\0\0",
// or the TIFF header itself. Anything malformed is skipped: a tag that
// cannot be read is left empty, never an error.
ExifTags ParseExifTags(const std::uint8_t* data, std::size_t size);

// The tags of a JPEG source's Exif segment; empty for anything else.
ExifTags ExifTagsOf(const PhotoMetadata& metadata);

// Reads the tags from a file's head: the Exif segment of a JPEG (the
// segments before the picture data), or the first directory of a TIFF
// file, whatever the file's extension. Other files give empty tags. Throws
// std::runtime_error with the system's text when the file cannot be opened.
ExifTags ReadExifTags(const std::string& path);

} // namespace vt
