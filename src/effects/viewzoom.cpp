#include "effects/viewzoom.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "effects/color_effects.h"

namespace vt {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

// a/b < c/d for positive denominators.
bool Less(ZoomScale a, ZoomScale b) {
    return a.num * b.den < b.num * a.den;
}

} // namespace

ZoomScale ZoomStep(int index) {
    index = std::clamp(index, 0, kZoomStepCount - 1);
    if (index < kZoomStep100) return {1, std::int64_t(1) << (kZoomStep100 - index)};
    return {std::int64_t(1) << (index - kZoomStep100), 1};
}

ZoomScale ZoomStepAbove(ZoomScale s) {
    for (int i = 0; i < kZoomStepCount; ++i)
        if (Less(s, ZoomStep(i))) return ZoomStep(i);
    return ZoomStep(kZoomStepCount - 1);
}

ZoomScale ZoomStepBelow(ZoomScale s) {
    for (int i = kZoomStepCount - 1; i >= 0; --i)
        if (Less(ZoomStep(i), s)) return ZoomStep(i);
    return ZoomStep(0);
}

ZoomScale FitScale(int width, int height, int viewWidth, int viewHeight) {
    if (width <= 0 || height <= 0) return {1, 1};
    ZoomScale s{std::max(viewWidth, 1), width};
    const ZoomScale byHeight{std::max(viewHeight, 1), height};
    if (Less(byHeight, s)) s = byHeight;
    if (Less({1, 1}, s)) s = {1, 1};
    if (Less(s, ZoomStep(0))) s = ZoomStep(0);
    return s;
}

std::string ZoomText(ZoomScale s) {
    const double percent = 100.0 * s.factor();
    char text[32];
    const double whole = double(std::int64_t(percent * 10 + 0.5)) / 10;
    if (whole == double(std::int64_t(whole)))
        std::snprintf(text, sizeof text, "%lld %%", static_cast<long long>(whole));
    else
        std::snprintf(text, sizeof text, "%.1f %%", whole);
    return text;
}

PhotoViewMapping::PhotoViewMapping(ZoomScale scale, int photoWidth, int photoHeight)
    : scale_(scale), photoWidth_(photoWidth), photoHeight_(photoHeight) {}

int PhotoViewMapping::toPhoto(int s) const {
    // The centre s + 1/2 of the device pixel, in photo pixels.
    return int(FloorDiv((2 * std::int64_t(s) + 1) * scale_.den, 2 * scale_.num));
}

int PhotoViewMapping::toScreen(int p) const {
    // The first s with (2s + 1) den >= 2 p num.
    return int(CeilDiv(2 * std::int64_t(p) * scale_.num - scale_.den, 2 * scale_.den));
}

namespace {

// The photo pixels [first, end) that device pixel s covers, limited to the
// photo; empty beyond it.
struct Span {
    int first = 0;
    int end = 0;
};

Span SpanOf(const PhotoViewMapping& map, int s, int size) {
    const ZoomScale z = map.scale();
    Span span;
    if (z.num >= z.den) {
        span.first = map.toPhoto(s);
        span.end = span.first + 1;
    } else {
        span.first = int(FloorDiv(std::int64_t(s) * z.den, z.num));
        span.end = std::max(span.first + 1, int(FloorDiv(std::int64_t(s + 1) * z.den, z.num)));
    }
    span.first = std::clamp(span.first, 0, size);
    span.end = std::clamp(span.end, 0, size);
    return span;
}

void renderRows(const Bitmap& photo, const PhotoViewMapping& map, const std::vector<Span>& cols,
                bool enlarged, int top, int j0, int j1, std::vector<std::uint32_t>& sums,
                std::uint32_t* out, std::size_t outStride);

} // namespace

void RenderViewRegion(const Bitmap& photo, const PhotoViewMapping& map, int left, int top,
                      int width, int height, std::uint32_t* out, std::size_t outStride) {
    if (width <= 0 || height <= 0 || photo.empty()) return;
    const int w = photo.width();
    std::vector<Span> cols(std::size_t(width), Span{});
    for (int i = 0; i < width; ++i)
        cols[std::size_t(i)] = SpanOf(map, left + i, w);
    const bool enlarged = map.scale().num >= map.scale().den;
    auto rowsOf = [&](int j0, int j1) {
        std::vector<std::uint32_t> sums;
        if (!enlarged) sums.resize(std::size_t(width) * 3);
        renderRows(photo, map, cols, enlarged, top, j0, j1, sums, out, outStride);
    };
    // A reduced view reads every photo pixel it covers: a whole photo
    // fitted to the window is worth the other cores.
    const std::int64_t read = enlarged ? std::int64_t(width) * height
                                       : std::int64_t(width) * height * map.scale().den *
                                             map.scale().den / (map.scale().num * map.scale().num);
    const int threads =
        int(std::clamp<std::int64_t>(read / (1 << 21), 1, std::min(RenderThreads(), height)));
    RunRowBands(height, threads, rowsOf);
}

namespace {

void renderRows(const Bitmap& photo, const PhotoViewMapping& map, const std::vector<Span>& cols,
                bool enlarged, int top, int j0, int j1, std::vector<std::uint32_t>& sums,
                std::uint32_t* out, std::size_t outStride) {
    const int width = int(cols.size()), h = photo.height();
    for (int j = j0; j < j1; ++j) {
        const Span rows = SpanOf(map, top + j, h);
        if (rows.first >= rows.end) continue;
        std::uint32_t* o = out + std::size_t(j) * outStride;
        if (enlarged) {
            const std::uint8_t* s = photo.scanLine(rows.first);
            for (int i = 0; i < width; ++i) {
                const Span c = cols[std::size_t(i)];
                if (c.first >= c.end) continue;
                const std::uint8_t* px = s + 3 * std::size_t(c.first);
                o[i] = 0xff000000u | (std::uint32_t(px[2]) << 16) | (std::uint32_t(px[1]) << 8) |
                       px[0];
            }
            continue;
        }
        std::fill(sums.begin(), sums.end(), 0u);
        for (int y = rows.first; y < rows.end; ++y) {
            const std::uint8_t* s = photo.scanLine(y);
            std::uint32_t* acc = sums.data();
            for (int i = 0; i < width; ++i, acc += 3) {
                const Span c = cols[std::size_t(i)];
                std::uint32_t b = 0, g = 0, r = 0;
                for (const std::uint8_t *px = s + 3 * std::size_t(c.first),
                                        *e = s + 3 * std::size_t(c.end);
                     px < e; px += 3) {
                    b += px[0];
                    g += px[1];
                    r += px[2];
                }
                acc[0] += b;
                acc[1] += g;
                acc[2] += r;
            }
        }
        const std::uint32_t rowCount = std::uint32_t(rows.end - rows.first);
        const std::uint32_t* acc = sums.data();
        for (int i = 0; i < width; ++i, acc += 3) {
            const Span c = cols[std::size_t(i)];
            if (c.first >= c.end) continue;
            const std::uint32_t n = rowCount * std::uint32_t(c.end - c.first);
            const std::uint32_t half = n / 2;
            o[i] = 0xff000000u | (((acc[2] + half) / n) << 16) | (((acc[1] + half) / n) << 8) |
                   ((acc[0] + half) / n);
        }
    }
}

} // namespace

} // namespace vt
