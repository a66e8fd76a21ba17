#include "effects/geometric_effects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effects/halftone.h"

namespace vt {

namespace {

// One embossed row: row[x] <- (row[x] + 255 - nb[x + 3]) div 2, or against
// nb[x] where x + 3 lies outside. nb may be row itself: every byte of nb is
// read before the byte of row at that place is written.
void embossRow(std::uint8_t* row, const std::uint8_t* nb, int w) {
    int shifted = std::max(0, w - 3) * 3;
    for (int i = 0; i < shifted; ++i)
        row[i] = std::uint8_t((row[i] + 255 - nb[i + 9]) >> 1);
    for (int i = shifted; i < w * 3; ++i)
        row[i] = std::uint8_t((row[i] + 255 - nb[i]) >> 1);
}

// Bytes from..to of a row whose upper and lower rows are other rows: the
// mean of the bytes `offset` before and after in both.
void blurInterior(std::uint8_t* __restrict row, const std::uint8_t* __restrict up,
                  const std::uint8_t* __restrict down, int offset, int to) {
    for (int i = offset; i < to; ++i)
        row[i] = std::uint8_t(
            (up[i - offset] + down[i - offset] + up[i + offset] + down[i + offset]) >> 2);
}

} // namespace

void EmbossEffect(Bitmap& b) {
    const int w = b.width(), h = b.height();
    if (b.empty()) return;
    for (int y = 0; y + 1 < h; ++y)
        embossRow(b.scanLine(y), b.scanLine(y + 1), w);
    // The last row is set against the (changed) row above it; a single row
    // against itself as it was.
    embossRow(b.scanLine(h - 1), b.scanLine(std::max(h - 2, 0)), w);
}

void MosaicEffect(Bitmap& b, int size) {
    const int w = b.width(), h = b.height();
    if (size < 2 || b.empty()) return;
    // A block larger than the picture is the whole picture.
    size = std::min(size, std::max(w, h));
    const std::size_t rowBytes = std::size_t(w) * 3;
    for (int y0 = 0; y0 < h; y0 += size) {
        std::uint8_t* top = b.scanLine(y0);
        for (int x0 = 0; x0 < w; x0 += size) {
            const std::uint8_t c0 = top[3 * x0], c1 = top[3 * x0 + 1], c2 = top[3 * x0 + 2];
            const int x1 = x0 + std::min(size, w - x0);
            for (int x = x0 + 1; x < x1; ++x) {
                top[3 * x] = c0;
                top[3 * x + 1] = c1;
                top[3 * x + 2] = c2;
            }
        }
        const int y1 = y0 + std::min(size, h - y0);
        for (int y = y0 + 1; y < y1; ++y)
            std::memcpy(b.scanLine(y), top, rowBytes);
    }
}

void SplitBlurEffect(Bitmap& b, int distance) {
    const int w = b.width(), h = b.height();
    const int n = distance;
    if (n <= 0 || b.empty()) return;
    // Byte offsets of the left and right columns of every pixel.
    std::vector<int> left(static_cast<std::size_t>(w)), right(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        int l = x >= n ? x - n : x;
        int r = n < w - x ? x + n : std::min(w - x, w - 1);
        left[std::size_t(x)] = 3 * l;
        right[std::size_t(x)] = 3 * r;
    }
    for (int y = 0; y < h; ++y) {
        int up = y >= n ? y - n : y;
        int lo = n < h - y ? y + n : std::min(h - y, h - 1);
        // Read through the bitmap itself: rows and pixels already visited
        // hold their new values.
        const std::uint8_t* u = b.scanLine(up);
        const std::uint8_t* d = b.scanLine(lo);
        std::uint8_t* row = b.scanLine(y);
        auto blurPixel = [&](int x) {
            const int l = left[std::size_t(x)], r = right[std::size_t(x)];
            for (int ch = 0; ch < 3; ++ch)
                row[3 * x + ch] =
                    std::uint8_t((u[l + ch] + d[l + ch] + u[r + ch] + d[r + ch]) >> 2);
        };
        if (up == y || lo == y || 2 * n >= w) {
            // The row reads itself: strictly left to right.
            for (int x = 0; x < w; ++x)
                blurPixel(x);
            continue;
        }
        // No pixel of this row reads the row itself, so the order within it
        // does not matter; the interior columns x - n and x + n need no
        // lookup.
        for (int x = 0; x < n; ++x)
            blurPixel(x);
        blurInterior(row, u, d, 3 * n, 3 * (w - n));
        for (int x = w - n; x < w; ++x)
            blurPixel(x);
    }
}

void GaussianBlurEffect(Bitmap& b, int strength) {
    if (strength < 0) return;
    for (int i = 0; i <= strength; ++i)
        SplitBlurEffect(b, 3);
}

void AntiAliasEffect(Bitmap& b, int passes) {
    const int w = b.width(), h = b.height();
    if (w < 3 || h < 3) return;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 1; y < h - 1; ++y) {
            const std::uint8_t* up = b.scanLine(y - 1);
            const std::uint8_t* down = b.scanLine(y + 1);
            std::uint8_t* row = b.scanLine(y);
            for (int i = 3; i < (w - 1) * 3; ++i)
                row[i] = std::uint8_t((up[i] + down[i] + row[i - 3] + row[i + 3]) >> 2);
        }
    }
}

