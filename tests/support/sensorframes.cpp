#include "support/sensorframes.h"

#include <algorithm>
#include <cmath>

#include "camera/camerafile.h"
#include "imageio/fileformatlist.h"
#include "repair/photooutput.h"

namespace vt::testing {

double Gauss::next() {
    if (hasSpare_) {
        hasSpare_ = false;
        return spare_;
    }
    const double u = uniform(), v = uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    spare_ = r * std::sin(2 * M_PI * v);
    hasSpare_ = true;
    return r * std::cos(2 * M_PI * v);
}

std::vector<HotPixel> HotPattern(int width, int height, int count, double minStrength,
                                 double maxStrength, std::uint32_t seed) {
    Gauss g(seed);
    std::vector<HotPixel> pattern;
    std::set<std::pair<int, int>> taken;
    while (int(pattern.size()) < count) {
        HotPixel h;
        h.x = int(g.bits() % std::uint32_t(width));
        h.y = int(g.bits() % std::uint32_t(height));
        bool free = true;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (taken.count({h.x + dx, h.y + dy})) free = false;
        if (!free) continue;
        taken.insert({h.x, h.y});
        h.strength = minStrength + (maxStrength - minStrength) * g.uniform();
        for (double& t : h.tint)
            t = 0.7 + 0.3 * g.uniform();
        pattern.push_back(h);
    }
    return pattern;
}

std::set<std::pair<int, int>> Positions(const std::vector<HotPixel>& pattern) {
    std::set<std::pair<int, int>> s;
    for (const HotPixel& h : pattern)
        s.insert({h.x, h.y});
    return s;
}

namespace {

std::uint8_t Clip(double v) {
    return std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

void AddHotPixel(Bitmap& b, const HotPixel& h, double gain) {
    std::uint8_t* p = b.scanLine(h.y) + 3 * h.x;
    // Bitmap rows hold blue, green, red.
    for (int c = 0; c < 3; ++c)
        p[2 - c] = Clip(p[2 - c] + gain * h.strength * h.tint[c]);
}

Bitmap JpegRoundTrip(const Bitmap& b, int quality, const std::string& dir) {
    if (quality <= 0) return b;
    const std::string path = dir + "roundtrip.jpg";
    WriteJpegFile(path, b, quality);
    return LoadPicture(path).convertedTo24();
}

Bitmap DarkFrame(const DarkFrameModel& m, const std::vector<HotPixel>& pattern, std::uint32_t seed,
                 const std::string& dir) {
    Gauss g(seed);
    Bitmap b(m.width, m.height);
    for (int y = 0; y < m.height; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < m.width; ++x, p += 3) {
            const double common = m.pedestal + m.readNoise * g.next();
            for (int c = 0; c < 3; ++c)
                p[c] = Clip(common + 0.5 * m.readNoise * g.next());
        }
    }
    for (const HotPixel& h : pattern)
        AddHotPixel(b, h, 1.0 + 0.05 * g.next());
    if (m.transients > 0 && !pattern.empty()) {
        const HotPixel& strongest = *std::max_element(
            pattern.begin(), pattern.end(),
            [](const HotPixel& a, const HotPixel& c) { return a.strength < c.strength; });
        for (const HotPixel& t :
             HotPattern(m.width, m.height, m.transients, 0.5 * strongest.strength,
                        strongest.strength, seed ^ 0x7A5u))
            AddHotPixel(b, t, 1.0);
    }
    return JpegRoundTrip(b, m.jpegQuality, dir);
}

namespace {

// Bilinear sample of a 24-bit bitmap at (x, y), channel c.
double Sample(const Bitmap& s, double x, double y, int c) {
    x = std::clamp(x, 0.0, s.width() - 1.0);
    y = std::clamp(y, 0.0, s.height() - 1.0);
    const int x0 = int(x), y0 = int(y);
    const int x1 = std::min(x0 + 1, s.width() - 1), y1 = std::min(y0 + 1, s.height() - 1);
    const double fx = x - x0, fy = y - y0;
    auto at = [&](int xx, int yy) { return double(s.scanLine(yy)[3 * xx + c]); };
    return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
           (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

// A point of light spread by the lens: a Gaussian of the given width.
void AddBlob(Bitmap& b, double cx, double cy, double sigma, double peak, const double tint[3]) {
    const int r = int(std::ceil(3 * sigma));
    for (int y = int(cy) - r; y <= int(cy) + r; ++y)
        for (int x = int(cx) - r; x <= int(cx) + r; ++x) {
            if (x < 0 || y < 0 || x >= b.width() || y >= b.height()) continue;
            const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            const double v = peak * std::exp(-d2 / (2 * sigma * sigma));
            std::uint8_t* p = b.scanLine(y) + 3 * x;
            for (int c = 0; c < 3; ++c)
                p[2 - c] = Clip(p[2 - c] + v * tint[c]);
        }
}

} // namespace

Bitmap ScenePhoto(int index, int width, int height, const std::vector<Bitmap>& sources,
                  const std::vector<HotPixel>& pattern, int jpegQuality, const std::string& dir) {
    Gauss g(0x5CE9E + std::uint32_t(index) * 7919u);
    const Bitmap& src = sources[std::size_t(index) % sources.size()];
    // A piece of the source of 60 to 100 % of its size, scaled to the photo.
    const double share = 0.6 + 0.4 * g.uniform();
    const double cw = src.width() * share, ch = src.height() * share;
    const double cx = (src.width() - cw) * g.uniform(), cy = (src.height() - ch) * g.uniform();
    const bool mirror = index % 2 == 1, flip = index % 3 == 2;
    // Exposure and contrast of this photograph.
    const double gain = 0.55 + 0.6 * g.uniform();
    const double gamma = 0.8 + 0.5 * g.uniform();
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const double u = (mirror ? width - 1 - x : x) + 0.5;
            const double v = (flip ? height - 1 - y : y) + 0.5;
            const double sx = cx + u * cw / width - 0.5, sy = cy + v * ch / height - 0.5;
            for (int c = 0; c < 3; ++c) {
                const double s = Sample(src, sx, sy, c) / 255.0;
                p[c] = Clip(255.0 * gain * std::pow(s, gamma));
            }
        }
    }
    const double white[3] = {1, 1, 1};
    if (index % 3 == 0) {
        // A night sky over the top third: dark, with stars of every size.
        const int sky = height / 3;
        for (int y = 0; y < sky; ++y) {
            std::uint8_t* p = b.scanLine(y);
            for (int x = 0; x < width; ++x, p += 3)
                p[0] = p[1] = p[2] = Clip(6 + 10.0 * y / sky);
        }
        const int stars = width * sky / 400;
        for (int i = 0; i < stars; ++i) {
            const double tint[3] = {0.8 + 0.2 * g.uniform(), 0.9, 0.8 + 0.2 * g.uniform()};
            AddBlob(b, width * g.uniform(), sky * g.uniform(), 0.35 + 0.9 * g.uniform(),
                    30 + 225 * g.uniform(), tint);
        }
    }
    if (index % 3 != 2) {
        // Glints of sunlight on water or chrome: small, near white.
        const int glints = width * height / 2500;
        for (int i = 0; i < glints; ++i)
            AddBlob(b, width * g.uniform(), height * g.uniform(), 0.4 + 0.8 * g.uniform(),
                    120 + 135 * g.uniform(), white);
    }
    // Sensor noise, then the hot pixels, which a brighter exposure shows
    // brighter too.
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const double common = 2.0 * g.next();
            for (int c = 0; c < 3; ++c)
                p[c] = Clip(p[c] + common + g.next());
        }
    }
    const double hotGain = 0.7 + 0.6 * g.uniform();
    for (const HotPixel& h : pattern)
        AddHotPixel(b, h, hotGain);
    return JpegRoundTrip(b, jpegQuality, dir);
}

Findings Score(const std::vector<std::string>& lines, const std::vector<HotPixel>& pattern) {
    const std::set<std::pair<int, int>> planted = Positions(pattern);
    const CameraFileContents camera = ParseCameraLines(lines);
    std::set<std::pair<int, int>> repaired;
    for (const HotPixelRecord& r : camera.records)
        repaired.insert({r.x(), r.y()});
    Findings f;
    f.planted = int(planted.size());
    for (const auto& p : planted)
        f.repaired += int(repaired.count(p));
    for (const MarkedPoint& m : camera.marked) {
        ++f.blocks;
        bool near = false;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                near = near || planted.count({m.x + dx, m.y + dy});
        f.falseBlocks += !near;
    }
    return f;
}

std::ostream& operator<<(std::ostream& out, const Findings& f) {
    return out << f.repaired << " of " << f.planted << " planted hot pixels repaired ("
               << 100 * f.recall() << " %), " << f.falseBlocks << " of " << f.blocks
               << " listed false (" << 100 * f.falseShare() << " %)";
}

} // namespace vt::testing
