// What a photograph carries besides its pixels and what a stored copy must
// keep: the date, camera, orientation and GPS of its Exif block, its XMP and
// IPTC records, its comments, and its colour profile.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// A marker segment of a JPEG file: its code (0xE1 for APP1 ... 0xFE for COM)
// and its payload, without the marker and length bytes.
struct JpegMarker {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const JpegMarker&) const = default;
};

struct PhotoMetadata {
    // The segments of a JPEG source worth keeping, in file order: Exif and
    // XMP (APP1), ICC profile chunks (APP2), Photoshop/IPTC (APP13) and
    // comments (COM). Segments that describe the old file's own layout
    // (multi-picture offsets, FlashPix, JFIF, Adobe transform) are not kept.
    std::vector<JpegMarker> jpegMarkers;
    // The ICC profile of a source that is not a JPEG (a PNG's iCCP, a
    // TIFF's tag 34675); empty for a JPEG, whose profile is in its markers.
    std::vector<std::uint8_t> iccProfile;

    bool empty() const { return jpegMarkers.empty() && iccProfile.empty(); }
    void clear() {
        jpegMarkers.clear();
        iccProfile.clear();
    }
    bool operator==(const PhotoMetadata&) const = default;
};

// Marker codes.
inline constexpr std::uint8_t kJpegApp1 = 0xE1;
inline constexpr std::uint8_t kJpegApp2 = 0xE2;
inline constexpr std::uint8_t kJpegApp13 = 0xED;
inline constexpr std::uint8_t kJpegCom = 0xFE;

// Whether a JPEG marker segment belongs in PhotoMetadata::jpegMarkers.
bool IsKeptJpegMarker(std::uint8_t code, const std::uint8_t* data, std::size_t size);

// The kinds of metadata present, in a fixed order, for people to read:
// "Exif", "XMP", "ICC profile (N bytes)", "IPTC", "comment".
std::vector<std::string> DescribeMetadata(const PhotoMetadata& metadata);

} // namespace vt
