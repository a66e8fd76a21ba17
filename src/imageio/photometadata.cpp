#include "imageio/photometadata.h"

#include <cstring>
#include <string_view>

namespace vt {

namespace {

bool StartsWith(const std::uint8_t* data, std::size_t size, std::string_view prefix) {
    return size >= prefix.size() && std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

// Identifiers that open the segments kept; each includes its terminating
// zero byte.
constexpr std::string_view kExif("Exif\0\0", 6);
constexpr std::string_view kXmp("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::string_view kXmpExtension("http://ns.adobe.com/xmp/extension/\0", 35);
constexpr std::string_view kIcc("ICC_PROFILE\0", 12);
constexpr std::string_view kPhotoshop("Photoshop 3.0\0", 14);

} // namespace

bool IsKeptJpegMarker(std::uint8_t code, const std::uint8_t* data, std::size_t size) {
    switch (code) {
    case kJpegApp1:
        return StartsWith(data, size, kExif) || StartsWith(data, size, kXmp) ||
               StartsWith(data, size, kXmpExtension);
    case kJpegApp2:
        return StartsWith(data, size, kIcc);
    case kJpegApp13:
        return StartsWith(data, size, kPhotoshop);
    case kJpegCom:
        return true;
    default:
        return false;
    }
}

std::vector<std::string> DescribeMetadata(const PhotoMetadata& m) {
    bool exif = false, xmp = false, iptc = false, comment = false;
    std::size_t icc = m.iccProfile.size();
    for (const JpegMarker& s : m.jpegMarkers) {
        const std::uint8_t* d = s.data.data();
        const std::size_t n = s.data.size();
        if (s.code == kJpegApp1 && StartsWith(d, n, kExif)) exif = true;
        if (s.code == kJpegApp1 && (StartsWith(d, n, kXmp) || StartsWith(d, n, kXmpExtension)))
            xmp = true;
        // Each chunk: identifier, sequence number, chunk count, then data.
        if (s.code == kJpegApp2 && StartsWith(d, n, kIcc) && n >= kIcc.size() + 2)
            icc += n - kIcc.size() - 2;
        if (s.code == kJpegApp13) iptc = true;
        if (s.code == kJpegCom) comment = true;
    }
    std::vector<std::string> kinds;
    if (exif) kinds.push_back("Exif");
    if (xmp) kinds.push_back("XMP");
    if (icc) kinds.push_back("ICC profile (" + std::to_string(icc) + " bytes)");
    if (iptc) kinds.push_back("IPTC");
    if (comment) kinds.push_back("comment");
    return kinds;
}

} // namespace vt
