// Frames of a simulated camera for the tests of the camera definitions: a
// fixed pattern of hot pixels that every frame of the camera shows, dark
// frames with Gaussian read noise, and photographs built from real ones with
// stars and specular highlights added, all JPEG-compressed as a camera
// stores them. Everything comes from seeded generators.
#pragma once

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <ostream>

#include "platform/bitmap.h"

namespace vt::testing {

// Draws from N(0, 1) by Box-Muller on the fully specified mt19937, so that a
// seed gives the same frames with every standard library.
class Gauss {
  public:
    explicit Gauss(std::uint32_t seed) : rng_(seed) {}
    double next();
    double uniform() { return (double(rng_()) + 0.5) / 4294967296.0; }
    std::uint32_t bits() { return rng_(); }

  private:
    std::mt19937 rng_;
    double spare_ = 0;
    bool hasSpare_ = false;
};

struct HotPixel {
    int x = 0;
    int y = 0;
    // The luminance the pixel adds, and its colour's share per channel
    // (red, green, blue), each 0.7 to 1.
    double strength = 0;
    double tint[3] = {1, 1, 1};
};

// A camera's hot pixels: `count` distinct pixels at least two apart, of
// strength uniform in [minStrength, maxStrength].
std::vector<HotPixel> HotPattern(int width, int height, int count, double minStrength,
                                 double maxStrength, std::uint32_t seed);
std::set<std::pair<int, int>> Positions(const std::vector<HotPixel>& pattern);

struct DarkFrameModel {
    int width = 0;
    int height = 0;
    // Read noise: its standard deviation in levels, shared by the three
    // channels, plus half as much for each channel alone; added to a
    // pedestal and clipped to 0..255.
    double readNoise = 0;
    double pedestal = 0;
    // 0: stored without loss.
    int jpegQuality = 0;
    // Bright pixels at random places of each frame (cosmic rays, flicker),
    // as strong as the hot pixels.
    int transients = 0;
};

// One dark frame: noise, the hot pixels (each varying by 5 % from frame to
// frame), the transients, then the JPEG round trip through `dir` (with
// trailing separator).
Bitmap DarkFrame(const DarkFrameModel& model, const std::vector<HotPixel>& pattern,
                 std::uint32_t seed, const std::string& dir);

// A photograph of the scene `index` (0, 1, 2, ...; each different) at the
// given size: pieces of real photographs (read from `sources`), scaled,
// mirrored and toned differently for each index, with stars in a dark sky
// on some and specular highlights on others, sensor noise, the hot pixels
// added to the light that reaches them, and the JPEG round trip.
Bitmap ScenePhoto(int index, int width, int height, const std::vector<Bitmap>& sources,
                  const std::vector<HotPixel>& pattern, int jpegQuality, const std::string& dir);

// Adds the light of a hot pixel to a pixel of a 24-bit bitmap.
void AddHotPixel(Bitmap& b, const HotPixel& h, double gain);

// JPEG round trip through a file in dir.
Bitmap JpegRoundTrip(const Bitmap& b, int quality, const std::string& dir);

// How a camera's repair lines (in any order) meet the planted hot pixels.
struct Findings {
    int planted = 0;
    int repaired = 0;    // planted pixels that a line repairs
    int blocks = 0;      // marked lines: the hot pixels the camera lists
    int falseBlocks = 0; // marked lines with no planted pixel within one pixel
    double recall() const { return planted ? double(repaired) / planted : 1; }
    double falseShare() const { return blocks ? double(falseBlocks) / blocks : 0; }
};
Findings Score(const std::vector<std::string>& lines, const std::vector<HotPixel>& pattern);

std::ostream& operator<<(std::ostream& out, const Findings& f);

} // namespace vt::testing
