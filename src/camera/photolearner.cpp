#include "camera/photolearner.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vt {

namespace {

// Adds a row to the mean brightness of its cells.
void AddToThumbnail(const std::uint8_t* v, int w, int y, int h, Thumbnail& thumb) {
    const int cy = int(std::int64_t(y) * kThumbRows / h);
    for (int cx = 0; cx < kThumbColumns; ++cx) {
        const int x0 = int(std::int64_t(cx) * w / kThumbColumns);
        const int x1 = int(std::int64_t(cx + 1) * w / kThumbColumns);
        unsigned sum = 0;
        for (int x = x0; x < x1; ++x)
            sum += v[x];
        thumb[std::size_t(cy * kThumbColumns + cx)] += sum;
    }
}

// Photos of much the same scene: their thumbnails differ by less than a
// few levels on average, or follow each other closely (the same scene in
// another exposure).
bool Alike(const Thumbnail& a, const Thumbnail& b) {
    double ma = 0, mb = 0, diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ma += a[i];
        mb += b[i];
        diff += std::abs(a[i] - b[i]);
    }
    const double n = double(a.size());
    if (diff / n < 4) return true;
    ma /= n;
    mb /= n;
    double saa = 0, sbb = 0, sab = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
        sab += (a[i] - ma) * (b[i] - mb);
    }
    // Too flat to tell by shape.
    if (saa < 64 * n || sbb < 64 * n) return false;
    return sab / std::sqrt(saa * sbb) > 0.97;
}

// One row of a photograph as the learner sees it: the brightest channel of
// each pixel, so that a hot pixel of any colour stands out; and, for each
// pixel with its left and right neighbour, the highest, second highest and
// lowest of them. A neighbour beyond the edge of the photograph does not
// count: it is 0 for the highest values and 255 for the lowest.
struct Row {
    std::vector<std::uint8_t> high; // the pixels, with a 0 at each end
    std::vector<std::uint8_t> low;  // the pixels, with a 255 at each end
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> second;
    std::vector<std::uint8_t> lowest;
    int y = -1;

    explicit Row(int w)
        : high(std::size_t(w) + 2, 0), low(std::size_t(w) + 2, 255), first(std::size_t(w), 0),
          second(std::size_t(w), 0), lowest(std::size_t(w), 255) {}

    void read(const Bitmap& b, int row) {
        const int w = b.width();
        const std::uint8_t* __restrict p = b.scanLine(row);
        std::uint8_t* __restrict out = high.data() + 1;
        for (int x = 0; x < w; ++x) {
            const std::uint8_t blue = p[3 * x], green = p[3 * x + 1], red = p[3 * x + 2];
            const std::uint8_t m = blue > green ? blue : green;
            out[x] = m > red ? m : red;
        }
        std::copy(high.begin() + 1, high.end() - 1, low.begin() + 1);
        const std::uint8_t* __restrict h = high.data();
        const std::uint8_t* __restrict l = low.data();
        std::uint8_t* __restrict f = first.data();
        std::uint8_t* __restrict s = second.data();
        std::uint8_t* __restrict lo = lowest.data();
        for (int x = 0; x < w; ++x) {
            const std::uint8_t a = h[x], c = h[x + 1], e = h[x + 2];
            const std::uint8_t ac = a > c ? a : c, ca = a > c ? c : a;
            f[x] = ac > e ? ac : e;
            const std::uint8_t m = ac > e ? e : ac;
            s[x] = ca > m ? ca : m;
            const std::uint8_t l1 = l[x] < l[x + 1] ? l[x] : l[x + 1];
            lo[x] = l1 < l[x + 2] ? l1 : l[x + 2];
        }
        y = row;
    }
};

inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) {
    return a > b ? a : b;
}
inline std::uint8_t Min(std::uint8_t a, std::uint8_t b) {
    return a < b ? a : b;
}

