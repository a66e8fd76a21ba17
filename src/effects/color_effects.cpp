#include "effects/color_effects.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numbers>
#include <thread>
#include <vector>

namespace vt {

namespace {

using i64 = std::int64_t;

i64 clamp255(i64 v) {
    return std::min<i64>(255, std::max<i64>(0, v));
}

// Tone step of one channel value (posterize; solorize is chosen per pixel).
i64 posterized(int c, int p) {
    int q = c / p, r = c % p;
    // round(c / p), halves to the even quotient.
    if (2 * r > p || (2 * r == p && (q & 1))) ++q;
    return i64(q) * p;
}

// c + contrast + lightness + darkness + brightness for a toned channel value
// c; the noise term is added later.
i64 channelSum(i64 c, const ColorEffectParams& p) {
    i64 t = 0, l = 0, d = 0;
    if (p.contrast != 0) {
        t = (std::llabs(127 - c) * p.contrast) / 255;
        if (c <= 127) t = -t;
    }
    if (p.lightness != 0) l = (i64(p.lightness) * (255 - c)) / 255;
    if (p.darkness != 0) d = (-(c * p.darkness)) / 255;
    return c + t + l + d + p.brightness;
}

// The pass's tables for one parameter set.
struct Tables {
    // Sum before noise, per source value, for the plain and the solorized
    // tone; limited to [-256, 255], which keeps clamp(sum + noise) the same
    // for every noise value 0..255.
    std::array<int, 256> sum[2];
    // Split light of clamp(x) for x in [-256, 510], at index x + 256;
    // inverted as well when nothing follows but the invert.
    std::array<std::uint8_t, 767> split;
    // Without noise: the value after split light straight from the source
    // value, for the plain and the solorized tone.
    std::array<std::uint8_t, 256> direct[2];
    // Grey value for 30 R + 59 G + 11 B, invert applied.
    std::array<std::uint8_t, 256> grey{};
    std::array<double, 256> lumaR{}, lumaG{}, lumaB{};
    // Saturation: ((v - m) (Q + 255)) div 255 at index v - m + 255, limited to
    // [-256, 255]; then clamp(x + m) at index x + m + 256 with invert applied.
    std::array<int, 511> satDelta;
    std::array<std::uint8_t, 767> finish;
};

void buildTables(const ColorEffectParams& p, bool foldInvert, Tables& t) {
    for (int c = 0; c < 256; ++c) {
        i64 plain = p.posterize != 0 ? posterized(c, p.posterize) : c;
        t.sum[0][std::size_t(c)] = int(std::clamp<i64>(channelSum(plain, p), -256, 255));
        t.sum[1][std::size_t(c)] = int(std::clamp<i64>(channelSum(255 - c, p), -256, 255));
    }
    std::array<std::uint8_t, 256> splitOf{};
    for (int v = 0; v < 256; ++v) {
        double x = v;
        for (int i = 0; i < p.splitlight; ++i)
            x = RoundHalfEven(255.0 * std::sin(x / 255.0 * std::numbers::pi / 2.0));
        int s = int(x);
        splitOf[std::size_t(v)] = std::uint8_t(foldInvert ? 255 - s : s);
    }
    for (int i = 0; i < 767; ++i)
        t.split[std::size_t(i)] = splitOf[std::size_t(clamp255(i - 256))];
    for (int k = 0; k < 2; ++k)
        for (int c = 0; c < 256; ++c)
            t.direct[k][std::size_t(c)] = t.split[std::size_t(t.sum[k][std::size_t(c)] + 256)];
    if (p.grayScale) {
        // The luma as written, 0.3 R + 0.59 G + 0.11 B, evaluated in double
        // in that order and rounded to the nearest integer, halves to even.
        // The products are kept per channel value; the sum is formed per
        // pixel, since its rounding depends on more than 30 R + 59 G + 11 B.
        for (int c = 0; c < 256; ++c) {
            t.lumaR[std::size_t(c)] = 0.3 * c;
            t.lumaG[std::size_t(c)] = 0.59 * c;
            t.lumaB[std::size_t(c)] = 0.11 * c;
        }
        for (int v = 0; v < 256; ++v)
            t.grey[std::size_t(v)] = std::uint8_t(p.invert ? 255 - v : v);
    } else if (p.saturation != 0) {
        const i64 factor = i64(p.saturation) + 255;
        for (int d = -255; d <= 255; ++d)
            t.satDelta[std::size_t(d + 255)] = int(std::clamp<i64>((d * factor) / 255, -256, 255));
        for (int i = 0; i < 767; ++i) {
            int v = int(clamp255(i - 256));
            t.finish[std::size_t(i)] = std::uint8_t(p.invert ? 255 - v : v);
        }
    }
}

enum class Mix { None, Grey, Saturation };

template <bool Noise, bool Solorize, Mix M>
void runPass(const Bitmap& src, const Bitmap* noise, const ColorEffectParams& p, const Tables& t,
             Bitmap& dst, int y0, int y1) {
    const int w = src.width();
    // Solorize inverts a pixel when (R + G + B) div 3 > 255 - S.
    const int solorizeFrom = 3 * (255 - p.solorize + 1);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* s = src.scanLine(y);
        const std::uint8_t* n = Noise ? noise->scanLine(y) : nullptr;
        std::uint8_t* d = dst.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int i = 3 * x;
            int k = 0;
            if constexpr (Solorize) k = (s[i] + s[i + 1] + s[i + 2]) >= solorizeFrom ? 1 : 0;
            int v0, v1, v2;
            if constexpr (Noise) {
                v0 = t.split[std::size_t(t.sum[k][s[i]] + n[i] + 256)];
                v1 = t.split[std::size_t(t.sum[k][s[i + 1]] + n[i + 1] + 256)];
                v2 = t.split[std::size_t(t.sum[k][s[i + 2]] + n[i + 2] + 256)];
            } else {
                v0 = t.direct[k][s[i]];
                v1 = t.direct[k][s[i + 1]];
                v2 = t.direct[k][s[i + 2]];
            }
            if constexpr (M == Mix::Grey) {
                // Bytes are blue, green, red.
                const double y = t.lumaR[v2] + t.lumaG[v1] + t.lumaB[v0];
                const std::uint8_t g = t.grey[std::size_t(std::nearbyint(y))];
                d[i] = d[i + 1] = d[i + 2] = g;
            } else if constexpr (M == Mix::Saturation) {
                const int m = (v0 + v1 + v2) / 3;
                d[i] = t.finish[std::size_t(t.satDelta[std::size_t(v0 - m + 255)] + m + 256)];
                d[i + 1] = t.finish[std::size_t(t.satDelta[std::size_t(v1 - m + 255)] + m + 256)];
                d[i + 2] = t.finish[std::size_t(t.satDelta[std::size_t(v2 - m + 255)] + m + 256)];
            } else {
                d[i] = std::uint8_t(v0);
                d[i + 1] = std::uint8_t(v1);
                d[i + 2] = std::uint8_t(v2);
            }
        }
    }
}

