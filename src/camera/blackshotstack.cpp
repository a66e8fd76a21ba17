#include "camera/blackshotstack.h"

#include <algorithm>
#include <cstddef>

namespace vt {

namespace {

std::string Plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The value at rank k (1 = the largest) of the first n values.
std::uint8_t KthLargest(std::uint8_t* v, int n, int k) {
    for (int i = 1; i < n; ++i) {
        const std::uint8_t x = v[i];
        int j = i;
        for (; j > 0 && v[j - 1] < x; --j)
            v[j] = v[j - 1];
        v[j] = x;
    }
    return v[k - 1];
}

} // namespace

void BlackshotStack::add(Bitmap frame) {
    const int w = frame.width();
    const int h = frame.height();
    CheckBlackshotSize(w, h);
    if (!luminance_.empty() && (w != width_ || h != height_))
        throw BlackshotMismatchError("The blackshot is " + std::to_string(w) + " x " +
                                     std::to_string(h) + " pixels, the first one " +
                                     std::to_string(width_) + " x " + std::to_string(height_) +
                                     ": the blackshots of one camera must all be of one size.");
    width_ = w;
    height_ = h;
    Bitmap rgb = frame.pixelFormat() == PixelFormat::pf24bit ? Bitmap() : frame.convertedTo24();
    const Bitmap& b = rgb.empty() ? frame : rgb;
    std::vector<std::uint8_t> plane(std::size_t(w) * std::size_t(h));
    LuminanceHistogram hist{};
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = b.scanLine(y);
        std::uint8_t* out = plane.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x, p += 3) {
            const int l = Luminance(p[2], p[1], p[0]);
            out[x] = std::uint8_t(l);
            ++hist[std::size_t(l)];
        }
    }
    luminance_.push_back(std::move(plane));
    histograms_.push_back(hist);
    single_ = luminance_.size() == 1 ? std::move(frame) : Bitmap();
}

StackResult BlackshotStack::analyze(const BlackshotOptions& options, IProgress& progress) const {
    if (luminance_.empty()) throw std::logic_error("There is no blackshot to analyse.");
    if (options.threshold < 1)
        throw std::invalid_argument("The luminance threshold must be at least 1, not " +
                                    std::to_string(options.threshold) + ".");
    const int n = frames();
    const int votes = options.minVotes ? options.minVotes : (n + 1) / 2;
    if (votes < 1 || votes > n)
        throw std::invalid_argument("A pixel can be hot in 1 to " + std::to_string(n) + " of " +
                                    Plural(n, "blackshot", "blackshots") + ", not in " +
                                    std::to_string(votes) + ".");

    StackResult r;
    r.frames = n;
    r.minVotes = votes;
    r.autoLevel = options.autoLevel;
    if (r.classic()) {
        r.analysis = AnalyzeBlackshotBitmap(single_, options.threshold, progress);
        r.threshold = options.threshold;
        r.noise = MeasureNoiseFloor(luminance_[0].data(), width_, height_);
        for (int v = std::min(options.threshold, 256); v < 256; ++v)
            r.hotPixels += long(histograms_[0][std::size_t(v)]);
        return r;
    }

    // Each frame votes at its own threshold: its black level where that lies
    // above the threshold asked for.
    std::vector<int> frameThreshold(std::size_t(n), options.threshold);
    if (options.autoLevel)
        for (int f = 0; f < n; ++f)
            frameThreshold[std::size_t(f)] = std::max(
                options.threshold, MeasureNoiseFloor(histograms_[std::size_t(f)]).blackLevel);

    // The level each pixel reaches in `votes` frames, and whether it is hot
    // in that many.
    const std::size_t w = std::size_t(width_);
    std::vector<std::uint8_t> level(w * std::size_t(height_));
    std::vector<std::uint8_t> hot(level.size());
    int highest = 0;
    std::vector<std::uint8_t> values(static_cast<std::size_t>(n));
    progress.range(0, height_);
    for (int y = 0; y < height_; ++y) {
        progress.status("Comparing blackshots, row " + std::to_string(y));
        const std::size_t row = std::size_t(y) * w;
        for (std::size_t x = 0; x < w; ++x) {
            int count = 0;
            for (int f = 0; f < n; ++f) {
                const std::uint8_t l = luminance_[std::size_t(f)][row + x];
                values[std::size_t(f)] = l;
                count += l >= frameThreshold[std::size_t(f)];
            }
            const std::uint8_t v = KthLargest(values.data(), n, votes);
            level[row + x] = v;
            hot[row + x] = count >= votes;
            highest = std::max(highest, int(v));
            if (count >= votes)
                ++r.hotPixels;
            else if (count > 0)
                ++r.outvoted;
        }
        progress.position(y + 1);
    }

    r.noise = MeasureNoiseFloor(level.data(), width_, height_);
    r.blackLevel = options.autoLevel ? r.noise.blackLevel : kFixedBlackLevel;
    r.threshold = options.autoLevel ? std::max(options.threshold, r.blackLevel) : options.threshold;

    // The picture the classic analysis sees: hot pixels at least at the
    // threshold, the other pixels above the black level below it (a cluster
    // may grow through them), the rest black.
    Bitmap picture(width_, height_, PixelFormat::pf24bit, Bitmap::NoClear{});
    const int top = std::min(r.threshold, 256) - 1;
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* out = picture.scanLine(y);
        const std::size_t row = std::size_t(y) * w;
        for (std::size_t x = 0; x < w; ++x, out += 3) {
            const int l = level[row + x];
            const int v = hot[row + x]        ? std::max(l, r.threshold)
                          : l >= r.blackLevel ? std::min(l, top)
                                              : 0;
            out[0] = out[1] = out[2] = std::uint8_t(std::min(v, 255));
        }
    }
    r.analysis = AnalyzeBlackshotBitmap(picture, std::min(r.threshold, 255), progress);
    r.analysis.highestLuminance = highest;
    return r;
}

