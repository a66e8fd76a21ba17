#include "camera/photolearner.h"

#include <algorithm>
#include <cstddef>

namespace vt {

namespace {

// A photograph's pixels as the learner sees them: the brightest channel, so
// that a hot pixel of any colour stands out, in a row with one mirrored
// pixel at each end (the neighbour beyond the edge is the one inside it).
void BrightestChannel(const Bitmap& b, int y, std::uint8_t* padded) {
    const int w = b.width();
    const std::uint8_t* __restrict p = b.scanLine(y);
    std::uint8_t* __restrict out = padded + 1;
    for (int x = 0; x < w; ++x) {
        const std::uint8_t blue = p[3 * x], green = p[3 * x + 1], red = p[3 * x + 2];
        const std::uint8_t m = blue > green ? blue : green;
        out[x] = m > red ? m : red;
    }
    padded[0] = w > 1 ? out[1] : out[0];
    padded[w + 1] = w > 1 ? out[w - 2] : out[0];
}

// Highest and lowest of each pixel and its two neighbours in a padded row.
void RowExtremes(const std::uint8_t* padded, int w, std::uint8_t* hi, std::uint8_t* lo) {
    for (int x = 0; x < w; ++x) {
        const std::uint8_t a = padded[x], b = padded[x + 1], c = padded[x + 2];
        hi[x] = std::max(a, std::max(b, c));
        lo[x] = std::min(a, std::min(b, c));
    }
}

struct Row {
    std::vector<std::uint8_t> v; // padded
    std::vector<std::uint8_t> hi;
    std::vector<std::uint8_t> lo;
    int y = -1;
};

} // namespace

void PhotoLearner::add(const Bitmap& photo) {
    const int w = photo.width();
    const int h = photo.height();
    if (w < 1 || h < 1 || w > kMaxBlackshotSide || h > kMaxBlackshotSide)
        throw BlackshotSizeError("The photo is " + std::to_string(w) + " x " + std::to_string(h) +
                                 " pixels; Vorantel learns from photos of 1 to " +
                                 std::to_string(kMaxBlackshotSide) + " pixels in each direction.");
    if (photos_ > 0 && (w != width_ || h != height_)) {
        std::string text = "The photo is " + std::to_string(w) + " x " + std::to_string(h) +
                           " pixels, the first one " + std::to_string(width_) + " x " +
                           std::to_string(height_) + " pixels";
        if (w == height_ && h == width_)
            text += ": it was turned after the camera stored it. Vorantel learns a camera from "
                    "photos as the camera stored them.";
        else
            text += ": Vorantel learns a camera from photos of one size.";
        throw PhotoMismatchError(text);
    }
    if (photos_ >= kMaxLearnPhotos)
        throw LearnInputError("Vorantel learns a camera from at most " +
                              std::to_string(kMaxLearnPhotos) + " photos.");
    if (photos_ == 0) {
        width_ = w;
        height_ = h;
        votes_.assign(std::size_t(w) * std::size_t(h), 0);
    }
    Bitmap converted;
    if (photo.pixelFormat() != PixelFormat::pf24bit) converted = photo.convertedTo24();
    const Bitmap& b = converted.empty() ? photo : converted;

    // Rows y - 1, y and y + 1, the ones beyond the edges mirrored.
    Row rows[3];
    for (Row& r : rows) {
        r.v.resize(std::size_t(w) + 2);
        r.hi.resize(std::size_t(w));
        r.lo.resize(std::size_t(w));
    }
    auto rowAt = [&](int y) -> const Row& {
        if (y < 0) y = h > 1 ? 1 : 0;
        if (y >= h) y = h > 1 ? h - 2 : 0;
        Row& r = rows[std::size_t(y % 3)];
        if (r.y != y) {
            BrightestChannel(b, y, r.v.data());
            RowExtremes(r.v.data(), w, r.hi.data(), r.lo.data());
            r.y = y;
        }
        return r;
    };
    for (int y = 0; y < h; ++y) {
        // The three rows y - 1, y, y + 1 are three different slots (y - 1
        // and y + 1 may be the same row at an edge).
        const Row& above = rowAt(y - 1);
        const Row& below = rowAt(y + 1);
        const Row& here = rowAt(y);
        const std::uint8_t* v = here.v.data();
        const std::uint8_t* ahi = above.hi.data();
        const std::uint8_t* alo = above.lo.data();
        const std::uint8_t* bhi = below.hi.data();
        const std::uint8_t* blo = below.lo.data();
        std::uint8_t* votes = votes_.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t left = v[x], self = v[x + 1], right = v[x + 2];
            const std::uint8_t hi = std::max(std::max(ahi[x], bhi[x]), std::max(left, right));
            const std::uint8_t lo = std::min(std::min(alo[x], blo[x]), std::min(left, right));
            const std::uint8_t excess = self > hi ? std::uint8_t(self - hi) : std::uint8_t(0);
            const std::uint8_t contrast = std::uint8_t(hi - lo);
            votes[x] += std::uint8_t(excess >= kMinExcess && excess >= contrast);
        }
    }
    ++photos_;
}

LearnResult PhotoLearner::learn(const LearnOptions& options, IProgress& progress) const {
    if (photos_ < kMinLearnPhotos)
        throw LearnInputError("Vorantel learns a camera from at least " +
                              std::to_string(kMinLearnPhotos) + " photos of one size, not " +
                              std::to_string(photos_) + ".");
    const int votes = options.minVotes ? options.minVotes : (photos_ + 1) / 2;
    if (votes < 1 || votes > photos_)
        throw LearnInputError("A pixel can stand out in 1 to " + std::to_string(photos_) +
                              " of the photos, not in " + std::to_string(votes) + ".");
    LearnResult r;
    r.photos = photos_;
    r.minVotes = votes;
    // The picture the blackshot analysis sees: the pixels that won enough
    // votes, the more votes the brighter, on black.
    constexpr int kBase = 255 - kMaxLearnPhotos;
    Bitmap picture(width_, height_);
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* v = votes_.data() + std::size_t(y) * std::size_t(width_);
        std::uint8_t* out = picture.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            if (v[x] >= votes) {
                ++r.hotPixels;
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = std::uint8_t(kBase + v[x]);
            } else if (v[x]) {
                ++r.outvoted;
            }
        }
    }
    r.analysis = AnalyzeBlackshotBitmap(picture, kBase + votes, progress);
    return r;
}

std::string LearnResultText(const LearnResult& r) {
    auto plural = [](long n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string text = "From " + std::to_string(r.photos) +
                       " photos: " + plural(r.hotPixels, "pixel", "pixels") +
                       " stood out in at least " + std::to_string(r.minVotes) + " of them";
    if (r.outvoted)
        text += "; " + plural(r.outvoted, "pixel", "pixels") + " that stood out in fewer " +
                (r.outvoted == 1 ? "was" : "were") + " left out";
    return text + ".";
}

std::string NothingStoodOutText(const LearnResult& r) {
    return "No pixel stood out of its surroundings in at least " + std::to_string(r.minVotes) +
           " of the " + std::to_string(r.photos) +
           " photos.\rPhotos with dark, calm areas (a night scene, a dim room) show hot pixels "
           "best.";
}

} // namespace vt
