// Blackshot analysis of a 6000 x 4000 picture with about 2,000 scattered hot
// pixels and a few clusters, next to one plain pass that computes every
// pixel's luminance.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "blackshot.h"
#include "camera/analysis.h"

namespace {

using vt::bench::Blackshot;
using vt::bench::kH;
using vt::bench::kW;

void BM_PlainLuminancePass(benchmark::State& state) {
    const vt::Bitmap& b = Blackshot();
    for (auto _ : state) {
        int highest = 0;
        for (int y = 0; y < kH; ++y) {
            const std::uint8_t* p = b.scanLine(y);
            for (int x = 0; x < kW; ++x, p += 3) {
                const int l = vt::Luminance(p[2], p[1], p[0]);
                highest = l > highest ? l : highest;
            }
        }
        benchmark::DoNotOptimize(highest);
    }
}
BENCHMARK(BM_PlainLuminancePass)->Unit(benchmark::kMillisecond);

void BM_AnalyzeBlackshot(benchmark::State& state) {
    const vt::Bitmap& shot = Blackshot();
    vt::NullProgress progress;
    std::size_t lines = 0;
    for (auto _ : state) {
        const vt::BlackshotResult r = vt::AnalyzeBlackshotBitmap(shot, 30, progress);
        lines = r.lines.size();
        benchmark::DoNotOptimize(lines);
    }
    state.counters["lines"] = double(lines);
}
BENCHMARK(BM_AnalyzeBlackshot)->Unit(benchmark::kMillisecond);

} // namespace