DefinitionFollowUp DefinitionFollowUpOf(const StackResult& r, bool cameraSelected) {
    if (cameraSelected) return DefinitionFollowUp::None;
    const BlackshotOutcome outcome = r.analysis.outcome;
    if (outcome == BlackshotOutcome::ClusterTooLarge && !r.autoLevel && r.noise.aboveFixedLevel())
        return DefinitionFollowUp::NoisyBlackshot;
    if (r.autoLevel) {
        if (outcome != BlackshotOutcome::NoLines) return DefinitionFollowUp::None;
        return r.analysis.highestLuminance < kNoHotPixelsLimit
                   ? DefinitionFollowUp::NoHotPixels
                   : DefinitionFollowUp::NothingAboveNoise;
    }
    switch (BlackshotFollowUpOf(r.analysis.highestLuminance, false)) {
    case BlackshotFollowUp::NoHotPixels:
        return DefinitionFollowUp::NoHotPixels;
    case BlackshotFollowUp::TryAgain:
        return DefinitionFollowUp::TryAgain;
    case BlackshotFollowUp::None:
        break;
    }
    return DefinitionFollowUp::None;
}

namespace {

std::string Shots(const StackResult& r) {
    return r.frames == 1 ? "blackshot" : "blackshots";
}

} // namespace

std::string NoisyBlackshotText(const StackResult& r) {
    const bool one = r.frames == 1;
    const std::string level = std::to_string(r.noise.blackLevel);
    return "The dark pixels of your " + Shots(r) + " (" + DescribeNoiseFloor(r.noise) +
           ") are not black: their noise reaches a luminance of " + level +
           ", above the black level of " + std::to_string(kFixedBlackLevel) +
           " that Vorantel expects, so they run together into patches too large for a "
           "cluster.\rShall Vorantel analyse " +
           (one ? "it" : "them") + " again with the black level of " + level +
           " measured from the " + Shots(r) + "?";
}

std::string NothingAboveNoiseText(const StackResult& r) {
    return "No pixel of your " + Shots(r) + " stands out of " + (r.frames == 1 ? "its" : "their") +
           " noise (" + DescribeNoiseFloor(r.noise) + "): the highest luminance found was " +
           std::to_string(r.analysis.highestLuminance) + ", and a pixel counts as hot from " +
           std::to_string(r.threshold) + " on.";
}

std::string StackResultText(const StackResult& r) {
    if (r.classic()) return {};
    std::string text;
    if (r.frames > 1) {
        text = "From " + std::to_string(r.frames) +
               " blackshots: " + Plural(r.hotPixels, "pixel was", "pixels were") +
               " hot in at least " + std::to_string(r.minVotes) + " of them";
        if (r.outvoted)
            text += "; " + Plural(r.outvoted, "pixel", "pixels") + " hot in fewer " +
                    (r.outvoted == 1 ? "was" : "were") + " left out";
        text += ".";
    }
    if (r.autoLevel) {
        if (!text.empty()) text += "\r";
        text += "Black level " + std::to_string(r.blackLevel) + ", measured from the " + Shots(r) +
                " (" + DescribeNoiseFloor(r.noise) + ")";
        // Several frames vote each at its own level.
        if (r.frames == 1)
            text += "; a pixel counts as hot from " + std::to_string(r.threshold) + " on";
        text += ".";
    }
    return text;
}

std::string CameraDefinedMessage(const std::string& name, const std::vector<std::string>& notes) {
    std::string text = CameraDefinedText(name);
    for (const std::string& n : notes)
        if (!n.empty()) text += "\r" + n;
    return text;
}

std::string FrameRefusedText(const std::string& path, const std::string& reason) {
    return "Vorantel cannot use " + path + ".\r" + reason;
}

} // namespace vt
