#include "support/tiffbuilder.h"

#include <algorithm>
#include <cstring>

namespace vt::test {

void Put16(std::string& s, std::uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string BuildTiff(std::vector<TiffTag> tags, const std::vector<std::string>& strips) {
    std::string file = "II";
    Put16(file, 42);
    Put32(file, 0); // directory offset, patched below
    std::vector<std::uint32_t> offsets, counts;
    for (const std::string& s : strips) {
        offsets.push_back(std::uint32_t(file.size()));
        counts.push_back(std::uint32_t(s.size()));
        file += s;
    }
    auto has = [&](std::uint16_t t) {
        return std::any_of(tags.begin(), tags.end(), [t](const TiffTag& x) { return x.tag == t; });
    };
    if (!has(273)) tags.push_back({273, 4, offsets});
    if (!has(279)) tags.push_back({279, 4, counts});
    std::sort(tags.begin(), tags.end(),
              [](const TiffTag& a, const TiffTag& b) { return a.tag < b.tag; });
    if (file.size() % 2) file += '\0';
    const std::uint32_t ifd = std::uint32_t(file.size());
    std::memcpy(&file[4], &ifd, 4);
    std::uint32_t extra = ifd + 2 + 12 * std::uint32_t(tags.size()) + 4;
    std::string outOfLine;
    Put16(file, std::uint32_t(tags.size()));
    for (const TiffTag& t : tags) {
        Put16(file, t.tag);
        Put16(file, t.type);
        Put32(file, std::uint32_t(t.values.size()));
        std::string data;
        for (std::uint32_t v : t.values)
            t.type == 3 ? Put16(data, v) : Put32(data, v);
        if (data.size() <= 4) {
            data.resize(4, '\0');
            file += data;
        } else {
            Put32(file, extra + std::uint32_t(outOfLine.size()));
            outOfLine += data;
        }
    }
    Put32(file, 0);
    return file + outOfLine;
}

std::vector<TiffTag> GreyTags(std::uint32_t width, std::uint32_t height,
                              std::uint32_t compression) {
    return {{256, 4, {width}},       {257, 4, {height}}, {258, 3, {8}},
            {259, 3, {compression}}, {262, 3, {1}},      {277, 3, {1}}};
}

std::string WrapInEPS(const std::string& tiff) {
    const std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 61 37\nshowpage\n";
    std::string eps = "\xC5\xD0\xD3\xC6";
    Put32(eps, 30);
    Put32(eps, std::uint32_t(ps.size()));
    Put32(eps, 0);
    Put32(eps, 0);
    Put32(eps, 30 + std::uint32_t(ps.size()));
    Put32(eps, std::uint32_t(tiff.size()));
    Put16(eps, 0xFFFF);
    return eps + ps + tiff;
}

} // namespace vt::test