// Adds the votes of one row: a pixel votes when it exceeds the second
// brightest of its eight neighbours by kMinExcess and by the spread of the
// seven others. The brightest neighbour is left out so that two hot pixels
// side by side both vote, and a hot pixel whose light the camera spread
// into one neighbour still does.
void VoteRow(const Row& above, const Row& here, const Row& below, int w,
             std::uint8_t* __restrict votes) {
    const std::uint8_t* __restrict vh = here.high.data();
    const std::uint8_t* __restrict vl = here.low.data();
    const std::uint8_t* __restrict a1 = above.first.data();
    const std::uint8_t* __restrict a2 = above.second.data();
    const std::uint8_t* __restrict al = above.lowest.data();
    const std::uint8_t* __restrict b1 = below.first.data();
    const std::uint8_t* __restrict b2 = below.second.data();
    const std::uint8_t* __restrict bl = below.lowest.data();
    for (int x = 0; x < w; ++x) {
        const std::uint8_t self = vh[x + 1];
        // The two brightest of the rows above and below, then the pixels
        // to the left and right.
        std::uint8_t first = Max(a1[x], b1[x]);
        std::uint8_t second = Max(Min(a1[x], b1[x]), Max(a2[x], b2[x]));
        second = Max(second, Min(first, vh[x]));
        first = Max(first, vh[x]);
        second = Max(second, Min(first, vh[x + 2]));
        const std::uint8_t lo = Min(Min(al[x], bl[x]), Min(vl[x], vl[x + 2]));
        // Differences that stop at 0, and a vote without a branch, so that
        // the loop runs on many pixels at once.
        const std::uint8_t excess = std::uint8_t(self - Min(self, second));
        const std::uint8_t spread = std::uint8_t(second - Min(second, lo));
        votes[x] += std::uint8_t((excess >= kMinExcess) & (excess >= spread));
    }
}

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

    Thumbnail thumb{};
    // Rows y - 1, y and y + 1, in three slots; beyond the top and bottom
    // edges a row of no pixels.
    Row rows[3] = {Row(w), Row(w), Row(w)};
    const Row none(w);
    auto rowAt = [&](int y) -> const Row& {
        if (y < 0 || y >= h) return none;
        Row& r = rows[std::size_t(y % 3)];
        if (r.y != y) {
            r.read(b, y);
            AddToThumbnail(r.high.data() + 1, w, y, h, thumb);
        }
        return r;
    };
    for (int y = 0; y < h; ++y) {
        const Row& below = rowAt(y + 1);
        const Row& here = rowAt(y);
        const Row& above = rowAt(y - 1);
        VoteRow(above, here, below, w, votes_.data() + std::size_t(y) * std::size_t(w));
    }
    for (double& cell : thumb)
        cell /= double(w) * double(h) / kThumbCells;
    thumbnails_.push_back(thumb);
    ++photos_;
}

LearnResult PhotoLearner::learn(const LearnOptions& options, IProgress& progress) const {
    if (photos_ < kMinLearnPhotos) throw LearnInputError(TooFewPhotosText(photos_));
    const int votes = options.minVotes ? options.minVotes : (photos_ + 1) / 2;
    if (votes < 1 || votes > photos_)
        throw LearnInputError("A pixel can stand out in 1 to " + std::to_string(photos_) +
                              " of the photos, not in " + std::to_string(votes) + ".");
    LearnResult r;
    r.photos = photos_;
    r.minVotes = votes;
    // The picture the blackshot analysis sees: the pixels that won enough
    // votes, the more votes the brighter, on black; all of them well above
    // the level from which the analysis counts a pixel as nonblack.
    constexpr int kBase = 255 - kMaxLearnPhotos;
    static_assert(kBase > kNonblackLuminance);
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
    for (int i = 0; i < photos_; ++i)
        for (int j = i + 1; j < photos_; ++j)
            if (Alike(thumbnails_[std::size_t(i)], thumbnails_[std::size_t(j)]))
                r.alike.push_back({i, j});
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
    text += ".";
    if (!r.alike.empty()) {
        const auto [i, j] = r.alike.front();
        text += "\rPhotos " + std::to_string(i + 1) + " and " + std::to_string(j + 1) +
                (r.alike.size() > 1 ? " (and others)" : "") +
                " show much the same scene: a star or glint at one place in both counts twice "
                "and may be taken for a hot pixel. Photos of different scenes are safer.";
    }
    return text;
}

std::string TooFewPhotosText(int photos) {
    return "Vorantel learns a camera from at least " + std::to_string(kMinLearnPhotos) +
           " photos of one size, not " + std::to_string(photos) + ".";
}

std::string NothingStoodOutText(const LearnResult& r) {
    return "No pixel stood out of its surroundings in at least " + std::to_string(r.minVotes) +
           " of the " + std::to_string(r.photos) +
           " photos.\rPhotos with dark, calm areas (a night scene, a dim room) show hot pixels "
           "best.";
}

} // namespace vt
