// Render pass of the photo view on a 24-megapixel photograph: colour-only
// changes (the per-pixel pass over the kept source) and each geometric
// effect computed afresh at a typical value, followed by its render.
#include <benchmark/benchmark.h>

#include <memory>

#include "effects/raduvir_engine.h"
#include "photo.h"

using namespace vt;

namespace {

constexpr int kWidth = vt::bench::kPhotoWidth;
constexpr int kHeight = vt::bench::kPhotoHeight;

const Bitmap& photo() {
    return vt::bench::Photo();
}

std::unique_ptr<TRaDuvirEngine> loaded() {
    auto e = std::make_unique<TRaDuvirEngine>();
    e->setPictureOriginal(photo());
    return e;
}

// Each iteration changes the value, so the setter renders exactly once.
template <typename Setter> void colourChange(benchmark::State& state, Setter set, int a, int b) {
    auto e = loaded();
    bool flip = false;
    for (auto _ : state) {
        set(*e, flip ? a : b);
        flip = !flip;
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(kWidth) * kHeight);
}

void BM_Brightness(benchmark::State& state) {
    colourChange(
        state, [](TRaDuvirEngine& e, int v) { e.setPicBrightness(v); }, 20, 21);
}
void BM_Contrast(benchmark::State& state) {
    colourChange(
        state, [](TRaDuvirEngine& e, int v) { e.setPicContrast(v); }, 40, 41);
}
void BM_Splitlight(benchmark::State& state) {
    colourChange(
        state, [](TRaDuvirEngine& e, int v) { e.setPicSplitlight(v); }, 2, 3);
}

// Several colour parameters at once, with grey scale, saturation or noise:
// the per-pixel paths rather than the byte map.
void BM_ColourWithSaturation(benchmark::State& state) {
    auto e = loaded();
    e->setPicContrast(30);
    e->setPicSplitlight(1);
    e->setPicSaturation(60);
    bool flip = false;
    for (auto _ : state) {
        e->setPicBrightness(flip ? 10 : 11);
        flip = !flip;
    }
}
void BM_ColourWithGreyScale(benchmark::State& state) {
    auto e = loaded();
    e->setPicGrayScale(true);
    bool flip = false;
    for (auto _ : state) {
        e->setPicBrightness(flip ? 10 : 11);
        flip = !flip;
    }
}
void BM_ColourOverKeptNoise(benchmark::State& state) {
    auto e = loaded();
    e->setPicColorNoise(40);
    bool flip = false;
    for (auto _ : state) {
        e->setPicBrightness(flip ? 10 : 11);
        flip = !flip;
    }
}
void BM_ColourNoiseRedrawn(benchmark::State& state) {
    auto e = loaded();
    bool flip = false;
    for (auto _ : state) {
        e->setPicColorNoise(flip ? 40 : 41);
        flip = !flip;
    }
}

// A geometric effect switched off (not timed) and on again: the effect is
// computed into the kept bitmap and rendered once.
template <typename Setter> void geometric(benchmark::State& state, Setter set, int value) {
    auto e = loaded();
    for (auto _ : state) {
        state.PauseTiming();
        set(*e, 0);
        state.ResumeTiming();
        set(*e, value);
    }
}

void BM_Emboss(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicEmboss(v != 0); }, 1);
}
void BM_Mosaic8(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicMosaic(v); }, 8);
}
void BM_SplitBlur5(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicSplitBlur(v); }, 5);
}
void BM_GaussianBlur3(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicGaussianBlur(v); }, 3);
}
void BM_AntiAlias3(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicAntiAlias(v); }, 3);
}
void BM_Trace2(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicTrace(v); }, 2);
}
void BM_Tile4(benchmark::State& s) {
    geometric(
        s, [](TRaDuvirEngine& e, int v) { e.setPicTile(v); }, 4);
}

} // namespace

BENCHMARK(BM_Brightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Splitlight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourWithSaturation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourWithGreyScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourOverKeptNoise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourNoiseRedrawn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Emboss)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mosaic8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitBlur5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaussianBlur3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AntiAlias3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Trace2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tile4)->Unit(benchmark::kMillisecond);
