#include "camera/analysis.h"

#include <algorithm>
#include <cstddef>
#include <unordered_set>

#include "camera/camerafile.h"

namespace vt {

namespace {

struct Point {
    int x;
    int y;
};

// One repair line before formatting: the mark character and the record.
struct RepairLine {
    char mark;
    HotPixelRecord rec;
};

// Identity of a repair line within a block. Every number of a produced line
// lies inside the image and so fits in 16 bits.
struct LineKey {
    std::uint64_t a;
    std::uint64_t b;
    bool marked;
    bool operator==(const LineKey&) const = default;
};

struct LineKeyHash {
    std::size_t operator()(const LineKey& k) const {
        std::uint64_t h = k.a * 0x9E3779B97F4A7C15ull;
        h ^= k.b + 0x632BE59BD9B4E019ull + (h << 6) + (h >> 2) + (k.marked ? 1 : 0);
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

LineKey KeyOf(const RepairLine& l) {
    const auto& v = l.rec.v;
    auto pack = [](std::int32_t p, std::int32_t q, std::int32_t r, std::int32_t s) {
        return (std::uint64_t(std::uint16_t(p)) << 48) | (std::uint64_t(std::uint16_t(q)) << 32) |
               (std::uint64_t(std::uint16_t(r)) << 16) | std::uint64_t(std::uint16_t(s));
    };
    return {pack(v[0], v[1], v[2], v[3]), pack(v[4], v[5], v[6], v[7]), l.mark == '*'};
}

// An inclusive rectangle around the part of a cluster processed so far.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

enum class Mode { Growing, Closing };

// The cluster stage: grows each candidate's cluster on the work copy, paints
// repaired pixels black in it, and collects the blocks of repair lines. The
// work copy is the 24-bit blackshot, which stays untouched, with the painted
// pixels kept aside: a few thousand pixels instead of a copy of the picture.
class ClusterStage {
  public:
    explicit ClusterStage(const Bitmap& shot) : shot_(shot), w_(shot.width()), h_(shot.height()) {}

    // Produces the block of one candidate; false when its cluster is too
    // large.
    bool processCandidate(Point c) {
        block_.clear();
        seen_.clear();
        Box box{c.x, c.y, c.x, c.y};
        if (!growCluster(box, true, Mode::Growing)) return false;
        growCluster(box, false, Mode::Closing);
        // A lone hot pixel in a tiny image may leave no line at all: there is
        // nothing to mark or store then.
        if (block_.empty()) return true;
        block_[0].mark = '*';
        sortBlock(c);
        lines_.insert(lines_.end(), block_.begin(), block_.end());
        ++blocks_;
        return true;
    }

    const std::vector<RepairLine>& lines() const { return lines_; }
    int blocks() const { return blocks_; }

  private:
    bool inside(int x, int y) const { return x >= 0 && x < w_ && y >= 0 && y < h_; }

    bool ringPixelCounts(int x, int y, Mode mode) const {
        if (!inside(x, y)) return false;
        if (mode == Mode::Closing) return true;
        if (painted_.count(PixelKey(x, y))) return false;
        const std::uint8_t* p = shot_.scanLine(y) + 3 * std::size_t(x);
        return Luminance(p[2], p[1], p[0]) >= kNonblackLuminance;
    }

    bool ringCounts(const Box& b, int t1, int l1, int b1, int r1, Mode mode) const {
        for (int x = b.left; x <= b.right; ++x)
            if (ringPixelCounts(x, t1, mode)) return true;
        for (int x = b.left; x <= b.right; ++x)
            if (ringPixelCounts(x, b1, mode)) return true;
        for (int y = b.top; y <= b.bottom; ++y)
            if (ringPixelCounts(l1, y, mode)) return true;
        for (int y = b.top; y <= b.bottom; ++y)
            if (ringPixelCounts(r1, y, mode)) return true;
        return false;
    }

    // One line for hot pixel h repaired from p1, p2, p3, kept when all four
    // lie inside the image; the hot pixel is painted black either way.
    void emitRepairLine(Point h, Point p1, Point p2, Point p3) {
        if (inside(h.x, h.y) && inside(p1.x, p1.y) && inside(p2.x, p2.y) && inside(p3.x, p3.y)) {
            RepairLine line{pendingMark_, {{h.x, h.y, p1.x, p1.y, p2.x, p2.y, p3.x, p3.y}}};
            pendingMark_ = ' ';
            if (seen_.insert(KeyOf(line)).second) block_.push_back(line);
        }
        if (inside(h.x, h.y)) painted_.insert(PixelKey(h.x, h.y));
    }

    // Repairs the border of the box from the ring outside it while the ring
    // holds nonblack pixels (growing) or once (closing), expanding the box
    // by one ring each time. Fails when the box would exceed the span limit.
    bool growCluster(Box& box, bool mark, Mode mode) {
        for (;;) {
            const int t1 = std::max(box.top - 1, 0);
            const int l1 = std::max(box.left - 1, 0);
            const int b1 = std::min(box.bottom + 1, h_);
            const int r1 = std::min(box.right + 1, w_);
            if (!ringCounts(box, t1, l1, b1, r1, mode)) return true;

            pendingMark_ = mark ? '*' : ' ';
            for (int x = box.left; x <= box.right; ++x)
                emitRepairLine({x, box.top}, {x - 1, t1}, {x, t1}, {x + 1, t1});
            for (int x = box.left; x <= box.right; ++x)
                emitRepairLine({x, box.bottom}, {x - 1, b1}, {x, b1}, {x + 1, b1});
            for (int y = box.top; y <= box.bottom; ++y)
                emitRepairLine({box.left, y}, {l1, y - 1}, {l1, y}, {l1, y + 1});
            for (int y = box.top; y <= box.bottom; ++y)
                emitRepairLine({box.right, y}, {r1, y - 1}, {r1, y}, {r1, y + 1});

            if (r1 - l1 > kMaxClusterSpan || b1 - t1 > kMaxClusterSpan) return false;
            box = {l1, t1, r1, b1};
            if (mode == Mode::Closing) return true;
            mark = false;
        }
    }

    // Orders the block by squared distance of the hot pixel from the centre,
    // the marked line first. The tie order of this particular quicksort
    // decides which records of a pixel stand together in the camera file.
    void sortBlock(Point centre) {
        const int n = static_cast<int>(block_.size());
        if (n < 2) return;
        keys_.resize(block_.size());
        for (int i = 0; i < n; ++i) {
            const RepairLine& l = block_[std::size_t(i)];
            const std::int64_t dx = std::int64_t(l.rec.v[0]) - centre.x;
            const std::int64_t dy = std::int64_t(l.rec.v[1]) - centre.y;
            keys_[std::size_t(i)] = l.mark == '*' ? -1 : dx * dx + dy * dy;
        }
        quickSort(0, n - 1);
    }

    void quickSort(int lo, int hi) {
        int i;
        do {
            i = lo;
            int j = hi;
            int p = (lo + hi) / 2;
            do {
                while (keys_[std::size_t(i)] < keys_[std::size_t(p)])
                    ++i;
                while (keys_[std::size_t(j)] > keys_[std::size_t(p)])
                    --j;
                if (i <= j) {
                    std::swap(keys_[std::size_t(i)], keys_[std::size_t(j)]);
                    std::swap(block_[std::size_t(i)], block_[std::size_t(j)]);
                    if (p == i)
                        p = j;
                    else if (p == j)
                        p = i;
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (lo < j) quickSort(lo, j);
            lo = i;
        } while (i < hi);
    }

    static std::uint32_t PixelKey(int x, int y) {
        return (std::uint32_t(x) << 16) | std::uint32_t(y);
    }

    const Bitmap& shot_;
    std::unordered_set<std::uint32_t> painted_;
    int w_;
    int h_;
    char pendingMark_ = ' ';
    std::vector<RepairLine> block_;
    std::vector<std::int64_t> keys_;
    std::unordered_set<LineKey, LineKeyHash> seen_;
    std::vector<RepairLine> lines_;
    int blocks_ = 0;
};

// Pixels of a row tested at once for one at the threshold.
constexpr int kScanChunk = 64;

// Luminance of every pixel of row y of a 24-bit bitmap; returns the row's
// highest.
int RowLuminance(const Bitmap& bmp, int y, std::uint8_t* out) {
    const std::uint8_t* p = bmp.scanLine(y);
    const int w = bmp.width();
    int highest = 0;
    for (int x = 0; x < w; ++x, p += 3) {
        const int l = Luminance(p[2], p[1], p[0]);
        out[x] = static_cast<std::uint8_t>(l);
        highest = std::max(highest, l);
    }
    return highest;
}

// Scans the blackshot row by row: the highest luminance, and the candidates
// in scan order.
int ScanBlackshot(const Bitmap& bmp, int threshold, IProgress& progress,
                  std::vector<Point>& candidates) {
    const int w = bmp.width();
    const int h = bmp.height();
    std::vector<std::uint8_t> buf(std::size_t(w) * 3);
    std::uint8_t* prev = buf.data();
    std::uint8_t* cur = prev + w;
    std::uint8_t* next = cur + w;

    progress.range(0, h);
    int curHighest = RowLuminance(bmp, 0, cur);
    int highest = curHighest;
    for (int y = 0; y < h; ++y) {
        progress.status("Analyzing row " + std::to_string(y));
        const bool hasPrev = y > 0;
        const bool hasNext = y + 1 < h;
        const int nextHighest = hasNext ? RowLuminance(bmp, y + 1, next) : 0;
        highest = std::max(highest, nextHighest);
        // Most rows of a blackshot hold no pixel at the threshold, and most
        // stretches of the others neither.
        if (curHighest >= threshold) {
            for (int start = 0; start < w; start += kScanChunk) {
                const int end = std::min(start + kScanChunk, w);
                if (*std::max_element(cur + start, cur + end) < threshold) continue;
                for (int x = start; x < end; ++x) {
                    const int l = cur[x];
                    if (l < threshold) continue;
                    const int x0 = std::max(x - 1, 0);
                    const int x1 = std::min(x + 1, w - 1);
                    bool outshone = false;
                    for (int nx = x0; nx <= x1 && !outshone; ++nx) {
                        if (hasPrev && prev[nx] > l) outshone = true;
                        if (hasNext && next[nx] > l) outshone = true;
                        if (nx != x && cur[nx] > l) outshone = true;
                    }
                    if (!outshone) candidates.push_back({x, y});
                }
            }
        }
        progress.position(y + 1);
        curHighest = nextHighest;
        std::uint8_t* t = prev;
        prev = cur;
        cur = next;
        next = t;
    }
    progress.status("Done");
    progress.position(0);
    return highest;
}

} // namespace

void CheckBlackshotSize(int w, int h) {
    if (w < 1 || h < 1 || w > kMaxBlackshotSide || h > kMaxBlackshotSide)
        throw BlackshotSizeError("The blackshot is " + std::to_string(w) + " x " +
                                 std::to_string(h) +
                                 " pixels; Vorantel analyses blackshots of 1 to " +
                                 std::to_string(kMaxBlackshotSide) + " pixels in each direction.");
}

BlackshotResult AnalyzeBlackshotBitmap(const Bitmap& blackshot, int threshold,
                                       IProgress& progress) {
    CheckBlackshotSize(blackshot.width(), blackshot.height());
    if (threshold < 1)
        throw std::invalid_argument("The luminance threshold must be at least 1, not " +
                                    std::to_string(threshold) + ".");
    Bitmap converted;
    if (blackshot.pixelFormat() != PixelFormat::pf24bit) converted = blackshot.convertedTo24();
    const Bitmap& shot = converted.empty() ? blackshot : converted;

    BlackshotResult result;
    std::vector<Point> candidates;
    result.highestLuminance = ScanBlackshot(shot, threshold, progress, candidates);
    result.candidates = static_cast<int>(candidates.size());

    ClusterStage stage(shot);
    for (const Point& c : candidates) {
        if (!stage.processCandidate(c)) {
            result.outcome = BlackshotOutcome::ClusterTooLarge;
            return result;
        }
    }
    if (stage.lines().empty()) {
        result.outcome = BlackshotOutcome::NoLines;
        return result;
    }
    result.outcome = BlackshotOutcome::Lines;
    result.blocks = stage.blocks();
    result.lines.reserve(stage.lines().size());
    for (const RepairLine& l : stage.lines())
        result.lines.push_back(FormatRepairLine(l.mark, l.rec));
    return result;
}

BlackshotFollowUp BlackshotFollowUpOf(int highestLuminance, bool cameraSelected) {
    if (cameraSelected) return BlackshotFollowUp::None;
    if (highestLuminance < kNoHotPixelsLimit) return BlackshotFollowUp::NoHotPixels;
    return BlackshotFollowUp::TryAgain;
}

std::string BlackshotErrorText() {
    return "The camera cannot be added to Vorantel because the selected image has too many "
           "contiguous nonblack pixels.";
}

std::string CameraDefinedText(const std::string& cameraName) {
    return "Camera \"" + cameraName + "\" is defined.";
}

std::string NoHotPixelsText() {
    return "Your blackshot has no hot/dead pixels!\rTry a lower luminance threshold.";
}

std::string TryAgainText(int threshold, int highestLuminance) {
    return "No hot pixels were found with luminance of " + std::to_string(threshold) +
           " or more.\rThe highest luminance value found was " + std::to_string(highestLuminance) +
           ".\rShall Vorantel mark these pixels as \"hot?\"";
}

std::string CameraWriteErrorText(const std::string& path, const std::string& systemText) {
    return "Unable to open or write file " + path + "\r" + systemText;
}

} // namespace vt