void TraceEffect(Bitmap& b, int passes) {
    const int w = b.width(), h = b.height();
    if (passes <= 0 || b.empty()) return;
    // The index picture: fixed for all passes, only equality matters.
    std::vector<std::uint8_t> index(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = b.scanLine(y);
        std::uint8_t* out = index.data() + std::size_t(y) * std::size_t(w);
        for (int x = 0; x < w; ++x)
            out[x] = HalftoneIndex(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
    auto at = [&](int x, int y) { return index[std::size_t(y) * std::size_t(w) + std::size_t(x)]; };
    auto paint = [&](int x, int y) {
        std::uint8_t* p = b.scanLine(y) + 3 * x;
        p[0] = p[1] = p[2] = 0;
    };
    bool edgeMet = false;
    std::uint8_t reference = 0;
    auto examine = [&](int px, int py, int qx, int qy) {
        const std::uint8_t ip = at(px, py), iq = at(qx, qy);
        if (ip == iq) return;
        if (!edgeMet) {
            reference = iq;
            edgeMet = true;
            paint(px, py);
        } else if (ip != reference) {
            paint(px, py);
        } else {
            paint(qx, qy);
        }
    };
    // The sweeps cover only pairs inside the picture: narrower than 3 or
    // lower than 2 pixels, no pair is examined.
    // The index picture never changes, and once an edge is met neither does
    // the reference index; so every pass after the second paints exactly the
    // pixels the second painted, and painting black twice changes nothing.
    const int effective = std::min(passes, 2);
    for (int pass = 1; pass <= effective; ++pass) {
        for (int y = 0; y <= h - 2; ++y)
            for (int x = 0; x <= w - 3; ++x) {
                examine(x, y, x + 1, y);
                examine(x, y, x, y + 1);
            }
        if (pass < 2) continue;
        for (int y = h - 1; y >= 1; --y)
            for (int x = w - 1; x >= 2; --x) {
                examine(x, y, x - 1, y);
                examine(x, y, x, y - 1);
            }
    }
}

Bitmap ShrinkBitmap(const Bitmap& src, int w, int h) {
    Bitmap dst(w, h);
    const int sw = src.width(), sh = src.height();
    if (src.empty() || w <= 0 || h <= 0) return dst;
    const std::int64_t xstep = (std::int64_t(sw - 1) * 32768) / w;
    const std::int64_t ystep = (std::int64_t(sh - 1) * 32768) / h;
    const auto n = static_cast<std::size_t>(w);
    std::vector<int> c0s(n), c1s(n), fxs(n);
    for (int i = 0; i < w; ++i) {
        const std::int64_t sx = i * xstep;
        const int c0 = int(sx >> 15);
        c0s[std::size_t(i)] = 3 * c0;
        c1s[std::size_t(i)] = 3 * (c0 < sw - 1 ? c0 + 1 : c0);
        fxs[std::size_t(i)] = int(sx & 32767);
    }
    for (int j = 0; j < h; ++j) {
        const std::int64_t sy = j * ystep;
        const int r0 = int(sy >> 15);
        const int r1 = r0 < sh - 1 ? r0 + 1 : r0;
        const int fy = int(sy & 32767);
        const std::uint8_t* top = src.scanLine(r0);
        const std::uint8_t* bottom = src.scanLine(r1);
        std::uint8_t* out = dst.scanLine(j);
        for (int i = 0; i < w; ++i) {
            const int fx = fxs[std::size_t(i)];
            const int wTR = (fx * (32768 - fy)) >> 15;
            const int wTL = (32768 - fy) - wTR;
            const int wBR = (fx * fy) >> 15;
            const int wBL = fy - wBR;
            const int c0 = c0s[std::size_t(i)], c1 = c1s[std::size_t(i)];
            for (int ch = 0; ch < 3; ++ch)
                out[3 * i + ch] = std::uint8_t((top[c0 + ch] * wTL + top[c1 + ch] * wTR +
                                                bottom[c0 + ch] * wBL + bottom[c1 + ch] * wBR) >>
                                               15);
        }
    }
    return dst;
}

int TileSizeFor(int value, int width, int height, int& tileW, int& tileH) {
    tileH = std::max(10, height / value);
    tileW = std::max(10, width / value);
    if (tileW == 10 && tileH == 10) return std::max(width, height) / 10;
    return value;
}

void TileEffect(Bitmap& b, const Bitmap& src, int tileW, int tileH) {
    const int w = b.width(), h = b.height();
    if (b.empty() || src.empty() || tileW <= 0 || tileH <= 0) return;
    const Bitmap tile = ShrinkBitmap(src, tileW, tileH);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* from = tile.scanLine(y % tileH);
        std::uint8_t* to = b.scanLine(y);
        for (int x0 = 0; x0 < w; x0 += tileW) {
            const int n = std::min(tileW, w - x0);
            std::memcpy(to + std::size_t(x0) * 3, from, std::size_t(n) * 3);
        }
    }
}

} // namespace vt
