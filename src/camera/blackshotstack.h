// A camera from one or several blackshots. One blackshot analysed at the
// fixed black level is the classic analysis (analysis.h), line for line.
// Several blackshots vote: a pixel is hot when it reaches the threshold in
// at least `minVotes` of them, so that noise crossing the threshold in one
// frame does not survive while a real hot pixel, there in every frame, does.
// The clusters and their references are then found as the classic analysis
// finds them, on the level each pixel reaches in `minVotes` frames (the
// median for a majority). A noisy blackshot may also be analysed at a black
// level measured from its own noise instead of the fixed one.
//
// Typical use by a window:
//
//   BlackshotStack stack;
//   for (file : chosen files) stack.add(LoadPicture(file));  // BlackshotMismatchError
//   BlackshotOptions options{threshold};
//   StackResult r = stack.analyze(options, progress);
//   Lines: write r.analysis.lines, then CameraDefinedText(name) and
//          StackResultText(r) (empty for the classic analysis)
//   otherwise DefinitionFollowUpOf(r, false) tells which message follows;
//   NoisyBlackshot asks NoisyBlackshotText(r) and on Yes analyses again with
//   options.autoLevel = true; TryAgain analyses again at the highest level.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "camera/analysis.h"
#include "camera/noisefloor.h"
#include "platform/bitmap.h"
#include "platform/progress.h"

namespace vt {

struct BlackshotOptions {
    // From this luminance on a pixel is hot (the classic analysis's
    // threshold).
    int threshold = 30;
    // Measure each frame's noise floor and use the black level it gives
    // where that lies above the fixed one; the threshold rises to the
    // black level where it lies below.
    bool autoLevel = false;
    // Frames a pixel must be hot in; 0 for half of them, rounded up.
    int minVotes = 0;
};

struct StackResult {
    // Outcome, repair lines and highest luminance as the classic analysis
    // gives them. With several frames, the highest luminance is the highest
    // level that a pixel reaches in minVotes frames.
    BlackshotResult analysis;
    int frames = 0;
    int minVotes = 1;
    bool autoLevel = false;
    // The black level and threshold the analysis used.
    int blackLevel = kFixedBlackLevel;
    int threshold = 0;
    // The noise floor of the picture analysed: the one frame, or the level
    // reached in minVotes frames.
    NoiseFloor noise;
    // Pixels hot in at least minVotes frames, and in at least one but fewer
    // (0 for one frame).
    long hotPixels = 0;
    long outvoted = 0;

    // One frame at the fixed black level: the classic analysis.
    bool classic() const { return frames == 1 && !autoLevel; }
};

// A frame differs in size from the first one.
class BlackshotMismatchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class BlackshotStack {
  public:
    // Adds a frame (any pixel format). Throws BlackshotSizeError for a size
    // the analysis does not take and BlackshotMismatchError for a size other
    // than the first frame's.
    void add(Bitmap frame);
    int frames() const { return int(luminance_.size()); }
    int width() const { return width_; }
    int height() const { return height_; }

    // Analyses the frames; may be called again with other options. Throws
    // std::invalid_argument for minVotes outside 1..frames() or a threshold
    // below 1, std::logic_error without frames.
    //
    // Progress: with several frames or autoLevel, first range(0, H) and
    // status("Comparing blackshots, row <y>") per row; then the classic
    // analysis's own.
    StackResult analyze(const BlackshotOptions& options, IProgress& progress) const;

  private:
    int width_ = 0;
    int height_ = 0;
    // The first frame as given, kept while it is the only one.
    Bitmap single_;
    std::vector<std::vector<std::uint8_t>> luminance_;
    std::vector<LuminanceHistogram> histograms_;
};

// What follows a definition that left no camera.
enum class DefinitionFollowUp {
    None,              // a camera was defined, or the error said all there is
    NoHotPixels,       // warning: kNoHotPixelsCaption / NoHotPixelsText()
    TryAgain,          // question: kTryAgainCaption / TryAgainText(threshold, highest)
    NoisyBlackshot,    // question: kNoisyBlackshotCaption / NoisyBlackshotText(result)
    NothingAboveNoise, // warning: kNoHotPixelsCaption / NothingAboveNoiseText(result)
};
// The classic follow-up (BlackshotFollowUpOf), except that a cluster grown
// too large because the frame's noise lies above the fixed black level
// leads to the noise question instead of claiming that no hot pixel was
// found; and that at a measured black level a frame with no pixel above it
// says so (a lower threshold would only find noise).
DefinitionFollowUp DefinitionFollowUpOf(const StackResult& result, bool cameraSelected);

inline constexpr const char* kNoisyBlackshotCaption = "Noisy Blackshot";

// The question offering the measured black level.
std::string NoisyBlackshotText(const StackResult& result);
// No pixel stands out of the noise at the measured black level.
std::string NothingAboveNoiseText(const StackResult& result);
// What the analysis did beyond the classic one, for the "Camera Defined"
// message (after its own text and a carriage return); empty for the classic
// analysis.
std::string StackResultText(const StackResult& result);
// The "Camera Defined" message: CameraDefinedText(name), then each note that
// is not empty on a line of its own.
std::string CameraDefinedMessage(const std::string& name, const std::vector<std::string>& notes);
// Why a frame was refused: "Vorantel cannot use " + path + ".\r" + reason.
std::string FrameRefusedText(const std::string& path, const std::string& reason);

} // namespace vt
