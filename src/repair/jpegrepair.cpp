#include "repair/jpegrepair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/bitmap.h"
#include "repair/dctblock.h"
#include "repair/repair.h"

namespace vt {

namespace {

std::uint64_t BlockKey(int component, int bx, int by) {
    return (std::uint64_t(component) << 56) | (std::uint64_t(std::uint32_t(bx)) << 28) |
           std::uint64_t(std::uint32_t(by));
}

std::uint64_t PointKey(int x, int y) {
    return (std::uint64_t(std::uint32_t(x)) << 32) | std::uint32_t(y);
}

// How a decoder brings a component to the picture's size. libjpeg (its
// defaults, as the photo reader uses them) interpolates 2:1 horizontally
// and vertically with a triangle filter, and repeats samples otherwise.
enum class Upsampling { None, H2V1, H1V2, H2V2, Repeat };

struct Component {
    JpegComponent info;
    int rh = 1, rv = 1; // picture pixels per sample
    Upsampling up = Upsampling::None;
};

// A sample's share in a picture pixel.
struct Share {
    int sx, sy;
    float weight;
};

// The colour conversion of libjpeg's decoder: JFIF YCbCr to RGB in 16-bit
// fixed point, each term rounded.
constexpr int Fix(double x) {
    return int(x * 65536 + 0.5);
}

TColor YccToRgb(int y, int cb, int cr) {
    constexpr int half = 1 << 15;
    cb -= 128;
    cr -= 128;
    const int r = y + ((Fix(1.40200) * cr + half) >> 16);
    const int g = y + ((-Fix(0.34414) * cb - Fix(0.71414) * cr + half) >> 16);
    const int b = y + ((Fix(1.77200) * cb + half) >> 16);
    return RGBColor(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

// The photograph as far as the repair reads and writes it: pixels are
// decoded from the blocks that hold them when first read; written pixels
// are kept apart, in the order they were first written.
class SparsePicture final : public RepairPixels {
  public:
    explicit SparsePicture(JpegCoefficients& jc) : jc_(jc) {
        for (const JpegComponent& info : jc.components()) {
            Component c;
            c.info = info;
            if (jc.maxH() % info.h || jc.maxV() % info.v)
                throw JpegTranscodeUnavailable(
                    "The photograph's JPEG has sampling factors its decoder cannot scale.");
            c.rh = jc.maxH() / info.h;
            c.rv = jc.maxV() / info.v;
            // A single component is never subsampled against itself.
            if (jc.components().size() == 1) c.rh = c.rv = 1;
            if (c.rh == 1 && c.rv == 1)
                c.up = Upsampling::None;
            else if (c.rh == 2 && c.rv == 1 && info.sampleWidth > 2)
                c.up = Upsampling::H2V1;
            else if (c.rh == 1 && c.rv == 2)
                c.up = Upsampling::H1V2;
            else if (c.rh == 2 && c.rv == 2 && info.sampleWidth > 2)
                c.up = Upsampling::H2V2;
            else
                c.up = Upsampling::Repeat;
            components_.push_back(c);
        }
    }

    int width() const { return jc_.width(); }
    int height() const { return jc_.height(); }
    const std::vector<Component>& components() const { return components_; }
    bool grey() const { return components_.size() == 1; }

    TColor pixel(int x, int y) override {
        if (x < 0 || y < 0 || x >= width() || y >= height()) return clInvalid;
        const std::uint64_t key = PointKey(x, y);
        if (auto it = pixels_.find(key); it != pixels_.end()) return it->second;
        const TColor c = decoded(x, y);
        pixels_.emplace(key, c);
        return c;
    }

    void setPixel(int x, int y, TColor c) override {
        if (x < 0 || y < 0 || x >= width() || y >= height()) return;
        const std::uint64_t key = PointKey(x, y);
        pixels_[key] = c;
        if (written_.insert(key).second) order_.push_back({x, y});
    }

    // The written pixels and their colours now.
    struct Written {
        int x, y;
    };
    const std::vector<Written>& written() const { return order_; }
    TColor colourOf(const Written& w) const { return pixels_.at(PointKey(w.x, w.y)); }

    // The colour a decoder gives the pixel from the blocks as they are now.
    TColor decoded(int x, int y) {
        if (grey()) {
            const int v = value(0, x, y);
            return RGBColor(v, v, v);
        }
        return YccToRgb(value(0, x, y), value(1, x, y), value(2, x, y));
    }

    // The component's value at a picture pixel, upsampled as the decoder
    // does it.
    int value(int c, int x, int y) {
        const Component& comp = components_[std::size_t(c)];
        const int n = comp.info.sampleWidth, m = comp.info.sampleHeight;
        auto s = [&](int sx, int sy) { return int(sample(c, sx, sy)); };
        switch (comp.up) {
        case Upsampling::None:
            return s(x, y);
        case Upsampling::Repeat:
            return s(x / comp.rh, y / comp.rv);
        case Upsampling::H2V1: {
            const int i = x / 2;
            if (x % 2 == 0) return i == 0 ? s(0, y) : (3 * s(i, y) + s(i - 1, y) + 1) >> 2;
            return i == n - 1 ? s(i, y) : (3 * s(i, y) + s(i + 1, y) + 2) >> 2;
        }
        case Upsampling::H1V2: {
            const int j = y / 2;
            const bool upper = y % 2 == 0;
            const int near = upper ? std::max(j - 1, 0) : std::min(j + 1, m - 1);
            return (3 * s(x, j) + s(x, near) + (upper ? 1 : 2)) >> 2;
        }
        case Upsampling::H2V2: {
            const int i = x / 2, j = y / 2;
            const int near = y % 2 == 0 ? std::max(j - 1, 0) : std::min(j + 1, m - 1);
            auto column = [&](int sx) { return 3 * s(sx, j) + s(sx, near); };
            if (x % 2 == 0)
                return i == 0 ? (4 * column(0) + 8) >> 4 : (3 * column(i) + column(i - 1) + 8) >> 4;
            return i == n - 1 ? (4 * column(i) + 7) >> 4 : (3 * column(i) + column(i + 1) + 7) >> 4;
        }
        }
        return 0;
    }

    // The samples a picture pixel's value is made of, with their weights
    // (the rounding of the filter left out).
    std::vector<Share> shares(int c, int x, int y) const {
        const Component& comp = components_[std::size_t(c)];
        const int n = comp.info.sampleWidth, m = comp.info.sampleHeight;
        std::vector<std::pair<int, float>> hs, vs;
        const bool h2 = comp.up == Upsampling::H2V1 || comp.up == Upsampling::H2V2;
        const bool v2 = comp.up == Upsampling::H1V2 || comp.up == Upsampling::H2V2;
        if (h2) {
            const int i = x / 2;
            if (x % 2 == 0 ? i == 0 : i == n - 1)
                hs = {{i, 1.f}};
            else
                hs = {{i, .75f}, {x % 2 == 0 ? i - 1 : i + 1, .25f}};
        } else {
            hs = {{x / comp.rh, 1.f}};
        }
        if (v2) {
            const int j = y / 2;
            const int near = y % 2 == 0 ? std::max(j - 1, 0) : std::min(j + 1, m - 1);
            vs = {{j, .75f}, {near, .25f}};
        } else {
            vs = {{y / comp.rv, 1.f}};
        }
        std::vector<Share> out;
        for (auto [sy, wy] : vs)
            for (auto [sx, wx] : hs)
                out.push_back({sx, sy, wx * wy});
        return out;
    }

    // A decoded sample; beyond the component's samples the decoder repeats
    // the last row and column.
    std::uint8_t sample(int c, int sx, int sy) {
        const JpegComponent& info = components_[std::size_t(c)].info;
        sx = std::clamp(sx, 0, info.sampleWidth - 1);
        sy = std::clamp(sy, 0, info.sampleHeight - 1);
        return block(c, sx / 8, sy / 8).sample[(sy % 8) * 8 + sx % 8];
    }

    struct Block {
        float value[64];
        std::uint8_t sample[64];
    };

    // The block decoded from its coefficients as they are now.
    Block& block(int c, int bx, int by) {
        const std::uint64_t key = BlockKey(c, bx, by);
        auto it = blocks_.find(key);
        if (it != blocks_.end()) return it->second;
        Block& b = blocks_[key];
        decode(c, bx, by, b);
        return b;
    }

    // Decodes the block again after its coefficients changed.
    void refresh(int c, int bx, int by) { decode(c, bx, by, blocks_[BlockKey(c, bx, by)]); }

  private:
    void decode(int c, int bx, int by, Block& b) {
        dct::InverseDct(jc_.block(c, bx, by), components_[std::size_t(c)].info.quant.data(),
                        b.value);
        for (int i = 0; i < 64; ++i)
            b.sample[i] = dct::Clamped(b.value[i]);
    }

    JpegCoefficients& jc_;
    std::vector<Component> components_;
    std::unordered_map<std::uint64_t, Block> blocks_;
    std::unordered_map<std::uint64_t, TColor> pixels_;
    std::unordered_set<std::uint64_t> written_;
    std::vector<Written> order_;
};

// A value one component is to take at a picture pixel.
struct PixelTarget {
    int x, y;
    float value;
};

// Moves the component's values at the pixels to their targets through the
// block that holds each pixel's own sample: the samples of other blocks that
// the decoder blends in stay as they are. The blocks changed are added to
// `touched`.
void Solve(SparsePicture& pic, JpegCoefficients& jc, int c, const std::vector<PixelTarget>& targets,
           std::unordered_set<std::uint64_t>& touched) {
    const Component& comp = pic.components()[std::size_t(c)];
    std::unordered_map<std::uint64_t, std::vector<dct::SampleTarget>> perBlock;
    for (const PixelTarget& t : targets) {
        const int bx = t.x / comp.rh / 8, by = t.y / comp.rv / 8; // the pixel's own block
        dct::SampleTarget target;
        float outside = 0;
        for (const Share& s : pic.shares(c, t.x, t.y)) {
            if (s.sx / 8 == bx && s.sy / 8 == by)
                target.samples.emplace_back((s.sy % 8) * 8 + s.sx % 8, s.weight);
            else
                outside += s.weight * float(pic.sample(c, s.sx, s.sy));
        }
        target.value = t.value - outside;
        perBlock[BlockKey(c, bx, by)].push_back(std::move(target));
    }
    for (auto& [key, list] : perBlock) {
        const int bx = int((key >> 28) & 0xFFFFFFFu), by = int(key & 0xFFFFFFFu);
        SparsePicture::Block& b = pic.block(c, bx, by);
        if (dct::Requantise(jc.block(c, bx, by), comp.info.quant.data(), b.value, list)) {
            pic.refresh(c, bx, by);
            touched.insert(key);
        }
    }
}

// The luminance that, with the chroma the pixel now decodes with, comes
// closest to the colour in every channel.
int BestLuminance(const TColor target, int cb, int cr) {
    const int r = GetRValue(target), g = GetGValue(target), b = GetBValue(target);
    const int guess = int(std::lround(0.299 * r + 0.587 * g + 0.114 * b));
    int best = guess, bestMiss = 1 << 30, bestSum = 1 << 30;
    for (int y = std::max(0, guess - 4); y <= std::min(255, guess + 4); ++y) {
        const TColor c = YccToRgb(y, cb, cr);
        const int dr = std::abs(GetRValue(c) - r), dg = std::abs(GetGValue(c) - g),
                  db = std::abs(GetBValue(c) - b);
        const int miss = std::max({dr, dg, db}), sum = dr + dg + db;
        if (miss < bestMiss || (miss == bestMiss && sum < bestSum)) {
            best = y;
            bestMiss = miss;
            bestSum = sum;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------
// Whether the file's own Huffman tables can code the changed blocks of a
// file with one sequential scan.

constexpr std::array<int, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

int Magnitude(int v) {
    v = std::abs(v);
    int bits = 0;
    while (v) {
        ++bits;
        v >>= 1;
    }
    return bits;
}

// The order in which a scan codes one component's blocks. The DC of a block
// is coded as its difference from the block before it of the same component
// (0 after a restart marker); padding blocks at the right and bottom of an
// interleaved scan repeat the DC before them.
class CodingOrder {
  public:
    CodingOrder(const JpegCoefficients& jc, const JpegComponent& comp, bool interleaved)
        : wib_(comp.widthInBlocks), hib_(comp.heightInBlocks), restart_(jc.restartInterval()) {
        if (interleaved) {
            h_ = comp.h;
            v_ = comp.v;
            perRow_ = (jc.width() + 8 * jc.maxH() - 1) / (8 * jc.maxH());
            rows_ = (jc.height() + 8 * jc.maxV() - 1) / (8 * jc.maxV());
        } else {
            perRow_ = wib_;
            rows_ = hib_;
        }
    }

    // The nearest block of the picture before (step -1) or after (+1) in
    // the same restart interval; false when there is none.
    bool neighbour(int bx, int by, int step, int& nx, int& ny) const {
        const std::int64_t units = std::int64_t(h_) * v_;
        const std::int64_t total = std::int64_t(perRow_) * rows_ * units;
        const std::int64_t start = key(bx, by);
        const std::int64_t interval = interval_of(start / units);
        for (std::int64_t k = start + step; k >= 0 && k < total; k += step) {
            if (interval_of(k / units) != interval) return false;
            const std::int64_t mcu = k / units, within = k % units;
            nx = int((mcu % perRow_) * h_ + within % h_);
            ny = int((mcu / perRow_) * v_ + within / h_);
            if (nx < wib_ && ny < hib_) return true;
        }
        return false;
    }

  private:
    std::int64_t key(int bx, int by) const {
        const std::int64_t mcu = std::int64_t(by / v_) * perRow_ + bx / h_;
        return mcu * h_ * v_ + (by % v_) * h_ + bx % h_;
    }
    std::int64_t interval_of(std::int64_t mcu) const { return restart_ ? mcu / restart_ : 0; }

    int h_ = 1, v_ = 1, perRow_ = 0, rows_ = 0;
    int wib_, hib_, restart_;
};

bool HuffmanCodesEverything(JpegCoefficients& jc,
                            const std::unordered_set<std::uint64_t>& touched) {
    if (jc.progressive() || jc.scans().size() != 1) return false;
    const JpegScan& scan = jc.scans().front();
    if (scan.components.size() != jc.components().size()) return false;
    const bool interleaved = scan.components.size() > 1;
    for (std::uint64_t key : touched) {
        const int c = int(key >> 56);
        const int bx = int((key >> 28) & 0xFFFFFFFu), by = int(key & 0xFFFFFFFu);
        const auto at = std::find(scan.components.begin(), scan.components.end(), c);
        const std::size_t i = std::size_t(at - scan.components.begin());
        const int dcTable = scan.dcTables[i], acTable = scan.acTables[i];
        const JpegComponent& comp = jc.components()[std::size_t(c)];
        if (bx >= comp.widthInBlocks || by >= comp.heightInBlocks) continue; // never coded
        const std::int16_t* b = jc.block(c, bx, by);
        // AC: runs of zeros and magnitudes in zigzag order, 16 zeros at a
        // time, and the end of the block.
        int run = 0;
        for (int z = 1; z < 64; ++z) {
            const int v = b[kZigzag[std::size_t(z)]];
            if (v == 0) {
                ++run;
                continue;
            }
            for (; run > 15; run -= 16)
                if (!jc.hasHuffmanCode(false, acTable, 0xF0)) return false;
            if (!jc.hasHuffmanCode(false, acTable, (run << 4) | Magnitude(v))) return false;
            run = 0;
        }
        if (run > 0 && !jc.hasHuffmanCode(false, acTable, 0x00)) return false;
        // DC: this block's difference and the next block's.
        CodingOrder order(jc, comp, interleaved);
        int px = 0, py = 0, nx = 0, ny = 0;
        const int before = order.neighbour(bx, by, -1, px, py) ? jc.block(c, px, py)[0] : 0;
        if (!jc.hasHuffmanCode(true, dcTable, Magnitude(b[0] - before))) return false;
        if (order.neighbour(bx, by, 1, nx, ny) &&
            !jc.hasHuffmanCode(true, dcTable, Magnitude(jc.block(c, nx, ny)[0] - b[0])))
            return false;
    }
    return true;
}

} // namespace

RepairedJpeg RepairJpeg(const std::string& source, const HotPixelList& hotPixels,
                        const std::string& target, IProgress& progress) {
    JpegCoefficients jc;
    jc.read(source);
    SparsePicture pic(jc);
    FixHotPixels(progress, hotPixels, pic);

    // The colours the hot pixels are to have, reached component by
    // component: the colour components first, then the luminance that makes
    // up for what their shared samples could not give each pixel.
    std::unordered_set<std::uint64_t> touched;
    const auto& written = pic.written();
    if (pic.grey()) {
        std::vector<PixelTarget> grey;
        for (const auto& w : written)
            grey.push_back({w.x, w.y, float(GetRValue(pic.colourOf(w)))});
        Solve(pic, jc, 0, grey, touched);
    } else {
        std::vector<PixelTarget> cb, cr;
        for (const auto& w : written) {
            const TColor c = pic.colourOf(w);
            const double r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            cb.push_back({w.x, w.y, float(-0.168736 * r - 0.331264 * g + 0.5 * b + 128)});
            cr.push_back({w.x, w.y, float(0.5 * r - 0.418688 * g - 0.081312 * b + 128)});
        }
        Solve(pic, jc, 1, cb, touched);
        Solve(pic, jc, 2, cr, touched);
        std::vector<PixelTarget> luma;
        for (const auto& w : written)
            luma.push_back({w.x, w.y,
                            float(BestLuminance(pic.colourOf(w), pic.value(1, w.x, w.y),
                                                pic.value(2, w.x, w.y)))});
        Solve(pic, jc, 0, luma, touched);
    }

    RepairedJpeg result;
    JpegRepairReport& report = result.report;
    report.blocks = jc.blockCount();
    report.touchedBlocks = touched.size();
    report.hotPixels = written.size();
    report.progressive = jc.progressive();
    report.huffmanKept = HuffmanCodesEverything(jc, touched);
    result.file = std::make_unique<ReplacingFile>(target);
    try {
        jc.write(*result.file, report.huffmanKept);
    } catch (const JpegTranscodeUnavailable&) {
        // Tables the decoder took but the encoder refuses: libjpeg's own.
        if (!report.huffmanKept) throw;
        report.huffmanKept = false;
        result.file = std::make_unique<ReplacingFile>(target);
        jc.write(*result.file, false);
    }
    return result;
}

} // namespace vt
