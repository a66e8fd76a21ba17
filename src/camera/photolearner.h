// A camera learnt from ordinary photographs, without a blackshot. A hot
// pixel sits at the same place of the sensor in every photograph and stands
// out of its surroundings wherever the scene around it is dark or calm;
// scene detail (stars, glints, texture) lies elsewhere in each photograph.
// So every photograph votes for the pixels that are much brighter than
// their eight neighbours (all but the brightest of them), measured against
// the contrast among those neighbours, and the pixels that win the votes of enough photographs
// become the camera's hot pixels, with their clusters and references found
// as the blackshot analysis finds them.
//
// Photographs are compared as the camera stored them: a camera held upright
// stores the same grid as one held level and only notes the turn in its
// Exif Orientation, which is therefore not applied. A photograph whose grid
// was turned afterwards (its width and height swapped) or that has another
// size is refused.
//
// Typical use:
//
//   PhotoLearner learner;
//   for (file : photos) learner.add(LoadPicture(file));  // PhotoMismatchError
//   LearnResult r = learner.learn({}, progress);          // needs kMinLearnPhotos
//   Lines: write r.analysis.lines; CameraDefinedText(name) + "\r" + LearnResultText(r)
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "camera/analysis.h"
#include "platform/bitmap.h"
#include "platform/progress.h"

namespace vt {

// Fewest photographs a camera is learnt from.
constexpr int kMinLearnPhotos = 5;
// Most photographs one learner takes.
constexpr int kMaxLearnPhotos = 200;

// A pixel votes when, in its brightest channel, it exceeds the second
// brightest of its eight neighbours by at least kMinExcess levels and by at
// least the difference between that neighbour and the darkest one. (The
// brightest neighbour is left out: it may be a hot pixel too, or the one
// the camera spread some of the hot pixel's light into.)
constexpr int kMinExcess = 12;

// Each photo's mean brightness in a grid of cells, to tell photos of one
// scene.
constexpr int kThumbColumns = 16;
constexpr int kThumbRows = 12;
constexpr int kThumbCells = kThumbColumns * kThumbRows;
using Thumbnail = std::array<double, kThumbCells>;

struct LearnOptions {
    // Photographs a pixel must stand out in; 0 for half of them, rounded up.
    int minVotes = 0;
};

struct LearnResult {
    // The camera's repair lines as the blackshot analysis gives them; the
    // highest luminance is not meaningful here.
    BlackshotResult analysis;
    int photos = 0;
    int minVotes = 0;
    // Pixels that stood out in at least minVotes photographs, and in at
    // least one but fewer.
    long hotPixels = 0;
    long outvoted = 0;
    // Pairs of photos (0-based, in the order added) that show much the same
    // scene, by their thumbnails.
    std::vector<std::pair<int, int>> alike;
};

// A photograph differs in size from the first one.
class PhotoMismatchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Too few or too many photographs, or votes out of range.
class LearnInputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PhotoLearner {
  public:
    // Takes a photograph's votes (any pixel format). Throws
    // PhotoMismatchError for a size other than the first photograph's,
    // BlackshotSizeError for a size the analysis does not take and
    // LearnInputError beyond kMaxLearnPhotos.
    void add(const Bitmap& photo);
    int photos() const { return photos_; }

    // Throws LearnInputError for fewer than kMinLearnPhotos photographs or
    // minVotes outside 1..photos(). Progress: the blackshot analysis's.
    LearnResult learn(const LearnOptions& options, IProgress& progress) const;

  private:
    int width_ = 0;
    int height_ = 0;
    int photos_ = 0;
    std::vector<std::uint8_t> votes_;
    std::vector<Thumbnail> thumbnails_;
};

// The caption of the messages that refuse photos (PhotoMismatchError,
// LearnInputError) in the window.
inline constexpr const char* kLearnCaption = "New Camera from Photos";

// "From 6 photos: 212 pixels stood out in at least 3 of them; ...", and
// which photos look alike.
std::string LearnResultText(const LearnResult& result);
// Fewer photographs than kMinLearnPhotos (the LearnInputError of learn()),
// for a window that counts the files before it reads them.
std::string TooFewPhotosText(int photos);
// No pixel won enough votes (the outcome NoLines), for the "No Hot Pixels"
// warning.
std::string NothingStoodOutText(const LearnResult& result);

} // namespace vt
