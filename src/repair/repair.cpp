#include "repair/repair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/files.h"

namespace vt {

namespace {

// Key of a point in the visited list: x * 65536 + y in 32-bit two's
// complement; points with equal keys count as one.
std::int32_t PointKey(std::int32_t x, std::int32_t y) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(x) * 65536u +
                                     static_cast<std::uint32_t>(y));
}

// The keys of the reference points a run has taken. A run names a handful
// of points, searched fastest in a short list; a camera file may repeat one
// hot pixel in thousands of records, so beyond a few dozen keys a hash set
// takes over and the search stays constant.
class VisitedPoints {
  public:
    void clear() {
        list_.clear();
        set_.clear();
    }
    // Adds the key; false when it was there already.
    bool insert(std::int32_t key) {
        if (!set_.empty()) return set_.insert(key).second;
        if (std::find(list_.begin(), list_.end(), key) != list_.end()) return false;
        list_.push_back(key);
        if (list_.size() > kListLimit) {
            set_.insert(list_.begin(), list_.end());
            list_.clear();
        }
        return true;
    }

  private:
    static constexpr std::size_t kListLimit = 48;
    std::vector<std::int32_t> list_;
    std::unordered_set<std::int32_t> set_;
};

std::string FixingPointText(std::int32_t x, std::int32_t y) {
    return "Fixing point (" + std::to_string(x) + "," + std::to_string(y) + ")";
}

// The extension of the last path component, dot included; empty when it has
// no dot.
std::string_view ExtensionOf(std::string_view s) {
    const std::size_t sep = s.find_last_of("/\\");
    const std::size_t start = sep == std::string_view::npos ? 0 : sep + 1;
    const std::size_t dot = s.rfind('.');
    if (dot == std::string_view::npos || dot < start) return {};
    return s.substr(dot);
}

constexpr std::array<std::string_view, 53> kImageExtensions = {
    "bmp", "wmf", "ico", "jpg", "jif", "gif", "dib", "rle", "tga", "pcx", "wpg",
    "art", "cur", "cut", "emf", "gem", "hrz", "iff", "img", "lbm", "mac", "msp",
    "pbm", "pgm", "pic", "png", "pnm", "ppm", "ras", "tif", "avi", "mov", "ani",
    "fax", "bw",  "rgb", "sgi", "vst", "icb", "vda", "win", "pcc", "pcd", "pal",
    "rla", "rpf", "psd", "pdd", "psp", "exe", "dll", "scr", "cel"};

// The repair over any picture with pixel(x, y) and setPixel(x, y, c).
template <class Picture>
void FixRecords(IProgress& progress, const HotPixelList& list, Picture& bitmap) {
    progress.range(0, static_cast<int>(list.size()));
    VisitedPoints visited;
    bool haveCurrent = false;
    std::int32_t curX = 0;
    std::int32_t curY = 0;
    double sumR = 0;
    double sumG = 0;
    double sumB = 0;
    double count = 0;

    int done = 0;
    for (const HotPixelRecord& rec : list) {
        progress.status(FixingPointText(rec.x(), rec.y()));
        if (!haveCurrent || rec.x() != curX || rec.y() != curY) {
            haveCurrent = true;
            curX = rec.x();
            curY = rec.y();
            sumR = sumG = sumB = count = 0;
            visited.clear();
        }
        for (int i = 0; i < 3; ++i) {
            // A point already taken in this run is skipped; a new one is
            // marked whether or not it can be read.
            if (!visited.insert(PointKey(rec.refX(i), rec.refY(i)))) continue;
            const TColor c = bitmap.pixel(rec.refX(i), rec.refY(i));
            if (c >= 0) {
                sumR += GetRValue(c);
                sumG += GetGValue(c);
                sumB += GetBValue(c);
                count += 1;
            }
        }
        // With no readable point yet the sums are 0 and the pixel becomes
        // black. The divisor is not kept: a later record of the run averages
        // only the points actually read.
        const double divisor = count < 1 ? 1 : count;
        const int r = static_cast<int>(std::trunc(sumR / divisor));
        const int g = static_cast<int>(std::trunc(sumG / divisor));
        const int b = static_cast<int>(std::trunc(sumB / divisor));
        bitmap.setPixel(curX, curY, RGBColor(r, g, b));
        progress.position(++done);
    }
    progress.status("Done");
    progress.position(0);
}

} // namespace

void FixHotPixels(IProgress& progress, const HotPixelList& list, Bitmap& bitmap) {
    FixRecords(progress, list, bitmap);
}

void FixHotPixels(IProgress& progress, const HotPixelList& list, RepairPixels& pixels) {
    FixRecords(progress, list, pixels);
}

OutputKind OutputKindOf(std::string_view nameOrExtension) {
    const std::string ext = LowerCase(std::string(ExtensionOf(nameOrExtension)));
    if (ext == ".bmp") return OutputKind::Bitmap;
    if (ext == ".tif" || ext == ".tiff") return OutputKind::Tiff;
    return OutputKind::Jpeg;
}

bool IsImageExtension(std::string_view nameOrExtension) {
    std::string_view ext = ExtensionOf(nameOrExtension);
    if (ext.empty()) ext = nameOrExtension;
    std::string e = LowerCase(std::string(ext));
    if (!e.empty() && e[0] == '.') e.erase(0, 1);
    if (e == "jpeg") e = "jpg";
    if (e == "tiff") e = "tif";
    return std::find(kImageExtensions.begin(), kImageExtensions.end(), e) != kImageExtensions.end();
}

} // namespace vt