template <bool Noise, bool Solorize>
void dispatchMix(Mix m, const Bitmap& src, const Bitmap* noise, const ColorEffectParams& p,
                 const Tables& t, Bitmap& dst, int y0, int y1) {
    switch (m) {
    case Mix::None:
        runPass<Noise, Solorize, Mix::None>(src, noise, p, t, dst, y0, y1);
        break;
    case Mix::Grey:
        runPass<Noise, Solorize, Mix::Grey>(src, noise, p, t, dst, y0, y1);
        break;
    case Mix::Saturation:
        runPass<Noise, Solorize, Mix::Saturation>(src, noise, p, t, dst, y0, y1);
        break;
    }
}

std::atomic<int> renderThreads{0};

// Runs work(y0, y1) over bands of the rows [0, h), one band per thread; the
// calling thread takes the first. Small pictures stay on one thread, where
// starting threads would cost more than it saves.
void ForRowBands(int w, int h, const std::function<void(int, int)>& work) {
    int threads = RenderThreads();
    const std::int64_t pixels = std::int64_t(w) * h;
    constexpr std::int64_t kPixelsPerThread = 256 * 1024;
    threads = int(
        std::min<std::int64_t>({threads, std::max<std::int64_t>(1, pixels / kPixelsPerThread), h}));
    RunRowBands(h, threads, work);
}

} // namespace

void RunRowBands(int rows, int threads, const std::function<void(int, int)>& work) {
    if (threads <= 1) {
        work(0, rows);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(std::size_t(threads - 1));
    auto band = [&](int i) { return int(std::int64_t(rows) * i / threads); };
    for (int i = 1; i < threads; ++i)
        helpers.emplace_back(work, band(i), band(i + 1));
    work(0, band(1));
    for (std::thread& t : helpers)
        t.join();
}

double RoundHalfEven(double x) {
    double r = std::round(x); // halves away from zero
    if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
    return r;
}

void RenderColorEffects(const Bitmap& src, const Bitmap* noise, const ColorEffectParams& p,
                        Bitmap& dst) {
    const Mix mix = p.grayScale ? Mix::Grey : p.saturation != 0 ? Mix::Saturation : Mix::None;
    const bool solorize = p.posterize == 0 && p.solorize != 0;
    auto t = std::make_unique<Tables>();
    buildTables(p, mix == Mix::None && p.invert, *t);
    const int w = src.width(), h = src.height();

    if (!noise && !solorize && mix == Mix::None) {
        // Every channel through the same table: map the bytes of each row.
        const std::uint8_t* map = t->direct[0].data();
        ForRowBands(w, h, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* s = src.scanLine(y);
                std::uint8_t* d = dst.scanLine(y);
                for (int i = 0; i < 3 * w; ++i)
                    d[i] = map[s[i]];
            }
        });
        return;
    }
    ForRowBands(w, h, [&](int y0, int y1) {
        if (noise) {
            if (solorize)
                dispatchMix<true, true>(mix, src, noise, p, *t, dst, y0, y1);
            else
                dispatchMix<true, false>(mix, src, noise, p, *t, dst, y0, y1);
        } else {
            if (solorize)
                dispatchMix<false, true>(mix, src, noise, p, *t, dst, y0, y1);
            else
                dispatchMix<false, false>(mix, src, noise, p, *t, dst, y0, y1);
        }
    });
}

void SetRenderThreads(int threads) {
    renderThreads = std::max(0, threads);
}

int RenderThreads() {
    const int n = renderThreads;
    return n > 0 ? n : int(std::max(1u, std::thread::hardware_concurrency()));
}

Bitmap MakeNoiseBitmap(int width, int height, int strength, bool mono, Random& rng) {
    Bitmap b(width, height);
    const int half = strength / 2;
    // Draw from a local copy, so the state stays in a register while bytes
    // are stored, and hand the state back at the end.
    Random local = rng;
    auto sample = [&] { return std::uint8_t(clamp255(i64(local.next(strength)) - half)); };
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            std::uint8_t* px = row + 3 * x;
            if (mono) {
                px[0] = px[1] = px[2] = sample();
            } else {
                px[2] = sample(); // red
                px[1] = sample(); // green
                px[0] = sample(); // blue
            }
        }
    }
    rng.setSeed(local.seed());
    return b;
}

} // namespace vt
