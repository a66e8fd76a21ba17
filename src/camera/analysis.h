// Blackshot analysis: finds the hot pixels of a photograph taken with the
// lens covered, grows each one's cluster ring by ring and produces the repair
// lines of a camera file (see camerafile.h), ordered so that every cluster is
// repaired from the outside in.
//
// Typical use by a window:
//
//   BlackshotResult r = AnalyzeBlackshotBitmap(picture, threshold, progress);
//   switch (r.outcome) {
//   case BlackshotOutcome::ClusterTooLarge: // kBlackshotErrorCaption / BlackshotErrorText()
//   case BlackshotOutcome::NoLines:         // no camera file; leave no camera selected
//   case BlackshotOutcome::Lines:           // WriteCameraFile(path, r.lines), then load it;
//                                           // on failure CameraWriteErrorText(path, e.what())
//   }
//   then BlackshotFollowUpOf(r.highestLuminance, cameraSelected) tells which
//   question or warning follows (NoHotPixelsText() or TryAgainText(...)).
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/progress.h"

namespace vt {

namespace detail {
// The three luminance weights (the doubles nearest to 0.212671, 0.71516 and
// 0.072169) are multiples of 2^-56, so v * weight * 2^56 is an integer for
// every channel value v, and the sum of the three products stays below 2^64.
// The tables hold these exact products; the luminance is the integer part of
// their sum.
using LuminanceTable = std::array<std::uint64_t, 256>;
constexpr LuminanceTable MakeLuminanceTable(double weight) {
    const auto scaled = static_cast<std::uint64_t>(weight * 72057594037927936.0); // * 2^56
    LuminanceTable t{};
    for (std::uint64_t v = 0; v < 256; ++v)
        t[v] = v * scaled;
    return t;
}
inline constexpr LuminanceTable kLumR = MakeLuminanceTable(0.212671);
inline constexpr LuminanceTable kLumG = MakeLuminanceTable(0.71516);
inline constexpr LuminanceTable kLumB = MakeLuminanceTable(0.072169);
} // namespace detail

// Y = 0.212671 R + 0.71516 G + 0.072169 B with the weights as doubles,
// summed exactly and truncated toward zero: 0..255, grey (v, v, v) gives v.
// Channels must be 0..255.
inline int Luminance(int r, int g, int b) {
    return static_cast<int>((detail::kLumR[static_cast<std::uint8_t>(r)] +
                             detail::kLumG[static_cast<std::uint8_t>(g)] +
                             detail::kLumB[static_cast<std::uint8_t>(b)]) >>
                            56);
}

// Largest width and height the analysis accepts: a hot pixel's coordinates
// are kept as two 16-bit halves and written as five-digit numbers.
constexpr int kMaxBlackshotSide = 65535;
// A cluster's box may grow to at most this difference between its opposite
// edges.
constexpr int kMaxClusterSpan = 25;
// A pixel counts as nonblack from this luminance on: a cluster grows only
// through nonblack pixels.
constexpr int kNonblackLuminance = 4;
// Below this highest luminance a blackshot counts as having no hot pixels.
constexpr int kNoHotPixelsLimit = 10;

enum class BlackshotOutcome {
    // Repair lines were produced: write them as the camera file.
    Lines,
    // No candidate produced a line: no camera file is written.
    NoLines,
    // A cluster grew beyond kMaxClusterSpan: no camera file is written and
    // "Blackshot Error" is shown.
    ClusterTooLarge,
};

struct BlackshotResult {
    BlackshotOutcome outcome = BlackshotOutcome::NoLines;
    // Highest luminance over all pixels of the blackshot.
    int highestLuminance = 0;
    // The repair lines (mark and eight numbers, no line end) in the order
    // they were produced, block by block; the camera file holds them in
    // reverse order, which WriteCameraFile takes care of. Empty unless the
    // outcome is Lines.
    std::vector<std::string> lines;
    // Number of candidates found by the scan, and blocks in lines (one
    // marked line each).
    int candidates = 0;
    int blocks = 0;
};

// The blackshot has no rows or columns, or more than kMaxBlackshotSide of
// either; it is refused before anything is analysed.
class BlackshotSizeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws BlackshotSizeError for a blackshot of 0 or more than
// kMaxBlackshotSide pixels in either direction.
void CheckBlackshotSize(int width, int height);

// Analyses the blackshot with the given luminance threshold (at least 1).
// Pixels whose luminance reaches the threshold and that no neighbour
// outshines are candidates; each candidate's cluster is grown and repaired.
// Pixels that got repair lines are painted black in a work copy only, so
// that later clusters do not see them again: `blackshot` itself (the
// caller's displayed picture) is not changed, and analysing it again, for
// instance with another threshold, starts from the same picture. A bitmap
// that is not 24-bit is analysed through a 24-bit copy.
//
// Progress: range(0, H); per row status("Analyzing row <y>") and, after the
// row, position(y + 1); then status("Done") and position(0).
//
// Throws BlackshotSizeError for a bitmap of 0 or more than 65535 pixels in
// either direction, std::invalid_argument for a threshold below 1.
BlackshotResult AnalyzeBlackshotBitmap(const Bitmap& blackshot, int threshold, IProgress& progress);

// What follows an analysis when the driver sees no camera selected after it.
enum class BlackshotFollowUp {
    None,        // a camera was defined
    NoHotPixels, // warning: kNoHotPixelsCaption / NoHotPixelsText()
    TryAgain,    // question: kTryAgainCaption / TryAgainText(threshold, highest)
};
BlackshotFollowUp BlackshotFollowUpOf(int highestLuminance, bool cameraSelected);

// Message captions and texts. Lines are broken with a carriage return.
inline constexpr const char* kBlackshotErrorCaption = "Blackshot Error";
inline constexpr const char* kCameraDefinedCaption = "Camera Defined";
inline constexpr const char* kNoHotPixelsCaption = "No Hot Pixels";
inline constexpr const char* kTryAgainCaption = "Try again?";
inline constexpr const char* kFileErrorCaption = "File Error";

// "The camera cannot be added to Vorantel because ..."
std::string BlackshotErrorText();
// Camera "<name>" is defined.
std::string CameraDefinedText(const std::string& cameraName);
// "Your blackshot has no hot/dead pixels!\rTry a lower luminance threshold."
std::string NoHotPixelsText();
// The retry question quoting the threshold used and the highest luminance.
std::string TryAgainText(int threshold, int highestLuminance);
// "Unable to open or write file " + path + "\r" + systemText.
std::string CameraWriteErrorText(const std::string& path, const std::string& systemText);

} // namespace vt
